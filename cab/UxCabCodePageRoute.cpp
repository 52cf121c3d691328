// The route for names the system's code page cannot hold: the platform is
// given an ASCII temporary name, through a folder's short name or a scratch
// folder of ours, and the wide move gives the file its real name.
#include "cab/UxCAB.h"
#include "cab/UxCabShared.h"
#include "foundation/WideText.h"
#include "fs/FolderWalk.h"
#include <vector>

bool UxCAB::platformTarget(INFLIGHT_& file, std::string& platform) {
    if (SystemCodePagePath(file.written.c_str(), platform) && platform.size() < MAX_PATH) return true;
    std::wstring folder = FolderOf(file.target);
    FCString text;
    // One short-name query a folder: a Run writes thousands of files into few.
    auto route = writeFolders_.find(folder);
    if (route == writeFolders_.end()) {
        WRITE_FOLDER_ made{folder, std::string()};
        if (!ShortSystemPath(folder.c_str(), made.platform) && !makeScratchFolder(folder, made.folder, made.platform)) {
            AppendBracketed(text, "このシステムの文字コードでは書き込めない名前のため展開できません",
                            file.shown.text());
            failCabinet(text);
            return false;
        }
        if (!made.platform.empty() && made.platform.back() != '\\') made.platform += '\\';
        route = writeFolders_.emplace(folder, made).first;
    }
    const std::wstring& writeFolder = route->second.folder;
    if (file.written == file.target || writeFolder != folder) {
        std::wstring replaced(file.written);
        if (!makeTemporary(writeFolder, file, "一時ファイルを作成できないため展開できません")) return false;
        if (replaced != file.target) DeleteFileW(replaced.c_str());
    }
    // The temporary name is ASCII: every code page holds it.
    std::string name;
    if (SystemCodePagePath(NameOf(file.written).c_str(), name)) platform = route->second.platform + name;
    if (!name.empty() && platform.size() < MAX_PATH) return true;
    // Never a skip without a word: the file would be missing from a Run
    // that reports success.
    DeleteFileW(file.written.c_str());
    AppendBracketed(text, "展開先のパスが長すぎるため展開できません", file.shown.text());
    failCabinet(text);
    return false;
}

bool UxCAB::makeScratchFolder(const std::wstring& folder, std::wstring& scratch, std::string& platform) {
    // A folder the code page cannot name holds none it can.
    std::wstring ancestor;
    std::string named;
    for (const std::wstring& leading : LeadingFolders(folder)) {
        if (!SystemCodePagePath(leading.c_str(), named)) break;
        ancestor = leading;
    }
    if (ancestor.empty()) return false;
    for (const SCRATCH_& made : scratchFolders_) {
        if (made.ancestor == ancestor) {
            scratch = made.folder;
            return SystemCodePagePath(made.folder.c_str(), platform);
        }
    }
    wchar_t name[MAX_PATH];
    if (GetTempFileNameW(ancestor.c_str(), L"kxd", 0, name) == 0) return false;
    DeleteFileW(name);
    if (!CreateDirectoryW(name, nullptr)) return false;
    scratch = name;
    scratch += L'\\';
    scratchFolders_.push_back(SCRATCH_{ancestor, scratch});
    return SystemCodePagePath(scratch.c_str(), platform);
}

void UxCAB::removeScratchFolders() {
    for (const SCRATCH_& made : scratchFolders_) RemoveDirectoryW(made.folder.c_str());
    scratchFolders_.clear();
    writeFolders_.clear();  // their routes may name those folders
}
