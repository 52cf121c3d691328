// The offer to go on as administrator, shown for the screenshots: the main
// window on the demo series with a destination under program files, as a
// process without administrator rights meets it (under Wine every process
// has them, so the token's answer and the write probe's are given to the
// window in the system's place). The screen driver answers the offer.
//   offer_demo.exe DEMO_FOLDER
#include "app/MainDialog.h"
#include "app/RunLog.h"
#include "foundation/WideText.h"
#include <commctrl.h>

namespace {
// Without the rights, and the destination refuses this user.
struct WithoutRights : UxRunPlatform {
    bool isElevated() override { return false; }
    DWORD probe(const std::wstring&, ProbeKind) override { return ERROR_ACCESS_DENIED; }
};
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x2FF};
    InitCommonControlsEx(&controls);
    LoadLibraryW(L"RICHED32.DLL");
    std::wstring folder = argv[1];
    if (folder.back() != L'\\') folder += L'\\';
    WithoutRights platform;
    RunLog log;
    UxMainWindow dialog(folder, COMMAND_LINE_(), log, platform);
    HWND window =
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, UxMainWindow::procedure,
                           reinterpret_cast<LPARAM>(static_cast<FCDialog*>(&dialog)));
    if (window == nullptr) return 1;
    ShowWindow(window, SW_SHOW);
    SetDlgItemTextW(window, IDC_MAIN_DESTINATION_EDIT, L"C:\\Program Files (x86)\\KelpSoft");
    SendDlgItemMessageW(window, IDC_MAIN_MAKER_BOX, BM_CLICK, 0, 0);
    // The offer is modal: this returns once the driver has answered it.
    SendDlgItemMessageW(window, IDC_MAIN_RUN, BM_CLICK, 0, 0);
    DestroyWindow(window);
    return 0;
}
