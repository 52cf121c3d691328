// kelpack's console lines, and the folder helpers its commands share.
#include "publisher/kelpack/Console.h"
#include "publisher/kelpack/TestSeams.h"
#include "foundation/ConsoleText.h"
#include "foundation/SystemErrorText.h"
#include "fs/FCFile.h"
#include "fs/FCFileUty.h"
#include "fs/FCPathName.h"
#include "fs/PathCompare.h"
#include <cstdarg>

namespace {
std::wstring* g_captured = nullptr;
}  // namespace

void CaptureSayingForTests(std::wstring* into) { g_captured = into; }

void Say(const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::wstring line = L"kelpack: " + FormatWide(format, arguments) + L"\n";
    va_end(arguments);
    WriteConsoleText(STD_ERROR_HANDLE, line);
    if (g_captured != nullptr) *g_captured += line;
}

namespace {
int ReportRemoveError(unsigned, DWORD* errorCode, const wchar_t* path, int, LPARAM stays) {
    Say(L"cannot remove %ls (%ls)", path, SystemErrorLine(errorCode != nullptr ? *errorCode : 0).c_str());
    *reinterpret_cast<bool*>(stays) = true;
    return FCFileUty::ANSWER_SKIP;
}
}  // namespace

bool RemoveFolderQuietly(const std::wstring& folder) {
    if (!pathExists(folder)) return true;
    bool force = true, stays = false;
    FCFileUty::removeTree(folder, force, nullptr, ReportRemoveError, reinterpret_cast<LPARAM>(&stays));
    return !stays && !pathExists(folder);
}

std::wstring FolderPath(const std::wstring& path) {
    std::wstring full;
    if (!FullPathName(path, full)) full = path;
    if (!full.empty() && full.back() != L'\\') full += L'\\';
    return full;
}
