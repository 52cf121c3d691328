// The destination that Run really uses: the typed folder made absolute,
// plus the ticked sub-folders; and its coloured form for the destination line.
// Both are made from the field's UTF-16 and the sub-folders' real names, so a
// folder Shift_JIS cannot hold is used and shown as it is.
#include "app/MainDialog.h"
#include "foundation/WideText.h"
#include "fs/FCPathName.h"
#include "fs/FolderWalk.h"
#include "fs/PathCompare.h"
#include "ui/Markup.h"
#include <shlobj.h>

const char* const kUncWarning = "UNC表記(\\\\で始まる表記)のフォルダを指定することはできません。";

namespace {
bool IsChecked(FCDialogBase& dialog, int id) {
    return SendDlgItemMessageA(dialog.windowHandle, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Appends the typed folder, shown as written, with the part behind the
// drive of the first system folder found in it in dark red: the Windows
// folder, then program files, then common files.
void AppendTypedFolder(UxMarkedText& out, const std::wstring& typed) {
    for (int code : {static_cast<int>(FCPathName::PATH_WINDOWS), CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILES_COMMON}) {
        std::wstring system = SystemFolder(code);
        size_t at = system.empty() ? std::wstring::npos : typed.find(system);
        size_t drive = system.find(L":\\");
        if (at == std::wstring::npos || drive == std::wstring::npos) continue;
        size_t head = at + drive + 2;
        out.appendLiteral(typed.substr(0, head)).appendColoured(system.substr(drive + 2), 0xC00000);
        out.appendLiteral(typed.substr(at + system.size()));
        return;
    }
    out.appendLiteral(typed);
}
}  // namespace

std::wstring ComposeDestination(const std::wstring& typed, bool maker, bool app, const MainConfiguration& settings,
                                UxMarkedText* markup) {
    // The long form administrators paste (\\?\C:\...) is the plain path;
    // the separators as Windows reads them, before the folder is made
    // absolute (a share's "//" stays a share) and after (the join).
    std::wstring folder = NormalizeSeparators(AbsolutePath(NormalizeSeparators(typed)));
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    std::wstring result = folder;
    if (markup != nullptr) AppendTypedFolder(*markup, folder);
    const std::pair<bool, const std::wstring*> subFolders[] = {{maker, &settings.makerFolder},
                                                               {app, &settings.appFolder}};
    for (const auto& sub : subFolders) {
        if (!sub.first) continue;
        result += *sub.second + L"\\";
        if (markup == nullptr) continue;
        markup->appendColoured(*sub.second, 0x00C000).appendLiteral(L"\\");
    }
    return result;
}

RunRequest RequestFromWindow(FCDialogBase& dialog, const MainState& state) {
    RunRequest request = state.startRequest;
    request.maker = IsChecked(dialog, IDC_MAIN_MAKER_BOX);
    request.app = IsChecked(dialog, IDC_MAIN_APP_BOX);
    std::wstring typed = WindowTextWide(GetDlgItem(dialog.windowHandle, IDC_MAIN_DESTINATION_EDIT));
    request.destination = ComposeDestination(typed, request.maker, request.app, state.configuration, nullptr);
    return request;
}

void ShowDestination(FCDialogBase& dialog, const MainState& state) {
    UxMarkedText destination;
    std::wstring typed = WindowTextWide(GetDlgItem(dialog.windowHandle, IDC_MAIN_DESTINATION_EDIT));
    std::wstring plain = ComposeDestination(typed, IsChecked(dialog, IDC_MAIN_MAKER_BOX),
                                            IsChecked(dialog, IDC_MAIN_APP_BOX), state.configuration, &destination);
    if (plain[0] == L'\\') SetMessageText(dialog.windowHandle, IDC_MAIN_MESSAGE, kUncWarning, false);
    SetMessageText(dialog.windowHandle, IDC_MAIN_DESTINATION_LINE, destination, true);
}

UxMarkedText ExpandMessageText(const FCString& message, const wchar_t* destination) {
    // Line breaks first: a destination such as C:\data\new\ holds a
    // backslash-n pair of its own that must stay as it is.
    FCString text(message);
    text.replaceAll("\\n", "\n");
    UxMarkedText expanded;
    std::string rest = text.text();
    const std::string field = "%dest%";
    for (size_t at; destination != nullptr && (at = rest.find(field)) != std::string::npos;) {
        expanded.append(rest.substr(0, at).c_str()).appendLiteral(std::wstring(destination));
        rest.erase(0, at + field.size());
    }
    return expanded.append(rest.c_str());
}
