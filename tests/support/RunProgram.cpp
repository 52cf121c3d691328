#include "tests/support/RunProgram.h"
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "tests/support/TempFolder.h"
#include <windows.h>
#include <cwchar>
#include <string>
#include <vector>

namespace {
// This process's environment with TMP and TEMP set to folder, as a block
// for CreateProcessW.
std::vector<wchar_t> EnvironmentWithTemporaryFolder(const std::wstring& folder) {
    std::vector<wchar_t> block;
    wchar_t* own = GetEnvironmentStringsW();
    for (const wchar_t* entry = own; *entry != L'\0'; entry += wcslen(entry) + 1) {
        if (_wcsnicmp(entry, L"TMP=", 4) == 0 || _wcsnicmp(entry, L"TEMP=", 5) == 0) continue;
        block.insert(block.end(), entry, entry + wcslen(entry) + 1);
    }
    FreeEnvironmentStringsW(own);
    for (const wchar_t* name : {L"TMP=", L"TEMP="}) {
        std::wstring entry = name + folder;
        block.insert(block.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
    }
    block.push_back(L'\0');
    return block;
}
}  // namespace

ProgramResult RunProgram(const std::string& unixExe, const std::string& arguments, unsigned timeoutMs,
                         const std::wstring& temporaryFolder) {
    return RunProgram(unixExe, FromShiftJis(arguments.c_str()), timeoutMs, temporaryFolder);
}

ProgramResult RunProgram(const std::string& unixExe, const std::wstring& arguments, unsigned timeoutMs,
                         const std::wstring& temporaryFolder) {
    ProgramResult result;
    std::string exe = "Z:" + unixExe;
    for (char& c : exe)
        if (c == '/') c = '\\';
    TempFolder scratch;
    std::string outPath = scratch / "output.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    FCHandle out(CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::wstring command = L"\"" + FromShiftJis(exe.c_str()) + L"\" " + arguments;
    std::vector<wchar_t> wide(command.c_str(), command.c_str() + command.size() + 1);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.get();
    startup.hStdError = out.get();
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> environment;
    if (!temporaryFolder.empty()) environment = EnvironmentWithTemporaryFolder(temporaryFolder);
    // Wine now and then fails a start when many programs start in a row: a
    // few tries, a moment apart, before the program counts as unstartable.
    BOOL started = FALSE;
    DWORD startError = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt > 0) Sleep(200);
        started = CreateProcessW(nullptr, wide.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                 environment.empty() ? nullptr : environment.data(), nullptr, &startup, &process);
        if (!started) startError = GetLastError();
    }
    out.reset();
    if (!started) {
        result.output = "could not start: error " + std::to_string(startError);
        result.wideOutput = FromShiftJis(result.output.c_str());
        return result;
    }
    FCHandle thread(process.hThread), child(process.hProcess);
    WaitForSingleObject(child.get(), timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(child.get(), &code);
    if (code == STILL_ACTIVE) TerminateProcess(child.get(), 9);
    result.exitCode = static_cast<int>(code);
    std::string bytes = TempFolder::readFile(outPath);
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    result.wideOutput.assign(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &result.wideOutput[0], n);
    result.output = ToShiftJis(result.wideOutput);
    return result;
}
