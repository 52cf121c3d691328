// OUTPUT as a build changes it: all or nothing. A series is written into a
// staging folder inside OUTPUT (the same volume, so putting it in place is
// a rename) and takes the old series' place only when it is complete.
#pragma once
#include "publisher/kelpack/Options.h"
#include <string>
#include <vector>

// 0, or the exit code after saying why OUTPUT cannot take a series: it is
// SOURCE, lies inside it or holds it (each build would pack the one before),
// or it or one of its folders is a file.
int RefuseOutput(const BuildOptions_& o);

// True when the list holds the name as Windows compares names.
bool HoldsFileName(const std::vector<std::wstring>& list, const std::wstring& name);

// The files of folder whose names match the pattern, in the order found.
std::vector<std::wstring> PatternFiles(const std::wstring& folder, const std::wstring& pattern);

class StagedOutput {
public:
    StagedOutput() = default;
    // The staging folder goes (with the old files place() moved aside);
    // unless the series was put in place, so does every folder open() made,
    // and OUTPUT is left as it was found.
    virtual ~StagedOutput();
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;

    // Makes OUTPUT's missing folders and an empty staging folder in it,
    // which proves OUTPUT writable before anything is compressed. False,
    // having said why.
    bool open(const std::wstring& output);
    const std::wstring& staging() const { return staging_; }
    // Puts the staged files in place: first the old files of those names
    // and every other file of the pattern are moved aside, then the new
    // ones in. False, with OUTPUT as it was, when one cannot be moved.
    bool place(const std::vector<std::wstring>& names, const std::wstring& pattern);

private:
    struct MOVE_ {
        std::wstring from, to;
    };
    static bool moveAll(const std::vector<MOVE_>& moves, size_t& done);
    static void moveBack(const std::vector<MOVE_>& moves, size_t done);

    std::wstring output_, staging_;
    std::vector<std::wstring> made_;  // folders open() made, root first
};
