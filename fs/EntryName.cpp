#include "fs/EntryName.h"
#include "foundation/Mbcs.h"
#include <cstring>
#include <string>
#include <vector>

namespace {
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }

// A component of dots and blanks only: the platform strips trailing dots
// and blanks, so "... " may resolve to "..".
bool DotsOnly(const char* component) {
    for (const char* p = component; *p != '\0'; ++p)
        if (*p != '.' && *p != ' ') return false;
    return true;
}

bool ForbiddenCharacter(unsigned code) {
    return code < 0x20 || (code < 0x80 && std::strchr("<>\"|?*", static_cast<int>(code)) != nullptr);
}

EntryNameVerdict CheckComponent(const char* text) {
    if (*text == '\0' || DotsOnly(text)) return ENTRY_NAME_OUTSIDE;
    const char* last = text;
    for (const char* p = text; *p != '\0'; p = Mbcs::Next(p)) {
        if (ForbiddenCharacter(Mbcs::CodeAt(p))) return ENTRY_NAME_UNWRITABLE;
        last = p;
    }
    if (*last == '.' || *last == ' ') return ENTRY_NAME_UNWRITABLE;
    return IsReservedDeviceName(text) ? ENTRY_NAME_UNWRITABLE : ENTRY_NAME_OK;
}
}  // namespace

bool EntryNameWide(const char* raw, unsigned attributes, std::wstring& name) {
    std::vector<wchar_t> wide;
    if (!Mbcs::ToWide(raw, (attributes & kEntryNameIsUtf8) != 0, wide)) return false;
    name.assign(wide.data());
    for (wchar_t& c : name)
        if (c == L'/') c = L'\\';
    return true;
}

// Read component by component, with any character outside ASCII standing
// for itself as a letter would. Asked for every file of an extraction:
// nothing is allocated but the one component.
EntryNameVerdict CheckNameWide(const std::wstring& name) {
    if (name.empty()) return ENTRY_NAME_OUTSIDE;
    EntryNameVerdict verdict = ENTRY_NAME_OK;
    std::string component;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        wchar_t c = i < name.size() ? name[i] : L'\0';
        if (c == L':') return ENTRY_NAME_OUTSIDE;
        if (c != L'\\' && c != L'/' && c != L'\0') continue;
        component.clear();
        for (size_t j = start; j < i; ++j) component += name[j] < 0x80 ? static_cast<char>(name[j]) : 'x';
        start = i + 1;
        EntryNameVerdict part = CheckComponent(component.c_str());
        if (part == ENTRY_NAME_OUTSIDE) return ENTRY_NAME_OUTSIDE;
        if (part != ENTRY_NAME_OK) verdict = part;
        if (c == L'\0') break;
    }
    return verdict;
}

bool IsPlainFileName(const char* name) {
    for (const char* p = name; *p != '\0'; p = Mbcs::Next(p))
        if (Mbcs::InSet("\\/:", Mbcs::CodeAt(p))) return false;
    return CheckComponent(name) == ENTRY_NAME_OK;
}

bool IsReservedDeviceName(const char* component) {
    // The device is the part before the first dot, blanks before it ignored
    // ("con .txt" is CON as well).
    size_t n = std::strcspn(component, ".");
    while (n > 0 && component[n - 1] == ' ') --n;
    char base[5] = "";
    if (n < 3 || n > 4) return false;
    for (size_t i = 0; i < n; ++i) base[i] = Upper(component[i]);
    base[n] = '\0';
    if (n == 3)
        return std::strcmp(base, "CON") == 0 || std::strcmp(base, "PRN") == 0 || std::strcmp(base, "AUX") == 0 ||
               std::strcmp(base, "NUL") == 0;
    bool port = std::strncmp(base, "COM", 3) == 0 || std::strncmp(base, "LPT", 3) == 0;
    return port && base[3] >= '1' && base[3] <= '9';
}
