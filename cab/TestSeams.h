// What only tests use to steer the extractor. The programs
// never include this.
#pragma once
#include <windows.h>

// Why: the route through short names is taken only where scratch folders
// fail, which nothing else can make happen. The extractor makes no scratch folder for names the system's code page
// cannot hold, and takes the route through short names instead.
void SetNoScratchFoldersForTests(bool none);
