// The offer to go on as administrator, shown for the screenshots: the main
// window on the demo series with a destination under program files, as a
// process without administrator rights meets it (under Wine every process
// has them, so the token's answer and the write probe's are set through the
// program's test seams). The screen driver answers the offer.
//   offer_demo.exe DEMO_FOLDER
#include "app/MainDialog.h"
#include "app/TestSeams.h"
#include "foundation/WideText.h"
#include <commctrl.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x2FF};
    InitCommonControlsEx(&controls);
    LoadLibraryW(L"RICHED32.DLL");
    std::wstring folder = argv[1];
    if (folder.back() != L'\\') folder += L'\\';
    SetApplicationFolderForTests(folder);
    SetElevationForTests(0);
    SetProbeErrorForTests(ERROR_ACCESS_DENIED);
    UxQcf store;
    FCDialog dialog(IDD_MAIN);
    dialog.setProcedure(nullptr, MainDialogProc, reinterpret_cast<LPARAM>(&store));
    HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc,
                                     reinterpret_cast<LPARAM>(&dialog));
    if (window == nullptr) return 1;
    ShowWindow(window, SW_SHOW);
    SetDlgItemTextW(window, IDC_MAIN_DESTINATION_EDIT, L"C:\\Program Files (x86)\\KelpSoft");
    SendDlgItemMessageW(window, IDC_MAIN_MAKER_BOX, BM_CLICK, 0, 0);
    // The offer is modal: this returns once the driver has answered it.
    SendDlgItemMessageW(window, IDC_MAIN_RUN, BM_CLICK, 0, 0);
    store.flags = 0;
    DestroyWindow(window);
    return 0;
}
