// A file another program holds during a Run (fs/FileInUse.h: most often a
// scanner): waited for silently, then asked about, Retry / Skip / Abort,
// naming the file and the program that holds it; where nobody can be asked,
// waited for longer and then skipped, as installers do.
#pragma once
#include "cab/UxExtractionStatus.h"
#include "fs/FileInUse.h"
#include <windows.h>
#include <string>
#include <vector>

class UxInUseWait {
public:
    enum Outcome { DONE, FAILED, SKIPPED, CANCELLED };
    // The longer wait for each file where nobody can be asked.
    enum { UNATTENDED_MS = 10000 };

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
        return runWith(&Call<Attempt>, &attempt, path, name, ask, error);
    }
    // As run, and a refusal no wait mends (access denied, a read-only file
    // whose attribute cannot be cleared) is treated as a hold that never
    // ends: the user is asked with its cause (Retry / Skip / Abort), or,
    // where nobody can be, it is skipped at once. Without a status it fails.
    template <class Attempt>
    Outcome runOrSkip(Attempt attempt, const std::wstring& path, const std::wstring& name, DWORD& error) {
        for (;;) {
            Outcome outcome = run(attempt, path, name, true, error);
            if (outcome != FAILED || status_ == nullptr) return outcome;
            outcome = askRefused(name, error);
            if (outcome != FAILED) return outcome;
        }
    }
    // The programs named for the last file skipped or failed as held.
    const std::vector<std::wstring>& holders() const { return holders_; }

private:
    template <class Attempt>
    static DWORD Call(void* object) {
        return (*static_cast<Attempt*>(object))();
    }
    Outcome runWith(DWORD (*attempt)(void*), void* object, const std::wstring& path, const std::wstring& name, bool ask,
                    DWORD& error);
    // SKIPPED (always, unattended), CANCELLED (Abort), or FAILED: try
    // again (Retry).
    Outcome askRefused(const std::wstring& name, DWORD error);
    Outcome retryFor(DWORD (*attempt)(void*), void* object, const std::wstring& path, DWORD ms, DWORD& error);

    UxExtractionStatus* status_;  // not owned
    std::vector<std::wstring> holders_;
};
