// Settles the new files of an extraction on a thread of its own, beside the
// platform's writing: each is measured against its entry's size and takes
// the entry's time, or is removed when short. Opening a file to date it
// costs as much as writing a small one (each open, fetch and close is a
// round trip to the system's file service), so the extracting thread queues
// each file and goes on, and the settling thread takes them in order (woken
// for a few at a time: waking a thread costs as much as settling a file).
// When the extracting thread must know how they went (a cabinet's end, an
// old file to be replaced), it settles what is still queued itself, beside
// the settling thread, and waits for the last one: the round trips of two
// threads overlap, and the wait is short.
//
// Who owns what: the queue, the failures, the count of files being settled
// and the exception belong to whoever holds lock_. A file taken from the
// queue belongs to the thread that took it until it is settled. Only the
// extracting thread adds files or waits.
#pragma once
#include "cab/UxInUse.h"
#include "foundation/FCHandle.h"
#include <windows.h>
#include <deque>
#include <exception>
#include <string>
#include <vector>

class UxFileSettler {
public:
    struct FILE_ {
        std::wstring path;
        DWORD size;
        WORD dosDate, dosTime;
        // Where a file written under a temporary name belongs, where no file
        // stood before; empty for one written in place.
        std::wstring finalPath;
        std::wstring name;  // below the destination
    };
    struct FAILURE_ {
        std::wstring name;  // below the destination
        bool diskFull = false;  // short, with too little room left for what is missing
        unsigned long long written = 0;  // its size on disk, when short
        DWORD moveError = 0;  // whole, but it could not take its name
        // Another program holds it: FAILED after the silent wait (the user
        // may yet be asked), SKIPPED or CANCELLED once asked; DONE when no
        // other program holds it.
        UxInUseWait::Outcome held = UxInUseWait::DONE;
        std::vector<std::wstring> holders;  // of this file, when held
        bool leftover = false;  // it could not be removed
        FILE_ file;  // to settle it again
        unsigned long long order = 0;  // the file's place among those added
    };
    UxFileSettler();
    // Settles what it was handed before it goes.
    virtual ~UxFileSettler();
    UxFileSettler(const UxFileSettler&) = delete;
    UxFileSettler& operator=(const UxFileSettler&) = delete;

    // Queues a new file; the failures the settling thread has found since
    // the last call are added to failed, in the order the files came.
    void add(FILE_ file, std::vector<FAILURE_>& failed);
    // Settles what is queued, here and on the settling thread, until every
    // file added is settled; its failures are added in the order the files
    // came. What the settling thread threw is thrown again here.
    void wait(std::vector<FAILURE_>& failed);
    // The same, forgetting how it went: for a way out on which nobody
    // reads it.
    void drain() noexcept;
    // One file, here and now; false with failure filled when it was short
    // or could not take its name (it is removed then), or when another
    // program holds it (it is left as it is). wait waits for it, asking
    // the user when ask is set.
    static bool settle(const FILE_& file, FAILURE_& failure, UxInUseWait& wait, bool ask);
    // Cancel, for the silent waits of the settling (null: none). Set
    // before files are added.
    void setStatus(UxExtractionStatus* status) { status_ = status; }

private:
    struct QUEUED_ {
        unsigned long long order;
        FILE_ file;
    };
    static unsigned __stdcall run(void* self);
    void startThread();
    // Under lock_: the first file queued (or the last), counted as being
    // settled.
    bool take(QUEUED_& queued, bool last);
    // Settles a file taken from the queue and records how it went.
    void settleTaken(const QUEUED_& queued, UxInUseWait& wait) noexcept;
    // Under lock_: the failures found so far, in the order the files came.
    void takeFailures(std::vector<FAILURE_>& taken);
    void waitAll(std::vector<FAILURE_>& failed, std::exception_ptr& thrown) noexcept;

    CRITICAL_SECTION lock_;
    CONDITION_VARIABLE queued_;  // a file was queued, or the end came
    CONDITION_VARIABLE settled_;  // no file is being settled any more
    std::deque<QUEUED_> queue_;  // under lock_
    size_t settling_ = 0;  // under lock_: taken from the queue, not yet settled
    std::vector<FAILURE_> failed_;  // under lock_
    std::exception_ptr thrown_;  // under lock_: the first, thrown again by wait
    bool stopping_ = false;  // under lock_
    bool idle_ = false;  // under lock_: the settling thread sleeps
    unsigned long long added_ = 0;  // the extracting thread's
    bool tried_ = false;  // the extracting thread's: the settling thread was asked for
    FCHandle thread_;
    UxExtractionStatus* status_ = nullptr;  // not owned
};
