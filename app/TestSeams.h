// What only tests and benchmarks use to run the main window away from the
// executable's folder. The program itself never includes this.
#pragma once
#include <windows.h>

// Points ApplicationFolder() at a prepared folder; an empty text goes back
// to the executable's own.
void SetApplicationFolderForTests(const char* folder);

// The offer to go on as administrator: the token's answer (-1: as it is,
// 0: not elevated, 1: elevated), the error the write probe meets (0: as it
// finds), the program started as administrator (null: this one) and the
// process so started last.
void SetElevationForTests(int elevated);
void SetProbeErrorForTests(DWORD error);
void SetRelaunchedProgramForTests(const wchar_t* program);
HANDLE LastHandOverForTests();
