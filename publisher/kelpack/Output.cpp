// OUTPUT as a build changes it: staged, then put in place all at once.
#include "publisher/kelpack/Output.h"
#include "foundation/FCHandle.h"
#include "foundation/SystemErrorText.h"
#include "fs/FCFile.h"
#include "fs/FCPathName.h"
#include "fs/FolderWalk.h"
#include "fs/PathCompare.h"
#include "publisher/kelpack/Console.h"
#include "publisher/kelpack/Plan.h"
#include <algorithm>

namespace {
// The system's words for the last error.
std::wstring LastError() { return SystemErrorLine(GetLastError()); }

// The long name of an existing path, as it is otherwise.
std::wstring LongName(const std::wstring& path) {
    std::wstring longer =
        ReadSystemPath([&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(path.c_str(), buffer, size); });
    return longer.empty() ? path : longer;
}
}  // namespace

bool HoldsFileName(const std::vector<std::wstring>& list, const std::wstring& name) {
    return std::any_of(list.begin(), list.end(), [&](const std::wstring& other) {
        return CompareStringOrdinal(other.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
    });
}

int RefuseOutput(const BuildOptions_& o) {
    // Long names for short ones where the folders exist, so that PROGRA~1
    // and Program Files compare equal.
    std::wstring source = LongName(o.source), output = LongName(o.output);
    const wchar_t* relation = FolderHolds(source, output)   ? (source.size() == output.size() ? L"is" : L"lies inside")
                              : FolderHolds(output, source) ? L"holds"
                                                            : nullptr;
    if (relation != nullptr) {
        Say(L"OUTPUT %ls %ls SOURCE %ls: the next build would pack this one's series", o.output.c_str(), relation,
            o.source.c_str());
        return Usage(L"give an OUTPUT folder apart from SOURCE");
    }
    std::wstring file;
    if (FindFileOnPath(output, file)) {
        Say(L"OUTPUT %ls: %ls is a file, not a folder", o.output.c_str(), file.c_str());
        return Usage(L"give an OUTPUT folder");
    }
    return 0;
}

std::vector<std::wstring> PatternFiles(const std::wstring& folder, const std::wstring& pattern) {
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW data;
    FCFindHandle find(FindFirstFileW((LongPathForm(folder) + L"*").c_str(), &data));
    if (!find.valid()) return found;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && MatchesPattern(pattern, data.cFileName))
            found.push_back(data.cFileName);
    } while (FindNextFileW(find.get(), &data));
    return found;
}

StagedOutput::~StagedOutput() {
    if (!staging_.empty()) RemoveFolderQuietly(staging_);
    for (size_t i = made_.size(); i-- > 0;) RemoveDirectoryW(LongPathForm(made_[i]).c_str());
}

bool StagedOutput::open(const std::wstring& output) {
    output_ = output;
    if (!CreateFolders(output, [this](const std::wstring& folder) { made_.push_back(folder); })) {
        Say(L"cannot make the OUTPUT folder %ls (%ls)", output.c_str(), LastError().c_str());
        return false;
    }
    std::wstring staging = output + L"kelpack-build-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    if (!CreateDirectoryW(LongPathForm(staging).c_str(), nullptr)) {
        Say(L"cannot write in %ls (%ls)", output.c_str(), LastError().c_str());
        return false;
    }
    staging_ = staging;
    return true;
}

bool StagedOutput::moveAll(const std::vector<MOVE_>& moves, size_t& done) {
    for (done = 0; done < moves.size(); ++done) {
        const MOVE_& m = moves[done];
        if (!MoveFileExW(LongPathForm(m.from).c_str(), LongPathForm(m.to).c_str(), 0)) {
            Say(L"cannot move %ls to %ls (%ls)", m.from.c_str(), m.to.c_str(), LastError().c_str());
            return false;
        }
    }
    return true;
}

void StagedOutput::moveBack(const std::vector<MOVE_>& moves, size_t done) {
    while (done-- > 0) MoveFileExW(LongPathForm(moves[done].to).c_str(), LongPathForm(moves[done].from).c_str(), 0);
}

bool StagedOutput::place(const std::vector<std::wstring>& names, const std::wstring& pattern) {
    std::wstring aside = staging_ + L"old\\";
    if (!CreateDirectoryW(LongPathForm(aside).c_str(), nullptr)) {
        Say(L"cannot write in %ls (%ls)", staging_.c_str(), LastError().c_str());
        return false;
    }
    std::vector<std::wstring> old = PatternFiles(output_, pattern), stale;
    for (const std::wstring& name : names)
        if (!HoldsFileName(old, name) && pathExists(output_ + name)) old.push_back(name);
    std::vector<MOVE_> away, in;
    for (const std::wstring& name : old) {
        away.push_back({output_ + name, aside + name});
        if (!HoldsFileName(names, name)) stale.push_back(name);
    }
    for (const std::wstring& name : names) in.push_back({staging_ + name, output_ + name});
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
    for (const std::wstring& name : stale)
        Say(L"removed %ls%ls, a part of an earlier series", output_.c_str(), name.c_str());
    made_.clear();  // they hold the series now
    return true;
}
