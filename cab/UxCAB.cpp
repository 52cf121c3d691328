#include "cab/UxCAB.h"
#include "foundation/Mbcs.h"
#include "fs/FCFile.h"
#include "fs/FCPathName.h"
#include <vector>

namespace {
const DWORD kNameIsUtf8 = 0x80;  // _A_NAME_IS_UTF: gcab stores non-ASCII names so

void AppendBracketed(FCString& text, const char* head, const char* what) {
    text.assignFrom(head);
    text.append(" [");
    text.append(what);
    text.append("]\n");
}

// The name in the ANSI code page: a UTF-8 name is converted, and one that
// cannot be represented gives false.
bool NameInCodePage(const char* raw, DWORD attributes, FCString& name) {
    if ((attributes & kNameIsUtf8) == 0) {
        name.assignFrom(raw);
        return true;
    }
    int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, raw, -1, nullptr, 0);
    if (wide <= 0) return false;
    std::vector<wchar_t> w(static_cast<size_t>(wide));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, raw, -1, w.data(), wide);
    BOOL lossy = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), -1, nullptr, 0, nullptr, &lossy);
    if (bytes <= 0 || lossy) return false;
    std::vector<char> a(static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.data(), -1, a.data(), bytes, nullptr, &lossy);
    if (lossy) return false;
    name.assignFrom(a.data());
    return true;
}

// A component of dots and blanks only: the platform strips trailing dots
// and blanks, so "... " may resolve to "..".
bool DotsOnly(const FCString& component) {
    for (const char* p = component.text(); *p != '\0'; ++p)
        if (*p != '.' && *p != ' ') return false;
    return true;
}

// A relative name that stays below the folder it is joined to: no drive or
// stream colon, no leading separator, no component of dots (".." above all).
// '/' counts as a separator, as the platform takes it; it becomes '\'.
bool SafeRelativeName(const FCString& raw, FCString& safe) {
    safe.clear();
    if (raw.isEmpty()) return false;
    FCString component;
    for (const char* p = raw.text(); *p != '\0'; p = Mbcs::Next(p)) {
        unsigned code = Mbcs::CodeAt(p);
        if (code == ':') return false;
        if (code == '\\' || code == '/') {
            if (component.isEmpty() || DotsOnly(component)) return false;
            safe.append(component);
            safe.append("\\");
            component.clear();
            continue;
        }
        component.append(p, static_cast<int>(Mbcs::Next(p) - p));
    }
    if (component.isEmpty() || DotsOnly(component)) return false;
    safe.append(component);
    return true;
}

bool FullPath(const char* path, FCString& full) {
    char buffer[MAX_PATH];
    DWORD n = GetFullPathNameA(path, sizeof buffer, buffer, nullptr);
    if (n == 0 || n >= sizeof buffer) return false;
    full.assignFrom(buffer);
    return true;
}

// ASCII letters compare without case, by whole characters.
unsigned FoldedCodeAt(const char* p) {
    unsigned code = Mbcs::CodeAt(p);
    return (code >= 'a' && code <= 'z') ? code - ('a' - 'A') : code;
}

bool StartsWith(const FCString& text, const FCString& prefix) {
    const char* p = text.text();
    for (const char* q = prefix.text(); *q != '\0'; q = Mbcs::Next(q), p = Mbcs::Next(p))
        if (FoldedCodeAt(p) != FoldedCodeAt(q)) return false;
    return true;
}

ULONGLONG FreeBytesFor(const char* folder) {
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA(folder, &available, &total, &free)) return 0;
    return available.QuadPart;
}
}  // namespace

bool UxCAB::NoCaseOrder::operator()(const std::string& a, const std::string& b) const {
    const char* p = a.c_str();
    const char* q = b.c_str();
    for (;;) {
        unsigned x = FoldedCodeAt(p), y = FoldedCodeAt(q);
        if (x != y || x == 0) return x < y;
        p = Mbcs::Next(p);
        q = Mbcs::Next(q);
    }
}

// ---------------------------------------------------------------- UxArchive

UxArchive::UxArchive() {
    FCPathName current;
    destinationFolder.assignFrom(current.path);
}

UxArchive::~UxArchive() {}

void UxArchive::setArchive(const char* path) {
    FCPathName name(path);
    archivePath.assignFrom(name.path);
}

bool UxArchive::reservedQuery(void*) { return false; }

// ---------------------------------------------------------------- UxCAB

UxCAB::UxCAB() : stopped_(false), failed_(false), expectedSize_(0) {}

UxCAB::~UxCAB() {}

void UxCAB::setDestination(const char* folder) {
    FCPathName name = folder != nullptr ? FCPathName(folder) : FCPathName();
    name.addSeparator();
    destinationFolder.assignFrom(name.path);
}

bool UxCAB::extractTo(const char* folder) {
    if (archivePath.isEmpty() || !pathExists(archivePath.text())) {
        AppendBracketed(errorText, "対象が存在しません", archivePath.text());
        return false;
    }
    setDestination(folder);
    stopped_ = failed_ = false;
    failure_.clear();
    knownFolders_.clear();
    freshFolders_.clear();
    written_.clear();
    if (!FullPath(destinationFolder.text(), normalizedDestination_)) normalizedDestination_.clear();
    expectedTarget_.clear();
    pending_ = nullptr;
    SetLastError(0);
    BOOL ok = SetupIterateCabinetA(archivePath.text(), 0, cabinetCallback, this);
    DWORD code = GetLastError();
    if (pending_) {
        std::exception_ptr pending = pending_;
        pending_ = nullptr;
        std::rethrow_exception(pending);
    }
    if (failed_) {
        errorText.assignFrom(failure_);
        return false;
    }
    if (ok) return true;
    if (code == 0) {
        // The platform answers a damaged or foreign file with no error code;
        // its text for 0 would read "success".
        AppendBracketed(errorText, "ERR) SetupIterateCabinet: キャビネットファイルが壊れているか、形式が正しくありません",
                        archivePath.text());
        return false;
    }
    setSystemError(code, "ERR) SetupIterateCabinet: *\n");
    return false;
}

void UxCAB::setSystemError(DWORD code, const char* messageTemplate) {
    char* system = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<char*>(&system), 0, nullptr);
    FCString text;
    text.appendNumber(code);
    text.append(":");
    text.append(messageTemplate);
    if (n != 0 && system != nullptr) {
        text.replaceAll("*", system);
        LocalFree(system);
    } else {
        // No system text: the code alone still tells what failed.
        text.replaceAll("*", "エラーコードの説明がありません\n");
    }
    errorText.assignFrom(text);
}

UINT CALLBACK UxCAB::cabinetCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2) {
    return static_cast<UxCAB*>(context)->dispatchNotification(notification, param1, param2);
}

UINT UxCAB::dispatchNotification(UINT notification, UINT_PTR param1, UINT_PTR) {
    // Nothing may unwind through the platform's frames: an exception ends
    // the cabinet here and is thrown again once the iteration has returned.
    try {
        switch (notification) {
        case SPFILENOTIFY_FILEINCABINET:
            if (stopped_) return FILEOP_SKIP;
            return onFileInCabinet(reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1));
        case SPFILENOTIFY_FILEEXTRACTED: {
            const FILEPATHS_A* paths = reinterpret_cast<const FILEPATHS_A*>(param1);
            if (stopped_) return NO_ERROR;
            checkExtracted(*paths);
            if (stopped_) return NO_ERROR;
            return onFileExtracted(paths->Target);
        }
        case SPFILENOTIFY_NEEDNEWCABINET:
        default:
            return 0;
        }
    } catch (...) {
        pending_ = std::current_exception();
        stopCabinet();
        return notification == SPFILENOTIFY_FILEINCABINET ? FILEOP_SKIP : NO_ERROR;
    }
}

UINT UxCAB::failCabinet(const FCString& text) {
    if (!failed_) failure_.assignFrom(text);
    failed_ = true;
    return stopCabinet();
}

UINT UxCAB::stopCabinet() {
    stopped_ = true;
    expectedTarget_.clear();
    return FILEOP_SKIP;
}

bool UxCAB::buildTarget(const char* nameInCabinet, DWORD attributes, FCString& target) {
    FCString name, safe, text;
    if (!NameInCodePage(nameInCabinet, attributes, name)) {
        AppendBracketed(text, "ファイル名を変換できません", nameInCabinet);
        failCabinet(text);
        return false;
    }
    FCString full;
    target.assignFrom(destinationFolder);
    if (SafeRelativeName(name, safe)) {
        target.append(safe);
        if (target.length() < MAX_PATH && !normalizedDestination_.isEmpty() && FullPath(target.text(), full) &&
            StartsWith(full, normalizedDestination_))
            return true;
        if (target.length() >= MAX_PATH) {
            AppendBracketed(text, "展開先のパスが長すぎるため展開できません", target.text());
            failCabinet(text);
            return false;
        }
    }
    AppendBracketed(text, "展開先フォルダの外を指す名前のため展開しません", name.text());
    failCabinet(text);
    return false;
}

void UxCAB::createFolders(const FCString& folderText) {
    FCPathName folder(folderText);
    folder.addSeparator();
    FCString rest(folder.path);
    FCString path;
    if (rest.text()[0] == '\\' && rest.text()[1] == '\\') path.assignFrom("\\\\");  // a share keeps its prefix
    FCString component;
    while (rest.nextToken(component, "\\", true) != nullptr) {
        path.append(component);
        if (pathExists(path.text())) continue;
        if (!CreateDirectoryA(path.text(), nullptr)) return;
        freshFolders_.insert(path.text());
        onFolderCreated(path.text());
    }
}

bool UxCAB::replaceExisting(const FCString& target) {
    DWORD attributes = 0;
    if (!pathExists(target.text(), &attributes)) return true;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    // The platform opens an existing target without truncating it: a shorter
    // new file would keep the old tail. The old file goes first.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) SetFileAttributesA(target.text(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return DeleteFileA(target.text()) != 0;
}

UINT UxCAB::onFileInCabinet(FILE_IN_CABINET_INFO_A* info) {
    FCString target;
    if (!buildTarget(info->NameInCabinet, info->DosAttribs, target)) return FILEOP_SKIP;
    lstrcpynA(info->FullTargetName, target.text(), MAX_PATH);
    FCPathName targetName(target);
    FCString folder;
    targetName.getFolder(folder, true);
    if (knownFolders_.count(folder.text()) == 0) {
        if (!pathExists(folder.text())) createFolders(folder);
        if (pathExists(folder.text())) knownFolders_.insert(folder.text());
    }
    // Nothing can stand in a folder this extraction made, but what it wrote.
    bool fresh = freshFolders_.count(folder.text()) != 0 && written_.insert(target.text()).second;
    if (!fresh && !replaceExisting(target)) {
        FCString text;
        AppendBracketed(text, "既存のファイルを置き換えられません", target.text());
        return failCabinet(text);
    }
    expectedTarget_.assignFrom(target);
    expectedSize_ = info->FileSize;
    return FILEOP_DOIT;
}

UINT UxCAB::checkExtracted(const FILEPATHS_A& paths) {
    FCString text;
    if (paths.Win32Error != NO_ERROR) {
        setSystemError(paths.Win32Error, "*");
        AppendBracketed(text, "ファイルを書き込めませんでした", paths.Target);
        text.append(errorText);
        return failCabinet(text);
    }
    if (expectedTarget_.isEmpty()) return NO_ERROR;
    // The platform reports a file cut short (a full disk, damaged data) as
    // extracted: the size on disk must be the cabinet's.
    WIN32_FILE_ATTRIBUTE_DATA data;
    ULONGLONG size = 0;
    if (GetFileAttributesExA(paths.Target, GetFileExInfoStandard, &data))
        size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    else size = ~0ull;
    if (size == expectedSize_) return NO_ERROR;
    FCPathName target(paths.Target);
    FCString folder;
    target.getFolder(folder, true);
    bool diskFull = size < expectedSize_ && FreeBytesFor(folder.text()) < expectedSize_ - size;
    DeleteFileA(paths.Target);
    AppendBracketed(text, "ファイルが正しく展開されませんでした", paths.Target);
    if (diskFull) text.append("ディスクの空き容量が足りません。\n");
    return failCabinet(text);
}

UINT UxCAB::onFileExtracted(const char*) { return NO_ERROR; }

void UxCAB::onFolderCreated(const char*) {}
