#include "foundation/WideText.h"
#include "foundation/Mbcs.h"

std::vector<wchar_t> Wide932(const char* text) {
    std::vector<wchar_t> wide(1, L'\0');
    if (text == nullptr || *text == '\0') return wide;
    int count = MultiByteToWideChar(932, 0, text, -1, nullptr, 0);
    if (count <= 0) return wide;
    wide.resize(static_cast<size_t>(count));
    MultiByteToWideChar(932, 0, text, -1, wide.data(), count);
    return wide;
}

std::string Narrow932(const wchar_t* text) {
    std::string out;
    size_t n = 0;
    while (text != nullptr && text[n] != L'\0') ++n;
    Mbcs::ShiftJisFromWide(text, n, out);
    return out;
}

BOOL SetWindowText932(HWND window, const char* text) { return SetWindowTextW(window, Wide932(text).data()); }

BOOL SetDlgItemText932(HWND dialog, int controlId, const char* text) {
    return SetDlgItemTextW(dialog, controlId, Wide932(text).data());
}

bool WindowText932(HWND window, std::string& out) {
    out.clear();
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return true;
    std::vector<wchar_t> wide(static_cast<size_t>(length) + 1, L'\0');
    int n = GetWindowTextW(window, wide.data(), length + 1);
    return Mbcs::ShiftJisFromWide(wide.data(), n > 0 ? static_cast<size_t>(n) : 0, out) == 0;
}

std::string WindowText932(HWND window) {
    std::string out;
    WindowText932(window, out);
    return out;
}

int MessageBox932(HWND owner, const char* text, const char* caption, UINT type) {
    return MessageBoxW(owner, Wide932(text).data(), Wide932(caption).data(), type);
}

void Wide932Into(const char* text, wchar_t* out, int capacity) {
    if (capacity <= 0) return;
    out[0] = L'\0';
    int n = MultiByteToWideChar(932, 0, text != nullptr ? text : "", -1, out, capacity - 1);
    out[n > 0 ? n : 0] = L'\0';
    out[capacity - 1] = L'\0';
}

int MessageBox932OnStack(HWND owner, const char* text, const char* caption, UINT type) {
    wchar_t wideText[1024], wideCaption[256];
    Wide932Into(text, wideText, 1024);
    Wide932Into(caption, wideCaption, 256);
    return MessageBoxW(owner, wideText, wideCaption, type);
}

namespace {
bool g_noShortPaths = false;  // tests: volumes without short names
}  // namespace

bool SystemCodePagePath(const wchar_t* wide, std::string& out) {
    out.clear();
    UINT codePage = GetACP();
    BOOL lost = FALSE;
    // UTF-8 holds everything and takes no default character.
    BOOL* check = codePage == CP_UTF8 ? nullptr : &lost;
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int n = WideCharToMultiByte(codePage, flags, wide, -1, nullptr, 0, nullptr, check);
    if (n <= 0 || lost) return false;
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(codePage, flags, wide, -1, &out[0], n, nullptr, check);
    out.resize(static_cast<size_t>(n - 1));
    return !lost;
}

void SetNoShortPathsForTests(bool none);
void SetNoShortPathsForTests(bool none) { g_noShortPaths = none; }

bool ShortSystemPath(const wchar_t* path, std::string& out) {
    out.clear();
    if (g_noShortPaths) return false;
    DWORD n = GetShortPathNameW(path, nullptr, 0);
    if (n == 0) return false;
    std::vector<wchar_t> shortPath(n + 1, L'\0');
    if (GetShortPathNameW(path, shortPath.data(), n + 1) == 0) return false;
    return SystemCodePagePath(shortPath.data(), out);
}

int RunWithArguments932(int argc, wchar_t** argv, int (*main)(int argc, char** argv)) {
    std::vector<std::string> texts;
    for (int i = 0; i < argc; ++i) texts.push_back(Narrow932(argv[i]));
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(&text[0]);
    pointers.push_back(nullptr);
    return main(argc, pointers.data());
}
