// What the parts of the extractor share: its message texts, each made in
// UTF-16 when the failure happens from a Shift_JIS template, the path
// inserted as Windows gave it. Only the extractor includes this.
#pragma once
#include "cab/UxCabinetHeader.h"
#include <windows.h>
#include <string>
#include <vector>

// "head [what]" and a line break.
std::wstring Bracketed(const char* head, const std::wstring& what);
// The system's words for a code, ending their line.
std::wstring SystemReason(DWORD code);
// "5:<the system's words>" after text.
void AppendSystemReason(std::wstring& text, DWORD code);
// "キャビネットファイルが壊れています [cabinet]", the fault, and the entry it
// concerns when there is one.
void AppendStructureFault(std::wstring& text, const std::wstring& cabinet, const UxCabinetHeader& header,
                          UxCabinetHeader::Fault fault, size_t entry);
// An entry's name as stored, separators as they stand: its own characters,
// or, where its bytes are not valid in its encoding, those bytes read as
// Shift_JIS.
std::wstring EntryShown(const char* raw, unsigned attributes);
// Removes a file of ours (a temporary, what the platform left); one that
// another program holds is named in leftovers instead.
void RemoveOrLeave(const std::wstring& path, std::vector<std::wstring>& leftovers);
