// What only tests use to watch the dialogs' calls into the shell. The
// programs never include this.
#pragma once
#include <windows.h>

// The shell call behind OpenLink; null goes back to ShellExecuteA.
typedef HINSTANCE(WINAPI* ShellOpenFunction)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
void SetShellOpenForTests(ShellOpenFunction open);
