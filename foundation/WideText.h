// Where the tool's texts cross to the windows. Inside they are Shift_JIS
// (code page 932) whatever the system's code page; the platform is given
// and gives back UTF-16, converted here with code page 932 named, so a
// Western or a UTF-8 Windows shows the same Japanese as a Japanese one.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Shift_JIS as zero-terminated UTF-16; a byte no character has becomes
// U+FFFD, never the end of the text. Units kept as below come back as they
// were: a path taken in so (a program's arguments, a name found on disk)
// reaches the platform whole.
std::vector<wchar_t> Wide932(const char* text);

// UTF-16 the platform gave (a path, a name) as Shift_JIS, '?' for what
// Shift_JIS cannot hold.
std::string Narrow932(const wchar_t* text);

BOOL SetWindowText932(HWND window, const char* text);
BOOL SetDlgItemText932(HWND dialog, int controlId, const char* text);
// UTF-16 carried inside Shift_JIS text, for what Shift_JIS cannot hold:
// kKeptWideStart, four hex digits a unit, then kKeptWideEnd. Neither
// control byte is part of a Shift_JIS character or of a file name.
const char kKeptWideStart = '\x03';
const char kKeptWideEnd = '\x02';
void AppendKeptWide(std::string& out, const wchar_t* units, size_t n);
// The units kept at p, just after a start byte: the position after their end.
const char* ReadKeptWide(const char* p, std::wstring& units);
// Shift_JIS text whose characters Shift_JIS cannot hold are kept so: the
// form every path takes inside a Shift_JIS text.
std::string ShiftJisKeepingWide(const wchar_t* wide, size_t n);
std::string ShiftJisKeepingWide(const wchar_t* zeroTerminated);
// Such a text as UTF-16, every character as it was.
std::wstring WideFromKept(const char* text);
// Such a text in plain Shift_JIS, with substitute for each character kept
// as UTF-16: what a console line or a configuration text can carry.
std::string ShiftJisShown(const char* text, const char* substitute = "?");

// The window's text as Windows gives it.
std::wstring WindowTextWide(HWND window);
// The window's text in Shift_JIS, '?' for what Shift_JIS cannot hold.
std::string WindowText932(HWND window);
// The same, false when a character had no Shift_JIS form.
bool WindowText932(HWND window, std::string& out);
int MessageBox932(HWND owner, const char* text, const char* caption, UINT type);
// Shift_JIS as UTF-16 into a buffer of the caller's, always terminated and
// cut to fit; no heap is touched (the crash report's processes use it).
void Wide932Into(const char* text, wchar_t* out, int capacity);
// A message box through buffers on the stack, for a process whose heap may
// be damaged; a text is cut at 1,024 characters.
int MessageBox932OnStack(HWND owner, const char* text, const char* caption, UINT type);

// A path in the system's code page, which the platform's "A" functions read
// (the cabinet iteration takes its paths so): false when that code page
// cannot hold it.
bool SystemCodePagePath(const wchar_t* path, std::string& out);
// The short (8.3) form of an existing path in the system's code page: false
// when it has none that code page can hold.
bool ShortSystemPath(const wchar_t* path, std::string& out);

// Runs a console program's main with its UTF-16 arguments (from a wide
// entry point) as Shift_JIS, so a Japanese name reaches it whole on any
// system; a character Shift_JIS cannot hold is kept as UTF-16, so a path
// (C:\\Users\\José\\) reaches the platform whole too.
int RunWithArguments932(int argc, wchar_t** argv, int (*main)(int argc, char** argv));
