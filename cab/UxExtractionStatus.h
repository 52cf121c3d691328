// What an extraction shows, handed from the thread that extracts to the
// user-interface thread that shows it: one small record under a lock, and
// the Cancel flag. The extracting thread writes the record; the
// user-interface thread takes copies of it and sets the flag.
#pragma once
#include "foundation/FCString.h"
#include <windows.h>
#include <atomic>
#include <string>

class UxExtractionStatus {
public:
    struct SNAPSHOT_ {
        // The file being written, as the cabinet names it; after a cabinet,
        // the cabinet's own name.
        FCString statusText;
        // Where the platform writes the current file; empty between files.
        std::wstring writingPath;
        unsigned long long doneBytes = 0;  // of the files finished
    };

    UxExtractionStatus();
    virtual ~UxExtractionStatus();
    UxExtractionStatus(const UxExtractionStatus&) = delete;
    UxExtractionStatus& operator=(const UxExtractionStatus&) = delete;

    // The extracting thread's side.
    void beginFile(const char* name, const std::wstring& writingPath);
    void endFile(DWORD bytes);
    void endCabinet(const char* cabinetName);

    // The user-interface thread's side.
    SNAPSHOT_ snapshot() const;
    void requestCancel() { cancel_.store(true); }

    // Read by the extracting thread at every notification.
    bool cancelRequested() const { return cancel_.load(); }

private:
    mutable CRITICAL_SECTION lock_;
    SNAPSHOT_ shared_;  // under lock_
    std::atomic<bool> cancel_;
};
