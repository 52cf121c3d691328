// What only tests and benchmarks use to run the main window away from the
// executable's folder. The program itself never includes this.
#pragma once
#include <windows.h>
#include <string>

// Points ApplicationFolder() at a prepared folder; an empty text goes back
// to the executable's own.
void SetApplicationFolderForTests(const std::wstring& folder);

// The offer to go on as administrator: the token's answer (-1: as it is,
// 0: not elevated, 1: elevated; the write probe's error is set through
// fs/TestSeams.h), the program started as administrator (null: this one)
// and the process so started last.
#include "fs/TestSeams.h"
void SetElevationForTests(int elevated);
void SetRelaunchedProgramForTests(const wchar_t* program);
HANDLE LastHandOverForTests();
