// The route for names the system's code page cannot hold: the platform is
// given an ASCII temporary name, through a folder's short name or a scratch
// folder of ours, and the wide move gives the file its real name.
#include "cab/UxCabTargets.h"
#include "cab/UxInUse.h"
#include "cab/UxCabShared.h"
#include "fs/FCFile.h"
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "fs/FolderWalk.h"
#include "fs/PathCompare.h"
#include "fs/FCPathName.h"
#include "fs/FileInUse.h"
#include "fs/PlatformPath.h"

namespace {
bool g_noScratchFolders = false;

// Declared for tests in cab/TestSeams.h: the route with no scratch folder
// (a destination whose folders refuse new ones).
bool NoScratchFolders() { return g_noScratchFolders; }
}  // namespace

void SetNoScratchFoldersForTests(bool none);
void SetNoScratchFoldersForTests(bool none) { g_noScratchFolders = none; }
#include <vector>

bool UxCabTargets::temporary(const std::wstring& folder, TARGET_& file, const char* head, std::wstring& failure) {
    // A name no file has, never made in advance: an empty file made to
    // reserve it is one a scanner opens at once, and the platform, finding
    // it held, would end the whole cabinet.
    wchar_t name[24];
    for (unsigned attempt = 0; attempt < 256; ++attempt) {
        wsprintfW(name, L"kx%04X%06X.tmp", GetCurrentProcessId() & 0xFFFF, ++names_ & 0xFFFFFF);
        std::wstring path = folder + name;
        if (pathExists(path)) continue;
        file.written = path;
        return true;
    }
    failure = Bracketed(head, shown(file.relative));
    return false;
}

bool UxCabTargets::platformTarget(TARGET_& file, std::string& platform, std::wstring& failure) {
    // A long form is never given to the platform, which would write an old
    // file over in place.
    bool longForm = file.written != WithoutLongPrefix(file.written);
    if (!longForm && SystemCodePagePath(file.written, platform) && platform.size() < MAX_PATH) return true;
    std::wstring folder = FolderOf(file.target);
    // One route a folder: a Run writes thousands of files into few.
    auto route = writeFolders_.find(folder);
    if (route == writeFolders_.end()) {
        WRITE_FOLDER_ made{folder, std::string()};
        if (!makeScratchFolder(folder, made.folder, made.platform) && !ShortSystemPath(folder, made.platform)) {
            failure =
                Bracketed("このシステムの文字コードでは書き込めない名前のため展開できません", shown(file.relative));
            return false;
        }
        if (!made.platform.empty() && made.platform.back() != '\\') made.platform += '\\';
        route = writeFolders_.emplace(folder, made).first;
    }
    const std::wstring& writeFolder = route->second.folder;
    if (file.written == file.target || writeFolder != folder) {
        if (longForm && writeFolder == folder) {
            // Through a short name the platform's temporary file would be
            // made in a folder only the long form reaches.
            failure = Bracketed("展開先のパスが長すぎるため展開できません", shown(file.relative));
            return false;
        }
        std::wstring replaced(file.written);
        if (writeFolder != folder) {
            // Ours alone: the name is free without a file made to hold it.
            wchar_t name[24];
            wsprintfW(name, L"kx%08X.tmp", ++names_);
            file.written = writeFolder + name;
        } else if (!temporary(writeFolder, file, "一時ファイルを作成できないため展開できません", failure)) {
            return false;
        }
        if (replaced != file.target) RemoveOrLeave(replaced, leftovers_);
    }
    // The temporary name is ASCII: every code page holds it.
    std::string name;
    if (SystemCodePagePath(NameOf(file.written), name)) platform = route->second.platform + name;
    if (!name.empty() && platform.size() < MAX_PATH) return true;
    // Never a skip without a word: the file would be missing from a Run
    // that reports success.
    RemoveOrLeave(file.written, leftovers_);
    failure = Bracketed("展開先のパスが長すぎるため展開できません", shown(file.relative));
    return false;
}

bool UxCabTargets::makeScratchFolder(const std::wstring& folder, std::wstring& scratch, std::string& platform) {
    if (NoScratchFolders()) return false;
    std::wstring ancestor;
    std::string named;
    // Room for the scratch folder's name and a file's in the platform's
    // MAX_PATH.
    const size_t kRoom = 32;
    for (const std::wstring& leading : LeadingFolders(WithoutLongPrefix(folder))) {
        if (leading.size() > destination_.size()) break;
        std::string form;
        if ((SystemCodePagePath(leading, form) || ShortSystemPath(leading, form)) && form.size() + kRoom < MAX_PATH) {
            ancestor = leading;
            named = form;
        }
    }
    if (ancestor.empty()) return false;
    for (const SCRATCH_& made : scratchFolders_) {
        if (made.ancestor == ancestor) {
            scratch = made.folder;
            platform = made.platform;
            return true;
        }
    }
    // A name of ours, made here: the ancestor may be longer than the
    // platform's temporary-name call takes, though its short name is not.
    wchar_t name[24];
    std::wstring path;
    for (unsigned attempt = 0;; ++attempt) {
        if (attempt == 16) return false;
        wsprintfW(name, L"kxd%04X%04X.tmp", GetCurrentProcessId() & 0xFFFF, (GetTickCount() + attempt) & 0xFFFF);
        path = ancestor + name;
        if (CreateDirectoryW(LongPathForm(path).c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    SCRATCH_ made{ancestor, path + L"\\", named};
    if (!made.platform.empty() && made.platform.back() != '\\') made.platform += '\\';
    made.platform += ToShiftJis(name) + "\\";  // ASCII
    scratchFolders_.push_back(made);
    scratch = made.folder;
    platform = made.platform;
    return true;
}

void UxCabTargets::removeScratchFolders() {
    // Whatever the settler did not settle (it failed, or it threw) is
    // incomplete: ours, and removed.
    for (const SCRATCH_& made : scratchFolders_) {
        std::wstring folder = LongPathForm(made.folder);
        WIN32_FIND_DATAW found;
        FCFindHandle search(FindFirstFileW((folder + L"*").c_str(), &found));
        for (BOOL more = search.valid(); more; more = FindNextFileW(search.get(), &found))
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                RemoveOrLeave(made.folder + found.cFileName, leftovers_);
        search.reset();
        // A scanner may still hold the folder itself for a moment.
        auto remove = [&]() -> DWORD { return RemoveDirectoryW(folder.c_str()) ? 0 : GetLastError(); };
        DWORD error = 0;
        if (UxInUseWait(nullptr).run(remove, made.folder, std::wstring(), false, error) != UxInUseWait::DONE &&
            pathExists(made.folder))
            leftovers_.push_back(made.folder);
    }
    scratchFolders_.clear();
    writeFolders_.clear();  // their routes may name those folders
}
