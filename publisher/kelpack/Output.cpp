#include "publisher/kelpack/Output.h"
#include "foundation/FCHandle.h"
#include "foundation/SystemErrorText.h"
#include "foundation/WideText.h"
#include "fs/FolderWalk.h"
#include "fs/PathCompare.h"
#include "publisher/kelpack/Console.h"
#include "publisher/kelpack/Plan.h"
#include <algorithm>
#include <cwchar>

bool HoldsFileName(const std::vector<std::string>& list, const std::string& name) {
    std::vector<wchar_t> wide = Wide932(name.c_str());
    return std::any_of(list.begin(), list.end(), [&](const std::string& other) {
        return CompareStringOrdinal(Wide932(other.c_str()).data(), -1, wide.data(), -1, TRUE) == CSTR_EQUAL;
    });
}

int RefuseOutput(const BuildOptions_& o) {
    std::wstring source = Wide932(o.source.c_str()).data(), output = Wide932(o.output.c_str()).data();
    // Long names for short ones where the folders exist, so that PROGRA~1
    // and Program Files compare equal.
    for (std::wstring* path : {&source, &output}) {
        wchar_t longer[MAX_PATH];
        DWORD n = GetLongPathNameW(path->c_str(), longer, MAX_PATH);
        if (n > 0 && n < MAX_PATH) *path = longer;
    }
    const char* relation = FolderHolds(source, output)   ? (source.size() == output.size() ? "is" : "lies inside")
                           : FolderHolds(output, source) ? "holds"
                                                         : nullptr;
    if (relation != nullptr) {
        Say("OUTPUT %s %s SOURCE %s: the next build would pack this one's series", o.output.c_str(), relation,
            o.source.c_str());
        return Usage("give an OUTPUT folder apart from SOURCE");
    }
    std::wstring file;
    if (FindFileOnPath(output, file)) {
        Say("OUTPUT %s: %s is a file, not a folder", o.output.c_str(),
            ShiftJisKeepingWide(file.data(), file.size()).c_str());
        return Usage("give an OUTPUT folder");
    }
    return 0;
}

std::vector<std::string> PatternFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> found;
    WIN32_FIND_DATAW data;
    FCFindHandle find(FindFirstFileW((Wide932(folder.c_str()).data() + std::wstring(L"*")).c_str(), &data));
    if (!find.valid()) return found;
    do {
        std::string name = ShiftJisKeepingWide(data.cFileName, std::wcslen(data.cFileName));
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && MatchesPattern(pattern, name))
            found.push_back(name);
    } while (FindNextFileW(find.get(), &data));
    return found;
}

StagedOutput::~StagedOutput() {
    if (!staging_.empty()) RemoveFolderQuietly(staging_);
    for (size_t i = made_.size(); i-- > 0;) RemoveDirectoryW(made_[i].c_str());
}

bool StagedOutput::open(const std::string& output) {
    output_ = output;
    if (!CreateFolders(std::wstring(Wide932(output.c_str()).data()),
                       [this](const std::wstring& folder) { made_.push_back(folder); })) {
        Say("cannot make the OUTPUT folder %s (%s)", output.c_str(), SystemErrorLine(GetLastError()).c_str());
        return false;
    }
    std::string staging = output + "kelpack-build-" + std::to_string(GetCurrentProcessId()) + "\\";
    if (!CreateDirectoryW(Wide932(staging.c_str()).data(), nullptr)) {
        Say("cannot write in %s (%s)", output.c_str(), SystemErrorLine(GetLastError()).c_str());
        return false;
    }
    staging_ = staging;
    return true;
}

bool StagedOutput::moveAll(const std::vector<MOVE_>& moves, size_t& done) {
    for (done = 0; done < moves.size(); ++done) {
        const MOVE_& m = moves[done];
        if (!MoveFileExW(Wide932(m.from.c_str()).data(), Wide932(m.to.c_str()).data(), 0)) {
            Say("cannot move %s to %s (%s)", m.from.c_str(), m.to.c_str(), SystemErrorLine(GetLastError()).c_str());
            return false;
        }
    }
    return true;
}

void StagedOutput::moveBack(const std::vector<MOVE_>& moves, size_t done) {
    while (done-- > 0) MoveFileExW(Wide932(moves[done].to.c_str()).data(), Wide932(moves[done].from.c_str()).data(), 0);
}

bool StagedOutput::place(const std::vector<std::string>& names, const std::string& pattern) {
    std::string aside = staging_ + "old\\";
    if (!CreateDirectoryW(Wide932(aside.c_str()).data(), nullptr)) {
        Say("cannot write in %s (%s)", staging_.c_str(), SystemErrorLine(GetLastError()).c_str());
        return false;
    }
    std::vector<std::string> old = PatternFiles(output_, pattern), stale;
    for (const std::string& name : names)
        if (!HoldsFileName(old, name) && pathExists((output_ + name).c_str())) old.push_back(name);
    std::vector<MOVE_> away, in;
    for (const std::string& name : old) {
        away.push_back({output_ + name, aside + name});
        if (!HoldsFileName(names, name)) stale.push_back(name);
    }
    for (const std::string& name : names) in.push_back({staging_ + name, output_ + name});
    size_t movedAway = 0, movedIn = 0;
    if (!moveAll(away, movedAway)) {
        moveBack(away, movedAway);
        return false;
    }
    if (!moveAll(in, movedIn)) {
        moveBack(in, movedIn);
        moveBack(away, movedAway);
        return false;
    }
    for (const std::string& name : stale)
        Say("removed %s%s, a part of an earlier series", output_.c_str(), name.c_str());
    made_.clear();  // they hold the series now
    return true;
}
