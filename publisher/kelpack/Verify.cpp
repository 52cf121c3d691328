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
#include "fs/FCPathName.h"
#include "fs/PathCompare.h"
#include "publisher/kelpack/Console.h"
#include "publisher/kelpack/Options.h"
#include "publisher/kelpack/Output.h"
#include "publisher/kelpack/PartReader.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
// The scratch folder of a verify, removed on every way out: a return or an
// exception (the platform's reader runs in processes of their own, which
// verify outlives whatever the reader does).
class ScratchFolder {
public:
    ScratchFolder() {
        std::wstring temp = TemporaryFolder();
        if (temp.empty()) {
            Say("verify: there is no temporary folder: set TEMP to a folder");
            return;
        }
        wide = temp + L"kelpack-verify-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        path = ShiftJisKeepingWide(wide.data(), wide.size());
        CreateDirectoryW(LongPathForm(wide).c_str(), nullptr);
    }
    virtual ~ScratchFolder() {
        if (made()) RemoveFolderQuietly(path);
    }
    bool made() const { return !wide.empty(); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // Empty again for the next cabinet.
    void empty() {
        RemoveFolderQuietly(path);
        CreateDirectoryW(LongPathForm(wide).c_str(), nullptr);
    }
    std::wstring wide;
    std::string path;
};

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

// Extracts a sound part into the scratch folder, in a reading process
// watched for as long as its largest file may take: false, said, when it
// does not; its bytes are added to total.
bool Extracts(const char* name, const std::string& path, const UxCabinetHeader& header, ScratchFolder& scratch,
              unsigned long long& total) {
    unsigned long long largest = 0;
    for (const UxCabinetHeader::FILE_& file : header.files) largest = file.size > largest ? file.size : largest;
    PART_READ_ read = ReadPartWatched(name, WideFromKept(path.c_str()), scratch.wide, largest);
    total += read.bytes;
    scratch.empty();
    return read.extracted;
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
        if (!AccountingSound(name, path, walk.parts[i]) || !Extracts(name, path, walk.parts[i], scratch, total))
            ++problems;
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
