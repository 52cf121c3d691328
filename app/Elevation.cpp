// Going on as administrator: the token's elevation, the elevated start of a
// second kelpex with the same destination, and the single-instance claim it
// is handed.
#include "app/Elevation.h"
#include "app/MainDialog.h"
#include "foundation/FCHandle.h"
#include <shellapi.h>
#include <vector>

namespace {
const wchar_t* const kInstanceEventName = L"kelpex.single-instance.3F2A7C1E";
// How long a kelpex started as administrator waits for the one that started
// it to end.
const DWORD kHandOverMs = 30000;

HANDLE g_instanceClaim = nullptr;  // held by the user-interface thread
int g_elevatedForTests = -1;  // -1: as the token says
std::wstring g_programForTests;
HANDLE g_lastHandOverForTests = nullptr;

std::wstring ThisProgram() { return g_programForTests.empty() ? ModulePath() : g_programForTests; }

// A value for the command line: quoted, and every backslash before the
// closing quote doubled, so that C:\ stays C:\ and does not escape it.
std::wstring Quoted(const std::wstring& value) {
    size_t trailing = 0;
    while (trailing < value.size() && value[value.size() - 1 - trailing] == L'\\') ++trailing;
    return L"\"" + value + std::wstring(trailing, L'\\') + L"\"";
}
}  // namespace

// Declared for tests in app/TestSeams.h.
void SetElevationForTests(int elevated);
void SetElevationForTests(int elevated) { g_elevatedForTests = elevated; }
void SetRelaunchedProgramForTests(const wchar_t* program);
void SetRelaunchedProgramForTests(const wchar_t* program) { g_programForTests = program != nullptr ? program : L""; }
HANDLE LastHandOverForTests();
HANDLE LastHandOverForTests() { return g_lastHandOverForTests; }

bool ProcessIsElevated() {
    if (g_elevatedForTests >= 0) return g_elevatedForTests != 0;
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    FCHandle token(raw);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

bool StartElevated(const std::wstring& typed, bool maker, bool app, DWORD& error) {
    std::wstring program = ThisProgram();
    std::wstring arguments =
        L"/dest=" + Quoted(typed) + (maker ? L" /maker" : L"") + (app ? L" /app" : L"") + L" /run /handover";
    SHELLEXECUTEINFOW run = {};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    run.lpVerb = L"runas";
    run.lpFile = program.c_str();
    run.lpParameters = arguments.c_str();
    run.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&run)) {
        error = GetLastError();
        return false;
    }
    if (g_lastHandOverForTests != nullptr) CloseHandle(g_lastHandOverForTests);
    g_lastHandOverForTests = nullptr;
    // Kept only where a test started it; the program never waits on it.
    if (g_programForTests.empty()) CloseHandle(run.hProcess);
    else g_lastHandOverForTests = run.hProcess;
    return true;
}

bool ClaimInstance(bool handOver) {
    DWORD start = GetTickCount();
    for (;;) {
        HANDLE claim = CreateEventW(nullptr, TRUE, TRUE, kInstanceEventName);
        if (claim != nullptr && GetLastError() != ERROR_ALREADY_EXISTS) {
            g_instanceClaim = claim;
            return true;
        }
        if (claim != nullptr) CloseHandle(claim);
        if (!handOver || GetTickCount() - start > kHandOverMs) return false;
        Sleep(50);
    }
}

void ReleaseInstanceClaim() {
    if (g_instanceClaim != nullptr) CloseHandle(g_instanceClaim);
    g_instanceClaim = nullptr;
}
