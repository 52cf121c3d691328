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

int MessageBox932OnStack(HWND owner, const char* text, const char* caption, UINT type) {
    wchar_t wideText[1024] = L"", wideCaption[256] = L"";
    MultiByteToWideChar(932, 0, text, -1, wideText, 1023);
    MultiByteToWideChar(932, 0, caption, -1, wideCaption, 255);
    wideText[1023] = L'\0';
    wideCaption[255] = L'\0';
    return MessageBoxW(owner, wideText, wideCaption, type);
}
