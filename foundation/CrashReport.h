// The last word of a process that meets a fault no check could foresee:
// the platform's cabinet reader may corrupt its heap decoding data that is
// not what its folder declares. Instead of the system's crash report (under
// Wine, a debugger that waits for ever) the process says, in its own words,
// which file it was reading, and ends.
#pragma once
#include <windows.h>
#include <string>

// Called on the faulting thread with the file that thread's platform reader
// was reading, whole (empty when none: the fault is elsewhere), and the
// exception's code; the process ends when it returns. It must do little:
// the heap may be damaged.
typedef void (*CrashReporter)(const wchar_t* reading, DWORD code);

void InstallCrashReport(CrashReporter reporter);

// Names the file the platform is reading on this thread for as long as it
// lives; the one before is named again afterwards.
class FileBeingRead {
public:
    explicit FileBeingRead(const std::wstring& path);
    virtual ~FileBeingRead();
    FileBeingRead(const FileBeingRead&) = delete;
    FileBeingRead& operator=(const FileBeingRead&) = delete;
    // Names another file, on this thread, until the innermost one ends (a
    // continuation the platform is about to read).
    static void name(const std::wstring& path);
    // What this thread reads, whole; empty when nothing. No allocation.
    static const wchar_t* current();

private:
    std::wstring name_;  // made before any fault: the filter only reads it
    FileBeingRead* before_;  // the one this thread had before
};
