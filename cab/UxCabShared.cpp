// The extractor's shared texts.
#include "cab/UxCabShared.h"
#include "foundation/SystemErrorText.h"
#include "foundation/WideText.h"
#include "fs/EntryName.h"
#include "fs/FileInUse.h"
#include "foundation/Mbcs.h"
#include <vector>

std::wstring Bracketed(const char* head, const std::wstring& what) {
    return FromShiftJis(head) + L" [" + what + L"]\n";
}

std::wstring SystemReason(DWORD code) {
    std::wstring words = SystemErrorWide(code);
    // No system text: the code alone still tells what failed.
    if (words.empty()) return FromShiftJis("エラーコードの説明がありません\n");
    return words + L"\r\n";  // the system's text ends its own line
}

void AppendSystemReason(std::wstring& text, DWORD code) { text += std::to_wstring(code) + L":" + SystemReason(code); }

void RemoveOrLeave(const std::wstring& path, std::vector<std::wstring>& leftovers) {
    if (!RemoveOwnFile(path)) leftovers.push_back(path);
}

std::wstring EntryShown(const char* raw, unsigned attributes) {
    std::vector<wchar_t> wide;
    if (Mbcs::ToWide(raw, (attributes & kEntryNameIsUtf8) != 0, wide)) return wide.data();
    return FromShiftJis(raw);
}

void AppendStructureFault(std::wstring& text, const std::wstring& cabinet, const UxCabinetHeader& header,
                          UxCabinetHeader::Fault fault, size_t entry) {
    text += Bracketed("キャビネットファイルが壊れています", cabinet);
    text += FromShiftJis(UxCabinetHeader::faultShown(fault));
    if (entry < header.files.size())
        text += L" [" + EntryShown(header.files[entry].name.c_str(), header.files[entry].attributes) + L"]";
    text += L"\n";
}
