// The unhandled-exception filter and the name of the file each thread's
// platform reader is reading.
#include "foundation/CrashReport.h"

namespace {
CrashReporter g_reporter = nullptr;

// Each thread's innermost FileBeingRead, in a slot of the thread's own: the
// filter runs on the thread that faults and finds only what that thread was
// reading, and no thread reads another's name while it is written.
DWORD ReadingSlot() {
    static const DWORD slot = TlsAlloc();
    return slot;
}

FileBeingRead* Reading() {
    DWORD slot = ReadingSlot();
    return slot == TLS_OUT_OF_INDEXES ? nullptr : static_cast<FileBeingRead*>(TlsGetValue(slot));
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    DWORD code =
        exception != nullptr && exception->ExceptionRecord != nullptr ? exception->ExceptionRecord->ExceptionCode : 0;
    if (g_reporter != nullptr) g_reporter(FileBeingRead::current(), code);
    // Files written before stay; nothing else of the process is trusted.
    TerminateProcess(GetCurrentProcess(), code != 0 ? code : 1);
    return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace

void InstallCrashReport(CrashReporter reporter) {
    ReadingSlot();  // allocated now, never inside the filter
    g_reporter = reporter;
    SetUnhandledExceptionFilter(OnUnhandledException);
}

FileBeingRead::FileBeingRead(const std::wstring& path) : name_(path), before_(Reading()) {
    DWORD slot = ReadingSlot();
    if (slot != TLS_OUT_OF_INDEXES) TlsSetValue(slot, this);
}

FileBeingRead::~FileBeingRead() {
    DWORD slot = ReadingSlot();
    if (slot != TLS_OUT_OF_INDEXES) TlsSetValue(slot, before_);
}

void FileBeingRead::name(const std::wstring& path) {
    FileBeingRead* reading = Reading();
    if (reading != nullptr) reading->name_ = path;
}

const wchar_t* FileBeingRead::current() {
    FileBeingRead* reading = Reading();
    return reading != nullptr ? reading->name_.c_str() : L"";
}
