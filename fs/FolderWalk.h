// Walks a path from its root down, one folder at a time: "D:\", "D:\out\",
// "D:\out\sub\" (a share starts with "\\server\share\"). Finding the deepest
// folder that exists and making the missing ones are both such walks.
#pragma once
#include "foundation/FCString.h"
#include "fs/FCFile.h"
#include <vector>

// The leading folders of path, each ending in a separator, root first; runs
// of separators give no empty parts. Empty when path has no part.
std::vector<FCString> LeadingFolders(const char* path);

// The deepest leading folder of path that exists; false when none does.
bool FindDeepestExistingFolder(const char* path, FCString& folder);

// Makes every missing folder of path, root first, calling onCreated(folder)
// for each one made. False when one could not be made (the deeper ones are
// not tried) or when path has no part.
template <class OnCreated>
bool CreateFolders(const char* path, OnCreated onCreated) {
    std::vector<FCString> folders = LeadingFolders(path);
    for (const FCString& folder : folders) {
        if (pathExists(folder.text())) continue;
        if (!CreateDirectoryA(folder.text(), nullptr)) return false;
        onCreated(folder);
    }
    return !folders.empty();
}
