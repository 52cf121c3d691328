// Extracting one cabinet through the platform's SetupIterateCabinetA:
// UxArchive (what and where), UxCAB (the iteration, in UxCAB.cpp; target
// names and folders, UxCabTargets.cpp; the file in flight and replacement,
// UxCabFileInFlight.cpp; the series checks, UxCabSeriesChecks.cpp; the route
// for names the system's code page cannot hold, UxCabCodePageRoute.cpp) and
// DecompressCab (what a Run shows, and Cancel).
#pragma once
#include "cab/UxCabinetHeader.h"
#include "cab/UxExtractionStatus.h"
#include "cab/UxFileSettler.h"
#include "cab/UxInUse.h"
#include "fs/PathCompare.h"
#include <windows.h>
#include <setupapi.h>
#include <exception>
#include <map>
#include <optional>
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
    const std::vector<std::wstring>& writtenFiles() const { return writtenFiles_; }
    // A file left as it was (the old one kept, or none), another program
    // holding it or the system refusing to replace it: its name below the
    // destination, the programs holding it, and the refusal.
    struct SKIPPED_ {
        std::wstring name;
        std::vector<std::wstring> holders;
        DWORD refusal = 0;  // the system's error where no wait mended it; 0: held
    };
    // Every file skipped since startSeries, in order.
    const std::vector<SKIPPED_>& skippedFiles() const { return skippedFiles_; }
    // Files and folders of ours (temporaries, scratch folders) that could
    // not be removed, another program holding them.
    const std::vector<std::wstring>& leftovers() const { return leftovers_; }
    // The entries the current cabinet offers to be written.
    size_t entriesInCabinet() const { return expectedOffers_ > offered_ ? expectedOffers_ : offered_; }
    static UINT CALLBACK cabinetCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2);
    UINT dispatchNotification(UINT notification, UINT_PTR param1, UINT_PTR param2);

protected:
    // How the current cabinet ends. A later, graver end overrides an
    // earlier one: a failure found after Cancel is still reported, and an
    // exception outweighs everything.
    enum EndState { END_RUNNING, END_CANCELLED, END_FAILED, END_THROWN };

    // Ends the cabinet with text as its failure: every later file is
    // skipped (the platform takes an abort answer for a skip) and extractTo
    // reports the first such text.
    UINT failCabinet(const std::wstring& text);
    // Ends the cabinet without a failure (Cancel); FILEOP_SKIP.
    UINT stopCabinet();
    // Cancel where only an error answer ends the iteration; ERROR_CANCELLED.
    UINT cancelCabinet();
    bool stopped() const { return end_ != END_RUNNING; }
    // Cancel, and the user to ask about a file another program holds (not
    // owned; null: nobody, and no Cancel).
    void setStatus(UxExtractionStatus* status);
    UxExtractionStatus* status_ = nullptr;
    // The file the platform is writing: its name below the destination,
    // and where it is written.
    const std::wstring& nameInFlight() const { return inFlight_.relative; }
    const std::wstring& writtenInFlight() const { return inFlight_.written; }

private:
    // The file the platform is writing, from the moment its target is
    // chosen until finishFile settles it: an existing target is written
    // under a temporary name beside it and takes its place once complete.
    // What the cabinet says of a file: its size and its time.
    struct ENTRY_STAMP_ {
        DWORD size = 0;
        WORD dosDate = 0, dosTime = 0;
    };
    struct INFLIGHT_ {
        std::wstring relative;  // the target below the destination
        std::wstring target;  // where the file belongs
        std::wstring written;  // where the platform writes it
        ENTRY_STAMP_ entry;
        bool existed = false;  // a file stood under the target's name
        bool active = false;
        bool replacing() const { return written != target; }
    };
    void end(EndState state);
    void setDestination(const std::wstring& folder);
    // A file below the destination as messages name it.
    std::wstring shown(const std::wstring& relative) const { return destinationFolder + relative; }
    // The entry's name, checked, and its target; false with the cabinet
    // ended when it must not be written.
    bool buildTarget(const char* nameInCabinet, DWORD attributes, INFLIGHT_& file);
    void forgetFolders();
    void ensureFolder(const std::wstring& folder);
    bool chooseWriteTarget(INFLIGHT_& file, bool fresh);
    // An ASCII temporary file in folder for the file, named in its written;
    // false with the cabinet ended, failure naming the file, when none can
    // be made.
    bool makeTemporary(const std::wstring& folder, INFLIGHT_& file, const char* failure);
    // The one place the file in flight is settled: kept (measured now or
    // queued for measuring) when the platform wrote it, removed otherwise.
    // platformCode is the platform's reason when it gave the file up.
    // False when the file did not survive.
    bool finishFile(bool extracted, DWORD platformCode);
    // The new file finishFile kept goes to the settler once everything the
    // extraction does on its report is done (onFileExtracted may still act
    // on it). False with the cabinet ended when the settler had found an
    // earlier one short.
    bool handOverNewFile();
    // The file measured and dated here and now; false with the cabinet
    // ended when it was short (and removed).
    bool settleNow(const INFLIGHT_& file);
    // A file left as it was: what of ours it left (written) is removed, its
    // name taken off the written files where it was put there for this
    // very file (listed: a new file, counted once it was kept), and it is
    // named with its own holders or refusal. False with the cabinet ended
    // when the user chose to end the Run instead.
    bool skipFile(UxInUseWait::Outcome outcome, SKIPPED_ skipped, const std::wstring& written, bool listed);
    void forgetWritten(const std::wstring& name);
    // Returns once every new file written so far is settled. False with
    // the cabinet ended, the first short one named, when one was short.
    bool settleWritten();
    bool reportShort(const std::vector<UxFileSettler::FAILURE_>& failed);
    bool replaceTarget();
    // The cabinet's structure, checked before the platform reads it; false
    // with errorText set when it must not be read.
    bool checkStructure();
    // False with the cabinet ended when the part the platform is about to
    // read as the continuation of the current one would be misread.
    bool checkContinuation(const std::wstring& path, const char* name);
    // Ends the cabinet: the part named as its continuation is not one.
    UINT refuseContinuation(const char* name);
    UINT findNextCabinet(const char* name, char* newPath);
    // What the platform is given to write the file's written path: that
    // path in the system's code page, or, where that cannot name it, an
    // ASCII name in a scratch folder of ours or, where none can be made, a
    // temporary file reached through the folder's short name; written then
    // names that file, which takes the target's name once measured. False
    // with the cabinet ended when neither can be made.
    bool platformTarget(INFLIGHT_& file, std::string& platform);
    // A folder for such files in the deepest folder of the destination's
    // (the destination itself, or one above it) that the system's code page
    // can name by its long or its short name: on the same volume, so the
    // final move is a rename, and one for the whole cabinet. Names in it are
    // ours alone, so a file's needs no create to be reserved. Removed when
    // the cabinet ends. False, with scratch and platform untouched, when
    // none can be made.
    bool makeScratchFolder(const std::wstring& folder, std::wstring& scratch, std::string& platform);
    // Removes them, and forgets the routes through them.
    void removeScratchFolders();
    // False with errorText set when the platform offered another number of
    // entries than the header lists.
    bool checkOffered(BOOL iterated);

    EndState end_;
    bool seriesOpen_;
    unsigned cabinetsInSeries_;  // begun since startSeries
    // The cabinet being extracted once its header is read and sound (while
    // the next one is checked, the one before it).
    UxCabinetHeader current_;
    bool currentSound_;
    // The last continuation the platform was given while the current
    // cabinet is iterated, once there is one.
    UxCabinetHeader chain_;
    bool chainRead_;
    size_t expectedOffers_;  // entries the header says the platform will offer
    size_t offered_;  // entries it offered
    INFLIGHT_ inFlight_;
    std::vector<std::wstring> writtenFiles_;  // a file cut short is taken out again
    std::optional<UxFileSettler::FILE_> newFile_;  // kept, not yet handed to the settler
    std::vector<SKIPPED_> skippedFiles_;
    std::vector<std::wstring> leftovers_;
    UxInUseWait inUse_{nullptr};  // the extracting thread's, which asks
    UxFileSettler settler_;
    PathSet askedCabinets_;  // continuations already looked for
    std::wstring failure_;
    std::exception_ptr pending_;  // thrown in a handler, rethrown by extractTo
    std::wstring normalizedDestination_;  // the destination as the platform resolves it
    PathSet knownFolders_;  // folders known to exist
    PathSet freshFolders_;  // folders this extraction created
    PathSet written_;  // targets written into fresh folders
    struct SCRATCH_ {
        std::wstring ancestor;  // the deepest folder the system's code page can name
        std::wstring folder;  // ours inside it
        std::string platform;  // its name in that code page
    };
    unsigned scratchNames_ = 0;  // names given in scratch folders
    std::vector<SCRATCH_> scratchFolders_;  // made by makeScratchFolder, removed by removeScratchFolders
    // Where files of a folder the system's code page cannot name are written
    // (the folder itself or a scratch folder) and its name for the platform
    // (a short name, or the scratch folder's); for one cabinet.
    struct WRITE_FOLDER_ {
        std::wstring folder;
        std::string platform;
    };
    std::map<std::wstring, WRITE_FOLDER_> writeFolders_;
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
