// A file another program holds. The commonest is an antivirus scanner,
// which opens each new file for a moment right after it is written; then an
// earlier install's program still running, or a viewer or an editor with
// the file open. Installers wait a scanner out silently before anyone
// hears of it: so does every operation here.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Whether code says that another program holds path: a sharing or lock
// violation, or access denied on a file that exists and is not merely
// read-only (Windows refuses a running program's file so).
bool HeldByAnother(DWORD code, const std::wstring& path);

// The programs holding path, by their names (else their executables'), as
// the Restart Manager knows them; empty when it knows none.
std::vector<std::wstring> FileHolders(const std::wstring& path);

// How a retry while another program holds a file ended.
enum HeldOutcome { HELD_DONE, HELD_FAILED, HELD_STILL, HELD_CANCELLED };

// Makes attempt (0 or the system's error) again, with growing pauses, for
// up to ms while another program holds path, until it succeeds (HELD_DONE),
// it is refused for another reason (HELD_FAILED), cancel is set
// (HELD_CANCELLED: a manual-reset event, or null) or the time is over
// (HELD_STILL). error: the last error.
template <class Attempt>
HeldOutcome RetryWhileHeld(Attempt attempt, const std::wstring& path, DWORD ms, HANDLE cancel, DWORD& error);

// Removes a file of ours whatever its attributes (the platform may have
// given a short file the entry's read-only attribute), waiting a while for
// a program that holds it; false when it stays.
bool RemoveOwnFile(const std::wstring& path);

// A silent wait before anyone is asked: a scanner lets go within a second.
const DWORD kSilentWaitMs = 2000;

HeldOutcome RetryWhileHeldWith(DWORD (*attempt)(void* object), void* object, const std::wstring& path, DWORD ms,
                               HANDLE cancel, DWORD& error);

template <class Attempt>
HeldOutcome RetryWhileHeld(Attempt attempt, const std::wstring& path, DWORD ms, HANDLE cancel, DWORD& error) {
    struct Call {
        static DWORD run(void* object) { return (*static_cast<Attempt*>(object))(); }
    };
    return RetryWhileHeldWith(&Call::run, &attempt, path, ms, cancel, error);
}
