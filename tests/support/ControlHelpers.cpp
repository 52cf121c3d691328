#include "foundation/WideText.h"
#include "tests/support/ControlHelpers.h"
#include "ui/ReadableColour.h"
#include <cstring>

std::string RichEditText(HWND rich) {
    GETTEXTLENGTHEX length = {GTL_DEFAULT | GTL_NUMBYTES, 932};
    LRESULT n = SendMessageA(rich, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    std::vector<char> buffer(static_cast<size_t>(n) + 16, '\0');
    GETTEXTEX get = {static_cast<DWORD>(buffer.size()), GT_DEFAULT, 932, nullptr, nullptr};
    SendMessageA(rich, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.data();
}

std::wstring RichEditWideText(HWND rich) {
    GETTEXTLENGTHEX length = {GTL_DEFAULT | GTL_NUMCHARS, 1200};
    LRESULT n = SendMessageW(rich, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    std::vector<wchar_t> buffer(static_cast<size_t>(n) + 16, L'\0');
    GETTEXTEX get = {static_cast<DWORD>(buffer.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
    SendMessageW(rich, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.data();
}

CHARFORMATA RichEditFormatAt(HWND rich, int position) {
    CHARRANGE range = {position, position + 1};
    SendMessageA(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMATA format = {};
    format.cbSize = sizeof format;
    SendMessageA(rich, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}

HDROP MakeDropWide(const std::vector<std::wstring>& names, POINT point) {
    size_t bytes = sizeof(DROPFILES) + sizeof(wchar_t);
    for (const auto& n : names) bytes += (n.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = point;
    drop->fNC = FALSE;
    drop->fWide = TRUE;  // as the shell drops them
    wchar_t* p = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES));
    for (const auto& n : names) {
        std::memcpy(p, n.c_str(), (n.size() + 1) * sizeof(wchar_t));
        p += n.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

HDROP MakeDrop(const std::vector<std::string>& names, POINT point) {
    std::vector<std::wstring> wide;
    for (const auto& n : names) wide.push_back(FromShiftJis(n.c_str()));
    return MakeDropWide(wide, point);
}

POINT ControlCentre(HWND dialog, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ScreenToClient(dialog, &p);
    return p;
}

unsigned PaintedColour(HWND control) {
    InvalidateRect(control, nullptr, TRUE);
    UpdateWindow(control);
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    COLORREF c = GetPixel(dc, client.right - 3, client.bottom - 3);
    ReleaseDC(control, dc);
    return static_cast<unsigned>(GetRValue(c)) << 16 | static_cast<unsigned>(GetGValue(c)) << 8 | GetBValue(c);
}

bool ShownAs(HWND control, const CHARFORMATA& format, unsigned hue) {
    if ((format.dwEffects & CFE_AUTOCOLOR) != 0) return false;
    COLORREF c = format.crTextColor;
    unsigned shown =
        static_cast<unsigned>(GetRValue(c)) << 16 | static_cast<unsigned>(GetGValue(c)) << 8 | GetBValue(c);
    unsigned channels[3] = {(shown >> 16) & 0xFF, (shown >> 8) & 0xFF, shown & 0xFF};
    int wanted = (hue >> 16) & 0xFF ? 0 : (hue >> 8) & 0xFF ? 1 : 2;
    for (int i = 0; i < 3; ++i)
        if (i != wanted && channels[i] >= channels[wanted]) return false;
    return ContrastRatio(shown, PaintedColour(control)) >= kReadableContrast;
}

std::wstring WindowUnicode(HWND window) {
    wchar_t text[4096] = L"";
    GetWindowTextW(window, text, 4096);
    return text;
}
