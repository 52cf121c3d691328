// The process entry: single instance, COM, common controls and the rich
// edit, then the main dialog until the user closes it. Always returns 0.
#include "app/MainDialog.h"
#include "config/UxQcf.h"
#include "foundation/CrashReport.h"
#include "foundation/Diagnostic.h"
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "ui/FCDialog.h"
#include <commctrl.h>
#include <objbase.h>
#include <memory>

namespace {
const char* const kInstanceEventName = "kelpex.single-instance.3F2A7C1E";

// What the entry set up, released on every way out.
struct StartupEnvironment {
    enum : unsigned { COM_INITIALISED = 1, CONTROLS_INITIALISED = 2, RICH_EDIT_LOADED = 4 };
    unsigned options = COM_INITIALISED | CONTROLS_INITIALISED | RICH_EDIT_LOADED;
    FCLibrary richEdit;
    FCLibrary richEdit20;

    StartupEnvironment() = default;
    StartupEnvironment(const StartupEnvironment&) = delete;
    StartupEnvironment& operator=(const StartupEnvironment&) = delete;
    virtual ~StartupEnvironment() { release(); }
    void release() {
        richEdit20.reset();
        richEdit.reset();
        if (options & COM_INITIALISED) CoUninitialize();
        options = 0;
    }
};

// A fault no check could foresee: the user hears it from us, in a box of
// its own (the window may be gone with the thread that faulted). Only a
// fault on the thread reading a cabinet is the cabinet's. Nothing here
// touches the heap.
void ReportCrash(const char* reading, DWORD code) {
    char text[1024];
    if (*reading != '\0')
        wsprintfA(text,
                  "キャビネットファイルを読み込んでいる途中で問題が起きたため、解凍を続けられません。\n[%s]\n"
                  "キャビネットファイルが壊れている可能性があります。それまでに展開したファイルはそのまま残っています。"
                  "\n（例外 0x%08lX）",
                  reading, static_cast<unsigned long>(code));
    else
        wsprintfA(text,
                  "予期しない問題が起きたため、終了します。それまでに展開したファイルはそのまま残っています。\n"
                  "（例外 0x%08lX）",
                  static_cast<unsigned long>(code));
    MessageBox932OnStack(nullptr, text, "複数cab展開ツール", MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}

void RunMainDialog() {
    UxQcf store;
    FCDialog dialog(IDD_MAIN);
    dialog.setProcedure(nullptr, MainDialogProc, reinterpret_cast<LPARAM>(&store));
    dialog.doModal();
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::unique_ptr<Diagnostic> failure;
    {
        StartupEnvironment environment;
        CoInitialize(nullptr);
        INITCOMMONCONTROLSEX controls = {8, 0x2FF};
        InitCommonControlsEx(&controls);
        environment.richEdit.reset(LoadLibraryA("RICHED32.DLL"));
        // RICHED32 registers RichEdit20A under Wine; Windows needs RICHED20.
        WNDCLASSA probe;
        if (!GetClassInfoA(nullptr, "RichEdit20A", &probe)) environment.richEdit20.reset(LoadLibraryA("RICHED20.DLL"));
        FCHandle instance(CreateEventA(nullptr, TRUE, TRUE, kInstanceEventName));
        if (!instance.valid() || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
        InstallCrashReport(ReportCrash);
        failure = RunCatchingFailures(RunMainDialog);
    }
    // Shown after everything was released, so the user sees why kelpex stopped.
    if (failure) failure->show();
    return 0;
}
