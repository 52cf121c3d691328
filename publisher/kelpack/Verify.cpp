#include "publisher/kelpack/Verify.h"
#include "cab/UxCAB.h"
#include "cab/UxCabinetHeader.h"
#include "cab/UxSeriesWalk.h"
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
// Held as Windows takes it: the crash report's process has no heap to
// convert it with.
wchar_t g_scratch[MAX_PATH] = L"";

// Takes folder (a full path ending in a separator) as the one to remove:
// false, with nothing taken, when it does not fit whole.
bool HoldScratch(const std::string& folder) {
    std::wstring wide = Wide932(folder.c_str()).data();
    if (wide.size() >= MAX_PATH) return false;
    lstrcpynW(g_scratch, wide.c_str(), MAX_PATH);
    return true;
}

// The temporary folder as the system gives it, whatever its length.
std::wstring TemporaryFolder() {
    std::vector<wchar_t> temp(MAX_PATH + 1);
    DWORD n = GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
    if (n >= temp.size()) {
        temp.resize(n + 1);
        n = GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
    }
    return n > 0 && n < temp.size() ? std::wstring(temp.data(), n) : std::wstring();
}

class ScratchFolder {
public:
    // A folder whose path does not fit the buffer the crash report removes
    // it from is not made: a cut path could name another folder, which
    // would then be removed. The temporary folder is taken as Windows gives
    // it, whatever its characters.
    ScratchFolder() {
        std::wstring temp = TemporaryFolder();
        std::string named = ShiftJisKeepingWide(temp.data(), temp.size());
        if (temp.empty()) {
            Say("verify: there is no temporary folder: set TEMP to a folder");
            return;
        }
        path = named + "kelpack-verify-" + std::to_string(GetCurrentProcessId()) + "\\";
        if (!HoldScratch(path)) {
            Say("verify: the scratch folder's path would be too long (%u characters) in %s: set TEMP to a shorter "
                "folder",
                static_cast<unsigned>(Wide932(path.c_str()).size() - 1), named.c_str());
            path.clear();
            return;
        }
        CreateDirectoryW(g_scratch, nullptr);
    }
    virtual ~ScratchFolder() {
        if (g_scratch[0] != L'\0') RemoveFolderQuietly(path);
        g_scratch[0] = L'\0';
    }
    bool made() const { return !path.empty(); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // Empty again for the next cabinet.
    void empty() {
        RemoveFolderQuietly(path);
        CreateDirectoryW(g_scratch, nullptr);
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
    if (g_scratch[0] == L'\0') return;
    wchar_t self[MAX_PATH] = L"", folder[MAX_PATH], command[MAX_PATH * 3];
    if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0) return;
    // Without its last separator: a backslash before the closing quote
    // would escape it.
    lstrcpynW(folder, g_scratch, MAX_PATH);
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

// What the platform's reader never looks at (counts, data sizes), checked
// all the same in a part the series' walk found sound; true when sound.
bool AccountingSound(const char* name, const std::string& path, UxCabinetHeader& header) {
    size_t entry = header.files.size();
    UxCabinetHeader::Fault fault =
        header.readBlocks(path.c_str()) ? header.checkAccounting(entry) : UxCabinetHeader::FAULT_DATA_OUTSIDE;
    if (fault == UxCabinetHeader::FAULT_NONE) return true;
    FCString shown;
    if (entry < header.files.size())
        EntryNameInCodePage(header.files[entry].name.c_str(), header.files[entry].attributes, shown);
    Say("%s: damaged: %s%s%s", name, UxCabinetHeader::faultPrinted(fault), entry < header.files.size() ? ": " : "",
        shown.text());
    return false;
}

// Extracts a sound part into the scratch folder: false, said, when it does
// not; its bytes are added to total.
bool Extracts(const char* name, const std::string& path, ScratchFolder& scratch, unsigned long long& total) {
    VerifyingCab cab;
    cab.setArchive(path.c_str());
    bool extracted = cab.extractTo(scratch.path.c_str());
    if (!extracted) {
        FCString reason(cab.errorText);
        reason.replaceAll("\n", " ");
        Say("%s: does not extract: %s", name, reason.text());
    } else {
        Say("%s: ok, %u files, %llu bytes", name, cab.files, cab.bytes);
    }
    total += cab.bytes;
    scratch.empty();
    return extracted;
}

// The series as kelpex's start-up reads it (the same findings in the same
// words), then what kelpex never reads before a Run: each sound part's
// accounting and its extraction. The number of problems said.
unsigned VerifyParts(const Series_& series, ScratchFolder& scratch, unsigned long long& total,
                     std::vector<std::string>& continuations) {
    UxSeriesWalk walk;
    walk.walk(FCString(series.folder.c_str()), series.names);
    unsigned problems = static_cast<unsigned>(walk.findings.size());
    for (const UxSeriesFinding& finding : walk.findings) Say("%s", walk.printed(finding).c_str());
    if (walk.madeOneAtATime) Say("note: the cabinets carry different set IDs, as cabinets made one at a time do");
    for (size_t i = 0; i < series.names.size(); ++i) {
        if (!walk.sound[i]) continue;
        const char* name = series.names[i].text();
        std::string path = series.folder + name;
        if (!AccountingSound(name, path, walk.parts[i]) || !Extracts(name, path, scratch, total)) ++problems;
    }
    continuations = walk.continuations;
    return problems;
}

// A file of the pattern that kelpex.qcf does not name would ship with the
// series (the folder's data*.cab) without being extracted, unless a file of
// the series runs on into it.
unsigned CheckStrays(const Series_& series, const std::vector<std::string>& continuations) {
    unsigned strays = 0;
    std::vector<std::string> names(continuations);
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
    if (!scratch.made()) return 2;
    InstallCrashReport(ReportVerifyCrash);
    unsigned long long total = 0;
    std::vector<std::string> continuations;
    unsigned problems = VerifyParts(series, scratch, total, continuations);
    if (total > static_cast<unsigned long long>(series.size) * kMegabyte) {
        Say("size=%u MB is below the series' uncompressed total of %llu MB", series.size,
            (total + kMegabyte - 1) / kMegabyte);
        ++problems;
    }
    problems += CheckStrays(series, continuations);
    if (problems == 0)
        Say("the series is sound: %u archive(s), %llu bytes", static_cast<unsigned>(series.names.size()), total);
    else Say("the series is faulty: %u problem(s)", problems);
    return problems == 0 ? 0 : 1;
}

int RemoveAfter(int argc, char** argv) {
    if (argc != 4) return 2;
    FCHandle process(OpenProcess(SYNCHRONIZE, FALSE, std::strtoul(argv[2], nullptr, 10)));
    if (process.valid()) WaitForSingleObject(process.get(), 60000);
    // Never a cut path: it could name another folder.
    std::string folder = FolderPath(argv[3]);
    if (!HoldScratch(folder)) return 1;
    return RemoveFolderQuietly(folder) ? 0 : 1;
}
