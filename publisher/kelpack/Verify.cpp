#include "publisher/kelpack/Verify.h"
#include "cab/UxCAB.h"
#include "cab/UxCabinetHeader.h"
#include "config/QcfKeys.h"
#include "config/UxQcf.h"
#include "config/UxSeries.h"
#include "foundation/CrashReport.h"
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "fs/EntryName.h"
#include "fs/FCFile.h"
#include "publisher/kelpack/Console.h"
#include "publisher/kelpack/Options.h"
#include "publisher/kelpack/Output.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
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
        RemoveFolderQuietly(g_scratch);
        g_scratch[0] = '\0';
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // Empty again for the next cabinet.
    void empty() {
        RemoveFolderQuietly(g_scratch);
        CreateDirectoryW(Wide932(g_scratch).data(), nullptr);
    }
    std::string path;
};

// The platform's reader brought the process down while it was writing a
// file in the scratch folder, which stays open until the process is gone: a
// second kelpack removes the folder once this one has ended.
void ReportVerifyCrash(const char* reading, DWORD code) {
    Say("%s: the platform's cabinet reader failed on it (exception 0x%08lX): it is damaged",
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

bool QuietlyReadable(const std::string& path) {
    FCFile file;
    return file.open(path.c_str(), OPEN_EXISTING, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, true) == 0;
}

struct Series_ {
    std::string folder, pattern;
    std::vector<FCString> names;
    unsigned size = 0;  // megabytes
};

// 0, or 1 after saying what in kelpex.qcf keeps the series from being read.
int ReadSeries(const std::string& folder, Series_& series) {
    series.folder = folder;
    std::string qcfPath = folder + "kelpex.qcf";
    if (!QuietlyReadable(qcfPath)) {
        Say("no readable kelpex.qcf in %s", folder.c_str());
        return 1;
    }
    UxQcf store;
    store.load(qcfPath.c_str());
    store.flags = 0;  // never written back
    FCString fname, sizeText;
    store.getStringOr(fname, QcfKey::kFname, "");
    store.getNumberOr(series.size, QcfKey::kSize, 0);
    Say("kelpex.qcf is %s", QcfEncodingName(store.encoding));
    if (store.lostCharacters != 0)
        Say("warning: %u character(s) of kelpex.qcf have no Shift_JIS form and show as '?'",
            static_cast<unsigned>(store.lostCharacters));
    if (store.getString(sizeText, QcfKey::kSize) && !NumberFits(sizeText.text(), false)) {
        Say("kelpex.qcf: size=%s does not fit 32 bits", sizeText.text());
        Say("the series is faulty: 1 problem");
        return 1;
    }
    int field = 0;
    SeriesProblem problem = ExpandSeries(fname, series.names, &field);
    if (problem != SERIES_OK) {
        Say("%s", SeriesProblemPrinted(problem, field).text());
        Say("the series is faulty: 1 problem");
        return 1;
    }
    std::string text = fname.text();
    series.pattern = text.substr(0, text.find(','));
    return 0;
}

// What one read of a series carries from cabinet to cabinet.
struct Walk_ {
    unsigned problems = 0;
    unsigned long long total = 0;
    UxCabinetHeader previous;  // the cabinet before, when it was sound
    bool previousSound = false;
    std::vector<std::pair<unsigned, unsigned>> sets;  // the set ID and index of every cabinet read
};

// The header's faults, said; false for one.
bool HeaderSound(const Series_& series, size_t index, UxCabinetHeader& header, Walk_& walk) {
    const char* name = series.names[index].text();
    std::string path = series.folder + name;
    bool present = pathExists(path.c_str());
    UxCabinetHeader::Result result = present ? header.read(path.c_str()) : UxCabinetHeader::NOT_A_CABINET;
    const char* fault = !present                                   ? "missing"
                        : result == UxCabinetHeader::NOT_A_CABINET ? "not a cabinet"
                        : result == UxCabinetHeader::TRUNCATED     ? "cut short"
                                                                   : nullptr;
    if (fault != nullptr) {
        Say("%s: %s", name, fault);
        return false;
    }
    walk.sets.emplace_back(header.setId, header.number);
    // A file continued into the next cabinet is extracted when that cabinet
    // lies beside it.
    if (!header.nextCabinet.empty() && !pathExists((series.folder + header.nextCabinet).c_str())) {
        Say("%s: continues into %s, which is missing", name, header.nextCabinet.c_str());
        return false;
    }
    // What the platform's reader would misread is never given to it; what it
    // never looks at (counts, data sizes) is checked here all the same.
    size_t entry = 0;
    UxCabinetHeader::Fault structure = header.check(index > 0, entry);
    if (structure == UxCabinetHeader::FAULT_NONE && walk.previousSound)
        structure = header.checkFollows(walk.previous, entry);
    if (structure == UxCabinetHeader::FAULT_NONE && !header.readBlocks(path.c_str()))
        structure = UxCabinetHeader::FAULT_DATA_OUTSIDE;
    if (structure == UxCabinetHeader::FAULT_NONE) structure = header.checkAccounting(entry);
    if (structure == UxCabinetHeader::FAULT_NONE) return true;
    FCString shown;
    if (entry < header.files.size())
        EntryNameInCodePage(header.files[entry].name.c_str(), header.files[entry].attributes, shown);
    Say("%s: damaged: %s%s%s", name, UxCabinetHeader::faultPrinted(structure), entry < header.files.size() ? ": " : "",
        shown.text());
    return false;
}

void VerifyCabinet(const Series_& series, size_t index, ScratchFolder& scratch, Walk_& walk) {
    const char* name = series.names[index].text();
    std::string path = series.folder + name;
    UxCabinetHeader header;
    bool sound = HeaderSound(series, index, header, walk);
    walk.previousSound = sound;
    if (!sound) {
        ++walk.problems;
        return;
    }
    walk.previous = std::move(header);
    VerifyingCab cab;
    cab.setArchive(path.c_str());
    if (!cab.extractTo(scratch.path.c_str())) {
        FCString reason(cab.errorText);
        reason.replaceAll("\n", " ");
        Say("%s: does not extract: %s", name, reason.text());
        ++walk.problems;
    } else {
        Say("%s: ok, %u files, %llu bytes", name, cab.files, cab.bytes);
    }
    walk.total += cab.bytes;
    scratch.empty();
}

// Cabinets of one build share a set ID and count 0, 1, 2...: any other mix
// is two builds' parts side by side. Cabinets another tool made one at a
// time (each numbered 0) carry no such promise: a note, not a fault.
unsigned CheckOneBuild(const Walk_& walk) {
    bool mixed = false, allFirst = true;
    for (size_t i = 0; i < walk.sets.size(); ++i) {
        mixed = mixed || walk.sets[i].first != walk.sets[0].first || walk.sets[i].second != walk.sets[0].second + i;
        allFirst = allFirst && walk.sets[i].second == 0;
    }
    if (!mixed) return 0;
    std::string list;
    for (const auto& set : walk.sets)
        list += (list.empty() ? "" : ", ") + std::to_string(set.first) + "/" + std::to_string(set.second);
    if (allFirst && walk.sets.size() > 1) {
        Say("note: the cabinets carry different set IDs (%s), as cabinets made one at a time do", list.c_str());
        return 0;
    }
    Say("the cabinets are not one build's: their set IDs and indexes (%s) mix series", list.c_str());
    return 1;
}

// A file of the pattern that kelpex.qcf does not name would ship with the
// series (the folder's data*.cab) without being extracted.
unsigned CheckStrays(const Series_& series) {
    unsigned strays = 0;
    std::vector<std::string> names;
    for (const FCString& name : series.names) names.push_back(name.text());
    for (const std::string& file : PatternFiles(series.folder, series.pattern)) {
        if (HoldsFileName(names, file)) continue;
        Say("%s: matches the series' pattern but kelpex.qcf does not name it: remove it before shipping", file.c_str());
        ++strays;
    }
    return strays;
}
}  // namespace

int Verify(int argc, char** argv) {
    if (argc != 3) return Usage("verify needs exactly one FOLDER");
    Series_ series;
    if (int unreadable = ReadSeries(FolderPath(argv[2]), series)) return unreadable;
    ScratchFolder scratch;
    InstallCrashReport(ReportVerifyCrash);
    Walk_ walk;
    for (size_t index = 0; index < series.names.size(); ++index) VerifyCabinet(series, index, scratch, walk);
    if (walk.total > static_cast<unsigned long long>(series.size) * kMegabyte) {
        Say("size=%u MB is below the series' uncompressed total of %llu MB", series.size,
            (walk.total + kMegabyte - 1) / kMegabyte);
        ++walk.problems;
    }
    walk.problems += CheckOneBuild(walk) + CheckStrays(series);
    if (walk.problems == 0)
        Say("the series is sound: %u archive(s), %llu bytes", static_cast<unsigned>(series.names.size()), walk.total);
    else Say("the series is faulty: %u problem(s)", walk.problems);
    return walk.problems == 0 ? 0 : 1;
}

int RemoveAfter(int argc, char** argv) {
    if (argc != 4) return 2;
    FCHandle process(OpenProcess(SYNCHRONIZE, FALSE, std::strtoul(argv[2], nullptr, 10)));
    if (process.valid()) WaitForSingleObject(process.get(), 60000);
    lstrcpynA(g_scratch, FolderPath(argv[3]).c_str(), sizeof g_scratch);
    return RemoveFolderQuietly(g_scratch) ? 0 : 1;
}
