// Extracts a cabinet series with kelpex's real Run (the main dialog, driven
// through window messages) and with a bare SetupIterateCabinetA loop that
// only creates folders and extracts, alternately, and prints the medians,
// their ratio, the median of the ratios of neighbouring runs (which the
// machine's drift from one minute to the next touches least) and the ratio
// of the fastest runs (a shared machine only ever adds time). One more Run,
// not timed, watches the message queue: the longest time between two
// message pumps bounds how late a repaint or Cancel is answered. Watching
// costs a hook call per message, so the timed Runs go unwatched.
//   extract_bench.exe CORPUS_FOLDER OUTPUT_FOLDER RUNS
#include "app/MainDialog.h"
#include "app/TestSeams.h"
#include "cab/UxProgressDialog.h"
#include "fs/FCFile.h"
#include "fs/FCFileUty.h"
#include <commctrl.h>
#include <setupapi.h>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {
double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

struct Bare {
    std::string destination;
    std::set<std::string> folders;
};

UINT CALLBACK BareCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
    Bare* bare = static_cast<Bare*>(context);
    if (notification != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
    FILE_IN_CABINET_INFO_A* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
    std::string target = bare->destination + info->NameInCabinet;
    size_t cut = target.find_last_of('\\');
    std::string folder = target.substr(0, cut + 1);
    if (bare->folders.insert(folder).second) {
        for (size_t at = bare->destination.size(); at < folder.size(); ++at)
            if (folder[at] == '\\') CreateDirectoryA(folder.substr(0, at + 1).c_str(), nullptr);
    }
    lstrcpynA(info->FullTargetName, target.c_str(), MAX_PATH);
    return FILEOP_DOIT;
}

// The seconds the bare loop takes over the series, or a negative number
// when the platform fails a cabinet.
double RunBare(const std::string& corpus, const std::string& out) {
    Bare bare;
    bare.destination = out;
    CreateDirectoryA(out.c_str(), nullptr);
    double start = Now();
    for (const FCString& name : MainDialogState().archives) {
        std::string cab = corpus + name.text();
        if (!SetupIterateCabinetA(cab.c_str(), 0, BareCallback, &bare)) return -1;
    }
    return Now() - start;
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
    CreateDirectoryA(out.c_str(), nullptr);
    SetDlgItemTextA(dialog, IDC_MAIN_DESTINATION_EDIT, out.c_str());
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

// Only what exists is removed: removing nothing would ask the user.
void Remove(const std::string& folder) {
    if (pathExists(folder.c_str())) FCFileUty::remove(folder.c_str(), true);
}

bool RunSucceeded(HWND window) {
    char message[256] = "";
    SendDlgItemMessageA(window, IDC_MAIN_MESSAGE, WM_GETTEXT, sizeof message, reinterpret_cast<LPARAM>(message));
    return std::string(message).find("正常に終了") != std::string::npos;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    std::string corpus = argv[1], output = argv[2];
    int runs = atoi(argv[3]);
    if (corpus.back() != '\\') corpus += '\\';
    if (output.back() != '\\') output += '\\';
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x2FF};
    InitCommonControlsEx(&controls);
    LoadLibraryA("RICHED32.DLL");
    SetApplicationFolderForTests(corpus.c_str());
    UxQcf store;
    FCDialog dialog(IDD_MAIN);
    dialog.setProcedure(nullptr, MainDialogProc, reinterpret_cast<LPARAM>(&store));
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc,
                                     reinterpret_cast<LPARAM>(&dialog));
    ShowWindow(window, SW_SHOW);
    int archives = static_cast<int>(MainDialogState().archives.size());
    std::vector<double> bare, kelpex;
    for (int r = 0; r < runs; ++r) {
        std::string b = output + "bare\\", k = output + "kelpex\\";
        // Alternate the order: each side runs after the other's removal as often.
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == (r % 2 == 0)) {
                bare.push_back(RunBare(corpus, b));
                Remove(b);
                if (bare.back() < 0) {
                    std::printf("extract_bench: the bare loop failed on run %d\n", r + 1);
                    return 1;
                }
            } else {
                kelpex.push_back(RunKelpex(window, k));
                bool succeeded = RunSucceeded(window);
                Remove(k);
                if (!succeeded) {
                    std::printf("extract_bench: the Run did not succeed on run %d\n", r + 1);
                    return 1;
                }
            }
        }
    }
    std::string watched = output + "watched\\";
    double longestGap = LongestWaitDuringARun(window, watched);
    bool watchedSucceeded = RunSucceeded(window);
    Remove(watched);
    if (!watchedSucceeded) {
        std::printf("extract_bench: the watched Run did not succeed\n");
        return 1;
    }
    std::vector<double> ratios;
    for (size_t i = 0; i < bare.size(); ++i) ratios.push_back(kelpex[i] / bare[i]);
    double mb = static_cast<double>(MainDialogState().size);
    std::printf("archives %d, about %.0f MB, %d runs\n", archives, mb, runs);
    std::printf("bare SetupIterateCabinetA loop: median %.3f s\n", Median(bare));
    std::printf("kelpex Run:                     median %.3f s\n", Median(kelpex));
    std::printf("ratio Run / bare: %.3f (median of the neighbours' ratios %.3f)\n", Median(kelpex) / Median(bare),
                Median(ratios));
    std::printf("fastest runs: bare %.3f s, Run %.3f s, ratio %.3f\n", Fastest(bare), Fastest(kelpex),
                Fastest(kelpex) / Fastest(bare));
    std::printf("longest wait for the message queue during a Run: %.3f s\n", longestGap);
    store.flags = 0;
    DestroyWindow(window);
    return 0;
}
