// The files of a source folder, and every reason one of them cannot go into
// a series, found before anything is written.
#pragma once
#include "publisher/kelpack/Options.h"
#include <windows.h>
#include <string>
#include <vector>

struct SourceFile_ {
    // Shift_JIS, relative to the source folder, '\' between folders; a
    // character Shift_JIS cannot hold is kept as UTF-16 (WideText), and the
    // name is then stored as UTF-8.
    std::string name;
    unsigned long long size;
    FILETIME written;
    DWORD attributes;
};

struct Collection_ {
    std::vector<SourceFile_> files;  // in the order of their names' bytes
    std::vector<std::string> refusals;  // "NAME: why", one for each file that cannot be stored
    unsigned emptyFolders = 0;
};

// Walks o.source and checks every file as the cabinet and kelpex will take
// it: its name, its length, its size, two names Windows takes for one, and
// that it opens for reading as packing will open it, from the source as
// the current folder (where it leaves it).
void CollectSources(const BuildOptions_& o, Collection_& c);
