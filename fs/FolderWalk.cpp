#include "fs/FolderWalk.h"
#include "foundation/Mbcs.h"
#include "fs/EntryName.h"

namespace {
// The part of path from at, the separators before it skipped, with the one
// after it if there is one; false at the end.
bool NextPart(const std::wstring& path, size_t& at, std::wstring& part) {
    at = path.find_first_not_of(L'\\', at);
    if (at == std::wstring::npos) return false;
    size_t end = path.find(L'\\', at);
    end = end == std::wstring::npos ? path.size() : end + 1;
    part.assign(path, at, end - at);
    at = end;
    return true;
}
}  // namespace

std::vector<std::wstring> LeadingFolders(const std::wstring& path) {
    std::vector<std::wstring> folders;
    std::wstring prefix, part;
    size_t at = 0;
    if (path.compare(0, 2, L"\\\\") == 0) {
        std::wstring server, share;
        if (!NextPart(path, at, server) || !NextPart(path, at, share)) return folders;
        prefix = L"\\\\" + server + share;
        folders.push_back(prefix);
    }
    while (NextPart(path, at, part)) {
        prefix += part;
        folders.push_back(prefix);
    }
    return folders;
}

bool FindDeepestExistingFolder(const std::wstring& path, std::wstring& folder) {
    bool any = false;
    for (const std::wstring& prefix : LeadingFolders(path)) {
        if (!pathExists(prefix)) break;
        folder = prefix;
        any = true;
    }
    return any;
}

std::wstring NormalizeSeparators(const std::wstring& path) {
    std::wstring result;
    // A share keeps the two separators that begin it.
    bool share = path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/');
    if (share) result = L"\\\\";
    bool afterSeparator = share;
    for (size_t i = share ? 2 : 0; i < path.size(); ++i) {
        bool separator = path[i] == L'\\' || path[i] == L'/';
        if (separator && afterSeparator) continue;
        result += separator ? L'\\' : path[i];
        afterSeparator = separator;
    }
    return result;
}

namespace {
std::wstring WithoutSeparator(const std::wstring& folder) {
    return !folder.empty() && folder.back() == L'\\' ? folder.substr(0, folder.size() - 1) : folder;
}
}  // namespace

bool FindFileOnPath(const std::wstring& path, std::wstring& file) {
    for (const std::wstring& prefix : LeadingFolders(path)) {
        // Without its separator: a file followed by one does not exist.
        std::wstring level = WithoutSeparator(prefix);
        DWORD attributes = 0;
        if (level.size() > 2 && pathExists(level, &attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            file = level;
            return true;
        }
    }
    return false;
}

bool FindUnwritableFolderName(const std::wstring& path, std::wstring& name) {
    std::vector<std::wstring> folders = LeadingFolders(path);
    for (size_t i = 1; i < folders.size(); ++i) {
        std::wstring component = WithoutSeparator(folders[i]).substr(folders[i - 1].size());
        if (component == L"." || component == L"..") continue;
        if (CheckNameWide(component) != ENTRY_NAME_OK) {
            name = component;
            return true;
        }
    }
    return false;
}
