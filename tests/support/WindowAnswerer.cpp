#include "tests/support/WindowAnswerer.h"
#include "foundation/WideText.h"
#include "tests/support/ControlHelpers.h"

namespace {
struct Search {
    DWORD pid;
    const char* title;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    Search* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window)) return TRUE;
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (search->className != nullptr && lstrcmpA(name, search->className) != 0) return TRUE;
    // The title as the window system holds it: asking the window itself
    // would wait on its thread, which may be waiting on this one.
    wchar_t title[256] = L"";
    InternalGetWindowText(window, title, 256);
    if (search->title != nullptr && ToShiftJis(title) != search->title) return TRUE;
    search->found = window;
    return FALSE;
}
}  // namespace

WindowAnswerer::WindowAnswerer(const std::string& title, std::vector<int> buttons, DWORD timeoutMs)
    : title_(title), buttons_(std::move(buttons)), timeoutMs_(timeoutMs), thread_([this] { run(); }) {}

WindowAnswerer::WindowAnswerer(const std::string& title, std::vector<int> buttons, BeforePress before, DWORD timeoutMs)
    : title_(title), buttons_(std::move(buttons)), timeoutMs_(timeoutMs), before_(std::move(before)),
      thread_([this] { run(); }) {}

WindowAnswerer::~WindowAnswerer() { texts(); }

const std::vector<std::string>& WindowAnswerer::texts() {
    if (!joined_) {
        thread_.join();
        joined_ = true;
    }
    return texts_;
}

int WindowAnswerer::answered() { return static_cast<int>(texts().size()); }

// Read as UTF-16 and given in Shift_JIS, whatever the system's code page.
std::string WindowAnswerer::windowText(HWND window) { return WindowText932(window); }

std::string WindowAnswerer::messageBoxText(HWND box) {
    // The message text of a message box is the static control 0xFFFF; that
    // of the tool's own message dialogs, their rich edit 1001.
    HWND text = GetDlgItem(box, 0xFFFF);
    return text != nullptr ? WindowText932(text) : RichEditText(GetDlgItem(box, 1001));
}

HWND WindowAnswerer::waitForWindow(const std::string& title, DWORD timeoutMs, const char* className) {
    return waitForProcessWindow(GetCurrentProcessId(), title.c_str(), timeoutMs, className);
}

HWND WindowAnswerer::waitForProcessWindow(DWORD pid, const char* title, DWORD timeoutMs, const char* className) {
    Search search = {pid, title, className, nullptr};
    waitUntil(
        [&] {
            search.found = nullptr;
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

void WindowAnswerer::run() {
    for (int button : buttons_) {
        HWND box = waitForWindow(title_, timeoutMs_);
        if (box == nullptr) return;
        texts_.push_back(messageBoxText(box));
        if (before_) before_(texts_.size() - 1);
        HWND control = GetDlgItem(box, button);
        if (control != nullptr) SendMessageA(control, BM_CLICK, 0, 0);
        else PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        waitUntil([&] { return !IsWindow(box); }, timeoutMs_);
    }
}
