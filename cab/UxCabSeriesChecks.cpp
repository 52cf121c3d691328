// The extractor's checks of the series: each cabinet's structure before the
// platform reads it, the entries it offered, and every continuation it asks
// for, judged as the series' walk judges them.
#include "cab/UxCAB.h"
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

bool UxCAB::checkStructure() {
    UxCabinetHeader header;
    // Outside a series the caller extracts the previous part itself; in
    // one, an entry continued from before needs a part before it, and must
    // be one that part continues.
    bool partBefore = !seriesOpen_ || cabinetsInSeries_ > 0;
    bool follows = seriesOpen_ && cabinetsInSeries_ > 0 && currentSound_;
    ++cabinetsInSeries_;
    currentSound_ = false;
    expectedOffers_ = 0;
    // the platform names what it cannot read
    if (header.read(archivePath) != UxCabinetHeader::OK) return true;
    expectedOffers_ = header.offeredEntries();
    size_t entry = 0;
    UxCabinetHeader::Fault fault = UxSeriesWalk::partFault(header, partBefore, follows ? &current_ : nullptr, entry);
    if (fault == UxCabinetHeader::FAULT_NONE) {
        current_ = std::move(header);
        currentSound_ = true;
        return true;
    }
    errorText.clear();
    AppendStructureFault(errorText, archivePath, header, fault, entry);
    return false;
}

bool UxCAB::checkOffered(BOOL iterated) {
    if (!iterated || end_ != END_RUNNING || offered_ == expectedOffers_) return true;
    errorText = Bracketed("キャビネットファイルの一部のファイルが展開されませんでした", archivePath) +
                std::to_wstring(offered_) + L" / " + std::to_wstring(expectedOffers_) + L"\n";
    return false;
}

UINT UxCAB::onNeedNewCabinet(const CABINET_INFO_A& info, char* newPath) {
    const char* name = info.CabinetFile != nullptr ? info.CabinetFile : "";
    // The platform asks again when what it was pointed at would not do (not
    // a cabinet, another set): asking twice for one name is an answer too.
    if (!askedCabinets_.insert(FromShiftJis(name))) return refuseContinuation(name);
    return findNextCabinet(name, newPath);
}

UINT UxCAB::refuseContinuation(const char* name) {
    failCabinet(Bracketed("続きのキャビネットファイルが正しくありません", FromShiftJis(name)) +
                ContinuationOf(archivePath));
    return ERROR_INVALID_DATA;
}

UINT UxCAB::findNextCabinet(const char* name, char* newPath) {
    std::wstring folder = FolderOf(archivePath), path = folder + FromShiftJis(name);
    DWORD attributes = 0;
    // The platform's own path buffer is smaller than MAX_PATH on some systems.
    const int kNewPathSize = 256;
    std::string platformFolder;
    if (IsPlainFileName(name) && PlatformPath(folder, platformFolder) && platformFolder.size() < kNewPathSize &&
        pathExists(path, &attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (!checkContinuation(path, name)) return ERROR_INVALID_DATA;
        FileBeingRead::name(path);
        lstrcpynA(newPath, platformFolder.c_str(), kNewPathSize);
        return NO_ERROR;
    }
    failCabinet(Bracketed("続きのキャビネットファイルが見つかりません", FromShiftJis(name)) +
                ContinuationOf(archivePath));
    return ERROR_FILE_NOT_FOUND;
}

// The platform reads the continuation within this cabinet's iteration, so
// it is checked here as each cabinet is before its own: its reader loops
// for ever looking for an entry the next part does not continue.
bool UxCAB::checkContinuation(const std::wstring& path, const char* name) {
    UxCabinetHeader next;
    if (!currentSound_ || next.read(path) != UxCabinetHeader::OK) return true;  // the platform judges it
    // A file may run through several parts: the part asked for follows the
    // last one the platform was given, not the cabinet being iterated.
    const UxCabinetHeader& last = chainRead_ ? chain_ : current_;
    size_t entry = 0;
    UxCabinetHeader::Fault fault = UxSeriesWalk::partFault(next, true, &last, entry);
    if (fault == UxCabinetHeader::FAULT_NOT_NEXT) {
        refuseContinuation(name);
        return false;
    }
    if (fault == UxCabinetHeader::FAULT_NONE) {
        chain_ = std::move(next);
        chainRead_ = true;
        return true;
    }
    std::wstring text;
    AppendStructureFault(text, path, next, fault, entry);
    failCabinet(text);
    return false;
}
