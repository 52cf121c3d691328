#include "foundation/SystemErrorText.h"
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
    char* system = nullptr;
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&system), 0, nullptr);
    if (n == 0 || system == nullptr) return false;
    // Line ends and blanks are ASCII and never a trail byte at the very end.
    while (n > 0 && std::strchr("\r\n ", system[n - 1]) != nullptr) system[--n] = '\0';
    out.assignFrom(system);
    LocalFree(system);
    return !out.isEmpty();
}
