// A file another program holds. The commonest is an antivirus scanner,
// which opens each new file for a moment right after it is written, then
// an earlier install's program still running, or a viewer or an editor
// with the file open. Installers wait a scanner out silently, then ask
// Retry / Skip / Abort naming the file and the program that holds it, and
// take a fixed default where nobody can be asked: so does kelpex.
#pragma once
#include "cab/UxExtractionStatus.h"
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

class UxInUseWait {
public:
    enum Outcome { DONE, FAILED, SKIPPED, CANCELLED };
    // How long a silent wait lasts before anyone is asked, and the longer
    // one after it for each file where nobody can be (then it is skipped).
    enum { SILENT_MS = 2000, UNATTENDED_MS = 10000 };

    // status: Cancel, and the user to ask; null: a silent wait only.
    explicit UxInUseWait(UxExtractionStatus* status) : status_(status) {}
    virtual ~UxInUseWait() = default;

    // Makes attempt (0, or the system's error) until it succeeds. While
    // another program holds path it is tried again, silently for a while;
    // then, when ask allows and someone can be, the user answers Retry,
    // Skip or Abort about the file (name: its path below the destination);
    // where nobody can, it waits longer, then skips. error: the last error.
    template <class Attempt>
    Outcome run(Attempt attempt, const std::wstring& path, const std::wstring& name, bool ask, DWORD& error) {
        return run(ATTEMPT_{&Call<Attempt>, &attempt}, path, name, ask, error);
    }
    // The programs named for the last file skipped or failed as held.
    const std::vector<std::wstring>& holders() const { return holders_; }

private:
    // An attempt without the weight of std::function: a call and its object.
    struct ATTEMPT_ {
        DWORD (*call)(void* object);
        void* object;
        DWORD operator()() const { return call(object); }
    };
    template <class Attempt>
    static DWORD Call(void* object) {
        return (*static_cast<Attempt*>(object))();
    }
    Outcome run(const ATTEMPT_& attempt, const std::wstring& path, const std::wstring& name, bool ask, DWORD& error);
    // Tries again, with growing pauses, for up to ms: DONE, FAILED (no
    // longer held, but refused), CANCELLED, or SKIPPED when still held.
    Outcome retryFor(const ATTEMPT_& attempt, const std::wstring& path, DWORD ms, DWORD& error);
    bool cancelled() const { return status_ != nullptr && status_->cancelRequested(); }

    UxExtractionStatus* status_;  // not owned
    std::vector<std::wstring> holders_;
};
