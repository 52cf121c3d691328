// The extractor's target names (each entry's name checked and placed below
// the destination) and its cache of the destination's folders.
#include "cab/UxCAB.h"
#include "cab/UxCabShared.h"
#include "fs/EntryName.h"
#include "fs/FCFile.h"
#include "fs/FolderWalk.h"
#include "fs/PathCompare.h"
#include "foundation/WideText.h"
#include <vector>

bool UxCAB::buildTarget(const char* nameInCabinet, DWORD attributes, INFLIGHT_& file) {
    std::wstring name;
    if (!EntryNameWide(nameInCabinet, attributes, name)) {
        failCabinet(Bracketed("ファイル名を変換できません", EntryShown(nameInCabinet, attributes)));
        return false;
    }
    EntryNameVerdict verdict = CheckNameWide(name);
    if (verdict == ENTRY_NAME_UNWRITABLE) {
        failCabinet(Bracketed("Windowsでは使えない名前のため展開しません", EntryShown(nameInCabinet, attributes)));
        return false;
    }
    // A name the rule takes has no empty, dots-only, drive or stream part:
    // below the destination's full path it is already a full path itself,
    // and the platform is not asked again for each of thousands of files.
    if (verdict != ENTRY_NAME_OK || normalizedDestination_.empty()) {
        failCabinet(Bracketed("展開先フォルダの外を指す名前のため展開しません", EntryShown(nameInCabinet, attributes)));
        return false;
    }
    file.relative = name;
    std::wstring full = normalizedDestination_ + name;
    // Windows counts a path's length in UTF-16 units: a target of 150
    // Japanese characters fits, though it takes 300 bytes in Shift_JIS
    // (the platform is then given it through the temporary-name route).
    // A longer one is reached in its long form, the platform writing it
    // under a temporary name by the same route, up to what that form holds.
    if (full.size() >= kLongestPath) {
        failCabinet(Bracketed("展開先のパスが長すぎるため展開できません", shown(name)));
        return false;
    }
    file.target = full.size() >= kOrdinaryPathLimit ? LongPathForm(full) : full;
    return true;
}

void UxCAB::forgetFolders() {
    knownFolders_.clear();
    freshFolders_.clear();
    written_.clear();
}

// Below the deepest folder known to exist, each missing folder is made
// straight away: making it is the existence test, one call a folder. With
// none known the walk starts at the root.
void UxCAB::ensureFolder(const std::wstring& folder) {
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
            onFolderCreated(path);
        } else if (!IsFolder(path)) {
            return;  // the platform names the reason when it cannot write the file
        }
        knownFolders_.insert(path);
    }
}
