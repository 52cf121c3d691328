// The extractor's checks of the series: each cabinet's structure before the
// platform reads it, the entries it offered, and every continuation it asks
// for, judged as the series' walk judges them.
#include "cab/UxCabSeriesChecks.h"
#include "cab/UxCabShared.h"
#include "cab/UxSeriesWalk.h"
#include "foundation/CrashReport.h"
#include "foundation/WideText.h"
#include "fs/EntryName.h"
#include "fs/FCFile.h"
#include "fs/FCPathName.h"
#include "fs/PlatformPath.h"

namespace {
// "（data01.cab の続き）" and a line break.
std::wstring ContinuationOf(const std::wstring& cabinet) {
    return FromShiftJis("（") + NameOf(cabinet) + FromShiftJis(" の続き）\n");
}
}  // namespace

bool UxCabSeriesChecks::checkStructure(const std::wstring& archive, bool series, std::wstring& errorText) {
    UxCabinetHeader header;
    // Outside a series the caller extracts the previous part itself; in
    // one, an entry continued from before needs a part before it, and must
    // be one that part continues.
    bool partBefore = !series || cabinetsInSeries_ > 0;
    bool follows = series && cabinetsInSeries_ > 0 && currentSound_;
    ++cabinetsInSeries_;
    currentSound_ = false;
    expectedOffers_ = 0;
    // the platform names what it cannot read
    if (header.read(archive) != UxCabinetHeader::OK) return true;
    expectedOffers_ = header.offeredEntries();
    size_t entry = 0;
    UxCabinetHeader::Fault fault = UxSeriesWalk::partFault(header, partBefore, follows ? &current_ : nullptr, entry);
    if (fault == UxCabinetHeader::FAULT_NONE) {
        current_ = std::move(header);
        currentSound_ = true;
        return true;
    }
    errorText.clear();
    AppendStructureFault(errorText, archive, header, fault, entry);
    return false;
}

void UxCabSeriesChecks::beginIteration() {
    askedCabinets_.clear();
    chainRead_ = false;
    offered_ = 0;
}

bool UxCabSeriesChecks::checkOffered(BOOL iterated, const std::wstring& archive, std::wstring& errorText) const {
    if (!iterated || end_.state() != UxCabinetEnd::RUNNING || offered_ == expectedOffers_) return true;
    errorText = Bracketed("キャビネットファイルの一部のファイルが展開されませんでした", archive) +
                std::to_wstring(offered_) + L" / " + std::to_wstring(expectedOffers_) + L"\n";
    return false;
}

UINT UxCabSeriesChecks::findContinuation(const CABINET_INFO_A& info, const std::wstring& archive, char* newPath) {
    const char* name = info.CabinetFile != nullptr ? info.CabinetFile : "";
    // The platform asks again when what it was pointed at would not do (not
    // a cabinet, another set): asking twice for one name is an answer too.
    if (!askedCabinets_.insert(FromShiftJis(name))) return refuseContinuation(name, archive);
    std::wstring folder = FolderOf(archive), path = folder + FromShiftJis(name);
    DWORD attributes = 0;
    // The platform's own path buffer is smaller than MAX_PATH on some systems.
    const int kNewPathSize = 256;
    std::string platformFolder;
    if (IsPlainFileName(name) && PlatformPath(folder, platformFolder) && platformFolder.size() < kNewPathSize &&
        pathExists(path, &attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (!checkContinuation(path, name, archive)) return ERROR_INVALID_DATA;
        FileBeingRead::name(path);
        lstrcpynA(newPath, platformFolder.c_str(), kNewPathSize);
        return NO_ERROR;
    }
    end_.fail(Bracketed("続きのキャビネットファイルが見つかりません", FromShiftJis(name)) + ContinuationOf(archive));
    return ERROR_FILE_NOT_FOUND;
}

UINT UxCabSeriesChecks::refuseContinuation(const char* name, const std::wstring& archive) {
    end_.fail(Bracketed("続きのキャビネットファイルが正しくありません", FromShiftJis(name)) + ContinuationOf(archive));
    return ERROR_INVALID_DATA;
}

// The platform reads the continuation within this cabinet's iteration, so
// it is checked here as each cabinet is before its own: its reader loops
// for ever looking for an entry the next part does not continue.
bool UxCabSeriesChecks::checkContinuation(const std::wstring& path, const char* name, const std::wstring& archive) {
    UxCabinetHeader next;
    if (!currentSound_ || next.read(path) != UxCabinetHeader::OK) return true;  // the platform judges it
    // A file may run through several parts: the part asked for follows the
    // last one the platform was given, not the cabinet being iterated.
    const UxCabinetHeader& last = chainRead_ ? chain_ : current_;
    size_t entry = 0;
    UxCabinetHeader::Fault fault = UxSeriesWalk::partFault(next, true, &last, entry);
    if (fault == UxCabinetHeader::FAULT_NOT_NEXT) {
        refuseContinuation(name, archive);
        return false;
    }
    if (fault == UxCabinetHeader::FAULT_NONE) {
        chain_ = std::move(next);
        chainRead_ = true;
        return true;
    }
    std::wstring text;
    AppendStructureFault(text, path, next, fault, entry);
    end_.fail(text);
    return false;
}
