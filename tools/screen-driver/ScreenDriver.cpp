// Drives the real kelpex.exe from outside, as a user would, for the
// screenshots: finds its windows by title, types, ticks and clicks.
//   screen_driver wait TITLE          waits for the window, prints "x y width height"
//   screen_driver gone TITLE          waits until no such window is left
//   screen_driver type TITLE ID TEXT  sets a control's text
//   screen_driver click TITLE ID      clicks a button (posted: a Run goes on by itself)
//   screen_driver tick TITLE ID       ticks a check box
//   screen_driver hold PATH MS        holds a file open, sharing nothing, for MS ms
// Its arguments are read in UTF-16, so a title or a text reaches the window
// whole under any code page (a Hangul destination under 1252).
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {
HWND Find(const wchar_t* title) {
    HWND window = FindWindowW(L"#32770", title);
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

HWND WaitFor(const wchar_t* title, bool present) {
    for (int i = 0; i < 1200; ++i) {  // a fresh prefix takes a while
        HWND window = Find(title);
        if ((window != nullptr) == present) return window;
        Sleep(50);
    }
    std::fprintf(stderr, "screen_driver: %ls did not %s\n", title, present ? "appear" : "go away");
    std::exit(1);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const wchar_t* command = argv[1];
    if (std::wcscmp(command, L"hold") == 0 && argc >= 4) {
        HANDLE file = CreateFileW(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 1;
        Sleep(static_cast<DWORD>(std::wcstol(argv[3], nullptr, 10)));
        CloseHandle(file);
        return 0;
    }
    if (std::wcscmp(command, L"gone") == 0) {
        WaitFor(argv[2], false);
        return 0;
    }
    HWND window = WaitFor(argv[2], true);
    if (std::wcscmp(command, L"wait") == 0) {
        Sleep(300);  // let it paint
        RECT r;
        GetWindowRect(window, &r);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        return 0;
    }
    if (argc < 4) return 2;
    int id = std::wcstol(argv[3], nullptr, 10);
    if (std::wcscmp(command, L"type") == 0 && argc >= 5) {
        SendMessageW(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
        return 0;
    }
    if (std::wcscmp(command, L"tick") == 0) {
        SendMessageA(GetDlgItem(window, id), BM_CLICK, 0, 0);
        return 0;
    }
    if (std::wcscmp(command, L"click") == 0) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        return 0;
    }
    return 2;
}
