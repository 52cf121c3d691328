#include "tests/support/TempFolder.h"
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include <atomic>
#include <cstdio>
#include <stdexcept>

namespace {
std::atomic<int> g_serial{0};

// The paths are Shift_JIS, as the program's; they reach the platform as
// UTF-16 whatever the system's code page, as the program's do.
std::wstring Wide(const std::string& path) { return W(path); }

// folder without a separator at its end.
void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    FCFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find.valid()) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = folder + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(child);
            else DeleteFileW(child.c_str());
        } while (FindNextFileW(find.get(), &data));
        find.reset();  // the folder goes next
    }
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(folder.c_str());
}
}  // namespace

TempFolder::TempFolder(const std::string& parent) {
    std::string base = parent;
    if (base.empty()) {
        wchar_t temp[MAX_PATH + 1];
        DWORD n = GetTempPathW(MAX_PATH + 1, temp);
        if (n == 0 || n > MAX_PATH) throw std::runtime_error("no temporary folder");
        base = ToShiftJis(temp);
    }
    char name[64];
    std::snprintf(name, sizeof name, "kx%lu_%d_%lu\\", GetCurrentProcessId(), ++g_serial, GetTickCount());
    path_ = base + name;
    if (!CreateDirectoryW(Wide(path_).c_str(), nullptr)) throw std::runtime_error("cannot create " + path_);
}

TempFolder::~TempFolder() { removeAll(path_); }

void TempFolder::writeFile(const std::string& path, const std::string& bytes) { writeFile(Wide(path), bytes); }

void TempFolder::writeFile(const std::wstring& path, const std::string& bytes) {
    FCHandle h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) throw std::runtime_error("cannot write " + ToShiftJis(path.c_str()));
    DWORD done = 0;
    WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

std::string TempFolder::readFile(const std::string& path) { return readFile(Wide(path)); }

std::string TempFolder::readFile(const std::wstring& path) {
    FCHandle h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) return std::string("<missing>");
    std::string bytes;
    char buffer[65536];
    DWORD done = 0;
    while (ReadFile(h.get(), buffer, sizeof buffer, &done, nullptr) && done > 0) bytes.append(buffer, done);
    return bytes;
}

bool TempFolder::exists(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> TempFolder::entries(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    FCFindHandle find(FindFirstFileW(pattern.c_str(), &data));
    if (!find.valid()) return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find.get(), &data));
    return names;
}

void TempFolder::removeAll(const std::string& path) {
    std::wstring folder = Wide(path);
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    // Taken literally, so that names a test made on purpose (CON.txt, a
    // trailing blank) go too.
    if (folder.size() > 2 && folder[1] == L':') folder.insert(0, L"\\\\?\\");
    RemoveTree(folder);
}

bool TempFolder::driveExists(char letter) {
    char root[4] = {letter, ':', '\\', '\0'};
    return GetDriveTypeA(root) > DRIVE_NO_ROOT_DIR;
}

std::wstring TempFolder::widePath() const { return Wide(path_); }
