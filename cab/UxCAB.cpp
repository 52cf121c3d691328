// The extractor's iteration: one cabinet through the platform's
// SetupIterateCabinetA, its notifications and how the cabinet ends.
#include "cab/UxCAB.h"
#include "cab/UxCabShared.h"
#include "foundation/CrashReport.h"
#include "foundation/WideText.h"
#include "fs/FCFile.h"
#include "fs/FCPathName.h"
#include "fs/PathCompare.h"
#include "fs/PlatformPath.h"

// ---------------------------------------------------------------- UxArchive

// No destination yet: reading the current directory here could raise a box
// on the extracting thread, which opens no window.
UxArchive::UxArchive() {}

UxArchive::~UxArchive() {}

void UxArchive::setArchive(const std::wstring& path) { archivePath = path.empty() ? path : FCPathName(path).path; }

// ---------------------------------------------------------------- UxCAB

UxCAB::UxCAB()
    : end_(END_RUNNING), seriesOpen_(false), cabinetsInSeries_(0), currentSound_(false), chainRead_(false),
      expectedOffers_(0), offered_(0) {}

UxCAB::~UxCAB() {
    try {
        removeScratchFolders();
    } catch (...) {
        // Out of memory on the way out: the folders stay, nothing else does.
    }
}

void UxCAB::setDestination(const std::wstring& folder) {
    // A relative folder is resolved by the platform's full path, quietly:
    // this may run on the extracting thread.
    destinationFolder = folder.empty() ? L"." : folder;
    if (destinationFolder.back() != L'\\') destinationFolder += L'\\';
}

bool UxCAB::extractTo(const std::wstring& folder) {
    offered_ = 0;
    expectedOffers_ = 0;
    if (archivePath.empty() || !pathExists(archivePath)) {
        errorText = Bracketed("対象が存在しません", archivePath);
        return false;
    }
    setDestination(folder);
    // The header is checked again here: the cabinet may have changed since
    // start-up, and nothing the platform's reader would misread reaches it.
    if (!checkStructure()) return false;
    end_ = END_RUNNING;
    failure_.clear();
    askedCabinets_.clear();
    chainRead_ = false;
    std::wstring normalized;
    if (!FullPathName(destinationFolder, normalized)) normalized.clear();
    if (!seriesOpen_ || normalized != normalizedDestination_) forgetFolders();
    normalizedDestination_ = normalized;
    inFlight_.active = false;
    newFile_.reset();
    pending_ = nullptr;
    offered_ = 0;
    std::string cabinet;
    if (!PlatformPath(archivePath, cabinet)) {
        errorText = Bracketed("このシステムの文字コードでは読めない場所にあるため展開できません", archivePath);
        return false;
    }
    BOOL ok;
    DWORD code;
    {
        // The scratch folders go on every way out, an exception's included.
        struct Cleanup {
            UxCAB& cab;
            ~Cleanup() { cab.removeScratchFolders(); }
        } cleanup{*this};
        SetLastError(0);
        {
            FileBeingRead reading(archivePath);
            ok = SetupIterateCabinetA(cabinet.c_str(), 0, cabinetCallback, this);
        }
        code = GetLastError();
        // A file the platform never reported as extracted was given up; and
        // whatever ended the cabinet, no file cut short stays behind.
        finishFile(false, ok ? 0 : code);
        settleWritten();
    }
    if (!checkOffered(ok)) return false;
    switch (end_) {
    case END_THROWN: {
        std::exception_ptr pending = pending_;
        pending_ = nullptr;
        std::rethrow_exception(pending);
    }
    case END_FAILED: errorText = failure_; return false;
    case END_CANCELLED: return true;
    case END_RUNNING: break;
    }
    if (ok) return true;
    if (code == 0) {
        // The platform answers a damaged or foreign file with no error code;
        // its text for 0 would read "success".
        errorText = Bracketed("ERR) SetupIterateCabinet: キャビネットファイルが壊れているか、形式が正しくありません",
                              archivePath);
        return false;
    }
    setSystemError(code, "ERR) SetupIterateCabinet: *\n");
    return false;
}

void UxCAB::setSystemError(DWORD code, const char* messageTemplate) {
    std::wstring text = std::to_wstring(code) + L":" + FromShiftJis(messageTemplate);
    size_t star = text.find(L'*');
    if (star != std::wstring::npos) text.replace(star, 1, SystemReason(code));
    errorText = text;
}

UINT CALLBACK UxCAB::cabinetCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2) {
    // The platform reads the thread's last error after the iteration: what
    // the handlers leave there must not decide the failure's text.
    DWORD saved = GetLastError();
    UINT answer = static_cast<UxCAB*>(context)->dispatchNotification(notification, param1, param2);
    SetLastError(saved);
    return answer;
}

UINT UxCAB::dispatchNotification(UINT notification, UINT_PTR param1, UINT_PTR param2) {
    // Nothing may unwind through the platform's frames: an exception ends
    // the cabinet here and is thrown again once the iteration has returned.
    try {
        switch (notification) {
        case SPFILENOTIFY_FILEINCABINET:
            ++offered_;
            if (stopped()) return FILEOP_SKIP;
            // A file still in flight was given up by the platform.
            if (!finishFile(false, 0)) return FILEOP_SKIP;
            return onFileInCabinet(reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1));
        case SPFILENOTIFY_FILEEXTRACTED: {
            const FILEPATHS_A* paths = reinterpret_cast<const FILEPATHS_A*>(param1);
            if (!inFlight_.active) return NO_ERROR;
            std::wstring target = shown(inFlight_.relative);
            // A file the cabinet ended under (Cancel or a failure while the
            // platform asked for the next part) is incomplete: removed.
            bool extracted = !stopped() && paths->Win32Error == NO_ERROR;
            if (!finishFile(extracted, paths->Win32Error) || stopped()) return NO_ERROR;
            UINT answer = onFileExtracted(target);
            handOverNewFile();
            return answer;
        }
        case SPFILENOTIFY_NEEDNEWCABINET:
            // An error answer is the only one that ends the platform's asking.
            if (stopped()) return ERROR_CANCELLED;
            return onNeedNewCabinet(*reinterpret_cast<const CABINET_INFO_A*>(param1), reinterpret_cast<char*>(param2));
        default: return 0;
        }
    } catch (...) {
        pending_ = std::current_exception();
        end(END_THROWN);
        if (notification == SPFILENOTIFY_NEEDNEWCABINET) return ERROR_CANCELLED;
        return notification == SPFILENOTIFY_FILEINCABINET ? FILEOP_SKIP : NO_ERROR;
    }
}

void UxCAB::end(EndState state) {
    if (state > end_) end_ = state;
}

UINT UxCAB::failCabinet(const std::wstring& text) {
    if (end_ < END_FAILED) failure_ = text;
    end(END_FAILED);
    return FILEOP_SKIP;
}

UINT UxCAB::stopCabinet() {
    end(END_CANCELLED);
    return FILEOP_SKIP;
}

UINT UxCAB::cancelCabinet() {
    end(END_CANCELLED);
    return ERROR_CANCELLED;
}

void UxCAB::setStatus(UxExtractionStatus* status) {
    status_ = status;
    inUse_ = UxInUseWait(status);
    settler_.setStatus(status);
}

void UxCAB::startSeries() {
    seriesOpen_ = true;
    cabinetsInSeries_ = 0;
    writtenFiles_.clear();
    skippedFiles_.clear();
    leftovers_.clear();
    forgetFolders();
}

UINT UxCAB::onFileInCabinet(FILE_IN_CABINET_INFO_A* info) {
    INFLIGHT_ file;
    if (!buildTarget(info->NameInCabinet, info->DosAttribs, file)) return FILEOP_SKIP;
    std::wstring folder = FolderOf(file.target);
    ensureFolder(folder);
    // Nothing can stand in a folder this extraction made, but what it wrote.
    bool fresh = freshFolders_.contains(folder) && written_.insert(file.target);
    std::string platform;
    if (!chooseWriteTarget(file, fresh) || !platformTarget(file, platform)) return FILEOP_SKIP;
    lstrcpynA(info->FullTargetName, platform.c_str(), MAX_PATH);
    file.entry = ENTRY_STAMP_{info->FileSize, info->DosDate, info->DosTime};
    file.active = true;
    inFlight_ = std::move(file);
    return FILEOP_DOIT;
}

UINT UxCAB::onFileExtracted(const std::wstring&) { return NO_ERROR; }

void UxCAB::onFolderCreated(const std::wstring&) {}
