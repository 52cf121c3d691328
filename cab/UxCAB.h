// Extracting one cabinet through the platform's SetupIterateCabinetA:
// UxArchive (what and where), UxCAB (the iteration and its notifications,
// handing each job to its part: naming a target, UxCabTargets; the file in
// flight, UxFileInFlight; the series checks, UxCabSeriesChecks; how the
// cabinet ends, UxCabinetEnd) and DecompressCab (what a Run shows, and
// Cancel).
#pragma once
#include "cab/UxCabSeriesChecks.h"
#include "cab/UxCabTargets.h"
#include "cab/UxCabinetEnd.h"
#include "cab/UxExtractionStatus.h"
#include "cab/UxFileInFlight.h"
#include <windows.h>
#include <setupapi.h>
#include <string>
#include <vector>

class UxArchive {
public:
    UxArchive();
    virtual ~UxArchive();
    UxArchive(const UxArchive&) = delete;
    UxArchive& operator=(const UxArchive&) = delete;

    // The cabinet, made absolute as a typed path is.
    virtual void setArchive(const std::wstring& path);
    virtual bool extractTo(const std::wstring& folder) = 0;

    std::wstring archivePath;
    std::wstring destinationFolder;  // ending in a separator
    // Why the last extractTo failed, the paths in it as Windows gives them:
    // shown exactly as it stands, never read as markup.
    std::wstring errorText;
};

class UxCAB : public UxArchive {
public:
    UxCAB();
    ~UxCAB() override;

    bool extractTo(const std::wstring& folder) override;
    virtual UINT onFileInCabinet(FILE_IN_CABINET_INFO_A* info);
    // The platform has written target. A new file's size is confirmed
    // later, with other new files, and at the latest before extractTo
    // returns: the file must be left where it is until then.
    virtual UINT onFileExtracted(const std::wstring& target);
    virtual void onFolderCreated(const std::wstring& folder);
    // The platform asks where the cabinet that a file continues into lies;
    // the answer is that cabinet's folder, written into newPath.
    virtual UINT onNeedNewCabinet(const CABINET_INFO_A& info, char* newPath);

    // The cabinets extracted from now on form one series into one
    // destination: what the extractor learns about the destination's
    // folders (which exist, which it made, what it wrote there) holds from
    // one cabinet to the next instead of being learnt again.
    void startSeries();
    void setSystemError(DWORD code, const char* messageTemplate);
    // Every file written since startSeries, by its name below the
    // destination, in the order written.
    const std::vector<std::wstring>& writtenFiles() const { return file_.writtenFiles(); }
    typedef UxFileInFlight::SKIPPED_ SKIPPED_;
    // Every file skipped since startSeries, in order.
    const std::vector<SKIPPED_>& skippedFiles() const { return file_.skippedFiles(); }
    // The three lists, handed over whole when the series is done with:
    // the files written and skipped, and the files and folders of ours
    // (temporaries, scratch folders) that could not be removed, another
    // program holding them. None of them is kept.
    void takeLists(std::vector<std::wstring>& written, std::vector<SKIPPED_>& skipped,
                   std::vector<std::wstring>& leftovers) {
        file_.takeLists(written, skipped);
        leftovers = std::move(leftovers_);
    }
    // The entries the current cabinet offers to be written.
    size_t entriesInCabinet() const { return series_.entries(); }
    static UINT CALLBACK cabinetCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2);
    UINT dispatchNotification(UINT notification, UINT_PTR param1, UINT_PTR param2);

protected:
    UINT stopCabinet() { return end_.stop(); }
    UINT cancelCabinet() { return end_.cancel(); }
    // Cancel, and the user to ask about a file another program holds (not
    // owned; null: nobody, and no Cancel).
    void setStatus(UxExtractionStatus* status);
    UxExtractionStatus* status_ = nullptr;
    // The file the platform is writing: its name below the destination,
    // and where it is written.
    const std::wstring& nameInFlight() const { return file_.file().relative; }
    const std::wstring& writtenInFlight() const { return file_.file().written; }

private:
    void setDestination(const std::wstring& folder);
    UINT fileExtracted(const FILEPATHS_A& paths);

    bool seriesOpen_;
    UxCabinetEnd end_;
    std::vector<std::wstring> leftovers_;
    UxCabSeriesChecks series_;
    // Declared before the file in flight, which settles what it wrote in
    // the scratch folders before they go.
    UxCabTargets targets_;
    UxFileInFlight file_;
};

// The extractor of a Run. It runs on the Run's own thread and touches no
// window: it tells the status record what it writes and how far it has got,
// and ends the cabinet at the next notification once Cancel is asked for.
class DecompressCab : public UxCAB {
public:
    explicit DecompressCab(UxExtractionStatus* status = nullptr);
    ~DecompressCab() override;

    UINT onFileInCabinet(FILE_IN_CABINET_INFO_A* info) override;
    UINT onFileExtracted(const std::wstring& target) override;
    UINT onNeedNewCabinet(const CABINET_INFO_A& info, char* newPath) override;

protected:
    bool cancelled() const { return status_ != nullptr && status_->cancelRequested(); }

private:
    DWORD fileBytes_;  // of the file in flight
};
