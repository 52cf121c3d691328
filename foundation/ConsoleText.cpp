// The console tools' one way out to the console, a file or a pipe.
#include "foundation/ConsoleText.h"
#include <cstdarg>
#include <cwchar>
#include <vector>

void WriteConsoleText(DWORD standardHandle, const std::wstring& text) {
    HANDLE out = GetStdHandle(standardHandle);
    if (out == nullptr || out == INVALID_HANDLE_VALUE || text.empty()) return;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    int length = static_cast<int>(text.size());
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return;
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &utf8[0], n, nullptr, nullptr);
    WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

std::wstring FormatWide(const wchar_t* format, va_list arguments) {
    // Grown until the text fits: a path in it may be 32,767 units long.
    for (size_t size = 512;; size *= 2) {
        std::vector<wchar_t> buffer(size);
        va_list copy;
        va_copy(copy, arguments);
        int n = std::vswprintf(buffer.data(), buffer.size(), format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < size) return std::wstring(buffer.data(), static_cast<size_t>(n));
        if (size > (1u << 20)) return std::wstring(format);  // a format that never fits
    }
}
