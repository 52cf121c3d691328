// Walks a path from its root down, one folder at a time: "D:\", "D:\out\",
// "D:\out\sub\" (a share starts with "\\server\share\"). Finding the deepest
// folder that exists and making the missing ones are both such walks.
#pragma once
#include "foundation/FCString.h"
#include "foundation/WideText.h"
#include "fs/FCFile.h"
#include "fs/PathCompare.h"
#include <string>
#include <vector>

// The leading folders of path, each ending in a separator, root first; runs
// of separators give no empty parts. Empty when path has no part.
std::vector<std::wstring> LeadingFolders(const std::wstring& path);

// path as Windows reads its separators: '/' as '\', and a run of them as
// one, except the two that begin a share ("\\server").
std::wstring NormalizeSeparators(const std::wstring& path);

// The first leading folder of path that exists as a file; false when none
// does.
bool FindFileOnPath(const std::wstring& path, std::wstring& file);

// The first folder name of path (below its root; "." and ".." aside) that
// Windows would store under another name or not at all: a trailing dot or
// blank, a device name, a forbidden character. False when none.
bool FindUnwritableFolderName(const std::wstring& path, std::wstring& name);

// The deepest leading folder of path that exists; false when none does.
bool FindDeepestExistingFolder(const std::wstring& path, std::wstring& folder);

// Makes every missing folder of path, root first, calling onCreated(folder)
// for each one made. False when one could not be made (the deeper ones are
// not tried) or when path has no part.
template <class OnCreated>
bool CreateFolders(const std::wstring& path, OnCreated onCreated) {
    std::vector<std::wstring> folders = LeadingFolders(path);
    for (const std::wstring& folder : folders) {
        if (pathExists(folder)) continue;
        if (!CreateDirectoryW(LongPathForm(folder).c_str(), nullptr)) return false;
        onCreated(folder);
    }
    return !folders.empty();
}
