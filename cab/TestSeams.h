// What only tests use to reach the extraction's own thread. The programs
// never include this.
#pragma once
#include <windows.h>

// The thread of the latest work a UxBackground started.
DWORD LastBackgroundThreadForTests();

// The extractor makes no scratch folder for names the system's code page
// cannot hold, and takes the route through short names instead.
void SetNoScratchFoldersForTests(bool none);
