// The system's own words for an error code.
#pragma once
#include "foundation/FCString.h"
#include <windows.h>
#include <string>

// The text FormatMessage gives for code (the neutral language, so the
// user's), without its line end. False, with an empty text, for 0, which
// the system calls success, and for a code it has no text for.
bool SystemErrorText(DWORD code, FCString& out);
// The same as Windows gives it, in UTF-16; empty for no text.
std::wstring SystemErrorWide(DWORD code);

// How the console tools name a system error, the one wording for them all:
// "error 5: <the system's words>", or "error N" where the system has none.
std::wstring SystemErrorLine(DWORD code);
