#include "foundation/WideText.h"
#include "foundation/Mbcs.h"
#include <cstring>
#include <vector>

std::wstring FromShiftJis(const char* text, size_t length) {
    if (text == nullptr || length == 0) return std::wstring();
    int count = MultiByteToWideChar(932, 0, text, static_cast<int>(length), nullptr, 0);
    if (count <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(count), L'\0');
    MultiByteToWideChar(932, 0, text, static_cast<int>(length), &wide[0], count);
    return wide;
}

std::wstring FromShiftJis(const char* text) { return FromShiftJis(text, text != nullptr ? std::strlen(text) : 0); }

std::string ToShiftJis(const std::wstring& text, const char* substitute) {
    std::string out;
    Mbcs::ShiftJisFromWide(text.data(), text.size(), out, substitute);
    return out;
}

BOOL SetWindowText932(HWND window, const char* text) { return SetWindowTextW(window, FromShiftJis(text).c_str()); }

BOOL SetDlgItemText932(HWND dialog, int controlId, const char* text) {
    return SetDlgItemTextW(dialog, controlId, FromShiftJis(text).c_str());
}

std::wstring WindowTextWide(HWND window) {
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> wide(static_cast<size_t>(length) + 1, L'\0');
    int n = GetWindowTextW(window, wide.data(), length + 1);
    return std::wstring(wide.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

std::string WindowText932(HWND window) { return ToShiftJis(WindowTextWide(window)); }

int MessageBox932(HWND owner, const char* text, const char* caption, UINT type) {
    return MessageBoxW(owner, FromShiftJis(text).c_str(), FromShiftJis(caption).c_str(), type);
}

void ShiftJisInto(const char* text, wchar_t* out, int capacity) {
    if (capacity <= 0) return;
    int n = text == nullptr || *text == '\0' ? 0 : MultiByteToWideChar(932, 0, text, -1, out, capacity);
    if (n <= 0) {
        // Cut to fit: as much as the buffer holds, by whole characters.
        size_t length = text != nullptr ? Mbcs::BoundedLength(text, static_cast<size_t>(capacity - 1) / 2) : 0;
        n = length > 0 ? MultiByteToWideChar(932, 0, text, static_cast<int>(length), out, capacity - 1) : 0;
        out[n > 0 ? n : 0] = L'\0';
        return;
    }
    out[capacity - 1] = L'\0';
}
