// What only tests use to set the files and paths subsystem's answers. The
// programs never include this.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Makes every short (8.3) path lookup fail, as on a volume where short
// names are switched off.
void SetNoShortPathsForTests(bool none);

// The programs that hold a file, as a test names them (null: as the
// Restart Manager names them; Wine's names none).
void SetFileHoldersForTests(std::vector<std::wstring> (*query)(const std::wstring& path));

// The error the write probe meets (0: as it finds).
void SetProbeErrorForTests(DWORD error);
