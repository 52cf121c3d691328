#include "publisher/kelpack/Collect.h"
#include "foundation/FCHandle.h"
#include "foundation/Mbcs.h"
#include "foundation/SystemErrorText.h"
#include "foundation/WideText.h"
#include "fs/EntryName.h"
#include "fs/PathCompare.h"
#include "publisher/kelpack/Plan.h"
#include <algorithm>

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
        std::wstring wideName = relative + leaf;
        SourceFile_ f;
        f.name = ShiftJisKeepingWide(wideName.data(), wideName.size());
        if (leaf.find_first_of(L"\\/") != std::wstring::npos) {
            c.refusals.push_back(f.name + ": the name holds a '\\' or '/', which Windows reads as a folder separator");
            continue;
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Walk(root, wideName + L"\\", c);
            continue;
        }
        f.size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        f.written = data.ftLastWriteTime;
        f.attributes = data.dwFileAttributes;
        c.files.push_back(f);
    } while (FindNextFileW(find.get(), &data));
    if (empty && !relative.empty()) ++c.emptyFolders;
}

// The bytes the cabinet stores for a name: Shift_JIS, or UTF-8 for a name
// Shift_JIS cannot hold.
size_t StoredLength(const std::string& name) {
    if (name.find(kKeptWideStart) == std::string::npos) return name.size();
    std::wstring wide = WideFromKept(name.c_str());
    return static_cast<size_t>(
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr));
}

// Why kelpex or the cabinet could not take the file, or null.
std::string Refusal(const SourceFile_& f, bool store) {
    // The rule reads Shift_JIS, 〓 for a character it cannot hold: every
    // character the rule looks at is ASCII.
    FCString raw(ShiftJisShown(f.name.c_str(), "〓").c_str()), safe;
    EntryNameVerdict verdict = CheckEntryName(raw, safe);
    if (verdict == ENTRY_NAME_UNWRITABLE)
        return "kelpex would refuse the name (a device name, a trailing dot or blank, or a forbidden character)";
    if (verdict == ENTRY_NAME_OUTSIDE) return "kelpex would refuse the name (it would leave the destination)";
    size_t length = StoredLength(f.name);
    if (length > kLongestName || kShortDestination + length >= MAX_PATH)
        return "the path is too long (" + std::to_string(length) + " bytes; at most " +
               std::to_string(MAX_PATH - 1 - kShortDestination) + ")";
    if (!FitsOneCabinet(f, store)) return "the file is larger than a cabinet can hold";
    return std::string();
}

// Opened as packing opens it, by its name below the current folder (the
// source): a file another program holds is named now, not half way through
// a build.
std::string ReadRefusal(const SourceFile_& f) {
    FCHandle file(CreateFileW(Wide932(f.name.c_str()).data(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid()) return std::string();
    return "cannot be read (" + SystemErrorLine(GetLastError()) + ")";
}

// The long-path form of the source, so that a name too long for kelpex is
// still found and named rather than missed.
std::wstring LongRoot(const std::string& source) {
    std::wstring root = Wide932(source.c_str()).data();
    return root.size() > 1 && root[1] == L':' ? L"\\\\?\\" + root : root;
}
}  // namespace

void CollectSources(const BuildOptions_& o, Collection_& c) {
    std::wstring root = LongRoot(o.source);
    Walk(root, L"", c);
    std::sort(c.files.begin(), c.files.end(),
              [](const SourceFile_& a, const SourceFile_& b) { return a.name < b.name; });
    SetCurrentDirectoryW(Wide932(o.source.c_str()).data());
    NameClashFinder clashes;
    for (size_t i = 0; i < c.files.size(); ++i) {
        const SourceFile_& f = c.files[i];
        size_t earlier = 0;
        bool clash = !clashes.add(Wide932(f.name.c_str()).data(), earlier);  // every file, so indexes match
        std::string why = Refusal(f, o.store);
        if (why.empty() && clash) why = "Windows takes it for the same file as " + c.files[earlier].name;
        if (why.empty()) why = ReadRefusal(f);
        if (!why.empty()) c.refusals.push_back(f.name + ": " + why);
    }
}
