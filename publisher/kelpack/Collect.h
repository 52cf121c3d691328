// The files of a source folder, and every reason one of them cannot go into
// a series, found before anything is written.
#pragma once
#include "publisher/kelpack/Options.h"
#include <windows.h>
#include <string>
#include <vector>

struct SourceFile_ {
    std::wstring name;  // relative to the source folder, '\' between folders
    // The name as the cabinet stores it: Shift_JIS, or UTF-8 (utf8 set)
    // where it holds a character Shift_JIS cannot.
    std::string stored;
    bool utf8 = false;
    unsigned long long size;
    FILETIME written;
    DWORD attributes;
};

struct Collection_ {
    std::vector<SourceFile_> files;  // in the order of their stored names' bytes
    std::vector<std::wstring> refusals;  // "NAME: why", one for each file that cannot be stored
    unsigned emptyFolders = 0;
};

// Walks o.source and checks every file as the cabinet and kelpex will take
// it: its name, its length, its size, two names Windows takes for one, and
// that it opens for reading as packing will open it, from the source as
// the current folder (where it leaves it).
void CollectSources(const BuildOptions_& o, Collection_& c);
// Fills f.stored and f.utf8 from f.name.
void StoredName(SourceFile_& f);
