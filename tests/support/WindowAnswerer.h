// Answers the message boxes and dialogs that a code path raises, through the
// window system: a helper thread finds each top-level window of this process
// with the expected title, reads its text, presses a button and waits until
// the window is gone before it looks for the next one.
#pragma once
#include <windows.h>
#include <string>
#include <functional>
#include <thread>
#include <vector>

class WindowAnswerer {
public:
    // Presses the buttons in order, one per window titled `title`.
    WindowAnswerer(const std::string& title, std::vector<int> buttons, DWORD timeoutMs = 20000);
    // The same, calling `before` with the window's index before each press.
    typedef std::function<void(size_t index)> BeforePress;
    WindowAnswerer(const std::string& title, std::vector<int> buttons, BeforePress before, DWORD timeoutMs = 20000);
    ~WindowAnswerer();
    WindowAnswerer(const WindowAnswerer&) = delete;
    WindowAnswerer& operator=(const WindowAnswerer&) = delete;

    // Waits for the helper to finish and returns the texts it read, one per window.
    const std::vector<std::string>& texts();
    int answered();

    // The visible window of this process with the title, or null, polled
    // until the deadline.
    static HWND waitForWindow(const std::string& title, DWORD timeoutMs, const char* className = "#32770");
    // The same for another process; a null title or class matches any.
    static HWND waitForProcessWindow(DWORD pid, const char* title, DWORD timeoutMs, const char* className = nullptr);
    // Polls until the predicate holds or the time is over.
    template <class F>
    static bool waitUntil(F predicate, DWORD timeoutMs) {
        DWORD start = GetTickCount();
        while (!predicate()) {
            if (GetTickCount() - start > timeoutMs) return false;
            Sleep(10);
        }
        return true;
    }
    // The same, the calling thread's windows answering meanwhile: for a
    // wait on a thread that may itself be sending to them.
    template <class F>
    static bool waitAnswering(F predicate, DWORD timeoutMs) {
        return waitUntil(
            [&] {
                MSG msg;
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
                return predicate();
            },
            timeoutMs);
    }
    static std::string windowText(HWND window);
    static std::string messageBoxText(HWND box);

private:
    void run();
    std::string title_;
    std::vector<int> buttons_;
    DWORD timeoutMs_;
    BeforePress before_;
    std::vector<std::string> texts_;
    std::thread thread_;
    bool joined_ = false;
};
