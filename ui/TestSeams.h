// What only tests use to watch the dialogs' calls into the shell. The
// programs never include this.
#pragma once
#include <windows.h>

// Why: a link followed must not open a browser on the test machine.
// The shell call behind OpenLink; null goes back
// to the program's own (ShellExecuteW with the texts converted at 932).
typedef HINSTANCE(WINAPI* ShellOpenFunction)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
void SetShellOpenForTests(ShellOpenFunction open);
