// What the parts of the extractor share: its message texts, and the path
// and file helpers each of its jobs uses. Only the extractor includes this.
#pragma once
#include "cab/UxCabinetHeader.h"
#include "foundation/FCString.h"
#include <windows.h>
#include <string>

// "head [what]" and a line break.
void AppendBracketed(FCString& text, const char* head, const char* what);
// The system's words for a code, ending their line.
void SystemReason(DWORD code, FCString& reason);
// "5:<the system's words>" after text.
void AppendSystemReason(FCString& text, DWORD code);
// "キャビネットファイルが壊れています [cabinet]", the fault, and the entry it
// concerns when there is one.
void AppendStructureFault(FCString& text, const FCString& cabinet, const UxCabinetHeader& header,
                          UxCabinetHeader::Fault fault, size_t entry);

// An existing path as the platform's "A" functions read it: in the system's
// code page, or through its short name where that code page cannot name it.
bool PlatformPath(const std::wstring& path, std::string& out);
ULONGLONG FreeBytesFor(const std::wstring& folder);
// The folder part of a path, ending in its separator; the name after it.
std::wstring FolderOf(const std::wstring& path);
std::wstring NameOf(const std::wstring& path);
// Removes a file of ours whatever its attributes (the platform may have
// given a short file the entry's read-only attribute), waiting a while for
// a program that holds it (a scanner); false when it stays.
bool RemoveFile(const std::wstring& path);
bool IsFolder(const std::wstring& path);
