// What only tests use to watch the dialogs' calls into the shell. The
// programs never include this.
#pragma once
#include <windows.h>

// The shell call behind OpenLink, given the Shift_JIS texts; null goes back
// to the program's own (ShellExecuteW with the texts converted at 932).
typedef HINSTANCE(WINAPI* ShellOpenFunction)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
void SetShellOpenForTests(ShellOpenFunction open);
