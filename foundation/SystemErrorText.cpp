#include "foundation/SystemErrorText.h"
#include "foundation/WideText.h"
#include <cstring>

std::wstring SystemErrorLine(DWORD code) {
    std::wstring text = L"error " + std::to_wstring(code), system = SystemErrorWide(code);
    if (!system.empty()) text += L": " + system;
    return text;
}

std::wstring SystemErrorWide(DWORD code) {
    if (code == 0) return std::wstring();
    wchar_t* system = nullptr;
    DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&system), 0, nullptr);
    if (n == 0 || system == nullptr) return std::wstring();
    while (n > 0 && (system[n - 1] == L'\r' || system[n - 1] == L'\n' || system[n - 1] == L' ')) --n;
    std::wstring text(system, n);
    LocalFree(system);
    return text;
}

bool SystemErrorText(DWORD code, FCString& out) {
    out.assignFrom(ToShiftJis(SystemErrorWide(code)).c_str());
    return !out.isEmpty();
}
