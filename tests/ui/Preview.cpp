// Shows the Yes/No message dialog as the Run asks it, to look at by eye.
#include "ui/UxMessageDialog.h"
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x2FF};
    InitCommonControlsEx(&controls);
    HMODULE richEdit = LoadLibraryA("RICHED32.DLL");
    AskYesNo(nullptr,
             "指定されたフォルダ\n【0xC00000】C:\\Program Files\\Maker\\App\\【-1】\n"
             "が存在しません。作成しても構いませんか？\n【0x00C000,B】太字の緑【U】下線【-1】 詳しくは http://help/index.html",
             "フォルダ作成の確認", true);
    FreeLibrary(richEdit);
    return 0;
}
