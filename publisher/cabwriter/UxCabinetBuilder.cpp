// One cabinet through the File Compression Interface, over Win32 files.
#include "publisher/cabwriter/UxCabinetBuilder.h"
#include "foundation/SystemErrorText.h"
#include "fs/FCFile.h"
#include "fs/FCPathName.h"
#include "fs/PathCompare.h"
#include <fcntl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// The interface's own callbacks, over Win32 files. None of them may throw:
// they are called from inside cabinet.dll.
FNFCIALLOC(Alloc) { return HeapAlloc(GetProcessHeap(), 0, cb); }
FNFCIFREE(Free) { HeapFree(GetProcessHeap(), 0, memory); }

FNFCIOPEN(Open) {
    (void)pmode;
    const std::wstring* path = static_cast<UxCabinetBuilder*>(pv)->pathOf(pszFile);
    if (path == nullptr) {
        *err = ERROR_INVALID_NAME;
        return -1;
    }
    DWORD access = (oflag & _O_RDWR)     ? GENERIC_READ | GENERIC_WRITE
                   : (oflag & _O_WRONLY) ? GENERIC_WRITE
                                         : GENERIC_READ;
    DWORD disposition = (oflag & _O_CREAT) ? ((oflag & _O_EXCL)    ? CREATE_NEW
                                              : (oflag & _O_TRUNC) ? CREATE_ALWAYS
                                                                   : OPEN_ALWAYS)
                                           : ((oflag & _O_TRUNC) ? TRUNCATE_EXISTING : OPEN_EXISTING);
    HANDLE h = CreateFileW(LongPathForm(*path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return reinterpret_cast<INT_PTR>(h);
}

// No file. Wine's writer seeks to the start of its data file and reads it
// when a cabinet holds only empty files, though it never opened one: such
// a file is empty.
const INT_PTR kNeverOpened = -1;

FNFCIWRITE(Write) {
    (void)pv;
    DWORD n = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(hf), memory, cb, &n, nullptr) || n != cb) {
        *err = static_cast<int>(GetLastError());
        return static_cast<UINT>(-1);
    }
    return n;
}

FNFCISEEK(Seek) {
    (void)pv;
    if (hf == kNeverOpened && dist == 0) return 0;
    DWORD at = SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr, static_cast<DWORD>(seektype));
    if (at == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return static_cast<__LONG32>(at);
}

FNFCIDELETE(Delete) {
    const std::wstring* path = static_cast<UxCabinetBuilder*>(pv)->pathOf(pszFile);
    if (path != nullptr && DeleteFileW(LongPathForm(*path).c_str())) return 0;
    *err = static_cast<int>(GetLastError());
    return -1;
}

FNFCIGETTEMPFILE(TempFile) {
    // A name no file has in the temporary folder, at any length: the
    // interface creates the file itself.
    UxCabinetBuilder* self = static_cast<UxCabinetBuilder*>(pv);
    std::wstring folder = TemporaryFolder();
    if (folder.empty()) return FALSE;
    for (unsigned attempt = 0; attempt < 256; ++attempt) {
        std::wstring path = folder + L"kpk" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                            std::to_wstring(GetTickCount() + attempt) + L".tmp";
        if (!pathExists(path)) return self->tokenFor(path, pszTempName, cbTempName) ? TRUE : FALSE;
    }
    return FALSE;
}

FNFCIFILEPLACED(Placed) {
    (void)pccab;
    (void)pszFile;
    (void)cbFile;
    (void)fContinuation;
    (void)pv;
    return 0;
}

// By the interface's error numbers; the first, "none", is what it reports
// when a callback of ours failed without a number of its own.
const wchar_t* const kErrors[] = {
    L"the cabinet writer failed",    L"cannot open a source file", L"cannot read a source file", L"out of memory",
    L"cannot make a temporary file", L"unknown compression type",  L"cannot write the cabinet",  L"stopped",
    L"the compressor failed"};
}  // namespace

UxCabinetBuilder::UxCabinetBuilder()
    : context_(nullptr), erf_(), ccab_(), store_(false), progress_(nullptr), progressContext_(nullptr), done_(0),
      knownTime_(nullptr), knownAttributes_(0), source_(kNeverOpened), sourceRead_(0), sourceSize_(0),
      sourceWritten_() {}

UxCabinetBuilder::~UxCabinetBuilder() {
    if (context_ != nullptr) FCIDestroy(context_);
}

void UxCabinetBuilder::setProgress(Progress progress, void* context) {
    progress_ = progress;
    progressContext_ = context;
}

void UxCabinetBuilder::fail(const std::wstring& what) {
    error_ = what + L": ";
    unsigned code = static_cast<unsigned>(erf_.erfOper);
    error_ += code < sizeof kErrors / sizeof kErrors[0] ? kErrors[code] : L"unknown failure";
    if (erf_.erfType != 0) error_ += L" (" + SystemErrorLine(static_cast<DWORD>(erf_.erfType)) + L")";
}

// Tokens are "|" and an index: no path begins with a '|'.
const std::wstring* UxCabinetBuilder::pathOf(const char* token) const {
    if (token == nullptr || token[0] != '|') return nullptr;
    char* end = nullptr;
    unsigned long index = std::strtoul(token + 1, &end, 10);
    return end != token + 1 && *end == '\0' && index < paths_.size() ? &paths_[index] : nullptr;
}

bool UxCabinetBuilder::tokenFor(const std::wstring& path, char* token, int size) {
    char text[24];
    std::snprintf(text, sizeof text, "|%u", static_cast<unsigned>(paths_.size()));
    if (size <= 0 || std::strlen(text) >= static_cast<size_t>(size)) return false;
    paths_.push_back(path);
    lstrcpynA(token, text, size);
    return true;
}

bool UxCabinetBuilder::create(const std::wstring& path, bool store, unsigned setId, unsigned number) {
    std::memset(&ccab_, 0, sizeof ccab_);
    // Limits the interface never reaches: the caller decides what goes into
    // a cabinet, and nothing continues into another.
    ccab_.cb = 0x7FFFFFFF;
    ccab_.cbFolderThresh = 0x7FFFFFFF;
    ccab_.setID = static_cast<USHORT>(setId);
    ccab_.iCab = static_cast<int>(number);
    // The interface opens szCabPath and szCab joined: the token in the
    // name, the folder empty.
    if (!tokenFor(path, ccab_.szCab, sizeof ccab_.szCab)) return false;
    store_ = store;
    done_ = 0;
    context_ = FCICreate(&erf_, Placed, Alloc, Free, Open, read, Write, close, Seek, Delete, TempFile, &ccab_, this);
    if (context_ == nullptr) fail(L"cannot start the compressor");
    return context_ != nullptr;
}

bool UxCabinetBuilder::addFile(const std::wstring& sourcePath, const std::string& stored, bool utf8,
                               const FILETIME* time, DWORD attributes) {
    if (context_ == nullptr) return false;
    knownTime_ = time;
    knownAttributes_ = attributes;
    nameUtf8_ = utf8;
    char source[24];
    std::string name = stored;
    if (!tokenFor(sourcePath, source, sizeof source)) return false;
    BOOL added = FCIAddFile(context_, source, &name[0], FALSE, nextCabinet, status, openInfo,
                            store_ ? tcompTYPE_NONE : tcompTYPE_MSZIP);
    knownTime_ = nullptr;
    if (added) return true;
    fail(sourcePath);
    return false;
}

bool UxCabinetBuilder::finish() {
    if (context_ == nullptr) return false;
    BOOL ok = FCIFlushCabinet(context_, FALSE, nextCabinet, status);
    if (!ok) fail(L"cannot finish the cabinet");
    FCIDestroy(context_);
    context_ = nullptr;
    return ok != FALSE;
}

INT_PTR DIAMONDAPI UxCabinetBuilder::openInfo(char* pszName, USHORT* pdate, USHORT* ptime, USHORT* pattribs, int* err,
                                              void* pv) {
    UxCabinetBuilder* self = static_cast<UxCabinetBuilder*>(pv);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (self->knownTime_ != nullptr) {
        data.ftLastWriteTime = *self->knownTime_;
        data.dwFileAttributes = self->knownAttributes_;
    } else if (self->pathOf(pszName) == nullptr ||
               !GetFileAttributesExW(LongPathForm(*self->pathOf(pszName)).c_str(), GetFileExInfoStandard, &data)) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    FILETIME local;
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToDosDateTime(&local, pdate, ptime);
    // Read-only, hidden, system and archive travel, and the mark of a name
    // stored as UTF-8.
    *pattribs = static_cast<USHORT>(data.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    if (self->nameUtf8_) *pattribs |= _A_NAME_IS_UTF;
    INT_PTR source = Open(pszName, _O_RDONLY | _O_BINARY, 0, err, pv);
    self->source_ = source;
    self->sourceRead_ = 0;
    self->sourceSize_ = ~0ull;
    return source;
}

UINT DIAMONDAPI UxCabinetBuilder::read(INT_PTR hf, void* memory, UINT cb, int* err, void* pv) {
    if (hf == kNeverOpened) return 0;
    DWORD n = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(hf), memory, cb, &n, nullptr)) {
        *err = static_cast<int>(GetLastError());
        return static_cast<UINT>(-1);
    }
    UxCabinetBuilder* self = static_cast<UxCabinetBuilder*>(pv);
    if (hf == self->source_) self->sourceRead_ += n;
    return n;
}

// The writer's own file callback: its handles are its to open and close, so
// they live in no owner of ours. A source is measured through its handle
// as it is closed, which costs no second lookup of its name.
int DIAMONDAPI UxCabinetBuilder::close(INT_PTR hf, int* err, void* pv) {
    UxCabinetBuilder* self = static_cast<UxCabinetBuilder*>(pv);
    if (hf == self->source_) {
        // Size and time alone: the whole record would ask for the volume too.
        LARGE_INTEGER size;
        if (GetFileSizeEx(reinterpret_cast<HANDLE>(hf), &size) &&
            GetFileTime(reinterpret_cast<HANDLE>(hf), nullptr, nullptr, &self->sourceWritten_))
            self->sourceSize_ = static_cast<unsigned long long>(size.QuadPart);
        self->source_ = kNeverOpened;
    }
    if (CloseHandle(reinterpret_cast<HANDLE>(hf))) return 0;
    *err = static_cast<int>(GetLastError());
    return -1;
}

bool UxCabinetBuilder::sourceAsListed(unsigned long long size, const FILETIME& written) const {
    return sourceRead_ == size && sourceSize_ == size && CompareFileTime(&sourceWritten_, &written) == 0;
}

__LONG32 DIAMONDAPI UxCabinetBuilder::status(UINT typeStatus, ULONG cb1, ULONG cb2, void* pv) {
    (void)cb1;
    UxCabinetBuilder* self = static_cast<UxCabinetBuilder*>(pv);
    if (typeStatus == statusFile && self->progress_ != nullptr) {
        self->done_ += cb2;  // uncompressed bytes of the block just compressed
        if (!self->progress_(self->progressContext_, self->done_)) return -1;
    }
    return 0;
}

BOOL DIAMONDAPI UxCabinetBuilder::nextCabinet(PCCAB, ULONG, void*) { return FALSE; }
