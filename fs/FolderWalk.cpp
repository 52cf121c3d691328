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

std::vector<FCString> LeadingFolders(const char* path) {
    std::vector<FCString> folders;
    for (const std::wstring& folder : LeadingFolders(std::wstring(Wide932(path != nullptr ? path : "").data())))
        folders.push_back(FCString(Narrow932(folder.c_str()).c_str()));
    return folders;
}

bool FindDeepestExistingFolder(const char* path, FCString& folder) {
    bool any = false;
    for (const FCString& prefix : LeadingFolders(path)) {
        if (!pathExists(prefix.text())) break;
        folder.assignFrom(prefix);
        any = true;
    }
    return any;
}

void NormalizeSeparators(const char* path, FCString& out) {
    FCString result;
    const char* p = path != nullptr ? path : "";
    // A share keeps the two separators that begin it.
    bool share = (p[0] == '\\' || p[0] == '/') && (p[1] == '\\' || p[1] == '/');
    if (share) {
        result.append("\\\\");
        p += 2;
    }
    bool afterSeparator = share;
    for (const char* next; *p != '\0'; p = next) {
        next = Mbcs::Next(p);
        unsigned code = Mbcs::CodeAt(p);
        bool separator = code == '\\' || code == '/';
        if (separator && afterSeparator) continue;
        if (separator) result.append("\\");
        else result.append(p, static_cast<int>(next - p));
        afterSeparator = separator;
    }
    out.assignFrom(result);
}

namespace {
// folder without the separator that ends it, if any: by whole characters,
// since the last byte of 表 or ソ has the value of a separator.
FCString WithoutSeparator(const FCString& folder) {
    const char* last = Mbcs::Prev(folder.text(), folder.end());
    if (Mbcs::CodeAt(last) != '\\') return folder;
    FCString cut;
    cut.append(folder.text(), static_cast<int>(last - folder.text()));
    return cut;
}
}  // namespace

bool FindFileOnPath(const char* path, FCString& file) {
    for (const FCString& prefix : LeadingFolders(path)) {
        // Without its separator: a file followed by one does not exist.
        FCString level = WithoutSeparator(prefix);
        DWORD attributes = 0;
        if (level.length() > 2 && pathExists(level.text(), &attributes) &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            file.assignFrom(level);
            return true;
        }
    }
    return false;
}

bool FindUnwritableFolderName(const char* path, FCString& name) {
    std::vector<FCString> folders = LeadingFolders(path);
    for (size_t i = 1; i < folders.size(); ++i) {
        FCString component(WithoutSeparator(folders[i]).text() + folders[i - 1].length());
        if (component.equals(FCString(".")) || component.equals(FCString(".."))) continue;
        FCString safe;
        if (CheckEntryName(component, safe) != ENTRY_NAME_OK) {
            name.assignFrom(component);
            return true;
        }
    }
    return false;
}
