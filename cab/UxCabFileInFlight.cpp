// The file the platform is writing: where it is written, how it is settled
// (measured, dated, put in place of an old file) or removed.
#include "cab/UxCAB.h"
#include "cab/UxCabShared.h"
#include "fs/PathCompare.h"
#include "fs/FCFile.h"

namespace {
// New files handed to the settler in one go.
const size_t kCheckBatch = 256;
}  // namespace

// Where the platform is to write the file. A new file is written in place;
// an existing one stays untouched until its replacement is complete.
bool UxCAB::chooseWriteTarget(INFLIGHT_& file, bool fresh) {
    file.written = file.target;
    DWORD attributes = 0;
    if (fresh || !pathExists(file.target, &attributes)) return true;
    // The old file may be one this cabinet wrote: it is measured before its
    // replacement takes its name.
    if (!settleWritten(true)) return false;
    file.existed = true;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        FCString text;
        AppendBracketed(text, "既存のファイルを置き換えられません", file.shown.text());
        failCabinet(text);
        return false;
    }
    // A folder in its long form takes no temporary file of the platform's:
    // the route gives the file one of ours, and the old file stays until
    // the new one is whole.
    if (file.target != WithoutLongPrefix(file.target)) return true;
    return makeTemporary(FolderOf(file.target), file,
                         "一時ファイルを作成できないため既存のファイルを置き換えられません");
}

bool UxCAB::makeTemporary(const std::wstring& folder, INFLIGHT_& file, const char* failure) {
    wchar_t temporary[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), L"kx", 0, temporary) == 0) {
        DWORD code = GetLastError();
        FCString text;
        AppendBracketed(text, failure, file.shown.text());
        AppendSystemReason(text, code);
        failCabinet(text);
        return false;
    }
    file.written = temporary;
    return true;
}

bool UxCAB::finishFile(bool extracted, DWORD platformCode) {
    if (!inFlight_.active) return true;
    inFlight_.active = false;
    if (!extracted) {
        // What the platform wrote is removed; an old file under the
        // target's name was never touched.
        RemoveFile(inFlight_.written);
        if (end_ != END_RUNNING) return false;  // the end already explains it
        FCString text;
        AppendBracketed(text, "ファイルを展開できませんでした", inFlight_.shown.text());
        if (platformCode == 0) {
            text.append("キャビネットファイルが壊れているか、形式が正しくありません [");
            text.append(archivePath);
            text.append("]\n");
        } else {
            AppendSystemReason(text, platformCode);
        }
        failCabinet(text);
        return false;
    }
    // A replacement is settled now: the old file stays until it is whole.
    if (inFlight_.existed) {
        if (!settleNow(inFlight_.written, inFlight_.shown, inFlight_.entry) || !replaceTarget()) return false;
        writtenFiles_.push_back(inFlight_.relative);
        return true;
    }
    // A new file is settled later, on the settler's thread, in a batch with
    // other new files, while the platform writes the next ones; one written
    // under a temporary name takes its own name there.
    const ENTRY_STAMP_& entry = inFlight_.entry;
    unchecked_.push_back(UxFileSettler::FILE_{inFlight_.written, inFlight_.shown, entry.size, entry.dosDate,
                                              entry.dosTime, inFlight_.replacing() ? inFlight_.target : std::wstring(),
                                              inFlight_.relative});
    writtenFiles_.push_back(inFlight_.relative);
    return unchecked_.size() < kCheckBatch || settleWritten(false);
}

// The platform reports a file cut short (a full disk, damaged data) as
// extracted: the size on disk must be the cabinet's. A short file is
// removed and fails the cabinet; a whole one takes the entry's time (the
// platform leaves the time it was written).
bool UxCAB::settleNow(const std::wstring& written, const FCString& shown, const ENTRY_STAMP_& entry) {
    UxFileSettler::FAILURE_ failure;
    std::vector<UxFileSettler::FAILURE_> failed;
    if (!UxFileSettler::settle(UxFileSettler::FILE_{written, shown, entry.size, entry.dosDate, entry.dosTime,
                                                    std::wstring(), std::wstring()},
                               failure))
        failed.push_back(failure);
    return reportShort(failed);
}

// Every new file is settled, even after the first short one, so that none
// cut short stays behind; the first names the failure.
bool UxCAB::settleWritten(bool wait) {
    std::vector<UxFileSettler::FAILURE_> failed;
    if (!unchecked_.empty()) settler_.hand(unchecked_, failed);
    if (wait) settler_.wait(failed);
    return reportShort(failed);
}

bool UxCAB::reportShort(const std::vector<UxFileSettler::FAILURE_>& failed) {
    for (const UxFileSettler::FAILURE_& file : failed) {
        // Removed: not written. Most likely among the last ones.
        for (size_t i = writtenFiles_.size(); i-- > 0;) {
            if (writtenFiles_[i] != file.name) continue;
            writtenFiles_.erase(writtenFiles_.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
        FCString text;
        if (file.moveError != 0) {
            AppendBracketed(text, "一時ファイルを本来の名前に変更できないため展開できません", file.shown.text());
            AppendSystemReason(text, file.moveError);
        } else {
            AppendBracketed(text, "ファイルが正しく展開されませんでした", file.shown.text());
            if (file.diskFull) text.append("ディスクの空き容量が足りません。\n");
        }
        failCabinet(text);
    }
    return failed.empty();
}

// Puts a complete replacement in place of the old file in one step; the
// old file stays as it was when that fails. (A new file written under a
// temporary name takes its name in the settler.)
bool UxCAB::replaceTarget() {
    std::wstring longTarget = LongPathForm(inFlight_.target);
    const wchar_t* target = longTarget.c_str();
    DWORD attributes = GetFileAttributesW(target);
    bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) SetFileAttributesW(target, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (MoveFileExW(LongPathForm(inFlight_.written).c_str(), target, MOVEFILE_REPLACE_EXISTING)) return true;
    DWORD code = GetLastError();
    if (readOnly) SetFileAttributesW(target, attributes);
    RemoveFile(inFlight_.written);
    FCString text;
    AppendBracketed(text, "既存のファイルを置き換えられません", inFlight_.shown.text());
    AppendSystemReason(text, code);
    failCabinet(text);
    return false;
}
