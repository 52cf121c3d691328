#include "foundation/CrashReport.h"

namespace {
// Written by the thread that drives the platform's reader, read by the
// filter on the thread that faults, which is the same one: the reader runs
// inside the platform call that thread made.
char g_reading[MAX_PATH * 2] = "";
CrashReporter g_reporter = nullptr;

void Copy(char* to, const char* from) { lstrcpynA(to, from != nullptr ? from : "", MAX_PATH * 2); }

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    DWORD code =
        exception != nullptr && exception->ExceptionRecord != nullptr ? exception->ExceptionRecord->ExceptionCode : 0;
    if (g_reporter != nullptr) g_reporter(g_reading, code);
    // Files written before stay; nothing else of the process is trusted.
    TerminateProcess(GetCurrentProcess(), code != 0 ? code : 1);
    return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace

void InstallCrashReport(CrashReporter reporter) {
    g_reporter = reporter;
    SetUnhandledExceptionFilter(OnUnhandledException);
}

FileBeingRead::FileBeingRead(const char* path) {
    Copy(before_, g_reading);
    Copy(g_reading, path);
}

FileBeingRead::~FileBeingRead() { Copy(g_reading, before_); }

void FileBeingRead::name(const char* path) { Copy(g_reading, path); }
