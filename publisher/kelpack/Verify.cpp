// kelpack verify: the series as kelpex reads it, then what kelpex never reads.
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
            Say(L"verify: there is no temporary folder: set TEMP to a folder");
            return;
        }
        path = temp + L"kelpack-verify-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(LongPathForm(path).c_str(), nullptr);
    }
    virtual ~ScratchFolder() {
        if (made()) RemoveFolderQuietly(path);
    }
    bool made() const { return !path.empty(); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // Empty again for the next cabinet.
    void empty() {
        RemoveFolderQuietly(path);
        CreateDirectoryW(LongPathForm(path).c_str(), nullptr);
    }
    std::wstring path;
};

bool QuietlyReadable(const std::wstring& path) {
    FCFile file;
    return file.open(path, OPEN_EXISTING, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, true) == 0;
}

struct Series_ {
    std::wstring folder, pattern;
    std::vector<FCString> names;
    unsigned size = 0;  // megabytes
};

// The numbers of kelpex.qcf as kelpex's start-up reads them: one that does
// not fit its 32 bits is refused by name there, and named here. The
// number that do not.
unsigned NumbersTooLarge(const UxQcf& store) {
    unsigned tooLarge = 0;
    for (const char* key : {QcfKey::kFlags, QcfKey::kSize}) {
        FCString value;
        if (!store.getString(value, key) || NumberFits(value.text(), false)) continue;
        Say(L"kelpex.qcf: %ls=%ls does not fit 32 bits", FromShiftJis(key).c_str(), FromShiftJis(value.text()).c_str());
        ++tooLarge;
    }
    return tooLarge;
}

// 0, or 1 after saying what in kelpex.qcf keeps the series from being read.
int ReadSeries(const std::wstring& folder, Series_& series) {
    series.folder = folder;
    std::wstring qcfPath = folder + L"kelpex.qcf";
    if (!QuietlyReadable(qcfPath)) {
        Say(L"no readable kelpex.qcf in %ls", folder.c_str());
        return 1;
    }
    UxQcf store;
    store.load(qcfPath);
    store.flags = 0;  // never written back
    FCString fname;
    store.getStringOr(fname, QcfKey::kFname, "");
    store.getNumberOr(series.size, QcfKey::kSize, 0);
    Say(L"kelpex.qcf is %ls", FromShiftJis(QcfEncodingName(store.encoding)).c_str());
    if (store.lostCharacters != 0)
        Say(L"warning: %u character(s) of kelpex.qcf have no Shift_JIS form and show as '?'",
            static_cast<unsigned>(store.lostCharacters));
    if (unsigned tooLarge = NumbersTooLarge(store)) {
        Say(tooLarge == 1 ? L"the series is faulty: 1 problem" : L"the series is faulty: %u problem(s)", tooLarge);
        return 1;
    }
    int field = 0;
    SeriesProblem problem = ExpandSeries(fname, series.names, &field);
    if (problem != SERIES_OK) {
        Say(L"%ls", FromShiftJis(SeriesProblemPrinted(problem, field).text()).c_str());
        Say(L"the series is faulty: 1 problem");
        return 1;
    }
    std::string text = fname.text();
    series.pattern = FromShiftJis(text.substr(0, text.find(',')).c_str());
    return 0;
}

// What the platform's reader never looks at (counts, data sizes), checked
// all the same in a part the series' walk found sound; true when sound.
bool AccountingSound(const std::wstring& name, const std::wstring& path, UxCabinetHeader& header) {
    size_t entry = header.files.size();
    UxCabinetHeader::Fault fault =
        header.readBlocks(path) ? header.checkAccounting(entry) : UxCabinetHeader::FAULT_DATA_OUTSIDE;
    if (fault == UxCabinetHeader::FAULT_NONE) return true;
    std::wstring shown;
    if (entry < header.files.size())
        shown = L": " + UxSeriesWalk::entryShown(header.files[entry].name, header.files[entry].attributes);
    Say(L"%ls: damaged: %ls%ls", name.c_str(), FromShiftJis(UxCabinetHeader::faultPrinted(fault)).c_str(),
        shown.c_str());
    return false;
}

// Extracts a sound part into the scratch folder, in a reading process
// watched for as long as its largest file may take: false, said, when it
// does not; its bytes are added to total.
bool Extracts(const std::wstring& name, const std::wstring& path, const UxCabinetHeader& header, ScratchFolder& scratch,
              unsigned long long& total) {
    unsigned long long largest = 0;
    for (const UxCabinetHeader::FILE_& file : header.files) largest = file.size > largest ? file.size : largest;
    PART_READ_ read = ReadPartWatched(name, path, scratch.path, largest);
    total += read.bytes;
    scratch.empty();
    return read.extracted;
}

// The series as kelpex's start-up reads it (the same findings in the same
// words), then what kelpex never reads before a Run: each sound part's
// accounting and its extraction. The number of problems said.
unsigned VerifyParts(const Series_& series, ScratchFolder& scratch, unsigned long long& total,
                     std::vector<std::wstring>& continuations) {
    UxSeriesWalk walk;
    walk.walk(series.folder, series.names);
    unsigned problems = static_cast<unsigned>(walk.findings.size());
    for (const UxSeriesFinding& finding : walk.findings) Say(L"%ls", walk.printed(finding).c_str());
    if (walk.madeOneAtATime) Say(L"note: the cabinets carry different set IDs, as cabinets made one at a time do");
    for (size_t i = 0; i < series.names.size(); ++i) {
        if (!walk.sound[i]) continue;
        std::wstring name = FromShiftJis(series.names[i].text()), path = series.folder + name;
        if (!AccountingSound(name, path, walk.parts[i]) || !Extracts(name, path, walk.parts[i], scratch, total))
            ++problems;
    }
    for (const std::string& next : walk.continuations) continuations.push_back(FromShiftJis(next.c_str()));
    return problems;
}

// A file of the pattern that kelpex.qcf does not name would ship with the
// series (the folder's data*.cab) without being extracted, unless a file of
// the series runs on into it.
unsigned CheckStrays(const Series_& series, const std::vector<std::wstring>& continuations) {
    unsigned strays = 0;
    std::vector<std::wstring> names(continuations);
    for (const FCString& name : series.names) names.push_back(FromShiftJis(name.text()));
    for (const std::wstring& file : PatternFiles(series.folder, series.pattern)) {
        if (HoldsFileName(names, file)) continue;
        Say(L"%ls: matches the series' pattern but kelpex.qcf does not name it: remove it before shipping",
            file.c_str());
        ++strays;
    }
    return strays;
}
}  // namespace

int Verify(const Arguments_& arguments) {
    if (arguments.size() != 2) return Usage(L"verify needs exactly one FOLDER");
    Series_ series;
    if (int unreadable = ReadSeries(FolderPath(arguments[1]), series)) return unreadable;
    ScratchFolder scratch;
    if (!scratch.made()) return 2;
    unsigned long long total = 0;
    std::vector<std::wstring> continuations;
    unsigned problems = VerifyParts(series, scratch, total, continuations);
    if (total > static_cast<unsigned long long>(series.size) * kMegabyte) {
        Say(L"size=%u MB is below the series' uncompressed total of %llu MB", series.size,
            (total + kMegabyte - 1) / kMegabyte);
        ++problems;
    }
    problems += CheckStrays(series, continuations);
    if (problems == 0)
        Say(L"the series is sound: %u archive(s), %llu bytes", static_cast<unsigned>(series.names.size()), total);
    else Say(L"the series is faulty: %u problem(s)", problems);
    return problems == 0 ? 0 : 1;
}
