// Going on as administrator: the token's elevation, the elevated start of a
// second kelpex with the same request, and the single-instance claim it is
// handed.
#include "app/Elevation.h"
#include "foundation/FCHandle.h"
#include "fs/FCPathName.h"
#include <sddl.h>
#include <shellapi.h>
#include <string>

namespace {
const wchar_t* const kInstanceEventName = L"kelpex.single-instance.3F2A7C1E";

// Set by the kelpex that hands its claim over once the second holds it too:
// named after the first's process id, so only a kelpex that the first
// started with that id can take the claim while the first holds it.
std::wstring Decimal(DWORD n) {
    wchar_t text[16];
    wsprintfW(text, L"%lu", n);
    return text;
}

std::wstring HandOverEventName(DWORD pid) { return L"kelpex.handover.3F2A7C1E." + Decimal(pid); }

// All held by the user-interface thread.
FCHandle g_instanceClaim;
FCHandle g_handOverTaken;  // the first's: set by the second once it holds the claim
FCHandle g_handedOver;  // the second kelpex, until it has ended

// The events the two kelpex share are opened by the second, which may run
// as another account (an administrator's, asked for over the user's
// shoulder): any signed-in account may wait on them and set them.
class SharedEventAccess {
public:
    SharedEventAccess() {
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x1F0003;;;AU)(A;;0x1F0003;;;SY)",
                                                                  SDDL_REVISION_1, &descriptor_, nullptr))
            descriptor_ = nullptr;
        attributes_.nLength = sizeof attributes_;
        attributes_.lpSecurityDescriptor = descriptor_;
        attributes_.bInheritHandle = FALSE;
    }
    ~SharedEventAccess() { LocalFree(descriptor_); }
    SharedEventAccess(const SharedEventAccess&) = delete;
    SharedEventAccess& operator=(const SharedEventAccess&) = delete;
    // Null, the system's default, when the descriptor could not be made.
    SECURITY_ATTRIBUTES* get() { return descriptor_ != nullptr ? &attributes_ : nullptr; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_ = {};
};
}  // namespace

HANDLE HandedOverProcess() { return g_handedOver.get(); }

bool ProcessIsElevated() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    FCHandle token(raw);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

bool StartElevated(const RunRequest& request, const std::wstring& program, DWORD& error) {
    // The destination as composed here: an empty or relative field would
    // be read again against the second's current folder.
    std::wstring arguments;
    if (!AppendSwitch(arguments, SWITCH_DEST, request.destination) ||
        (!request.log.empty() && !AppendSwitch(arguments, SWITCH_LOG, request.log)) ||
        !AppendSwitch(arguments, SWITCH_HANDOVER, Decimal(GetCurrentProcessId()))) {
        error = ERROR_INVALID_NAME;
        return false;
    }
    SharedEventAccess access;
    g_handOverTaken.reset(CreateEventW(access.get(), TRUE, FALSE, HandOverEventName(GetCurrentProcessId()).c_str()));
    if (!g_handOverTaken.valid()) {
        error = GetLastError();
        return false;
    }
    const std::wstring& folder = request.folder;
    SHELLEXECUTEINFOW run = {};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    run.lpVerb = L"runas";
    run.lpFile = program.c_str();
    run.lpParameters = arguments.c_str();
    // Wherever the system would start it (on Windows an elevated process
    // may start in the system folder), it starts in the tool's.
    run.lpDirectory = folder.c_str();
    run.nShow = SW_SHOWNORMAL;
    BOOL started = ShellExecuteExW(&run);
    error = GetLastError();
    // Without its process there is nothing to wait for nor to hand over to.
    if (!started || run.hProcess == nullptr) {
        if (started || error == 0) error = ERROR_INVALID_HANDLE;
        g_handOverTaken.reset();
        return false;
    }
    g_handedOver.reset(run.hProcess);
    return true;
}

bool HandOverStarted() { return g_handedOver.valid(); }

DWORD FinishHandOver(bool& reported) {
    reported = false;
    if (!g_handedOver.valid()) return EXIT_RUN_FAILED;
    HANDLE taken[2] = {g_handOverTaken.get(), g_handedOver.get()};
    // Taken, or the second ended without taking it: either way the claim
    // is no longer this one's to hold.
    if (WaitForMultipleObjects(2, taken, FALSE, INFINITE) == WAIT_FAILED) WaitForEnd(g_handedOver.get(), false);
    ReleaseInstanceClaim();
    g_handOverTaken.reset();
    WaitForEnd(g_handedOver.get(), false);
    DWORD code = EXIT_RUN_FAILED;
    if (!GetExitCodeProcess(g_handedOver.get(), &code)) code = EXIT_RUN_FAILED;
    g_handedOver.reset();
    reported = code <= static_cast<DWORD>(EXIT_NEEDS_ADMINISTRATOR);
    return reported ? code : static_cast<DWORD>(EXIT_RUN_FAILED);
}

bool ClaimInstance(DWORD handOverFrom) {
    FCHandle handOver(handOverFrom != 0 ? OpenEventW(EVENT_MODIFY_STATE, FALSE, HandOverEventName(handOverFrom).c_str())
                                        : nullptr);
    SetLastError(0);
    SharedEventAccess access;
    FCHandle claim(CreateEventW(access.get(), TRUE, TRUE, kInstanceEventName));
    if (!claim.valid()) return false;
    // Held by the kelpex that hands it over, which lets go once told that
    // this one holds it too: the claim never lapses in between.
    if (GetLastError() == ERROR_ALREADY_EXISTS && !handOver.valid()) return false;
    g_instanceClaim.reset(claim.release());
    if (handOver.valid()) SetEvent(handOver.get());
    return true;
}

void ReleaseInstanceClaim() { g_instanceClaim.reset(); }
