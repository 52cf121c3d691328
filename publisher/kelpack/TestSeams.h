// What only tests use to reach inside a build, run in their own process.
// kelpack itself never calls these.
#pragma once
#include <windows.h>
#include <string>

// Called with each source file's name just before it is packed (null: no
// longer): a test changes the file there as a log being written would.
void SetBeforePackingForTests(void (*hook)(const std::wstring& name));
// Everything kelpack says is appended to *into as well (null: no longer).
void CaptureSayingForTests(std::wstring* into);
// verify's watch over its reading processes: the bound without a
// notification (0: as the part's largest file says), and the program that
// reads (null: this one; tests run in a program of their own).
void SetReaderBoundForTests(DWORD ms);
void SetReaderProgramForTests(const wchar_t* program);
