// The file the platform is writing: where it is written, how it is settled
// (measured, dated, put in place of an old file, on the settling thread for
// a new one) or removed, and the lists of files written and skipped.
#pragma once
#include "cab/UxCabTargets.h"
#include "cab/UxCabinetEnd.h"
#include "cab/UxFileSettler.h"
#include "cab/UxInUse.h"
#include <windows.h>
#include <optional>
#include <string>
#include <vector>

class UxFileInFlight {
public:
    // A file left as it was (the old one kept, or none), another program
    // holding it or the system refusing to replace it: its name below the
    // destination, the programs holding it, and the refusal.
    struct SKIPPED_ {
        std::wstring name;
        std::vector<std::wstring> holders;
        DWORD refusal = 0;  // the system's error where no wait mended it; 0: held
    };

    // end, targets and leftovers are the extractor's, which outlive this.
    UxFileInFlight(UxCabinetEnd& end, UxCabTargets& targets, std::vector<std::wstring>& leftovers)
        : end_(end), targets_(targets), leftovers_(leftovers) {}
    UxFileInFlight(const UxFileInFlight&) = delete;
    UxFileInFlight& operator=(const UxFileInFlight&) = delete;

    // Cancel, and the user to ask about a file another program holds (not
    // owned; null: nobody, and no Cancel).
    void setStatus(UxExtractionStatus* status) {
        inUse_ = UxInUseWait(status);
        settler_.setStatus(status);
    }
    // A new series: no file written or skipped yet.
    void clearLists() {
        writtenFiles_.clear();
        skippedFiles_.clear();
    }
    // A new cabinet: no file in flight.
    void reset() {
        active_ = false;
        newFile_.reset();
    }
    // Where the platform is to write file (fresh: new in a folder this
    // extraction made). A new file is written in place; an existing one
    // stays untouched until its replacement is complete. False with the
    // cabinet ended when it cannot be written.
    bool choose(UxCabTargets::TARGET_& file, bool fresh);
    // The platform is given file to write.
    void begin(UxCabTargets::TARGET_&& file) {
        file_ = std::move(file);
        active_ = true;
    }
    bool active() const { return active_; }
    const UxCabTargets::TARGET_& file() const { return file_; }
    // The one place the file in flight is settled: kept (measured now or
    // queued for measuring) when the platform wrote it, removed otherwise.
    // platformCode is the platform's reason when it gave the file up
    // (0: the cabinet, named by archive, is damaged). False when the file
    // did not survive.
    bool finish(bool extracted, DWORD platformCode, const std::wstring& archive);
    // The new file finish kept goes to the settler once everything the
    // extraction does on its report is done. False with the cabinet ended
    // when the settler had found an earlier one short.
    bool handOver();
    // Returns once every new file written so far is settled. False with
    // the cabinet ended, the first short one named, when one was short.
    bool settleWritten();
    // Settles what the settler holds, for a way out on which nobody reads
    // how it went.
    void drain() noexcept { settler_.drain(); }
    // Every file written since clearLists, by its name below the
    // destination, in the order written; a file cut short is taken out.
    const std::vector<std::wstring>& writtenFiles() const { return writtenFiles_; }
    // Every file skipped since clearLists, in order.
    const std::vector<SKIPPED_>& skippedFiles() const { return skippedFiles_; }
    // Both lists, handed over whole: none is kept.
    void takeLists(std::vector<std::wstring>& written, std::vector<SKIPPED_>& skipped) {
        written = std::move(writtenFiles_);
        skipped = std::move(skippedFiles_);
    }

private:
    // The file measured and dated here and now; false with the cabinet
    // ended when it was short (and removed).
    bool settleNow();
    // A file left as it was: what of ours it left (written) is removed, its
    // name taken off the written files where it was put there for this
    // very file (listed: a new file, counted once it was kept), and it is
    // named with its own holders or refusal. False with the cabinet ended
    // when the user chose to end the Run instead.
    bool skip(UxInUseWait::Outcome outcome, SKIPPED_ skipped, const std::wstring& written, bool listed);
    void forgetWritten(const std::wstring& name);
    bool reportShort(const std::vector<UxFileSettler::FAILURE_>& failed);
    bool replaceTarget();

    UxCabinetEnd& end_;
    UxCabTargets& targets_;
    std::vector<std::wstring>& leftovers_;
    UxCabTargets::TARGET_ file_;
    bool active_ = false;
    std::optional<UxFileSettler::FILE_> newFile_;  // kept, not yet handed to the settler
    UxInUseWait inUse_{nullptr};  // the extracting thread's, which asks
    UxFileSettler settler_;
    std::vector<std::wstring> writtenFiles_;
    std::vector<SKIPPED_> skippedFiles_;
};
