#include "tests/support/TempFolder.h"
#include "foundation/FCHandle.h"
#include <atomic>
#include <cstdio>
#include <stdexcept>

namespace {
std::atomic<int> g_serial{0};
}

TempFolder::TempFolder(const std::string& parent) {
    std::string base = parent;
    if (base.empty()) {
        char temp[MAX_PATH + 1];
        DWORD n = GetTempPathA(sizeof temp, temp);
        if (n == 0 || n >= sizeof temp) throw std::runtime_error("no temporary folder");
        base = temp;
    }
    char name[64];
    std::snprintf(name, sizeof name, "kx%lu_%d_%lu\\", GetCurrentProcessId(), ++g_serial, GetTickCount());
    path_ = base + name;
    if (!CreateDirectoryA(path_.c_str(), nullptr)) throw std::runtime_error("cannot create " + path_);
}

TempFolder::~TempFolder() { removeAll(path_); }

void TempFolder::writeFile(const std::string& path, const std::string& bytes) {
    FCHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) throw std::runtime_error("cannot write " + path);
    DWORD done = 0;
    WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

std::string TempFolder::readFile(const std::string& path) {
    FCHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) return std::string("<missing>");
    std::string bytes;
    char buffer[65536];
    DWORD done = 0;
    while (ReadFile(h.get(), buffer, sizeof buffer, &done, nullptr) && done > 0) bytes.append(buffer, done);
    return bytes;
}

bool TempFolder::exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void TempFolder::removeAll(const std::string& path) {
    std::string folder = path;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    WIN32_FIND_DATAA data;
    FCFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (find.valid()) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = folder + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeAll(child);
            else DeleteFileA(child.c_str());
        } while (FindNextFileA(find.get(), &data));
        find.reset();  // the folder goes next
    }
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(folder.c_str());
}

bool TempFolder::driveExists(char letter) {
    char root[4] = {letter, ':', '\\', '\0'};
    return GetDriveTypeA(root) > DRIVE_NO_ROOT_DIR;
}
