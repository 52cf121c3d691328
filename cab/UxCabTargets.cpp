// Target names (each entry's name checked and placed below the destination)
// and the cache of the destination's folders.
#include "cab/UxCabTargets.h"
#include "cab/UxCabShared.h"
#include "fs/EntryName.h"
#include "fs/FCFile.h"
#include "fs/FCPathName.h"
#include "fs/FolderWalk.h"
#include "fs/PathCompare.h"
#include "foundation/WideText.h"
#include <vector>

UxCabTargets::~UxCabTargets() {
    try {
        removeScratchFolders();
    } catch (...) {
        // Out of memory on the way out: the folders stay, nothing else does.
    }
}

void UxCabTargets::setDestination(const std::wstring& folder, bool keep) {
    destination_ = folder;
    std::wstring normalized;
    if (!FullPathName(folder, normalized)) normalized.clear();
    if (!keep || normalized != normalized_) forgetFolders();
    normalized_ = normalized;
}

bool UxCabTargets::build(const char* nameInCabinet, DWORD attributes, TARGET_& file, std::wstring& failure) const {
    std::wstring name;
    if (!EntryNameWide(nameInCabinet, attributes, name)) {
        failure = Bracketed("ファイル名を変換できません", EntryShown(nameInCabinet, attributes));
        return false;
    }
    EntryNameVerdict verdict = CheckNameWide(name);
    if (verdict == ENTRY_NAME_UNWRITABLE) {
        failure = Bracketed("Windowsでは使えない名前のため展開しません", EntryShown(nameInCabinet, attributes));
        return false;
    }
    // A name the rule takes has no empty, dots-only, drive or stream part:
    // below the destination's full path it is already a full path itself,
    // and the platform is not asked again for each of thousands of files.
    if (verdict != ENTRY_NAME_OK || normalized_.empty()) {
        failure = Bracketed("展開先フォルダの外を指す名前のため展開しません", EntryShown(nameInCabinet, attributes));
        return false;
    }
    file.relative = name;
    std::wstring full = normalized_ + name;
    // Windows counts a path's length in UTF-16 units: a target of 150
    // Japanese characters fits, though it takes 300 bytes in Shift_JIS
    // (the platform is then given it through the temporary-name route).
    // A longer one is reached in its long form, the platform writing it
    // under a temporary name by the same route, up to what that form holds.
    if (full.size() >= kLongestPath) {
        failure = Bracketed("展開先のパスが長すぎるため展開できません", shown(name));
        return false;
    }
    file.target = full.size() >= kOrdinaryPathLimit ? LongPathForm(full) : full;
    return true;
}

void UxCabTargets::forgetFolders() {
    knownFolders_.clear();
    freshFolders_.clear();
    written_.clear();
}

bool UxCabTargets::prepareFolder(const std::wstring& target, std::vector<std::wstring>& created) {
    std::wstring folder = FolderOf(target);
    ensureFolder(folder, created);
    return freshFolders_.contains(folder) && written_.insert(target);
}

// Below the deepest folder known to exist, each missing folder is made
// straight away: making it is the existence test, one call a folder. With
// none known the walk starts at the root.
void UxCabTargets::ensureFolder(const std::wstring& folder, std::vector<std::wstring>& created) {
    if (knownFolders_.contains(folder)) return;
    std::vector<std::wstring> chain = LeadingFolders(folder);
    size_t known = chain.size();
    while (known > 0 && !knownFolders_.contains(chain[known - 1])) --known;
    if (known == 0 && IsFolder(folder)) {
        for (const std::wstring& leading : chain) knownFolders_.insert(leading);
        knownFolders_.insert(folder);
        return;
    }
    for (size_t i = known; i < chain.size(); ++i) {
        const std::wstring& path = chain[i];
        if (CreateDirectoryW(LongPathForm(path).c_str(), nullptr)) {
            freshFolders_.insert(path);
            created.push_back(path);
        } else if (!IsFolder(path)) {
            return;  // the platform names the reason when it cannot write the file
        }
        knownFolders_.insert(path);
    }
}
