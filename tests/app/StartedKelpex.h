// The real kelpex.exe run as its own process from a test folder.
#pragma once
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowAnswerer.h"
#include <windows.h>
#include <richedit.h>
#include <string>

// A rich edit of another process as UTF-16: the request and the text live
// in that process's memory (WM_GETTEXT would come through its code page).
inline std::wstring OtherProcessText(HANDLE process, HWND rich) {
    const DWORD kBytes = 8192;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(GETTEXTEX) + kBytes, MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr) return L"<no memory in the process>";
    GETTEXTEX get = {kBytes - 2, GT_DEFAULT, 1200, nullptr, nullptr};
    char* text = static_cast<char*>(remote) + sizeof get;
    wchar_t read[kBytes / 2] = L"";
    if (WriteProcessMemory(process, remote, &get, sizeof get, nullptr)) {
        SendMessageW(rich, EM_GETTEXTEX, reinterpret_cast<WPARAM>(remote), reinterpret_cast<LPARAM>(text));
        ReadProcessMemory(process, text, read, kBytes - 2, nullptr);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return read;
}

// kelpex.exe copied into a folder of its own and started there as a
// separate process, with arguments as Windows gives them (or as the test's
// Shift_JIS); ended on the way out if it is still running.
namespace {
class StartedKelpex {
public:
    StartedKelpex(const TempFolder& folder, const std::string& arguments)
        : StartedKelpex(folder, FromShiftJis(arguments.c_str())) {}
    StartedKelpex(const TempFolder& folder, const std::wstring& arguments) {
        std::wstring exe = folder.widePath() + L"kelpex.exe";
        CopyFileW(FromShiftJis(WindowsPath(KELPEX_EXE).c_str()).c_str(), exe.c_str(), FALSE);
        // No arguments: the command line is the program's name alone, as a
        // user's start gives it.
        std::wstring command = L"\"" + exe + L"\"";
        if (!arguments.empty()) command += L" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.widePath().c_str(),
                                  &startup, &process_) != FALSE;
    }
    ~StartedKelpex() {
        if (!started_) return;
        FCHandle thread(process_.hThread), process(process_.hProcess);
        if (WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process.get(), 9);
    }
    bool started() const { return started_; }
    DWORD pid() const { return process_.dwProcessId; }
    bool exited() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }
    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD waitExit(DWORD timeoutMs, bool* windowSeen = nullptr) {
        DWORD start = GetTickCount();
        while (WaitForSingleObject(process_.hProcess, 10) == WAIT_TIMEOUT && GetTickCount() - start < timeoutMs)
            if (windowSeen != nullptr && !*windowSeen)
                *windowSeen = WindowAnswerer::waitForProcessWindow(pid(), nullptr, 0) != nullptr;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION process_ = {};
    bool started_ = false;
};
}  // namespace
