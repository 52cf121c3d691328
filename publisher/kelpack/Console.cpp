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
    std::fprintf(stderr, "kelpack: %s\n", line);
    if (g_captured != nullptr) *g_captured += std::string("kelpack: ") + line + "\n";
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
    wchar_t wide[MAX_PATH];
    DWORD n = GetFullPathNameW(Wide932(path.c_str()).data(), MAX_PATH, wide, nullptr);
    if (n > 0 && n < MAX_PATH) full = Narrow932(wide);
    FCPathName name(full.c_str());
    if (!full.empty()) name.addSeparator();
    return name.text();
}
