#include "cab/UxCAB.h"
#include "foundation/WideText.h"
#include "cab/UxCabinetHeader.h"
#include "cab/UxSeriesWalk.h"
#include "foundation/CrashReport.h"
#include "foundation/Mbcs.h"
#include "foundation/SystemErrorText.h"
#include "cab/EntryTime.h"
#include "foundation/FCHandle.h"
#include "fs/EntryName.h"
#include "fs/FCFile.h"
#include "fs/FCPathName.h"
#include "fs/FolderWalk.h"
#include "fs/PathCompare.h"
#include <string>
#include <vector>

namespace {
// New files measured in one go: a few milliseconds of queries even where
// each takes tens of microseconds.
const size_t kCheckBatch = 256;

void AppendBracketed(FCString& text, const char* head, const char* what) {
    text.assignFrom(head);
    text.append(" [");
    text.append(what);
    text.append("]\n");
}

// The system's words for a code, ending their line.
void SystemReason(DWORD code, FCString& reason) {
    if (SystemErrorText(code, reason)) {
        reason.append("\r\n");  // the system's text ends its own line
    } else {
        // No system text: the code alone still tells what failed.
        reason.assignFrom("エラーコードの説明がありません\n");
    }
}

// "5:<the system's words>" after text.
void AppendSystemReason(FCString& text, DWORD code) {
    FCString reason;
    SystemReason(code, reason);
    text.appendNumber(code);
    text.append(":");
    text.append(reason);
}

// A name without a folder, drive or stream part.
bool PlainFileName(const char* name) {
    if (*name == '\0') return false;
    for (const char* p = name; *p != '\0'; p = Mbcs::Next(p))
        if (Mbcs::InSet("\\/:", Mbcs::CodeAt(p))) return false;
    return true;
}

ULONGLONG FreeBytesFor(const std::wstring& folder) {
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, &total, &free)) return 0;
    return available.QuadPart;
}

// The folder part of a path, ending in its separator; the name after it.
std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\') + 1); }
std::wstring NameOf(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

// Removes a file whatever its attributes: the platform may have given a
// short file the entry's read-only attribute.
void RemoveFile(const std::wstring& path) {
    if (DeleteFileW(path.c_str()) || GetLastError() != ERROR_ACCESS_DENIED) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

bool IsFolder(const std::wstring& path) {
    DWORD attributes = 0;
    return pathExists(path, &attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
}  // namespace

// ---------------------------------------------------------------- UxArchive

// No destination yet: reading the current directory here could raise a box
// on the extracting thread, which opens no window.
UxArchive::UxArchive() {}

UxArchive::~UxArchive() {}

void UxArchive::setArchive(const char* path) {
    FCPathName name(path);
    archivePath.assignFrom(name.path);
}

// ---------------------------------------------------------------- UxCAB

namespace {
// An existing path as the platform's "A" functions read it: in the system's
// code page, or through its short name where that code page cannot name it.
bool PlatformPath(const FCString& path, std::string& out) {
    return SystemCodePage932(path.text(), out) || ShortSystemPath932(path.text(), out);
}

// "キャビネットファイルが壊れています [cabinet]", the fault, and the entry it
// concerns when there is one.
void AppendStructureFault(FCString& text, const FCString& cabinet, const UxCabinetHeader& header,
                          UxCabinetHeader::Fault fault, size_t entry) {
    AppendBracketed(text, "キャビネットファイルが壊れています", cabinet.text());
    text.append(UxCabinetHeader::faultShown(fault));
    if (entry < header.files.size()) {
        FCString name;
        EntryNameInCodePage(header.files[entry].name.c_str(), header.files[entry].attributes, name);
        text.append(" [");
        text.append(name);
        text.append("]");
    }
    text.append("\n");
}
}  // namespace

UxCAB::UxCAB()
    : end_(END_RUNNING), seriesOpen_(false), cabinetsInSeries_(0), currentSound_(false), chainRead_(false),
      expectedOffers_(0), offered_(0) {}

UxCAB::~UxCAB() {}

void UxCAB::setDestination(const char* folder) {
    // A relative folder is resolved by the platform's full path, quietly:
    // this may run on the extracting thread.
    if (folder == nullptr || *folder == '\0') folder = ".";
    destinationFolder.assignFrom(folder);
    const char* text = destinationFolder.text();
    const char* last = Mbcs::Prev(text, text + destinationFolder.length());
    if (*last != '\\' || last + 1 != text + destinationFolder.length()) destinationFolder.append("\\");
}

bool UxCAB::extractTo(const char* folder) {
    if (archivePath.isEmpty() || !pathExists(archivePath.text())) {
        AppendBracketed(errorText, "対象が存在しません", archivePath.text());
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
    destination_.assign(Wide932(destinationFolder.text()).data());
    std::wstring normalized;
    if (!FullPathName(destination_, normalized)) normalized.clear();
    if (!seriesOpen_ || normalized != normalizedDestination_) forgetFolders();
    normalizedDestination_ = normalized;
    inFlight_.active = false;
    unchecked_.clear();
    pending_ = nullptr;
    offered_ = 0;
    std::string cabinet;
    if (!PlatformPath(archivePath, cabinet)) {
        AppendBracketed(errorText, "このシステムの文字コードでは読めない場所にあるため展開できません",
                        archivePath.text());
        return false;
    }
    SetLastError(0);
    BOOL ok;
    {
        FileBeingRead reading(archivePath.text());
        ok = SetupIterateCabinetA(cabinet.c_str(), 0, cabinetCallback, this);
    }
    DWORD code = GetLastError();
    // A file the platform never reported as extracted was given up; and
    // whatever ended the cabinet, no file cut short stays behind.
    finishFile(false, ok ? 0 : code);
    checkUnchecked();
    removeScratchFolders();
    if (!checkOffered(ok)) return false;
    switch (end_) {
    case END_THROWN: {
        std::exception_ptr pending = pending_;
        pending_ = nullptr;
        std::rethrow_exception(pending);
    }
    case END_FAILED: errorText.assignFrom(failure_); return false;
    case END_CANCELLED: return true;
    case END_RUNNING: break;
    }
    if (ok) return true;
    if (code == 0) {
        // The platform answers a damaged or foreign file with no error code;
        // its text for 0 would read "success".
        AppendBracketed(errorText,
                        "ERR) SetupIterateCabinet: キャビネットファイルが壊れているか、形式が正しくありません",
                        archivePath.text());
        return false;
    }
    setSystemError(code, "ERR) SetupIterateCabinet: *\n");
    return false;
}

bool UxCAB::checkStructure() {
    UxCabinetHeader header;
    // Outside a series the caller extracts the previous part itself; in
    // one, an entry continued from before needs a part before it, and must
    // be one that part continues.
    bool partBefore = !seriesOpen_ || cabinetsInSeries_ > 0;
    bool follows = seriesOpen_ && cabinetsInSeries_ > 0 && currentSound_;
    ++cabinetsInSeries_;
    currentSound_ = false;
    expectedOffers_ = 0;
    // the platform names what it cannot read
    if (header.read(archivePath.text()) != UxCabinetHeader::OK) return true;
    expectedOffers_ = header.offeredEntries();
    size_t entry = 0;
    UxCabinetHeader::Fault fault = UxSeriesWalk::partFault(header, partBefore, follows ? &current_ : nullptr, entry);
    if (fault == UxCabinetHeader::FAULT_NONE) {
        current_ = std::move(header);
        currentSound_ = true;
        return true;
    }
    AppendStructureFault(errorText, archivePath, header, fault, entry);
    return false;
}

bool UxCAB::checkOffered(BOOL iterated) {
    if (!iterated || end_ != END_RUNNING || offered_ == expectedOffers_) return true;
    AppendBracketed(errorText, "キャビネットファイルの一部のファイルが展開されませんでした", archivePath.text());
    errorText.appendNumber(static_cast<unsigned>(offered_));
    errorText.append(" / ");
    errorText.appendNumber(static_cast<unsigned>(expectedOffers_));
    errorText.append("\n");
    return false;
}

void UxCAB::setSystemError(DWORD code, const char* messageTemplate) {
    FCString text, reason;
    text.appendNumber(code);
    text.append(":");
    text.append(messageTemplate);
    SystemReason(code, reason);
    text.replaceAll("*", reason.text());
    errorText.assignFrom(text);
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
            FCString target(inFlight_.shown);
            // A file the cabinet ended under (Cancel or a failure while the
            // platform asked for the next part) is incomplete: removed.
            bool extracted = !stopped() && paths->Win32Error == NO_ERROR;
            if (!finishFile(extracted, paths->Win32Error) || stopped()) return NO_ERROR;
            return onFileExtracted(target.text());
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

UINT UxCAB::failCabinet(const FCString& text) {
    if (end_ < END_FAILED) failure_.assignFrom(text);
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

bool UxCAB::buildTarget(const char* nameInCabinet, DWORD attributes, INFLIGHT_& file) {
    FCString safe, text;
    if (!EntryNameInCodePage(nameInCabinet, attributes, file.name)) {
        AppendBracketed(text, "ファイル名を変換できません", file.name.text());
        failCabinet(text);
        return false;
    }
    EntryNameVerdict verdict = CheckEntryName(file.name, safe);
    if (verdict == ENTRY_NAME_UNWRITABLE) {
        AppendBracketed(text, "Windowsでは使えない名前のため展開しません", file.name.text());
        failCabinet(text);
        return false;
    }
    if (verdict == ENTRY_NAME_OK) {
        std::wstring name, full;
        if (!EntryNameWide(nameInCabinet, attributes, name)) {
            AppendBracketed(text, "ファイル名を変換できません", file.name.text());
            failCabinet(text);
            return false;
        }
        file.shown.assignFrom(destinationFolder);
        file.shown.append(safe);
        file.target = destination_ + name;
        // Shift_JIS takes at least as many bytes as UTF-16 takes units, so
        // this bound holds for the real name too.
        if (file.shown.length() < MAX_PATH && !normalizedDestination_.empty() && FullPathName(file.target, full) &&
            PathStartsWith(full, normalizedDestination_))
            return true;
        if (file.shown.length() >= MAX_PATH) {
            AppendBracketed(text, "展開先のパスが長すぎるため展開できません", file.shown.text());
            failCabinet(text);
            return false;
        }
    }
    AppendBracketed(text, "展開先フォルダの外を指す名前のため展開しません", file.name.text());
    failCabinet(text);
    return false;
}

void UxCAB::startSeries() {
    seriesOpen_ = true;
    cabinetsInSeries_ = 0;
    forgetFolders();
}

void UxCAB::forgetFolders() {
    knownFolders_.clear();
    freshFolders_.clear();
    written_.clear();
}

// Below the deepest folder known to exist, each missing folder is made
// straight away: making it is the existence test, one call a folder. With
// none known the walk starts at the root.
void UxCAB::ensureFolder(const std::wstring& folder) {
    if (knownFolders_.contains(folder)) return;
    std::vector<std::wstring> chain = LeadingFolders(folder);
    size_t known = chain.size();
    while (known > 0 && !knownFolders_.contains(chain[known - 1])) --known;
    if (known == 0 && IsFolder(folder)) {
        for (const std::wstring& leading : chain) knownFolders_.insert(leading);
        knownFolders_.insert(folder);
        return;
    }
    for (size_t i = known; i < chain.size(); ++i) {
        const std::wstring& path = chain[i];
        if (CreateDirectoryW(path.c_str(), nullptr)) {
            freshFolders_.insert(path);
            onFolderCreated(Narrow932(path.c_str()).c_str());
        } else if (!IsFolder(path)) {
            return;  // the platform names the reason when it cannot write the file
        }
        knownFolders_.insert(path);
    }
}

// Where the platform is to write the file. A new file is written in place;
// an existing one stays untouched until its replacement is complete.
bool UxCAB::chooseWriteTarget(INFLIGHT_& file, bool fresh) {
    file.written = file.target;
    DWORD attributes = 0;
    if (fresh || !pathExists(file.target, &attributes)) return true;
    // The old file may be one this cabinet wrote: it is measured before its
    // replacement takes its name.
    if (!checkUnchecked()) return false;
    file.existed = true;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        FCString text;
        AppendBracketed(text, "既存のファイルを置き換えられません", file.shown.text());
        failCabinet(text);
        return false;
    }
    return makeTemporary(FolderOf(file.target), file,
                         "一時ファイルを作成できないため既存のファイルを置き換えられません");
}

bool UxCAB::makeTemporary(const std::wstring& folder, INFLIGHT_& file, const char* failure) {
    wchar_t temporary[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), L"kx", 0, temporary) == 0) {
        DWORD code = GetLastError();
        FCString text;
        AppendBracketed(text, failure, file.shown.text());
        AppendSystemReason(text, code);
        failCabinet(text);
        return false;
    }
    file.written = temporary;
    return true;
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

bool UxCAB::finishFile(bool extracted, DWORD platformCode) {
    if (!inFlight_.active) return true;
    inFlight_.active = false;
    if (!extracted) {
        // What the platform wrote is removed; an old file under the
        // target's name was never touched.
        RemoveFile(inFlight_.written);
        if (end_ != END_RUNNING) return false;  // the end already explains it
        FCString text;
        AppendBracketed(text, "ファイルを展開できませんでした", inFlight_.shown.text());
        if (platformCode == 0) {
            text.append("キャビネットファイルが壊れているか、形式が正しくありません [");
            text.append(archivePath);
            text.append("]\n");
        } else {
            AppendSystemReason(text, platformCode);
        }
        failCabinet(text);
        return false;
    }
    if (inFlight_.replacing()) return checkSize(inFlight_.written, inFlight_.shown, inFlight_.entry) && replaceTarget();
    // A new file is measured later, with other new files, in a bounded
    // batch (the window is not pumped meanwhile): one query a file either
    // way, but cheaper taken together than between the platform's writes.
    unchecked_.push_back(UNCHECKED_{inFlight_.target, inFlight_.shown, inFlight_.entry});
    return unchecked_.size() < kCheckBatch || checkUnchecked();
}

// The platform reports a file cut short (a full disk, damaged data) as
// extracted: the size on disk must be the cabinet's. A short file is
// removed and fails the cabinet; a whole one takes the entry's time (the
// platform leaves the time it was written).
bool UxCAB::checkSize(const std::wstring& written, const FCString& shown, const ENTRY_STAMP_& entry) {
    ULONGLONG size = ~0ull;
    {
        FCHandle file(CreateFileW(written.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        LARGE_INTEGER measured;
        if (file.valid() && GetFileSizeEx(file.get(), &measured)) size = static_cast<ULONGLONG>(measured.QuadPart);
        if (size == entry.size) {
            FILETIME time;
            EntryTime(entry.dosDate, entry.dosTime, time);
            SetFileTime(file.get(), nullptr, nullptr, &time);
            return true;
        }
    }
    bool diskFull = size < entry.size && FreeBytesFor(FolderOf(written)) < entry.size - size;
    RemoveFile(written);
    FCString text;
    AppendBracketed(text, "ファイルが正しく展開されませんでした", shown.text());
    if (diskFull) text.append("ディスクの空き容量が足りません。\n");
    failCabinet(text);
    return false;
}

// Every new file is measured, even after the first short one, so that none
// cut short stays behind; the first names the failure.
bool UxCAB::checkUnchecked() {
    bool whole = true;
    for (const UNCHECKED_& file : unchecked_)
        if (!checkSize(file.target, file.shown, file.entry)) whole = false;
    unchecked_.clear();
    return whole;
}

// Puts a complete replacement in place of the old file in one step; the
// old file stays as it was when that fails.
bool UxCAB::replaceTarget() {
    const wchar_t* target = inFlight_.target.c_str();
    DWORD attributes = GetFileAttributesW(target);
    bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) SetFileAttributesW(target, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (MoveFileExW(inFlight_.written.c_str(), target, MOVEFILE_REPLACE_EXISTING)) return true;
    DWORD code = GetLastError();
    if (readOnly) SetFileAttributesW(target, attributes);
    RemoveFile(inFlight_.written);
    FCString text;
    // A new file written under a temporary name has nothing to replace.
    AppendBracketed(text,
                    inFlight_.existed ? "既存のファイルを置き換えられません"
                                      : "一時ファイルを本来の名前に変更できないため展開できません",
                    inFlight_.shown.text());
    AppendSystemReason(text, code);
    failCabinet(text);
    return false;
}

UINT UxCAB::onNeedNewCabinet(const CABINET_INFO_A& info, char* newPath) {
    const char* name = info.CabinetFile != nullptr ? info.CabinetFile : "";
    // The platform asks again when what it was pointed at would not do (not
    // a cabinet, another set): asking twice for one name is an answer too.
    if (!askedCabinets_.insert(Wide932(name).data())) return refuseContinuation(name);
    return findNextCabinet(name, newPath);
}

UINT UxCAB::refuseContinuation(const char* name) {
    FCString text;
    AppendBracketed(text, "続きのキャビネットファイルが正しくありません", name);
    text.append("（");
    text.append(FCPathName(archivePath).fileName());
    text.append(" の続き）\n");
    failCabinet(text);
    return ERROR_INVALID_DATA;
}

UINT UxCAB::findNextCabinet(const char* name, char* newPath) {
    FCPathName archive(archivePath);
    FCString folder, path;
    archive.getFolder(folder, true);
    path.assignFrom(folder);
    path.append(name);
    DWORD attributes = 0;
    // The platform's own path buffer is smaller than MAX_PATH on some systems.
    const int kNewPathSize = 256;
    std::string platformFolder;
    if (PlainFileName(name) && PlatformPath(folder, platformFolder) && platformFolder.size() < kNewPathSize &&
        pathExists(path.text(), &attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (!checkContinuation(path, name)) return ERROR_INVALID_DATA;
        FileBeingRead::name(path.text());
        lstrcpynA(newPath, platformFolder.c_str(), kNewPathSize);
        return NO_ERROR;
    }
    FCString text;
    AppendBracketed(text, "続きのキャビネットファイルが見つかりません", name);
    text.append("（");
    text.append(archive.fileName());
    text.append(" の続き）\n");
    failCabinet(text);
    return ERROR_FILE_NOT_FOUND;
}

// The platform reads the continuation within this cabinet's iteration, so
// it is checked here as each cabinet is before its own: its reader loops
// for ever looking for an entry the next part does not continue.
bool UxCAB::checkContinuation(const FCString& path, const char* name) {
    UxCabinetHeader next;
    if (!currentSound_ || next.read(path.text()) != UxCabinetHeader::OK) return true;  // the platform judges it
    // A file may run through several parts: the part asked for follows the
    // last one the platform was given, not the cabinet being iterated.
    const UxCabinetHeader& last = chainRead_ ? chain_ : current_;
    size_t entry = 0;
    UxCabinetHeader::Fault fault = UxSeriesWalk::partFault(next, true, &last, entry);
    if (fault == UxCabinetHeader::FAULT_NOT_NEXT) {
        refuseContinuation(name);
        return false;
    }
    if (fault == UxCabinetHeader::FAULT_NONE) {
        chain_ = std::move(next);
        chainRead_ = true;
        return true;
    }
    FCString text;
    AppendStructureFault(text, path, next, fault, entry);
    failCabinet(text);
    return false;
}

bool UxCAB::platformTarget(INFLIGHT_& file, std::string& platform) {
    if (SystemCodePagePath(file.written.c_str(), platform) && platform.size() < MAX_PATH) return true;
    std::wstring folder = FolderOf(file.target);
    FCString text;
    // One short-name query a folder: a Run writes thousands of files into few.
    auto route = writeFolders_.find(folder);
    if (route == writeFolders_.end()) {
        WRITE_FOLDER_ made{folder, std::string()};
        if (!ShortSystemPath(folder.c_str(), made.platform) && !makeScratchFolder(folder, made.folder, made.platform)) {
            AppendBracketed(text, "このシステムの文字コードでは書き込めない名前のため展開できません",
                            file.shown.text());
            failCabinet(text);
            return false;
        }
        if (!made.platform.empty() && made.platform.back() != '\\') made.platform += '\\';
        route = writeFolders_.emplace(folder, made).first;
    }
    const std::wstring& writeFolder = route->second.folder;
    if (file.written == file.target || writeFolder != folder) {
        std::wstring replaced(file.written);
        if (!makeTemporary(writeFolder, file, "一時ファイルを作成できないため展開できません")) return false;
        if (replaced != file.target) DeleteFileW(replaced.c_str());
    }
    // The temporary name is ASCII: every code page holds it.
    std::string name;
    if (SystemCodePagePath(NameOf(file.written).c_str(), name)) platform = route->second.platform + name;
    if (!name.empty() && platform.size() < MAX_PATH) return true;
    // Never a skip without a word: the file would be missing from a Run
    // that reports success.
    DeleteFileW(file.written.c_str());
    AppendBracketed(text, "展開先のパスが長すぎるため展開できません", file.shown.text());
    failCabinet(text);
    return false;
}

bool UxCAB::makeScratchFolder(const std::wstring& folder, std::wstring& scratch, std::string& platform) {
    // A folder the code page cannot name holds none it can.
    std::wstring ancestor;
    std::string named;
    for (const std::wstring& leading : LeadingFolders(folder)) {
        if (!SystemCodePagePath(leading.c_str(), named)) break;
        ancestor = leading;
    }
    if (ancestor.empty()) return false;
    for (const SCRATCH_& made : scratchFolders_) {
        if (made.ancestor == ancestor) {
            scratch = made.folder;
            return SystemCodePagePath(made.folder.c_str(), platform);
        }
    }
    wchar_t name[MAX_PATH];
    if (GetTempFileNameW(ancestor.c_str(), L"kxd", 0, name) == 0) return false;
    DeleteFileW(name);
    if (!CreateDirectoryW(name, nullptr)) return false;
    scratch = name;
    scratch += L'\\';
    scratchFolders_.push_back(SCRATCH_{ancestor, scratch});
    return SystemCodePagePath(scratch.c_str(), platform);
}

void UxCAB::removeScratchFolders() {
    for (const SCRATCH_& made : scratchFolders_) RemoveDirectoryW(made.folder.c_str());
    scratchFolders_.clear();
    writeFolders_.clear();  // their routes may name those folders
}

UINT UxCAB::onFileExtracted(const char*) { return NO_ERROR; }

void UxCAB::onFolderCreated(const char*) {}
