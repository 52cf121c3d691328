#include "foundation/WideText.h"
#include "foundation/Mbcs.h"
#include <cstring>
#include <cwchar>

namespace {
int HexDigit(char c) { return (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1; }
}  // namespace

std::vector<wchar_t> Wide932(const char* text) {
    std::vector<wchar_t> wide(1, L'\0');
    if (text == nullptr || *text == '\0') return wide;
    if (std::strchr(text, kKeptWideStart) != nullptr) {
        std::wstring kept = WideFromKept(text);
        return std::vector<wchar_t>(kept.c_str(), kept.c_str() + kept.size() + 1);
    }
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

std::wstring WindowTextWide(HWND window) {
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> wide(static_cast<size_t>(length) + 1, L'\0');
    int n = GetWindowTextW(window, wide.data(), length + 1);
    return std::wstring(wide.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

bool WindowText932(HWND window, std::string& out) {
    out.clear();
    std::wstring wide = WindowTextWide(window);
    return Mbcs::ShiftJisFromWide(wide.data(), wide.size(), out) == 0;
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
    int at = 0;
    // Run by run: Shift_JIS through the conversion, kept units as they are
    // (no trail byte has the value of the byte that starts them).
    for (const char* p = text != nullptr ? text : ""; *p != '\0' && at < capacity - 1;) {
        const char* run = p;
        while (*p != '\0' && *p != kKeptWideStart) ++p;
        if (p > run) {
            int n = MultiByteToWideChar(932, 0, run, static_cast<int>(p - run), out + at, capacity - 1 - at);
            if (n <= 0) break;
            at += n;
        }
        if (*p != kKeptWideStart) continue;
        for (++p; at < capacity - 1 && HexDigit(p[0]) >= 0 && HexDigit(p[1]) >= 0 && HexDigit(p[2]) >= 0 &&
                  HexDigit(p[3]) >= 0;
             p += 4)
            out[at++] =
                static_cast<wchar_t>(HexDigit(p[0]) << 12 | HexDigit(p[1]) << 8 | HexDigit(p[2]) << 4 | HexDigit(p[3]));
        if (*p == kKeptWideEnd) ++p;
    }
    out[at] = L'\0';
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
    for (int i = 0; i < argc; ++i) texts.push_back(ShiftJisKeepingWide(argv[i], std::wcslen(argv[i])));
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(&text[0]);
    pointers.push_back(nullptr);
    return main(argc, pointers.data());
}

void AppendKeptWide(std::string& out, const wchar_t* units, size_t n) {
    static const char kHex[] = "0123456789ABCDEF";
    out += kKeptWideStart;
    for (size_t i = 0; i < n; ++i)
        for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(units[i] >> shift) & 15];
    out += kKeptWideEnd;
}

const char* ReadKeptWide(const char* p, std::wstring& units) {
    for (; HexDigit(p[0]) >= 0 && HexDigit(p[1]) >= 0 && HexDigit(p[2]) >= 0 && HexDigit(p[3]) >= 0; p += 4)
        units +=
            static_cast<wchar_t>(HexDigit(p[0]) << 12 | HexDigit(p[1]) << 8 | HexDigit(p[2]) << 4 | HexDigit(p[3]));
    return *p == kKeptWideEnd ? p + 1 : p;
}

std::string ShiftJisKeepingWide(const wchar_t* wide, size_t n) {
    std::string out, one;
    for (size_t i = 0; i < n;) {
        // A surrogate pair is one character.
        size_t length = (IS_HIGH_SURROGATE(wide[i]) && i + 1 < n && IS_LOW_SURROGATE(wide[i + 1])) ? 2 : 1;
        one.clear();
        if (Mbcs::ShiftJisFromWide(wide + i, length, one) == 0) out += one;
        else AppendKeptWide(out, wide + i, length);
        i += length;
    }
    return out;
}

std::string ShiftJisKeepingWide(const wchar_t* zeroTerminated) {
    return ShiftJisKeepingWide(zeroTerminated, zeroTerminated != nullptr ? std::wcslen(zeroTerminated) : 0);
}

std::wstring WideFromKept(const char* text) {
    std::wstring out;
    std::string run;
    for (const char* p = text != nullptr ? text : "";;) {
        if (*p != '\0' && *p != kKeptWideStart) {
            run += *p++;
            continue;
        }
        out += Wide932(run.c_str()).data();
        run.clear();
        if (*p == '\0') return out;
        p = ReadKeptWide(p + 1, out);
    }
}

std::string ShiftJisShown(const char* text, const char* substitute) {
    std::wstring wide = WideFromKept(text);
    std::string out;
    Mbcs::ShiftJisFromWide(wide.data(), wide.size(), out, substitute);
    return out;
}
