// The process entry: single instance, COM, common controls and the rich
// edit, then the main dialog until the user closes it. Without arguments it
// always returns 0; with switches (app/CommandLine.h) it returns the exit
// code they document, and /passive and /quiet run without the main window.
#include "app/MainDialog.h"
#include "app/Elevation.h"
#include "config/UxQcf.h"
#include "foundation/CrashReport.h"
#include "foundation/Diagnostic.h"
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "fs/FCPathName.h"
#include "fs/PathCompare.h"
#include "ui/FCDialog.h"
#include "ui/Markup.h"
#include <commctrl.h>
#include <objbase.h>
#include <memory>

namespace {

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

// Where a crash report goes when nobody is to be asked (/passive, /quiet):
// set at start, read without the heap.
std::wstring g_crashLog;  // made at start; at a crash only read
bool g_crashUnattended = false;
bool g_crashWithArguments = false;

// The report as the log's UTF-8, on the stack.
void WriteCrashLog(const char* text) {
    if (g_crashLog.empty()) return;
    wchar_t wide[1100];
    Wide932Into("終了コード: 4\n", wide, 64);
    int head = lstrlenW(wide);
    Wide932Into(text, wide + head, 1100 - head);
    char utf8[3300];
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
    HANDLE log =
        CreateFileW(g_crashLog.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (n > 1) WriteFile(log, utf8, static_cast<DWORD>(n - 1), &written, nullptr);
    CloseHandle(log);
}

// A fault no check could foresee: the user hears it from us, in a box of
// its own (the window may be gone with the thread that faulted), or, with
// nobody to ask, in the log. Only a fault on the thread reading a cabinet
// is the cabinet's. Nothing here touches the heap.
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
    WriteCrashLog(text);
    if (!g_crashUnattended)
        MessageBox932OnStack(nullptr, text, "複数cab展開ツール",
                             MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
    // Started with switches, a script reads the Run's failure in the code.
    if (g_crashWithArguments) TerminateProcess(GetCurrentProcess(), EXIT_RUN_FAILED);
}

void PrepareCrashReport(const COMMAND_LINE_& line) {
    g_crashWithArguments = line.given;
    g_crashUnattended = line.unattended();
    if (!line.hasLog) return;
    g_crashLog = LongPathForm(AbsolutePath(line.log));
}

const char* const kCaption = "複数cab展開ツール";

void RunMainDialog() {
    UxQcf store;
    FCDialog dialog(IDD_MAIN);
    dialog.setProcedure(nullptr, MainDialogProc, reinterpret_cast<LPARAM>(&store));
    dialog.doModal();
}

// /passive and /quiet: the main window is made but never shown; start-up
// reads the configuration and the series into it, and the Run starts at
// once, asking nothing.
void RunUnattended() {
    MainState& state = MainDialogState();
    UxQcf store;
    FCDialog dialog(IDD_MAIN);
    dialog.setProcedure(nullptr, MainDialogProc, reinterpret_cast<LPARAM>(&store));
    HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainDialogProc,
                                     reinterpret_cast<LPARAM>(&dialog));
    if (window == nullptr) return;
    if (state.usable) RunExtraction(dialog);
    DestroyWindow(window);
}

// A box for a command line, never under /quiet.
void Tell(const COMMAND_LINE_& line, const char* text, UINT icon) {
    if (!line.quiet) MessageBoxW(nullptr, WideResolved(text).c_str(), Wide932(kCaption).data(), MB_OK | icon);
}

// The command line's own faults and /?, before anything is read: the exit
// code, or -1 to go on.
int CheckCommandLine(const COMMAND_LINE_& line) {
    if (!line.fault.isEmpty()) {
        FCString text("コマンドラインに誤りがあります。\n");
        text.append(line.fault);
        Tell(line, text.text(), MB_ICONERROR);
        return EXIT_COMMAND_LINE;
    }
    if (line.help) {
        Tell(line, kCommandLineHelp, MB_ICONINFORMATION);
        return EXIT_DONE;
    }
    if (!line.hasLog) return -1;
    // Made now: a log that cannot be written is known before any Run.
    FCHandle log(CreateFileW(LongPathForm(AbsolutePath(line.log)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (log.valid()) return -1;
    FCString text("ログファイルに書き込めません。\n");
    AppendLiteral(text, line.log);
    Tell(line, text.text(), MB_ICONERROR);
    return EXIT_COMMAND_LINE;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MainState& state = MainDialogState();
    state.commandLine = ParseCommandLine(GetCommandLineW());
    const COMMAND_LINE_& line = state.commandLine;
    if (line.given) {
        int code = CheckCommandLine(line);
        if (code >= 0) return code;
    }
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
        // A script must be able to tell a second start from a success. One
        // started by the offer to go on as administrator waits for the
        // kelpex that started it to let go.
        if (!ClaimInstance(line.handOver)) return line.given ? EXIT_RUNNING : 0;
        PrepareCrashReport(line);
        InstallCrashReport(ReportCrash);
        failure = RunCatchingFailures(line.unattended() ? RunUnattended : RunMainDialog);
    }
    if (failure) state.exitCode = EXIT_RUN_FAILED;
    if (line.hasLog) WriteRunLog(AbsolutePath(line.log), state);
    ReleaseInstanceClaim();
    // Shown after everything was released, so the user sees why kelpex stopped.
    if (failure && !line.quiet) failure->show();
    return line.given ? state.exitCode : 0;
}
