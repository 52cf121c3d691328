// A file held open by another program, as a viewer or a running program
// holds it: a helper process (this test program, started in its hold-file
// mode) opens it with the sharing given and keeps it until released.
#pragma once
#include "foundation/FCHandle.h"
#include <windows.h>
#include <string>

class HeldFile {
public:
    enum Sharing { SHARE_NONE, SHARE_READ };  // read-share without delete, as viewers open files
    HeldFile(const std::wstring& path, Sharing sharing);
    // Releases it, if still held, and waits for the helper to end.
    virtual ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // True once the helper holds it (a bounded wait).
    bool held() const { return held_; }
    // When it is not held, why: the helper never started, ended (with the
    // error its open met), or runs while the file still opens for writing.
    std::string whyNotHeld() const;
    DWORD pid() const { return pid_; }
    // The helper lets go of the file and ends.
    void release();

private:
    FCHandle process_;
    FCHandle release_;
    DWORD pid_ = 0;
    bool held_ = false;
    DWORD startError_ = 0;
};

// The helper's side, from the test program's entry: false when the
// arguments are not for it.
bool RunAsFileHolder(int argc, char** argv);
