// The process entry: single instance, COM, common controls and the rich
// edit, then the main dialog until the user closes it. Without arguments it
// always returns 0; with switches (app/CommandLine.h) it returns the exit
// code they document, and /passive and /quiet run without the main window.
#include "app/MainDialog.h"
#include "app/Elevation.h"
#include "app/RunLog.h"
#include "app/Unattended.h"
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
const char* const kCaption = "複数cab展開ツール";

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

// How a crash is reported, set at start and read without the heap; the log
// is the process's, which the report writes through its handle.
bool g_crashUnattended = false;
bool g_crashWithArguments = false;
const RunLog* g_crashLog = nullptr;

// The report is made without the heap, in buffers of its own: the path of
// the cabinet being read is whole (the long form's limit) and so is the
// text. They are pages taken at start, not static arrays, which the
// compiler would store in the executable, 170 KB of zeros.
const int kCrashTextSize = static_cast<int>(kLongestPath) + 1024;
struct CRASH_BUFFERS_ {
    wchar_t text[kCrashTextSize];
    char utf8[kCrashTextSize * 3];
    wchar_t caption[64];
};
CRASH_BUFFERS_* g_crash = nullptr;  // taken once, never given back

void AppendCrashText(const char* shiftJis, const wchar_t* wide, int& at) {
    if (shiftJis != nullptr) ShiftJisInto(shiftJis, g_crash->text + at, kCrashTextSize - at);
    else lstrcpynW(g_crash->text + at, wide, kCrashTextSize - at);
    at += lstrlenW(g_crash->text + at);
}

// The report as the log's UTF-8, through the handle the log is held by.
void WriteCrashLog(const wchar_t* text) {
    HANDLE log = g_crashLog != nullptr ? g_crashLog->handle() : nullptr;
    if (log == nullptr) return;
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, g_crash->utf8, sizeof g_crash->utf8, nullptr, nullptr);
    LARGE_INTEGER start = {};
    DWORD written = 0;
    if (n > 1 && SetFilePointerEx(log, start, nullptr, FILE_BEGIN) && SetEndOfFile(log))
        WriteFile(log, g_crash->utf8, static_cast<DWORD>(n - 1), &written, nullptr);
}

// A fault no check could foresee: the user hears it from us, in a box of
// its own (the window may be gone with the thread that faulted), or, with
// nobody to ask, in the log. Only a fault on the thread reading a cabinet
// is the cabinet's. Nothing here touches the heap.
void ReportCrash(const wchar_t* reading, DWORD code) {
    // Without its pages the exit code alone tells.
    if (g_crash == nullptr) {
        if (g_crashWithArguments) TerminateProcess(GetCurrentProcess(), EXIT_RUN_FAILED);
        return;
    }
    int at = 0;
    AppendCrashText("終了コード: 4\n", nullptr, at);
    int body = at;  // the box shows what follows the log's first line
    if (*reading != L'\0') {
        AppendCrashText("キャビネットファイルを読み込んでいる途中で問題が起きたため、解凍を続けられません。\n[",
                        nullptr, at);
        AppendCrashText(nullptr, reading, at);
        AppendCrashText(
            "]\nキャビネットファイルが壊れている可能性があります。"
            "それまでに展開したファイルはそのまま残っています。\n（例外 ",
            nullptr, at);
    } else {
        AppendCrashText(
            "予期しない問題が起きたため、終了します。それまでに展開したファイルはそのまま残っています。\n"
            "（例外 ",
            nullptr, at);
    }
    wchar_t number[16];
    wsprintfW(number, L"0x%08lX", static_cast<unsigned long>(code));
    AppendCrashText(nullptr, number, at);
    AppendCrashText("）", nullptr, at);
    WriteCrashLog(g_crash->text);
    if (!g_crashUnattended) {
        ShiftJisInto(kCaption, g_crash->caption, 64);
        MessageBoxW(nullptr, g_crash->text + body, g_crash->caption,
                    MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
    }
    // Started with switches, a script reads the Run's failure in the code.
    if (g_crashWithArguments) TerminateProcess(GetCurrentProcess(), EXIT_RUN_FAILED);
}

void PrepareCrashReport(const COMMAND_LINE_& line) {
    g_crashWithArguments = line.given;
    g_crashUnattended = line.unattended() || line.noBoxes;
    if (g_crash == nullptr)
        g_crash = static_cast<CRASH_BUFFERS_*>(
            VirtualAlloc(nullptr, sizeof(CRASH_BUFFERS_), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

// What the process reports in its exit code and log: the last Run's
// outcome, or why none could start, and the configuration it read.
struct PROCESS_ {
    COMMAND_LINE_ line;
    RunLog log;
    RunOutcome outcome;
    std::shared_ptr<const MainConfiguration> configuration;
};

void RunMainDialog(PROCESS_& process) {
    UxMainWindow window(ApplicationFolder(), process.line, process.log);
    struct Keep {
        UxMainWindow& window;
        PROCESS_& process;
        ~Keep() {
            process.outcome = window.takeOutcome();
            process.configuration = window.configuration();
        }
    } keep{window, process};
    window.doModal();
}

// A box for a command line, never where /quiet or /passive was written.
void Tell(const COMMAND_LINE_& line, const UxMarkedText& text, UINT icon) {
    if (!line.quiet && !line.noBoxes)
        MessageBoxW(nullptr, text.plain().c_str(), FromShiftJis(kCaption).c_str(), MB_OK | icon);
}

// The outcome so far as the log says it, written where one was asked for
// and may be written.
void WriteLog(PROCESS_& process) {
    // A log that names a file it must not touch is left as it was.
    if (!process.outcome.writeLog) return process.log.close(false);
    process.log.write(RunLogText(process.outcome, process.configuration.get()));
}

// A code of ours, not the system's (bit 29 set): the log names a file
// kelpex must never write over.
const DWORD kLogWouldDamage = 0x20000001;

// Judged before it is opened, so that nothing is written, made or cut there
// on any way out; then held from now on, so that no other kelpex writes it
// meanwhile.
DWORD OpenLog(const COMMAND_LINE_& line, RunLog& log) {
    if (!line.hasLog) return 0;
    std::wstring path = LogPath(line);
    if (LogWouldDamage(path, ApplicationFolder())) return kLogWouldDamage;
    return log.open(path);
}

// What ends the process before anything is read: a log on a file it must
// not touch, a fault of the command line, a log that cannot be opened, or
// /?. The exit code, or -1 to go on. Until the single instance is claimed
// (claimed false) a log another program holds may be another kelpex's, and
// is judged later.
int CheckCommandLine(PROCESS_& process, DWORD logError, bool claimed) {
    const COMMAND_LINE_& line = process.line;
    RunOutcome& outcome = process.outcome;
    UxMarkedText text;
    if (logError == kLogWouldDamage) {
        text.append(kLogIsAFileOfTheRun).append("\n").appendLiteral(LogPath(line));
    } else if (!line.fault.empty()) {
        text.append("コマンドラインに誤りがあります。\n").append(line.fault);
    } else if (logError != 0 && (claimed || logError != ERROR_SHARING_VIOLATION)) {
        text.append("ログファイルに書き込めません。\n").appendLiteral(LogPath(line));
        text.append("\n").appendLiteral(RefusalShown(logError));
    } else if (line.help && !claimed) {
        outcome.shown = UxMarkedText().appendLiteral(CommandLineHelp().text());
        Tell(line, outcome.shown, MB_ICONINFORMATION);
        outcome.exitCode = EXIT_DONE;
        WriteLog(process);
        return EXIT_DONE;
    } else {
        return -1;
    }
    Tell(line, text, MB_ICONERROR);
    outcome.exitCode = EXIT_COMMAND_LINE;
    outcome.shown = text;
    WriteLog(process);
    return EXIT_COMMAND_LINE;
}

// The hand-over's end: the second's code, or the first's own report of a
// second that ended without one (its code is not kelpex's).
void TakeHandedOverCode(PROCESS_& process, DWORD code, bool reported) {
    process.outcome.exitCode = static_cast<ExitCode>(code);
    if (reported) return;
    process.outcome.shown = UxMarkedText(
        "管理者として起動したkelpexが、結果を伝えずに終了しました。解凍が終わったかどうかはわかりません。");
    process.outcome.writeLog = process.line.hasLog && process.log.open(LogPath(process.line)) == 0;
    WriteLog(process);
}

void Start(void* context) {
    PROCESS_& process = *static_cast<PROCESS_*>(context);
    if (process.line.unattended())
        RunUnattended(ApplicationFolder(), process.line, process.log, process.outcome, process.configuration);
    else RunMainDialog(process);
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    PROCESS_ process;
    process.line = ParseCommandLine(GetCommandLineW());
    const COMMAND_LINE_& line = process.line;
    g_crashLog = &process.log;
    // One another kelpex holds is never touched.
    DWORD logError = OpenLog(line, process.log);
    if (line.given) {
        int code = CheckCommandLine(process, logError, false);
        if (code >= 0) return code;
    }
    std::unique_ptr<Diagnostic> failure;
    DWORD handedOverCode = 0;
    bool handedOver = false, reported = false;
    {
        StartupEnvironment environment;
        CoInitialize(nullptr);
        INITCOMMONCONTROLSEX controls = {8, 0x2FF};
        InitCommonControlsEx(&controls);
        environment.richEdit.reset(LoadLibraryA("RICHED32.DLL"));
        // RICHED32 registers RichEdit20A under Wine; Windows needs RICHED20.
        WNDCLASSA probe;
        if (!GetClassInfoA(nullptr, "RichEdit20A", &probe)) environment.richEdit20.reset(LoadLibraryA("RICHED20.DLL"));
        // A script must be able to tell a second start from a success, and
        // read in its own log why.
        if (!ClaimInstance(line.handOverFrom)) {
            process.outcome.exitCode = EXIT_RUNNING;
            process.outcome.shown = UxMarkedText("ほかのkelpexが実行中です。");
            WriteLog(process);
            return line.given ? EXIT_RUNNING : 0;
        }
        // Held by a kelpex that has ended since, or by another program,
        // which keeps it: the Run never goes on without the log asked for.
        if (logError == ERROR_SHARING_VIOLATION) {
            logError = process.log.open(LogPath(line));
            if (logError != 0) {
                int code = CheckCommandLine(process, logError, true);
                ReleaseInstanceClaim();
                return code;
            }
        }
        PrepareCrashReport(line);
        InstallCrashReport(ReportCrash);
        failure = RunCatchingFailures(Start, &process);
        // Handed to a kelpex started as administrator: its Run is this
        // one's, its exit code this one's, and it writes the log.
        handedOver = HandOverStarted();
        if (handedOver) handedOverCode = FinishHandOver(reported);
    }
    if (failure) process.outcome.exitCode = EXIT_RUN_FAILED;
    else if (handedOver) TakeHandedOverCode(process, handedOverCode, reported);
    if (!handedOver) WriteLog(process);
    ReleaseInstanceClaim();
    // Shown after everything was released, so the user sees why kelpex stopped.
    if (failure && !line.quiet && !line.noBoxes) failure->show();
    return line.given ? process.outcome.exitCode : 0;
}
