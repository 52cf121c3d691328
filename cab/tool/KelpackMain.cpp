// kelpack: the publisher's side of kelpex.
//   kelpack build SOURCE OUTPUT [options]   packs a folder into a series and writes kelpex.qcf
//   kelpack verify FOLDER                   checks a series as kelpex will extract it
// Messages are English, one line each, on stderr; names are in the ANSI
// code page. Exit codes: 0 done or sound, 1 refused or faulty, 2 usage.
#include "cab/UxCAB.h"
#include "foundation/WideText.h"
#include "cab/UxCabinetBuilder.h"
#include "cab/UxCabinetHeader.h"
#include "config/UxQcf.h"
#include "config/UxSeries.h"
#include "foundation/CrashReport.h"
#include "foundation/Diagnostic.h"
#include "foundation/FCHandle.h"
#include "foundation/Mbcs.h"
#include "foundation/SystemErrorText.h"
#include "fs/EntryName.h"
#include "fs/FCFile.h"
#include "fs/FCFileUty.h"
#include "fs/FCPathName.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
const unsigned long long kMegabyte = 1u << 20;
// kelpex must be able to write every name below a short destination such as
// C:\Program1\ within its MAX_PATH buffers.
const size_t kShortDestination = 12;
const size_t kMaximumName = 255;  // the format's own limit, without the terminator
const unsigned kSetId = 0x4B58;  // fixed: the same input gives the same bytes

int Usage(const char* why) {
    if (why != nullptr) std::fprintf(stderr, "kelpack: %s\n", why);
    std::fprintf(stderr,
                 "usage: kelpack build SOURCE OUTPUT [--pattern data*.cab] [--width 2] [--max-size 650M] [--store]\n"
                 "                     [--key N] [--caption TEXT] [--maker TEXT] [--app TEXT] [--flags N]\n"
                 "                     [--mes0 TEXT] [--mes1 TEXT] [--mes2 TEXT]\n"
                 "       kelpack verify FOLDER\n");
    return 2;
}

// The folder as a full path ending in a separator: the build works from
// inside the source folder, so a relative output must not follow it there.
std::string WithSeparator(std::string path) {
    wchar_t full[MAX_PATH];
    DWORD n = GetFullPathNameW(Wide932(path.c_str()).data(), MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH) path = Narrow932(full);
    // By whole characters: 表 ends in the byte of a backslash.
    FCPathName name(path.c_str());
    if (!path.empty() && path.back() != '/') name.addSeparator();
    return name.text();
}

// ------------------------------------------------------------------ build

struct BuildOptions_ {
    std::string source, output, pattern = "data*.cab";
    int width = 2;
    unsigned long long maxSize = 650 * kMegabyte;
    bool store = false;
    unsigned key = 0, flags = 0;
    bool hasFlags = false;
    std::vector<std::pair<std::string, std::string>> texts;  // caption, makerName, ... in order
};

struct SourceFile_ {
    std::string name;  // ANSI, relative to the source folder, '\' between folders
    unsigned long long size;
    FILETIME written;
    DWORD attributes;
};

bool ParseSize(const std::string& text, unsigned long long& size) {
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (end == text.c_str()) return false;
    std::string unit(end);
    unsigned long long factor = unit.empty()                 ? 1
                                : unit == "K" || unit == "k" ? 1024
                                : unit == "M" || unit == "m" ? kMegabyte
                                : unit == "G" || unit == "g" ? 1024 * kMegabyte
                                                             : 0;
    if (factor == 0 || value == 0 || value > (~0ull) / factor) return false;
    size = value * factor;
    return true;
}

bool ParseNumber(const char* text, unsigned& value) {
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 0);
    if (end == text || *end != '\0' || v > 0xFFFFFFFFul) return false;
    value = static_cast<unsigned>(v);
    return true;
}

// Backslash-n for every line break, as kelpex reads its texts.
std::string QcfText(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') continue;
        out += text[i] == '\n' ? std::string("\\n") : std::string(1, text[i]);
    }
    return out;
}

int ParseBuild(int argc, char** argv, BuildOptions_& o) {
    if (argc < 4) return Usage("build needs a SOURCE and an OUTPUT folder");
    o.source = WithSeparator(argv[2]);
    o.output = WithSeparator(argv[3]);
    static const char* const kTextOptions[][2] = {{"--caption", "caption"}, {"--maker", "makerName"},
                                                  {"--app", "appName"},     {"--mes0", "mes0"},
                                                  {"--mes1", "mes1"},       {"--mes2", "mes2"}};
    for (int i = 4; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--store") {
            o.store = true;
            continue;
        }
        if (i + 1 >= argc) return Usage(("missing value after " + option).c_str());
        const char* value = argv[++i];
        unsigned number = 0;
        bool known = false;
        for (const auto& t : kTextOptions)
            if (option == t[0]) {
                o.texts.emplace_back(t[1], QcfText(value));
                known = true;
            }
        if (known) continue;
        if (option == "--pattern") {
            o.pattern = value;
            if (std::count(o.pattern.begin(), o.pattern.end(), '*') != 1)
                return Usage("the pattern needs exactly one '*' for the number");
        } else if (option == "--width") {
            if (!ParseNumber(value, number) || number > static_cast<unsigned>(kSeriesMaximumWidth))
                return Usage("the width must be a number from 0 to 200");
            o.width = static_cast<int>(number);
        } else if (option == "--max-size") {
            if (!ParseSize(value, o.maxSize)) return Usage("the maximum size must be bytes or a number with K, M or G");
        } else if (option == "--key") {
            if (!ParseNumber(value, o.key) || o.key == 0) return Usage("the key must be a number other than 0");
        } else if (option == "--flags") {
            if (!ParseNumber(value, o.flags)) return Usage("the flags must be a number");
            o.hasFlags = true;
        } else {
            return Usage(("unknown option " + option).c_str());
        }
    }
    return 0;
}

struct Collection_ {
    std::vector<SourceFile_> files;
    std::vector<std::string> problems;
    unsigned emptyFolders = 0;
};

// Walks the folder with the wide functions, so that a name the code page
// cannot hold is seen as it is rather than as question marks.
void Collect(const std::wstring& root, const std::wstring& relative, Collection_& c) {
    WIN32_FIND_DATAW data;
    FCFindHandle find(FindFirstFileW((root + relative + L"*").c_str(), &data));
    if (!find.valid()) return;
    bool empty = true;
    do {
        std::wstring leaf = data.cFileName;
        if (leaf == L"." || leaf == L"..") continue;
        empty = false;
        std::wstring wideName = relative + leaf;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Collect(root, wideName + L"\\", c);
            continue;
        }
        SourceFile_ f;
        f.size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        f.written = data.ftLastWriteTime;
        f.attributes = data.dwFileAttributes;
        if (!Mbcs::FromWide(wideName.c_str(), f.name)) {
            c.problems.push_back(f.name + ": the name cannot be written in the ANSI code page");
            continue;
        }
        c.files.push_back(f);
    } while (FindNextFileW(find.get(), &data));
    if (empty && !relative.empty()) ++c.emptyFolders;
}

void CheckFiles(Collection_& c) {
    for (const SourceFile_& f : c.files) {
        FCString raw(f.name.c_str()), safe;
        EntryNameVerdict verdict = CheckEntryName(raw, safe);
        if (verdict == ENTRY_NAME_UNWRITABLE)
            c.problems.push_back(
                f.name +
                ": kelpex would refuse the name (a device name, a trailing dot or blank, or a forbidden character)");
        else if (verdict == ENTRY_NAME_OUTSIDE)
            c.problems.push_back(f.name + ": kelpex would refuse the name (it would leave the destination)");
        else if (f.name.size() > kMaximumName || kShortDestination + f.name.size() >= MAX_PATH)
            c.problems.push_back(f.name + ": the path is too long (" + std::to_string(f.name.size()) +
                                 " bytes; at most " + std::to_string(MAX_PATH - 1 - kShortDestination) + ")");
        else if (f.size > UxCabinetBuilder::kMaximumFileSize)
            c.problems.push_back(f.name + ": the file is larger than a cabinet can hold");
    }
}

// What a file can add to a cabinet at most: its data, the blocks' headers
// and what the compressor adds to data that does not compress.
unsigned long long CabinetShare(const SourceFile_& f) {
    return 16 + f.name.size() + 1 + f.size + (f.size / 32768 + 1) * 64;
}

// Files in order, cut into cabinets of at most maxSize bytes; a file larger
// than that gets a cabinet of its own.
std::vector<std::vector<const SourceFile_*>> Plan(const std::vector<SourceFile_>& files, unsigned long long maxSize) {
    std::vector<std::vector<const SourceFile_*>> cabinets;
    unsigned long long used = 0;
    const unsigned long long kHeader = 36 + 8;
    for (const SourceFile_& f : files) {
        unsigned long long share = CabinetShare(f);
        if (cabinets.empty() || used + share > maxSize) {
            cabinets.emplace_back();
            used = kHeader;
        }
        cabinets.back().push_back(&f);
        used += share;
    }
    return cabinets;
}

struct ProgressState_ {
    unsigned long long before = 0, total = 0;
    DWORD lastTick = 0;
    std::string cabinet;
};

void ShowProgress(void* context, unsigned long long done) {
    ProgressState_& p = *static_cast<ProgressState_*>(context);
    DWORD now = GetTickCount();
    if (now - p.lastTick < 250) return;
    p.lastTick = now;
    unsigned percent = p.total == 0 ? 100 : static_cast<unsigned>((p.before + done) * 100 / p.total);
    std::fprintf(stderr, "kelpack: %u%% (writing %s)\n", percent > 100 ? 100 : percent, p.cabinet.c_str());
}

std::string CabinetName(const std::string& pattern, int width, size_t number) {
    FCString digits;
    digits.appendInt(static_cast<int>(number), 10, width, '0');
    std::string name = pattern;
    name.replace(name.find('*'), 1, digits.text());
    return name;
}

bool WriteCabinets(const BuildOptions_& o, const std::vector<std::vector<const SourceFile_*>>& plan,
                   unsigned long long total) {
    // Sources are opened by their names below the source folder: a short
    // path is cheaper for the system to resolve, twenty thousand times over.
    SetCurrentDirectoryW(Wide932(o.source.c_str()).data());
    ProgressState_ progress;
    progress.total = total;
    for (size_t i = 0; i < plan.size(); ++i) {
        progress.cabinet = CabinetName(o.pattern, o.width, i + 1);
        UxCabinetBuilder builder;
        builder.setProgress(ShowProgress, &progress);
        if (!builder.create(o.output.c_str(), progress.cabinet.c_str(), o.store, kSetId, static_cast<unsigned>(i))) {
            std::fprintf(stderr, "kelpack: %s\n", builder.error().c_str());
            return false;
        }
        for (const SourceFile_* f : plan[i]) {
            if (!builder.addFile(f->name.c_str(), f->name.c_str(), &f->written, f->attributes)) {
                std::fprintf(stderr, "kelpack: %s\n", builder.error().c_str());
                return false;
            }
        }
        if (!builder.finish()) {
            std::fprintf(stderr, "kelpack: %s: %s\n", progress.cabinet.c_str(), builder.error().c_str());
            return false;
        }
        for (const SourceFile_* f : plan[i]) progress.before += f->size;
    }
    return true;
}

bool WriteQcf(const BuildOptions_& o, size_t cabinets, unsigned long long total) {
    std::string body;
    for (const auto& t : o.texts)
        if (t.first == "caption") body += "caption=" + t.second + "\n";
    FCString fname;
    SeriesFname(fname, o.pattern.c_str(), o.width, static_cast<int>(cabinets));
    body += std::string("fname=") + fname.text() + "\n";
    body += "size=" + std::to_string((total + kMegabyte - 1) / kMegabyte) + "\n";
    if (o.hasFlags) body += "flags=" + std::to_string(o.flags) + "\n";
    for (const auto& t : o.texts)
        if (t.first != "caption") body += t.first + "=" + t.second + "\n";
    std::string path = o.output + "kelpex.qcf";
    DWORD code = WriteConfigurationFile(path.c_str(), FCString(body.c_str()), o.key);
    if (code != 0) std::fprintf(stderr, "kelpack: cannot write %s (%s)\n", path.c_str(), SystemErrorLine(code).c_str());
    return code == 0;
}

int Build(int argc, char** argv) {
    BuildOptions_ o;
    if (int usage = ParseBuild(argc, argv, o)) return usage;
    DWORD attributes = GetFileAttributesW(Wide932(o.source.c_str()).data());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return Usage(("the source folder does not exist: " + o.source).c_str());
    // The wide walk goes through the long-path form, so that a name too
    // long for kelpex is still found and named rather than missed.
    std::wstring wideRoot = Wide932(o.source.c_str()).data();
    wchar_t full[MAX_PATH * 2];
    DWORD fullLength = GetFullPathNameW(wideRoot.c_str(), MAX_PATH * 2, full, nullptr);
    if (fullLength > 0 && fullLength < MAX_PATH * 2 && full[1] == L':') wideRoot = std::wstring(L"\\\\?\\") + full;
    Collection_ c;
    Collect(wideRoot, L"", c);
    if (c.files.empty() && c.problems.empty()) return Usage(("the source folder holds no file: " + o.source).c_str());
    CheckFiles(c);
    if (!c.problems.empty()) {
        for (const std::string& p : c.problems) std::fprintf(stderr, "kelpack: cannot store %s\n", p.c_str());
        std::fprintf(stderr, "kelpack: nothing written: %u file(s) cannot be stored\n",
                     static_cast<unsigned>(c.problems.size()));
        return 1;
    }
    std::sort(c.files.begin(), c.files.end(),
              [](const SourceFile_& a, const SourceFile_& b) { return a.name < b.name; });
    if (c.emptyFolders > 0)
        std::fprintf(stderr, "kelpack: note: %u empty folder(s) left out: a cabinet cannot hold a folder\n",
                     c.emptyFolders);
    CreateDirectoryW(Wide932(o.output.c_str()).data(), nullptr);
    unsigned long long total = 0;
    for (const SourceFile_& f : c.files) total += f.size;
    std::vector<std::vector<const SourceFile_*>> plan = Plan(c.files, o.maxSize);
    if (!WriteCabinets(o, plan, total) || !WriteQcf(o, plan.size(), total)) return 1;
    std::fprintf(stderr, "kelpack: wrote %u cabinet(s) and kelpex.qcf to %s: %u files, %llu bytes\n",
                 static_cast<unsigned>(plan.size()), o.output.c_str(), static_cast<unsigned>(c.files.size()), total);
    return 0;
}

// ------------------------------------------------------------------ verify

// Extracts into a scratch folder, emptied after each cabinet, and counts
// what the extractor wrote (it checks names and sizes itself).
class VerifyingCab : public UxCAB {
public:
    UINT onFileInCabinet(FILE_IN_CABINET_INFO_A* info) override {
        size_ = info->FileSize;
        return UxCAB::onFileInCabinet(info);
    }
    // The extractor measures the file against the cabinet's size: asking
    // the disk again would only repeat its query.
    UINT onFileExtracted(const char*) override {
        bytes += size_;
        ++files;
        return NO_ERROR;
    }
    unsigned long long bytes = 0;
    unsigned files = 0;

private:
    DWORD size_ = 0;
};

// The scratch folder of a verify, removed on every way out: a return, an
// exception, or a fault in the platform's reader (the crash report).
char g_scratch[MAX_PATH] = "";

// Never asks: what cannot be removed stays.
int SkipRemoveError(unsigned, DWORD*, const char*, int, LPARAM) { return FCFileUty::ANSWER_SKIP; }

void EmptyScratch() {
    bool force = true;
    FCFileUty::removeTree(g_scratch, force, nullptr, SkipRemoveError, 0);
}

class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH];
        DWORD n = GetTempPathW(MAX_PATH, temp);
        path = (n > 0 && n < MAX_PATH ? Narrow932(temp) : std::string(".\\")) + "kelpack-verify-" +
               std::to_string(GetCurrentProcessId()) + "\\";
        lstrcpynA(g_scratch, path.c_str(), sizeof g_scratch);
        CreateDirectoryW(Wide932(path.c_str()).data(), nullptr);
    }
    virtual ~ScratchFolder() {
        EmptyScratch();
        RemoveDirectoryW(Wide932(g_scratch).data());
        g_scratch[0] = '\0';
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // Empty again for the next cabinet.
    void empty() {
        EmptyScratch();
        CreateDirectoryW(Wide932(g_scratch).data(), nullptr);
    }
    std::string path;
};

// The platform's reader brought the process down while it was writing a
// file in the scratch folder, which stays open until the process is gone: a
// second kelpack removes the folder once this one has ended.
void ReportVerifyCrash(const char* reading, DWORD code) {
    std::fprintf(stderr, "kelpack: %s: the platform's cabinet reader failed on it (exception 0x%08lX): it is damaged\n",
                 *reading != '\0' ? reading : "(no cabinet)", static_cast<unsigned long>(code));
    std::fflush(stderr);
    if (g_scratch[0] == '\0') return;
    wchar_t self[MAX_PATH] = L"", folder[MAX_PATH], command[MAX_PATH * 3];
    if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0) return;
    // Without its last separator: a backslash before the closing quote
    // would escape it.
    Wide932Into(g_scratch, folder, MAX_PATH);
    int length = lstrlenW(folder);
    if (length > 0 && folder[length - 1] == L'\\') folder[length - 1] = L'\0';
    wsprintfW(command, L"\"%s\" remove-after %lu \"%s\"", self, GetCurrentProcessId(), folder);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// kelpack remove-after PID FOLDER: waits (a minute at most) for the process
// to end, then removes the folder.
int RemoveAfter(int argc, char** argv) {
    if (argc != 4) return 2;
    FCHandle process(OpenProcess(SYNCHRONIZE, FALSE, std::strtoul(argv[2], nullptr, 10)));
    if (process.valid()) WaitForSingleObject(process.get(), 60000);
    lstrcpynA(g_scratch, WithSeparator(argv[3]).c_str(), sizeof g_scratch);
    EmptyScratch();
    return GetFileAttributesW(Wide932(g_scratch).data()) == INVALID_FILE_ATTRIBUTES ? 0 : 1;
}

bool QuietlyReadable(const std::string& path) {
    FCFile file;
    return file.open(path.c_str(), OPEN_EXISTING, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, true) == 0;
}

int Verify(int argc, char** argv) {
    if (argc != 3) return Usage("verify needs exactly one FOLDER");
    std::string folder = WithSeparator(argv[2]);
    std::string qcfPath = folder + "kelpex.qcf";
    if (!QuietlyReadable(qcfPath)) {
        std::fprintf(stderr, "kelpack: no readable kelpex.qcf in %s\n", folder.c_str());
        return 1;
    }
    UxQcf store;
    store.load(qcfPath.c_str());
    store.flags = 0;  // never written back
    FCString fname;
    unsigned size = 0;
    store.getStringOr(fname, "fname", "");
    store.getNumberOr(size, "size", 0);
    std::fprintf(stderr, "kelpack: kelpex.qcf is %s\n", QcfEncodingName(store.encoding));
    if (store.lostCharacters != 0)
        std::fprintf(stderr, "kelpack: warning: %u character(s) of kelpex.qcf have no Shift_JIS form and show as '?'\n",
                     static_cast<unsigned>(store.lostCharacters));
    FCString sizeText;
    if (store.getString(sizeText, "size") && !NumberFits(sizeText.text(), false)) {
        std::fprintf(stderr,
                     "kelpack: kelpex.qcf: size=%s does not fit 32 bits\nkelpack: the series is faulty: 1 problem\n",
                     sizeText.text());
        return 1;
    }
    std::vector<FCString> names;
    int field = 0;
    SeriesProblem series = ExpandSeries(fname, names, &field);
    if (series != SERIES_OK) {
        std::fprintf(stderr, "kelpack: %s\nkelpack: the series is faulty: 1 problem\n",
                     SeriesProblemPrinted(series, field).text());
        return 1;
    }
    ScratchFolder scratchFolder;
    const std::string& scratch = scratchFolder.path;
    InstallCrashReport(ReportVerifyCrash);
    unsigned problems = 0;
    unsigned long long total = 0;
    UxCabinetHeader previous;  // the cabinet before, when it was sound
    bool previousSound = false;
    for (size_t index = 0; index < names.size(); ++index) {
        const FCString& name = names[index];
        std::string path = folder + name.text();
        bool follows = previousSound;
        previousSound = false;
        UxCabinetHeader header;
        bool present = pathExists(path.c_str());
        UxCabinetHeader::Result result = present ? header.read(path.c_str()) : UxCabinetHeader::NOT_A_CABINET;
        const char* fault = !present                                   ? "missing"
                            : result == UxCabinetHeader::NOT_A_CABINET ? "not a cabinet"
                            : result == UxCabinetHeader::TRUNCATED     ? "cut short"
                                                                       : nullptr;
        if (fault != nullptr) {
            std::fprintf(stderr, "kelpack: %s: %s\n", name.text(), fault);
            ++problems;
            continue;
        }
        // A file continued into the next cabinet is extracted when that
        // cabinet lies beside it.
        if (!header.nextCabinet.empty() && !pathExists((folder + header.nextCabinet).c_str())) {
            std::fprintf(stderr, "kelpack: %s: continues into %s, which is missing\n", name.text(),
                         header.nextCabinet.c_str());
            ++problems;
            continue;
        }
        // What the platform's reader would misread is never given to it.
        size_t entry = 0;
        UxCabinetHeader::Fault structure = header.check(index > 0, entry);
        if (structure == UxCabinetHeader::FAULT_NONE && follows) structure = header.checkFollows(previous, entry);
        if (structure != UxCabinetHeader::FAULT_NONE) {
            FCString shown;
            if (entry < header.files.size())
                EntryNameInCodePage(header.files[entry].name.c_str(), header.files[entry].attributes, shown);
            std::fprintf(stderr, "kelpack: %s: damaged: %s%s%s\n", name.text(),
                         UxCabinetHeader::faultPrinted(structure), entry < header.files.size() ? ": " : "",
                         shown.text());
            ++problems;
            continue;
        }
        previous = std::move(header);
        previousSound = true;
        VerifyingCab cab;
        cab.setArchive(path.c_str());
        if (!cab.extractTo(scratch.c_str())) {
            FCString reason(cab.errorText);
            reason.replaceAll("\n", " ");
            std::fprintf(stderr, "kelpack: %s: does not extract: %s\n", name.text(), reason.text());
            ++problems;
        } else {
            std::fprintf(stderr, "kelpack: %s: ok, %u files, %llu bytes\n", name.text(), cab.files, cab.bytes);
        }
        total += cab.bytes;
        scratchFolder.empty();
    }
    if (total > static_cast<unsigned long long>(size) * kMegabyte) {
        std::fprintf(stderr, "kelpack: size=%u MB is below the series' uncompressed total of %llu MB\n", size,
                     (total + kMegabyte - 1) / kMegabyte);
        ++problems;
    }
    if (problems == 0)
        std::fprintf(stderr, "kelpack: the series is sound: %u archive(s), %llu bytes\n",
                     static_cast<unsigned>(names.size()), total);
    else std::fprintf(stderr, "kelpack: the series is faulty: %u problem(s)\n", problems);
    return problems == 0 ? 0 : 1;
}

int KelpackMain(int argc, char** argv) {
    try {
        if (argc >= 2 && lstrcmpA(argv[1], "build") == 0) return Build(argc, argv);
        if (argc >= 2 && lstrcmpA(argv[1], "verify") == 0) return Verify(argc, argv);
        if (argc >= 2 && lstrcmpA(argv[1], "remove-after") == 0) return RemoveAfter(argc, argv);
        return Usage(nullptr);
    } catch (const Diagnostic& e) {
        std::fprintf(stderr, "kelpack: %s: %s\n", e.getCaption(), e.getMessage());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kelpack: %s\n", e.what());
        return 1;
    }
}
}  // namespace

// The arguments arrive as UTF-16 whatever the system's code page.
int wmain(int argc, wchar_t** argv) { return RunWithArguments932(argc, argv, KelpackMain); }
