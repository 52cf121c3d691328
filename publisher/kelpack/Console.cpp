#include "publisher/kelpack/Console.h"
#include "publisher/kelpack/TestSeams.h"
#include "foundation/SystemErrorText.h"
#include "foundation/WideText.h"
#include "fs/FCFileUty.h"
#include "fs/FCPathName.h"
#include <cstdarg>
#include <cstdio>

namespace {
std::string* g_captured = nullptr;
}  // namespace

void CaptureSayingForTests(std::string* into) { g_captured = into; }

void Say(const char* format, ...) {
    char line[2048];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    // A name Shift_JIS cannot hold shows its characters as 〓 on the
    // console, which is given Shift_JIS.
    std::string shown = ShiftJisShown(line, "〓");
    std::fprintf(stderr, "kelpack: %s\n", shown.c_str());
    if (g_captured != nullptr) *g_captured += "kelpack: " + shown + "\n";
}

namespace {
int ReportRemoveError(unsigned, DWORD* errorCode, const char* path, int, LPARAM stays) {
    Say("cannot remove %s (%s)", path, SystemErrorLine(errorCode != nullptr ? *errorCode : 0).c_str());
    *reinterpret_cast<bool*>(stays) = true;
    return FCFileUty::ANSWER_SKIP;
}
}  // namespace

bool RemoveFolderQuietly(const std::string& folder) {
    if (GetFileAttributesW(Wide932(folder.c_str()).data()) == INVALID_FILE_ATTRIBUTES) return true;
    bool force = true, stays = false;
    FCFileUty::removeTree(folder.c_str(), force, nullptr, ReportRemoveError, reinterpret_cast<LPARAM>(&stays));
    return !stays && GetFileAttributesW(Wide932(folder.c_str()).data()) == INVALID_FILE_ATTRIBUTES;
}

std::string FolderPath(const std::string& path) {
    std::string full = path;
    std::wstring given = Wide932(path.c_str()).data(), wide(MAX_PATH, L'\0');
    DWORD n = GetFullPathNameW(given.c_str(), static_cast<DWORD>(wide.size()), &wide[0], nullptr);
    if (n >= wide.size()) {
        wide.resize(n + 1);
        n = GetFullPathNameW(given.c_str(), static_cast<DWORD>(wide.size()), &wide[0], nullptr);
    }
    if (n > 0 && n < wide.size()) full = ShiftJisKeepingWide(wide.data(), n);
    FCPathName name(full.c_str());
    if (!full.empty()) name.addSeparator();
    return name.text();
}
