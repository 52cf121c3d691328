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

UxCAB::UxCAB() : seriesOpen_(false), series_(end_), targets_(leftovers_), file_(end_, targets_, leftovers_) {}

UxCAB::~UxCAB() {}

void UxCAB::setDestination(const std::wstring& folder) {
    // A relative folder is resolved by the platform's full path, quietly:
    // this may run on the extracting thread.
    destinationFolder = folder.empty() ? L"." : folder;
    if (destinationFolder.back() != L'\\') destinationFolder += L'\\';
}

bool UxCAB::extractTo(const std::wstring& folder) {
    series_.resetCounts();
    if (archivePath.empty() || !pathExists(archivePath)) {
        errorText = Bracketed("対象が存在しません", archivePath);
        return false;
    }
    setDestination(folder);
    // The header is checked again here: the cabinet may have changed since
    // start-up, and nothing the platform's reader would misread reaches it.
    if (!series_.checkStructure(archivePath, seriesOpen_, errorText)) return false;
    end_.begin();
    series_.beginIteration();
    targets_.setDestination(destinationFolder, seriesOpen_);
    file_.reset();
    std::string cabinet;
    if (!PlatformPath(archivePath, cabinet)) {
        errorText = Bracketed("このシステムの文字コードでは読めない場所にあるため展開できません", archivePath);
        return false;
    }
    BOOL ok;
    DWORD code;
    {
        // The scratch folders go on every way out, an exception's included,
        // once the settler is done with what it was handed.
        struct Cleanup {
            UxCAB& cab;
            ~Cleanup() {
                cab.file_.drain();
                cab.targets_.removeScratchFolders();
            }
        } cleanup{*this};
        SetLastError(0);
        {
            FileBeingRead reading(archivePath);
            ok = SetupIterateCabinetA(cabinet.c_str(), 0, cabinetCallback, this);
        }
        code = GetLastError();
        // A file the platform never reported as extracted was given up; and
        // whatever ended the cabinet, no file cut short stays behind.
        file_.finish(false, ok ? 0 : code, archivePath);
        file_.settleWritten();
    }
    if (!series_.checkOffered(ok, archivePath, errorText)) return false;
    switch (end_.state()) {
    case UxCabinetEnd::THROWN: end_.rethrow();
    case UxCabinetEnd::FAILED: errorText = end_.failure(); return false;
    case UxCabinetEnd::CANCELLED: return true;
    case UxCabinetEnd::RUNNING: break;
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
            series_.countOffer();
            if (end_.stopped()) return FILEOP_SKIP;
            // A file still in flight was given up by the platform.
            if (!file_.finish(false, 0, archivePath)) return FILEOP_SKIP;
            return onFileInCabinet(reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1));
        case SPFILENOTIFY_FILEEXTRACTED: return fileExtracted(*reinterpret_cast<const FILEPATHS_A*>(param1));
        case SPFILENOTIFY_NEEDNEWCABINET:
            // An error answer is the only one that ends the platform's asking.
            if (end_.stopped()) return ERROR_CANCELLED;
            return onNeedNewCabinet(*reinterpret_cast<const CABINET_INFO_A*>(param1), reinterpret_cast<char*>(param2));
        default: return 0;
        }
    } catch (...) {
        end_.keep(std::current_exception());
        if (notification == SPFILENOTIFY_NEEDNEWCABINET) return ERROR_CANCELLED;
        return notification == SPFILENOTIFY_FILEINCABINET ? FILEOP_SKIP : NO_ERROR;
    }
}

UINT UxCAB::fileExtracted(const FILEPATHS_A& paths) {
    if (!file_.active()) return NO_ERROR;
    std::wstring target = targets_.shown(file_.file().relative);
    // A file the cabinet ended under (Cancel or a failure while the
    // platform asked for the next part) is incomplete: removed.
    bool extracted = !end_.stopped() && paths.Win32Error == NO_ERROR;
    if (!file_.finish(extracted, paths.Win32Error, archivePath) || end_.stopped()) return NO_ERROR;
    UINT answer = onFileExtracted(target);
    file_.handOver();
    return answer;
}

void UxCAB::setStatus(UxExtractionStatus* status) {
    status_ = status;
    file_.setStatus(status);
}

void UxCAB::startSeries() {
    seriesOpen_ = true;
    series_.startSeries();
    file_.clearLists();
    leftovers_.clear();
    targets_.forgetFolders();
}

UINT UxCAB::onFileInCabinet(FILE_IN_CABINET_INFO_A* info) {
    UxCabTargets::TARGET_ file;
    std::wstring failure;
    if (!targets_.build(info->NameInCabinet, info->DosAttribs, file, failure)) return end_.fail(failure);
    std::vector<std::wstring> created;
    bool fresh = targets_.prepareFolder(file.target, created);
    for (const std::wstring& folder : created) onFolderCreated(folder);
    if (!file_.choose(file, fresh)) return FILEOP_SKIP;
    std::string platform;
    if (!targets_.platformTarget(file, platform, failure)) return end_.fail(failure);
    lstrcpynA(info->FullTargetName, platform.c_str(), MAX_PATH);
    file.entry = UxCabTargets::ENTRY_STAMP_{info->FileSize, info->DosDate, info->DosTime};
    file_.begin(std::move(file));
    return FILEOP_DOIT;
}

UINT UxCAB::onNeedNewCabinet(const CABINET_INFO_A& info, char* newPath) {
    return series_.findContinuation(info, archivePath, newPath);
}

UINT UxCAB::onFileExtracted(const std::wstring&) { return NO_ERROR; }

void UxCAB::onFolderCreated(const std::wstring&) {}
