#include "foundation/SystemErrorText.h"
#include "foundation/WideText.h"
#include <cstring>

std::string SystemErrorLine(DWORD code) {
    FCString system;
    std::string text = "error " + std::to_string(code);
    if (SystemErrorText(code, system)) text += std::string(": ") + system.text();
    return text;
}

bool SystemErrorText(DWORD code, FCString& out) {
    out.clear();
    if (code == 0) return false;
    wchar_t* system = nullptr;
    DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&system), 0, nullptr);
    if (n == 0 || system == nullptr) return false;
    while (n > 0 && (system[n - 1] == L'\r' || system[n - 1] == L'\n' || system[n - 1] == L' ')) system[--n] = L'\0';
    out.assignFrom(Narrow932(system).c_str());
    LocalFree(system);
    return !out.isEmpty();
}
