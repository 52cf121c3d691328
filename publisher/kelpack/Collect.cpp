// The files of a source folder, and why any of them cannot be stored.
#include "publisher/kelpack/Collect.h"
#include "foundation/FCHandle.h"
#include "foundation/Mbcs.h"
#include "foundation/SystemErrorText.h"
#include "foundation/WideText.h"
#include "fs/EntryName.h"
#include "fs/PathCompare.h"
#include "publisher/kelpack/Plan.h"
#include <algorithm>

void StoredName(SourceFile_& f) {
    f.stored = ToShiftJis(f.name);
    f.utf8 = FromShiftJis(f.stored.c_str()) != f.name;
    if (!f.utf8) return;
    int length = static_cast<int>(f.name.size());
    int n = WideCharToMultiByte(CP_UTF8, 0, f.name.data(), length, nullptr, 0, nullptr, nullptr);
    f.stored.assign(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, f.name.data(), length, &f.stored[0], n, nullptr, nullptr);
}

namespace {
// kelpex must be able to write every name below a short destination such as
// C:\Program1\ within its MAX_PATH buffers.
const size_t kShortDestination = 12;
const size_t kLongestName = CabinetFormat::kMaximumName - 1;

// Walks the folder with the wide functions, so that a name the code page
// cannot hold is seen as it is rather than as question marks. A leaf that
// holds a separator (a Linux name seen through Wine) is refused here: joined
// to its folder it would read as another path.
void Walk(const std::wstring& root, const std::wstring& relative, Collection_& c) {
    WIN32_FIND_DATAW data;
    FCFindHandle find(FindFirstFileW((root + relative + L"*").c_str(), &data));
    if (!find.valid()) return;
    bool empty = true;
    do {
        std::wstring leaf = data.cFileName;
        if (leaf == L"." || leaf == L"..") continue;
        empty = false;
        SourceFile_ f;
        f.name = relative + leaf;
        if (leaf.find_first_of(L"\\/") != std::wstring::npos) {
            c.refusals.push_back(f.name + L": the name holds a '\\' or '/', which Windows reads as a folder separator");
            continue;
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Walk(root, f.name + L"\\", c);
            continue;
        }
        f.size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        f.written = data.ftLastWriteTime;
        f.attributes = data.dwFileAttributes;
        StoredName(f);
        c.files.push_back(f);
    } while (FindNextFileW(find.get(), &data));
    if (empty && !relative.empty()) ++c.emptyFolders;
}

// Why kelpex or the cabinet could not take the file, or empty.
std::wstring Refusal(const SourceFile_& f, bool store) {
    EntryNameVerdict verdict = CheckNameWide(f.name);
    if (verdict == ENTRY_NAME_UNWRITABLE)
        return L"kelpex would refuse the name (a device name, a trailing dot or blank, or a forbidden character)";
    if (verdict == ENTRY_NAME_OUTSIDE) return L"kelpex would refuse the name (it would leave the destination)";
    size_t length = f.stored.size();
    if (length > kLongestName || kShortDestination + length >= MAX_PATH)
        return L"the path is too long (" + std::to_wstring(length) + L" bytes; at most " +
               std::to_wstring(MAX_PATH - 1 - kShortDestination) + L")";
    if (!FitsOneCabinet(f, store)) return L"the file is larger than a cabinet can hold";
    return std::wstring();
}

// Opened as packing opens it, by its name below the current folder (the
// source): a file another program holds is named now, not half way through
// a build.
std::wstring ReadRefusal(const SourceFile_& f) {
    FCHandle file(CreateFileW(f.name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid()) return std::wstring();
    return L"cannot be read (" + SystemErrorLine(GetLastError()) + L")";
}
}  // namespace

void CollectSources(const BuildOptions_& o, Collection_& c) {
    // The long form, so that a name too long for kelpex is still found and
    // named rather than missed.
    bool drive = o.source.size() > 1 && o.source[1] == L':';
    Walk(drive ? L"\\\\?\\" + o.source : o.source, L"", c);
    std::sort(c.files.begin(), c.files.end(),
              [](const SourceFile_& a, const SourceFile_& b) { return a.stored < b.stored; });
    SetCurrentDirectoryW(o.source.c_str());
    NameClashFinder clashes;
    for (size_t i = 0; i < c.files.size(); ++i) {
        const SourceFile_& f = c.files[i];
        size_t earlier = 0;
        bool clash = !clashes.add(f.name.c_str(), earlier);  // every file, so indexes match
        std::wstring why = Refusal(f, o.store);
        if (why.empty() && clash) why = L"Windows takes it for the same file as " + c.files[earlier].name;
        if (why.empty()) why = ReadRefusal(f);
        if (!why.empty()) c.refusals.push_back(f.name + L": " + why);
    }
}
