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

char* Reading() {
    DWORD slot = ReadingSlot();
    return slot == TLS_OUT_OF_INDEXES ? nullptr : static_cast<char*>(TlsGetValue(slot));
}

void Copy(char* to, const char* from) { lstrcpynA(to, from != nullptr ? from : "", MAX_PATH * 2); }

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    DWORD code =
        exception != nullptr && exception->ExceptionRecord != nullptr ? exception->ExceptionRecord->ExceptionCode : 0;
    const char* reading = Reading();
    if (g_reporter != nullptr) g_reporter(reading != nullptr ? reading : "", code);
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

FileBeingRead::FileBeingRead(const char* path) : before_(Reading()) {
    Copy(name_, path);
    DWORD slot = ReadingSlot();
    if (slot != TLS_OUT_OF_INDEXES) TlsSetValue(slot, name_);
}

FileBeingRead::~FileBeingRead() {
    DWORD slot = ReadingSlot();
    if (slot != TLS_OUT_OF_INDEXES) TlsSetValue(slot, before_);
}

void FileBeingRead::name(const char* path) {
    char* reading = Reading();
    if (reading != nullptr) Copy(reading, path);
}
