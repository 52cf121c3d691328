// Extracts a cabinet series with kelpex's real Run (the main dialog, driven
// through window messages) and with three floors that only create folders
// and extract: a bare SetupIterateCabinetA loop, a bare FDICopy loop with
// its own file writes, and the SetupIterateCabinetA loop that dates each
// file in its callback, as the Run does (the platform's reader leaves the
// time the file was written). Each round runs them in the order
// A B C D D C B A, so that
// every side is first and second of a back-to-back pair equally often (the
// first of two runs is often the slow one here). Prints each side's median,
// the ratios of the medians, the median of the ratios of neighbouring runs
// (which the machine's drift touches least) and the ratio of the fastest
// runs (a shared machine only ever adds time). One more Run, not timed,
// watches the message queue: the longest time between two message pumps
// bounds how late a repaint or Cancel is answered. Watching costs a hook
// call per message, so the timed Runs go unwatched. What each run wrote is
// removed before the next one starts, outside the timing, and each run
// starts on a quiet machine.
//   extract_bench.exe CORPUS_FOLDER OUTPUT_FOLDER ROUNDS
// With "run" for ROUNDS it times one Run alone and prints its seconds, for
// comparisons between processes (under two code pages, say).
//   extract_bench.exe CORPUS_FOLDER OUTPUT_FOLDER run
#include "app/MainDialog.h"
#include "app/RunLog.h"
#include "bench/BenchClock.h"
#include "cab/EntryTime.h"
#include "ui/UxProgressDialog.h"
#include "foundation/WideText.h"
#include "fs/FCFile.h"
#include "fs/FCFileUty.h"
#include "fs/FCPathName.h"
#include <commctrl.h>
#include <richedit.h>
#include <fcntl.h>
#include <fdi.h>
#include <setupapi.h>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {
// What both floors do for a file: the target below the destination, with
// its folders made the first time one is seen.
struct Bare {
    std::string destination;
    std::set<std::string> folders;
    bool date = false;  // each file takes its entry's time once written
    WORD dosDate = 0, dosTime = 0;  // of the file being written

    std::string target(const char* name) {
        std::string path = destination + name;
        std::string folder = path.substr(0, path.find_last_of('\\') + 1);
        if (folders.insert(folder).second) {
            for (size_t at = destination.size(); at < folder.size(); ++at)
                if (folder[at] == '\\') CreateDirectoryA(folder.substr(0, at + 1).c_str(), nullptr);
        }
        return path;
    }
};

// Dating as the Run dates: the entry's time read as local time, set
// through a handle opened for it alone.
bool DateFile(const char* path, WORD dosDate, WORD dosTime) {
    HANDLE file = CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME time;
    EntryTime(dosDate, dosTime, time);
    bool dated = SetFileTime(file, nullptr, nullptr, &time) != FALSE;
    CloseHandle(file);
    return dated;
}

UINT CALLBACK BareCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
    Bare* bare = static_cast<Bare*>(context);
    if (notification == SPFILENOTIFY_FILEEXTRACTED && bare->date) {
        const FILEPATHS_A* paths = reinterpret_cast<const FILEPATHS_A*>(param1);
        return paths->Win32Error == NO_ERROR && !DateFile(paths->Target, bare->dosDate, bare->dosTime)
                   ? GetLastError()
                   : paths->Win32Error;
    }
    if (notification != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
    FILE_IN_CABINET_INFO_A* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
    lstrcpynA(info->FullTargetName, bare->target(info->NameInCabinet).c_str(), MAX_PATH);
    bare->dosDate = info->DosDate;
    bare->dosTime = info->DosTime;
    return FILEOP_DOIT;
}

// The main window the Run is measured in, and its configuration.
const UxMainWindow* g_main = nullptr;

// The seconds the bare loop takes over the series, or a negative number
// when the platform fails a cabinet.
double RunBare(const std::string& corpus, const std::string& out, bool date) {
    Bare bare;
    bare.destination = out;
    bare.date = date;
    CreateDirectoryA(out.c_str(), nullptr);
    double start = Now();
    for (const FCString& name : g_main->configuration()->archives) {
        std::string cab = corpus + name.text();
        if (!SetupIterateCabinetA(cab.c_str(), 0, BareCallback, &bare)) return -1;
    }
    return Now() - start;
}

// The FDICopy floor: the platform's decompressor with file writes of our
// own, folders made as the SetupIterateCabinetA floor makes them.
FNALLOC(FdiAlloc) { return std::malloc(cb); }
FNFREE(FdiFree) { std::free(pv); }
FNOPEN(FdiOpen) {
    (void)pmode;
    bool write = (oflag & (_O_WRONLY | _O_RDWR)) != 0;
    HANDLE file = CreateFileA(pszFile, write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, nullptr,
                              write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(file);
}
FNREAD(FdiRead) {
    DWORD n = 0;
    return ReadFile(reinterpret_cast<HANDLE>(hf), pv, cb, &n, nullptr) ? n : static_cast<UINT>(-1);
}
FNWRITE(FdiWrite) {
    DWORD n = 0;
    return WriteFile(reinterpret_cast<HANDLE>(hf), pv, cb, &n, nullptr) ? n : static_cast<UINT>(-1);
}
FNCLOSE(FdiClose) { return CloseHandle(reinterpret_cast<HANDLE>(hf)) ? 0 : -1; }
FNSEEK(FdiSeek) { return static_cast<long>(SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr, seektype)); }

FNFDINOTIFY(FdiNotify) {
    Bare* bare = static_cast<Bare*>(pfdin->pv);
    if (fdint == fdintCLOSE_FILE_INFO) return FdiClose(pfdin->hf) == 0 ? TRUE : FALSE;
    if (fdint != fdintCOPY_FILE) return 0;
    std::string target = bare->target(pfdin->psz1);
    return FdiOpen(&target[0], _O_WRONLY | _O_CREAT, 0);
}

double RunFdi(const std::string& corpus, const std::string& out) {
    Bare bare;
    bare.destination = out;
    CreateDirectoryA(out.c_str(), nullptr);
    ERF error = {};
    HFDI fdi = FDICreate(FdiAlloc, FdiFree, FdiOpen, FdiRead, FdiWrite, FdiClose, FdiSeek, cpuUNKNOWN, &error);
    if (fdi == nullptr) return -1;
    double start = Now();
    bool ok = true;
    std::string folder = corpus;
    for (const FCString& name : g_main->configuration()->archives) {
        std::string file = name.text();
        if (!FDICopy(fdi, &file[0], &folder[0], 0, FdiNotify, nullptr, &bare)) ok = false;
        if (!ok) break;
    }
    double seconds = Now() - start;
    FDIDestroy(fdi);
    return ok ? seconds : -1;
}

double g_lastPump = 0, g_longestGap = 0;
LRESULT CALLBACK PumpObserver(int code, WPARAM wParam, LPARAM lParam) {
    double now = Now();
    if (g_lastPump > 0) g_longestGap = std::max(g_longestGap, now - g_lastPump);
    g_lastPump = now;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Posts a message to the Run's thread every 5 ms, so that the gaps between
// the messages it takes out show how late a repaint or a Cancel would be seen.
volatile bool g_ticking = false;
DWORD WINAPI Ticker(LPVOID thread) {
    while (g_ticking) {
        PostThreadMessageA(static_cast<DWORD>(reinterpret_cast<uintptr_t>(thread)), WM_NULL, 0, 0);
        Sleep(5);
    }
    return 0;
}

// What the user's message loop would have done while idle: the previous
// Run's final repaints, left in the queue, are not the next one's work.
void DrainMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

double RunKelpex(HWND dialog, const std::string& out) {
    CreateDirectoryW(FromShiftJis(out.c_str()).c_str(), nullptr);
    SetDlgItemText932(dialog, IDC_MAIN_DESTINATION_EDIT, out.c_str());  // whatever the system's code page
    DrainMessages();
    double start = Now();
    SendMessageA(GetDlgItem(dialog, IDC_MAIN_RUN), BM_CLICK, 0, 0);
    return Now() - start;
}

// A Run with a message every 5 ms in the queue: the longest gap between
// two messages taken out.
double LongestWaitDuringARun(HWND dialog, const std::string& out) {
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, PumpObserver, nullptr, GetCurrentThreadId());
    g_lastPump = 0;
    g_longestGap = 0;
    g_ticking = true;
    HANDLE ticker = CreateThread(nullptr, 0, Ticker,
                                 reinterpret_cast<LPVOID>(static_cast<uintptr_t>(GetCurrentThreadId())), 0, nullptr);
    RunKelpex(dialog, out);
    g_ticking = false;
    WaitForSingleObject(ticker, INFINITE);
    CloseHandle(ticker);
    UnhookWindowsHookEx(hook);
    return g_longestGap;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// The tool's own removal, which takes any name in UTF-16 and asks nothing
// here: a file it cannot remove ends the removal, and the bench says so.
// (The shell's removal took several times as long as the extraction of the
// small corpus.)
int NoQuestions(unsigned, DWORD*, const wchar_t*, int, LPARAM) { return FCFileUty::ANSWER_ABORT; }

bool Remove(const std::string& folder) {
    // Ending in its separator: read as a folder.
    if (FCFileUty::remove(FromShiftJis(folder.c_str()), true, nullptr, NoQuestions)) return true;
    std::printf("extract_bench: could not remove %s\n", folder.c_str());
    return false;
}

// Waits (up to 5 s) until the processors are nine tenths idle over a
// tenth of a second, so that no run starts while other work (the last
// removal's, another program's) still holds a core: on two cores that
// slows the Run, with its second thread, more than the floors.
void WaitForQuietMachine() {
    for (int tries = 0; tries < 50; ++tries) {
        FILETIME idle0, kernel0, user0, idle1, kernel1, user1;
        if (!GetSystemTimes(&idle0, &kernel0, &user0)) return;
        Sleep(100);
        if (!GetSystemTimes(&idle1, &kernel1, &user1)) return;
        auto ticks = [](const FILETIME& a, const FILETIME& b) {
            return static_cast<double>((static_cast<ULONGLONG>(b.dwHighDateTime) << 32 | b.dwLowDateTime) -
                                       (static_cast<ULONGLONG>(a.dwHighDateTime) << 32 | a.dwLowDateTime));
        };
        // The kernel's time includes the idle time.
        double busy = ticks(kernel0, kernel1) + ticks(user0, user1);
        if (busy <= 0 || ticks(idle0, idle1) >= 0.9 * busy) return;
    }
}

bool RunSucceeded(HWND window) {
    // In Shift_JIS whatever the system's code page.
    char message[256] = "";
    GETTEXTEX get = {sizeof message, GT_DEFAULT, 932, nullptr, nullptr};
    SendDlgItemMessageW(window, IDC_MAIN_MESSAGE, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                        reinterpret_cast<LPARAM>(message));
    return std::string(message).find("正常に終了") != std::string::npos;
}
// A folder of the command line in Shift_JIS, as the floors and the field
// take it, ending in its separator (judged on UTF-16: 表 ends in the byte of
// a backslash).
std::string WithSeparator(std::wstring folder) {
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return ToShiftJis(folder);
}

int BenchMain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    bool runOnly = std::wstring(argv[3]) == L"run";
    int rounds = _wtoi(argv[3]);
    if (rounds < 1 && !runOnly) return 2;
    std::string corpus = WithSeparator(argv[1]), output = WithSeparator(argv[2]);
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x2FF};
    InitCommonControlsEx(&controls);
    LoadLibraryA("RICHED32.DLL");
    RunLog log;
    UxMainWindow dialog(FromShiftJis(corpus.c_str()), COMMAND_LINE_(), log);
    g_main = &dialog;
    HWND window =
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, UxMainWindow::procedure,
                           reinterpret_cast<LPARAM>(static_cast<FCDialog*>(&dialog)));
    ShowWindow(window, SW_SHOW);
    int archives = static_cast<int>(g_main->configuration()->archives.size());
    if (runOnly) {
        WaitForQuietMachine();
        double seconds = RunKelpex(window, output);
        bool succeeded = RunSucceeded(window);
        DestroyWindow(window);
        if (!succeeded) {
            std::printf("extract_bench: the Run did not succeed\n");
            return 1;
        }
        if (!Remove(output)) return 1;
        std::printf("run %.3f\n", seconds);
        return 0;
    }
    // A: the SetupIterateCabinetA floor, B: the Run, C: the FDICopy floor,
    // D: the SetupIterateCabinetA floor that dates each file.
    std::vector<double> bare, kelpex, fdi, dating;
    const char kOrder[] = "ABCDDCBA";
    for (int r = 0; r < rounds; ++r) {
        for (const char* side = kOrder; *side != '\0'; ++side) {
            std::string where = output + *side + "\\";
            double seconds = 0;
            bool succeeded = true;
            WaitForQuietMachine();
            if (*side == 'B') {
                seconds = RunKelpex(window, where);
                succeeded = RunSucceeded(window);
            } else {
                seconds = *side == 'C' ? RunFdi(corpus, where) : RunBare(corpus, where, *side == 'D');
                succeeded = seconds >= 0;
            }
            if (!succeeded) {
                std::printf("extract_bench: %s failed in round %d\n",
                            *side == 'A'   ? "the bare SetupIterateCabinetA loop"
                            : *side == 'B' ? "the Run"
                            : *side == 'C' ? "the bare FDICopy loop"
                                           : "the SetupIterateCabinetA loop that dates",
                            r + 1);
                return 1;
            }
            if (!Remove(where)) return 1;
            (*side == 'A' ? bare : *side == 'B' ? kelpex : *side == 'C' ? fdi : dating).push_back(seconds);
            std::printf("%s%c %.3f", side == kOrder ? "round " : "  ", *side, seconds);
        }
        std::printf("\n");
    }
    std::string watched = output + "watched\\";
    double longestGap = LongestWaitDuringARun(window, watched);
    bool watchedSucceeded = RunSucceeded(window);
    if (!watchedSucceeded) {
        std::printf("extract_bench: the watched Run did not succeed\n");
        return 1;
    }
    if (!Remove(watched)) return 1;
    // Neighbours: the Run's i-th run against each floor's i-th, which the
    // order keeps a few runs apart.
    std::vector<double> ratios, fdiRatios, datingRatios;
    for (size_t i = 0; i < bare.size(); ++i) {
        ratios.push_back(kelpex[i] / bare[i]);
        fdiRatios.push_back(kelpex[i] / fdi[i]);
        datingRatios.push_back(kelpex[i] / dating[i]);
    }
    double mb = static_cast<double>(g_main->configuration()->size);
    std::printf("archives %d, about %.0f MB, %d rounds of A B C D D C B A\n", archives, mb, rounds);
    std::printf("A bare SetupIterateCabinetA loop: median %.3f s, fastest %.3f s\n", Median(bare), Fastest(bare));
    std::printf("B kelpex Run:                     median %.3f s, fastest %.3f s\n", Median(kelpex), Fastest(kelpex));
    std::printf("C bare FDICopy loop:              median %.3f s, fastest %.3f s\n", Median(fdi), Fastest(fdi));
    std::printf("D SetupIterateCabinetA, dating:   median %.3f s, fastest %.3f s\n", Median(dating), Fastest(dating));
    std::printf("ratio Run / SetupIterateCabinetA: medians %.3f, neighbours %.3f, fastest %.3f\n",
                Median(kelpex) / Median(bare), Median(ratios), Fastest(kelpex) / Fastest(bare));
    std::printf("ratio Run / FDICopy:              medians %.3f, neighbours %.3f, fastest %.3f\n",
                Median(kelpex) / Median(fdi), Median(fdiRatios), Fastest(kelpex) / Fastest(fdi));
    std::printf("ratio Run / dating loop:          medians %.3f, neighbours %.3f, fastest %.3f\n",
                Median(kelpex) / Median(dating), Median(datingRatios), Fastest(kelpex) / Fastest(dating));
    std::printf("longest wait for the message queue during a Run: %.3f s\n", longestGap);
    DestroyWindow(window);
    return 0;
}
}  // namespace

// The arguments arrive as UTF-16 whatever the system's code page, so a
// Japanese output folder can be given under 1252 too.
int wmain(int argc, wchar_t** argv) { return BenchMain(argc, argv); }
