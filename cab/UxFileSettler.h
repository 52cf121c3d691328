// Settles the new files of an extraction on a thread of its own, beside the
// platform's writing: each is measured against its entry's size and takes
// the entry's time, or is removed when short. Opening a file to date it
// costs as much as writing a small one, so the extracting thread hands the
// files over in batches instead of waiting for each. It owns a batch until
// it hands it over; the settling thread owns it until it is settled, and
// hands back what failed. At most one batch is being settled at a time.
#pragma once
#include "cab/UxInUse.h"
#include "foundation/FCHandle.h"
#include <windows.h>
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
        bool leftover = false;  // it could not be removed
        FILE_ file;  // to settle it again
    };
    UxFileSettler();
    // Settles what it was handed before it goes.
    virtual ~UxFileSettler();
    UxFileSettler(const UxFileSettler&) = delete;
    UxFileSettler& operator=(const UxFileSettler&) = delete;

    // Takes batch over (it is left empty) once the batch before is settled,
    // whose failures are added to failed.
    void hand(std::vector<FILE_>& batch, std::vector<FAILURE_>& failed);
    // Waits until everything handed over is settled; its failures are added.
    void wait(std::vector<FAILURE_>& failed);
    // Waits until everything handed over is settled, and forgets how it
    // went: for a way out on which nobody reads it.
    void drain() noexcept;
    // One file, here and now; false with failure filled when it was short
    // or could not take its name (it is removed then), or when another
    // program holds it (it is left as it is). wait waits for it, asking
    // the user when ask is set.
    static bool settle(const FILE_& file, FAILURE_& failure, UxInUseWait& wait, bool ask);
    // Cancel, for the settling thread's silent waits (null: none).
    void setStatus(UxExtractionStatus* status) { wait_ = UxInUseWait(status); }

private:
    static unsigned __stdcall run(void* self);
    void settleBatch();

    FCHandle thread_;  // made at the first batch
    FCHandle work_;  // set: a batch (or the end) is waiting
    FCHandle settled_;  // set: the batch handed over is settled
    bool busy_;  // a batch is with the settling thread
    bool stopping_;
    std::vector<FILE_> batch_;  // the settling thread's while busy_
    std::vector<FAILURE_> failed_;  // likewise
    std::exception_ptr thrown_;  // likewise: thrown again by wait
    UxInUseWait wait_{nullptr};  // the settling thread's, which never asks
};
