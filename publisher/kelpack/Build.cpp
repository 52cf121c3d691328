// kelpack build: collect, plan, pack into a staging folder, put in place.
#include "publisher/kelpack/Build.h"
#include "cab/UxCabinetHeader.h"
#include "config/QcfKeys.h"
#include "config/UxQcf.h"
#include "config/UxSeries.h"
#include "foundation/FCHandle.h"
#include "foundation/SystemErrorText.h"
#include "foundation/WideText.h"
#include "fs/FCFile.h"
#include "fs/PathCompare.h"
#include "publisher/cabwriter/UxCabinetBuilder.h"
#include "publisher/kelpack/Collect.h"
#include "publisher/kelpack/Console.h"
#include "publisher/kelpack/Output.h"
#include "publisher/kelpack/Plan.h"
#include "publisher/kelpack/TestSeams.h"

namespace {
void (*g_beforePacking)(const std::wstring& name) = nullptr;
}  // namespace

void SetBeforePackingForTests(void (*hook)(const std::wstring& name)) { g_beforePacking = hook; }

namespace {
// Set by Ctrl+C or Ctrl+Break, on the console's own thread: the build stops
// at the next block and leaves OUTPUT as it was.
volatile LONG g_interrupted = 0;

BOOL WINAPI Interrupt(DWORD) {
    InterlockedExchange(&g_interrupted, 1);
    return TRUE;
}

struct ProgressState_ {
    unsigned long long before = 0, total = 0;
    DWORD lastTick = 0;
    std::wstring cabinet;
};

bool ShowProgress(void* context, unsigned long long done) {
    ProgressState_& p = *static_cast<ProgressState_*>(context);
    DWORD now = GetTickCount();
    if (now - p.lastTick >= 250) {
        p.lastTick = now;
        unsigned percent = p.total == 0 ? 100 : static_cast<unsigned>((p.before + done) * 100 / p.total);
        Say(L"%u%% (writing %ls)", percent > 100 ? 100 : percent, p.cabinet.c_str());
    }
    return g_interrupted == 0;
}

// FNV-1a: the set ID of a series follows from everything in it.
class SetIdHash {
public:
    void add(const void* bytes, size_t n) {
        for (size_t i = 0; i < n; ++i) value_ = (value_ ^ static_cast<const unsigned char*>(bytes)[i]) * 16777619u;
    }
    template <class T>
    void addValue(const T& v) {
        add(&v, sizeof v);
    }
    unsigned short id() const { return static_cast<unsigned short>(value_ ^ value_ >> 16); }

private:
    unsigned value_ = 2166136261u;
};

// Reads back a written cabinet: it must hold the planned files and account
// for every byte, whatever the writer did with its counts.
bool ReadBack(const std::wstring& path, const PlannedCabinet_& planned, SetIdHash& hash) {
    UxCabinetHeader header;
    size_t entry = 0;
    if (header.read(path) != UxCabinetHeader::OK || header.files.size() != planned.files.size() ||
        !header.readBlocks(path) || header.checkAccounting(entry) != UxCabinetHeader::FAULT_NONE) {
        Say(L"%ls: the written cabinet does not hold what was planned", planned.name.c_str());
        return false;
    }
    for (const UxCabinetHeader::FOLDER_& folder : header.folderRecords) {
        hash.addValue(folder.checksums);
        hash.addValue(folder.uncompressed);
    }
    return true;
}

bool PackCabinet(const BuildOptions_& o, const std::wstring& staging, const PlannedCabinet_& cabinet, unsigned number,
                 ProgressState_& progress) {
    progress.cabinet = cabinet.name;
    UxCabinetBuilder builder;
    builder.setProgress(ShowProgress, &progress);
    if (!builder.create(staging + cabinet.name, o.store, 0, number)) {
        Say(L"%ls", builder.error().c_str());
        return false;
    }
    for (const SourceFile_* f : cabinet.files) {
        if (g_beforePacking != nullptr) g_beforePacking(f->name);
        if (!builder.addFile(f->name, f->stored, f->utf8, &f->written, f->attributes)) {
            Say(L"%ls", builder.error().c_str());
            return false;
        }
        // A file written to while it was packed (a log) would ship other
        // bytes than its size says.
        if (!builder.sourceAsListed(f->size, f->written)) {
            Say(L"%ls changed while it was packed", f->name.c_str());
            return false;
        }
        progress.before += f->size;
    }
    if (!builder.finish()) {
        Say(L"%ls: %ls", cabinet.name.c_str(), builder.error().c_str());
        return false;
    }
    return true;
}

// The set ID goes into every header once all cabinets are written: it
// follows from their content, so that cabinets of two builds never pass
// for one series.
bool StampSetId(const std::vector<PlannedCabinet_>& plan, const std::wstring& staging, unsigned short id) {
    for (const PlannedCabinet_& cabinet : plan) {
        std::wstring path = staging + cabinet.name;
        FCHandle file(CreateFileW(LongPathForm(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        unsigned char bytes[2] = {static_cast<unsigned char>(id), static_cast<unsigned char>(id >> 8)};
        DWORD written = 0;
        if (!file.valid() ||
            SetFilePointer(file.get(), CabinetFormat::kSetIdOffset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
            !WriteFile(file.get(), bytes, 2, &written, nullptr) || written != 2) {
            Say(L"cannot write %ls (%ls)", path.c_str(), SystemErrorLine(GetLastError()).c_str());
            return false;
        }
    }
    return true;
}

bool WriteCabinets(const BuildOptions_& o, const std::vector<PlannedCabinet_>& plan, const std::wstring& staging,
                   unsigned long long total) {
    // Sources are opened by their names below the source folder: a short
    // path is cheaper for the system to resolve, twenty thousand times over.
    SetCurrentDirectoryW(o.source.c_str());
    ProgressState_ progress;
    progress.total = total;
    SetIdHash hash;
    hash.addValue(o.store);
    for (size_t i = 0; i < plan.size(); ++i) {
        if (!PackCabinet(o, staging, plan[i], static_cast<unsigned>(i), progress)) return false;
        if (!ReadBack(staging + plan[i].name, plan[i], hash)) return false;
        for (const SourceFile_* f : plan[i].files) {
            hash.add(f->stored.c_str(), f->stored.size() + 1);
            hash.addValue(f->size);
            hash.addValue(f->written);
            hash.addValue(f->attributes);
        }
    }
    return StampSetId(plan, staging, hash.id());
}

bool WriteQcf(const BuildOptions_& o, const std::wstring& staging, size_t cabinets, unsigned long long total) {
    FCString fname;
    SeriesFname(fname, ToShiftJis(o.pattern).c_str(), o.width, static_cast<int>(cabinets));
    std::map<std::string, std::string> values = o.texts;
    values[QcfKey::kFname] = fname.text();
    values[QcfKey::kSize] = std::to_string((total + kMegabyte - 1) / kMegabyte);
    if (o.hasFlags) values[QcfKey::kFlags] = std::to_string(o.flags);
    std::string body;
    for (const char* key : {QcfKey::kCaption, QcfKey::kFname, QcfKey::kSize, QcfKey::kFlags, QcfKey::kMakerName,
                            QcfKey::kAppName, QcfKey::kMessages[0], QcfKey::kMessages[1], QcfKey::kMessages[2]}) {
        auto value = values.find(key);
        if (value != values.end()) body += std::string(key) + "=" + value->second + "\n";
    }
    std::wstring path = staging + L"kelpex.qcf";
    DWORD code = WriteConfigurationFile(path, FCString(body.c_str()), o.key);
    if (code != 0) Say(L"cannot write %ls (%ls)", path.c_str(), SystemErrorLine(code).c_str());
    return code == 0;
}

// 0, or 1 after naming every file that cannot be stored.
int Refusals(const Collection_& c) {
    if (c.refusals.empty()) return 0;
    for (const std::wstring& why : c.refusals) Say(L"cannot store %ls", why.c_str());
    Say(L"nothing written: %u file(s) cannot be stored", static_cast<unsigned>(c.refusals.size()));
    return 1;
}
}  // namespace

int Build(const Arguments_& arguments) {
    BuildOptions_ o;
    if (int usage = ParseBuildOptions(arguments, o)) return usage;
    if (!IsFolder(o.source)) return Usage(L"the source folder does not exist: " + o.source);
    if (int refused = RefuseOutput(o)) return refused;
    Collection_ c;
    CollectSources(o, c);
    if (c.files.empty() && c.refusals.empty()) return Usage(L"the source folder holds no file: " + o.source);
    if (int refused = Refusals(c)) return refused;
    if (c.emptyFolders > 0) Say(L"note: %u empty folder(s) left out: a cabinet cannot hold a folder", c.emptyFolders);
    std::vector<PlannedCabinet_> plan = PlanCabinets(c.files, o);
    unsigned long long total = 0;
    for (const SourceFile_& f : c.files) total += f.size;
    StagedOutput output;
    if (!output.open(o.output)) return 1;
    SetConsoleCtrlHandler(Interrupt, TRUE);
    std::vector<std::wstring> names;
    for (const PlannedCabinet_& cabinet : plan) names.push_back(cabinet.name);
    names.push_back(L"kelpex.qcf");
    bool built = WriteCabinets(o, plan, output.staging(), total) && WriteQcf(o, output.staging(), plan.size(), total) &&
                 g_interrupted == 0;
    if (!built || !output.place(names, o.pattern)) {
        Say(L"%ls: nothing changed in %ls", g_interrupted != 0 ? L"interrupted" : L"the build failed",
            o.output.c_str());
        return 1;
    }
    Say(L"wrote %u cabinet(s) and kelpex.qcf to %ls: %u files, %llu bytes", static_cast<unsigned>(plan.size()),
        o.output.c_str(), static_cast<unsigned>(c.files.size()), total);
    return 0;
}
