#include "tests/cab/CabinetWriter.h"
#include <windows.h>

namespace {
void Put16(std::string& out, unsigned v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
}  // namespace

bool WriteCabinet(const std::string& path, const std::vector<CabinetEntry>& entries) {
    std::string all;
    for (const auto& e : entries) all += e.data;
    const size_t block = 32768;
    size_t blocks = all.empty() ? 0 : (all.size() + block - 1) / block;
    std::string files;
    unsigned offset = 0;
    for (const auto& e : entries) {
        Put32(files, static_cast<unsigned>(e.data.size()));
        Put32(files, offset);
        Put16(files, 0);       // folder 0
        Put16(files, 0x3A21);  // a date in 2009
        Put16(files, 0);
        Put16(files, e.attributes);
        files += e.name;
        files.push_back('\0');
        offset += static_cast<unsigned>(e.data.size());
    }
    const unsigned header = 36, folder = 8;
    unsigned dataStart = header + folder + static_cast<unsigned>(files.size());
    std::string data;
    for (size_t i = 0; i < blocks; ++i) {
        std::string chunk = all.substr(i * block, block);
        Put32(data, 0);  // no checksum
        Put16(data, static_cast<unsigned>(chunk.size()));
        Put16(data, static_cast<unsigned>(chunk.size()));
        data += chunk;
    }
    std::string cab = "MSCF";
    Put32(cab, 0);
    Put32(cab, dataStart + static_cast<unsigned>(data.size()));
    Put32(cab, 0);
    Put32(cab, header + folder);
    Put32(cab, 0);
    cab.push_back(3);
    cab.push_back(1);
    Put16(cab, 1);
    Put16(cab, static_cast<unsigned>(entries.size()));
    Put16(cab, 0);
    Put16(cab, 1234);
    Put16(cab, 0);
    Put32(cab, dataStart);
    Put16(cab, static_cast<unsigned>(blocks));
    Put16(cab, 0);  // stored
    cab += files;
    cab += data;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    BOOL ok = WriteFile(h, cab.data(), static_cast<DWORD>(cab.size()), &done, nullptr);
    CloseHandle(h);
    return ok && done == cab.size();
}

std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}
