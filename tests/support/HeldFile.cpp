#include "tests/support/HeldFile.h"
#include "tests/support/WindowAnswerer.h"
#include <shellapi.h>
#include <cstring>

namespace {
// The helper's handles stay open past its return: the test reads "held"
// from the file itself, which opens for writing no longer.
bool OpenForWriting(const std::wstring& path) {
    FCHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
    return file.valid();
}
}  // namespace

HeldFile::HeldFile(const std::wstring& path, Sharing sharing) {
    static LONG serial = 0;
    wchar_t name[64];
    wsprintfW(name, L"kelpex-test-release-%lu-%ld", GetCurrentProcessId(), InterlockedIncrement(&serial));
    release_.reset(CreateEventW(nullptr, TRUE, FALSE, name));
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" hold-file \"" + path + L"\" " +
                           (sharing == SHARE_NONE ? L"none " : L"read ") + name;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        startError_ = GetLastError();
        return;
    }
    FCHandle thread(started.hThread);
    process_.reset(started.hProcess);
    pid_ = started.dwProcessId;
    held_ = WindowAnswerer::waitUntil([&] { return !OpenForWriting(path); }, 20000);
}

HeldFile::~HeldFile() { release(); }

std::string HeldFile::whyNotHeld() const {
    if (held_) return std::string();
    if (!process_.valid()) return "the helper did not start: error " + std::to_string(startError_);
    DWORD code = 0;
    if (GetExitCodeProcess(process_.get(), &code) && code != STILL_ACTIVE)
        return "the helper ended with " + std::to_string(code);
    return "the helper runs, but the file still opens for writing";
}

void HeldFile::release() {
    SetEvent(release_.get());
    if (process_.valid()) WaitForSingleObject(process_.get(), 20000);
    process_.reset();
}

bool RunAsFileHolder(int argc, char** argv) {
    if (argc != 5 || std::strcmp(argv[1], "hold-file") != 0) return false;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr || count != 5) return true;
    DWORD share = std::wcscmp(wide[3], L"read") == 0 ? FILE_SHARE_READ : 0;
    FCHandle file;
    // A handle of the file's writer that Wine has not yet let go of (seen
    // once on a loaded machine) refuses the first open: tried again for a
    // while, never waited for on a guess.
    DWORD error = ERROR_SHARING_VIOLATION;
    for (int tries = 0; tries < 100 && error == ERROR_SHARING_VIOLATION; ++tries) {
        if (tries > 0) Sleep(50);
        file.reset(CreateFileW(wide[2], GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
        error = file.valid() ? 0 : GetLastError();
    }
    // The error its open met, as the helper's exit code, for whyNotHeld.
    if (!file.valid()) ExitProcess(error);
    FCHandle release(OpenEventW(SYNCHRONIZE, FALSE, wide[4]));
    LocalFree(wide);
    if (release.valid()) WaitForSingleObject(release.get(), 120000);
    return true;
}
