// The destination that Run really uses: the typed folder made absolute,
// plus the ticked sub-folders; and its coloured form for the destination line.
#include "app/MainDialog.h"
#include "fs/FCPathName.h"
#include "fs/FolderWalk.h"
#include "ui/Markup.h"
#include <shlobj.h>

const char* const kUncWarning = "UNC表記(\\\\で始まる表記)のフォルダを指定することはできません。";

namespace {
bool IsChecked(FCDialogBase& dialog, int id) {
    return SendDlgItemMessageA(dialog.windowHandle, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void AppendSubFolder(FCString& out, const char* name, bool markedUp) {
    if (markedUp) AppendColoured(out, name, 0x00C000);
    else out.append(name);
    out.append("\\");
}

// Appends the typed folder, shown as written, with the part behind the
// drive of the first system folder found in it in dark red: the Windows
// folder, then program files, then common files.
void AppendTypedFolder(FCString& out, const FCString& typed) {
    FCPathName folders[3] = {FCPathName(FCPathName::PATH_WINDOWS, false), FCPathName(CSIDL_PROGRAM_FILES, false),
                             FCPathName(CSIDL_PROGRAM_FILES_COMMON, false)};
    for (FCPathName& folder : folders) {
        if (folder.isEmpty()) continue;
        FCString text(typed), system(folder.path);
        text.cursor = const_cast<char*>(text.text());
        system.cursor = const_cast<char*>(system.text());
        const char* at = text.find(system.text());
        const char* drive = system.find(":\\");
        if (at == nullptr || drive == nullptr) continue;
        size_t head = static_cast<size_t>(at - text.text()) + static_cast<size_t>(drive - system.text()) + 2;
        FCString before;
        before.append(text.text(), static_cast<int>(head));
        AppendLiteral(out, before.text());
        AppendColoured(out, system.text() + (drive - system.text()) + 2, 0xC00000);
        AppendLiteral(out, at + system.length());
        return;
    }
    AppendLiteral(out, typed.text());
}
}  // namespace

void ComposeDestination(FCString& out, FCDialogBase& dialog, const char* makerName, const char* appName,
                        bool markedUp) {
    // The separators as Windows reads them, before the folder is made
    // absolute (a share's "//" stays a share) and after (the join).
    FCString text;
    NormalizeSeparators(dialog.text(IDC_MAIN_DESTINATION_EDIT).text(), text);
    FCPathName typed(text);
    NormalizeSeparators(typed.text(), typed.path);
    typed.addSeparator();
    FCString result;
    if (markedUp) AppendTypedFolder(result, typed.path);
    else result.assignFrom(typed.path);
    if (IsChecked(dialog, IDC_MAIN_MAKER_BOX)) AppendSubFolder(result, makerName, markedUp);
    if (IsChecked(dialog, IDC_MAIN_APP_BOX)) AppendSubFolder(result, appName, markedUp);
    out.assignFrom(result);
}

void ShowDestination(FCDialogBase& dialog, const char* makerName, const char* appName) {
    FCString plain, destination;
    ComposeDestination(plain, dialog, makerName, appName, false);
    ComposeDestination(destination, dialog, makerName, appName, true);
    if (plain.text()[0] == '\\') SetMessageText(dialog.windowHandle, IDC_MAIN_MESSAGE, kUncWarning, false);
    SetMessageText(dialog.windowHandle, IDC_MAIN_DESTINATION_LINE, destination.text(), true);
}

void ExpandMessageText(FCString& text, const char* destination) {
    // Line breaks first: a destination such as C:\data\new\ holds a
    // backslash-n pair of its own that must stay as it is.
    text.replaceAll("\\n", "\n");
    if (destination == nullptr) return;
    FCString literal;
    AppendLiteral(literal, destination);
    text.replaceAll("%dest%", literal.text());
}
