// The destination that Run really uses: the typed folder made absolute,
// plus the ticked sub-folders; and its coloured form for the line 1005.
#include "app/MainDialog.h"
#include "fs/FCPathName.h"
#include "ui/Markup.h"
#include <shlobj.h>

const char* const kUncWarning = "UNC表記(\\\\で始まる表記)のフォルダを指定することはできません。";

namespace {
bool IsChecked(FCDialogBase& dialog, int id) {
    return SendDlgItemMessageA(dialog.windowHandle, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void AppendSubFolder(FCString& out, const char* name, bool markedUp) {
    if (markedUp) out.append("【0x00C000】");
    out.append(name);
    out.append(markedUp ? "【-1】\\" : "\\");
}

// Colours the part behind the drive of the first system folder found in
// the text: the Windows folder, then program files, then common files.
void HighlightSystemFolder(FCString& text) {
    FCPathName folders[3] = {FCPathName(FCPathName::PATH_WINDOWS, false), FCPathName(CSIDL_PROGRAM_FILES, false),
                             FCPathName(CSIDL_PROGRAM_FILES_COMMON, false)};
    for (FCPathName& folder : folders) {
        if (folder.isEmpty()) continue;
        FCString marked(folder.path);
        marked.replaceAll(":\\", ":\\【0xC00000】");
        marked.append("【-1】");
        if (text.replaceAll(folder.text(), marked.text()) > 0) return;
    }
}
}  // namespace

void ComposeDestination(FCString& out, FCDialogBase& dialog, const char* makerName, const char* appName,
                        bool markedUp) {
    FCPathName typed(dialog.text(ID_DESTINATION_EDIT));
    typed.addSeparator();
    FCString result(typed.path);
    if (IsChecked(dialog, ID_MAKER_BOX)) AppendSubFolder(result, makerName, markedUp);
    if (IsChecked(dialog, ID_APP_BOX)) AppendSubFolder(result, appName, markedUp);
    if (markedUp) HighlightSystemFolder(result);
    out.assignFrom(result);
}

void ShowDestination(FCDialogBase& dialog, const char* makerName, const char* appName) {
    FCString destination;
    ComposeDestination(destination, dialog, makerName, appName, true);
    if (destination.text()[0] == '\\') SetMessageText(dialog.windowHandle, ID_MESSAGE, kUncWarning, false);
    SetMessageText(dialog.windowHandle, ID_DESTINATION_LINE, destination.text(), true);
}

void ExpandMessageText(FCString& text, const char* destination) {
    // Line breaks first: a destination such as C:\data\new\ holds a
    // backslash-n pair of its own that must stay as it is.
    text.replaceAll("\\n", "\n");
    if (destination != nullptr) text.replaceAll("%dest%", destination);
}
