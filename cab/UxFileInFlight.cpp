// The file the platform is writing: where it is written, how it is settled
// (measured, dated, put in place of an old file) or removed.
#include "cab/UxFileInFlight.h"
#include "cab/UxCabShared.h"
#include "fs/PathCompare.h"
#include "fs/FCFile.h"
#include "fs/FCPathName.h"
#include "fs/FileInUse.h"
#include "foundation/WideText.h"

namespace {
// The smallest largest file of the file systems that have such a limit
// (2 GB less a byte: FAT drivers that count in 31 bits).
const unsigned long long kLargestFileLimit = 0x7FFFFFFFull;

void AppendFileSystemLimit(std::wstring& text, unsigned long long written) {
    text += FromShiftJis("展開先のファイルシステムにはこの大きさのファイルを保存できないため、") +
            std::to_wstring(written) + FromShiftJis(" バイトまでしか書き込めませんでした。\n");
}
}  // namespace

bool UxFileInFlight::choose(UxCabTargets::TARGET_& file, bool fresh) {
    file.written = file.target;
    DWORD attributes = 0;
    if (fresh || !pathExists(file.target, &attributes)) return true;
    // The old file may be one this cabinet wrote: it is measured before its
    // replacement takes its name.
    if (!settleWritten()) return false;
    file.existed = true;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        end_.fail(Bracketed("既存のファイルを置き換えられません", targets_.shown(file.relative)));
        return false;
    }
    // A folder in its long form takes no temporary file of the platform's:
    // the route gives the file one of ours, and the old file stays until
    // the new one is whole.
    if (file.target != WithoutLongPrefix(file.target)) return true;
    std::wstring failure;
    if (targets_.temporary(FolderOf(file.target), file,
                           "一時ファイルを作成できないため既存のファイルを置き換えられません", failure))
        return true;
    end_.fail(failure);
    return false;
}

bool UxFileInFlight::finish(bool extracted, DWORD platformCode, const std::wstring& archive) {
    if (!active_) return true;
    active_ = false;
    if (!extracted) {
        // What the platform wrote is removed; an old file under the
        // target's name was never touched.
        RemoveOrLeave(file_.written, leftovers_);
        if (end_.stopped()) return false;  // the end already explains it
        std::wstring text = Bracketed("ファイルを展開できませんでした", targets_.shown(file_.relative));
        if (platformCode == 0) {
            text += Bracketed("キャビネットファイルが壊れているか、形式が正しくありません", archive);
        } else {
            AppendSystemReason(text, platformCode);
        }
        end_.fail(text);
        return false;
    }
    // A replacement is settled now: the old file stays until it is whole.
    if (file_.existed) return settleNow();
    // A new file is settled later, on the settler's thread, while the
    // platform writes the next ones; one written under a temporary name
    // takes its own name there.
    const UxCabTargets::ENTRY_STAMP_& entry = file_.entry;
    newFile_ = UxFileSettler::FILE_{
        file_.written, entry.size, entry.dosDate, entry.dosTime, file_.replacing() ? file_.target : std::wstring(),
        file_.relative};
    writtenFiles_.push_back(file_.relative);
    return true;
}

bool UxFileInFlight::handOver() {
    if (!newFile_) return true;
    UxFileSettler::FILE_ file = std::move(*newFile_);
    newFile_.reset();
    std::vector<UxFileSettler::FAILURE_> failed;
    settler_.add(std::move(file), failed);
    return failed.empty() || reportShort(failed);
}

// The platform reports a file cut short (a full disk, damaged data) as
// extracted: the size on disk must be the cabinet's. A short file is
// removed and fails the cabinet; a whole one takes the entry's time (the
// platform leaves the time it was written), and then the old file's place.
bool UxFileInFlight::settleNow() {
    UxFileSettler::FAILURE_ failure;
    const UxCabTargets::ENTRY_STAMP_& entry = file_.entry;
    UxFileSettler::FILE_ settled{file_.written, entry.size,     entry.dosDate,
                                 entry.dosTime, std::wstring(), file_.relative};
    if (UxFileSettler::settle(settled, failure, inUse_, true)) return replaceTarget();
    if (failure.held != UxInUseWait::DONE)
        return skip(failure.held, SKIPPED_{file_.relative, failure.holders}, file_.written, false);
    return reportShort({failure});
}

bool UxFileInFlight::skip(UxInUseWait::Outcome outcome, SKIPPED_ skipped, const std::wstring& written, bool listed) {
    RemoveOrLeave(written, leftovers_);
    if (listed) forgetWritten(skipped.name);
    // 中止 ends the Run as Cancel does.
    if (outcome == UxInUseWait::CANCELLED) {
        end_.stop();
        return false;
    }
    skippedFiles_.push_back(std::move(skipped));
    return true;
}

void UxFileInFlight::forgetWritten(const std::wstring& name) {
    // A new file's name is written once: most likely among the last ones.
    for (size_t i = writtenFiles_.size(); i-- > 0;) {
        if (writtenFiles_[i] != name) continue;
        writtenFiles_.erase(writtenFiles_.begin() + static_cast<std::ptrdiff_t>(i));
        return;
    }
}

// Every new file is settled, even after the first short one, so that none
// cut short stays behind; the first names the failure.
bool UxFileInFlight::settleWritten() {
    bool whole = handOver();
    std::vector<UxFileSettler::FAILURE_> failed;
    settler_.wait(failed);
    return reportShort(failed) && whole;
}

bool UxFileInFlight::reportShort(const std::vector<UxFileSettler::FAILURE_>& failed) {
    bool whole = true;
    for (UxFileSettler::FAILURE_ file : failed) {
        // Held by another program past the settling thread's silent wait:
        // the user may be asked about it here.
        if (file.held == UxInUseWait::FAILED && !end_.stopped()) {
            UxFileSettler::FAILURE_ again;
            if (UxFileSettler::settle(file.file, again, inUse_, true)) continue;
            file = std::move(again);
        }
        if (file.held != UxInUseWait::DONE) {
            // A new file: none stays.
            UxInUseWait::Outcome outcome = file.held == UxInUseWait::FAILED ? UxInUseWait::SKIPPED : file.held;
            whole = skip(outcome, SKIPPED_{file.name, file.holders}, file.file.path, true) && whole;
            continue;
        }
        // Removed: not written.
        forgetWritten(file.name);
        if (file.leftover) leftovers_.push_back(file.file.path);
        std::wstring text;
        if (file.moveError != 0) {
            text = Bracketed("一時ファイルを本来の名前に変更できないため展開できません", targets_.shown(file.name));
            AppendSystemReason(text, file.moveError);
        } else {
            text = Bracketed("ファイルが正しく展開されませんでした", targets_.shown(file.name));
            if (file.diskFull) text += FromShiftJis("ディスクの空き容量が足りません。\n");
            // A file system that takes no file past 2 or 4 GB stops the
            // platform's writing there, though it has room.
            else if (file.written >= kLargestFileLimit) AppendFileSystemLimit(text, file.written);
        }
        end_.fail(text);
        whole = false;
    }
    return whole;
}

// Puts a complete replacement in place of the old file in one step; the
// old file stays as it was when that fails. A program that holds the old
// file is waited for, and the user asked: Skip keeps the old file; so is a
// file the system refuses to replace for a reason no wait mends (access
// denied), at once. (A new file written under a temporary name takes its
// name in the settler.)
bool UxFileInFlight::replaceTarget() {
    std::wstring longTarget = LongPathForm(file_.target), longWritten = LongPathForm(file_.written);
    const wchar_t* target = longTarget.c_str();
    DWORD attributes = GetFileAttributesW(target);
    bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    bool cleared = false;
    // The attribute is cleared within the attempt: a program that holds the
    // file keeps it from being cleared too, and is waited for the same way;
    // one the file system refuses to clear is no hold, and refused at once.
    auto replace = [&]() -> DWORD {
        if (readOnly && !cleared && !SetFileAttributesW(target, attributes & ~FILE_ATTRIBUTE_READONLY))
            return GetLastError();
        cleared = readOnly;
        return MoveFileExW(longWritten.c_str(), target, MOVEFILE_REPLACE_EXISTING) ? 0 : GetLastError();
    };
    DWORD code = 0;
    UxInUseWait::Outcome outcome = inUse_.runOrSkip(replace, file_.target, file_.relative, code);
    if (outcome == UxInUseWait::DONE) {
        writtenFiles_.push_back(file_.relative);
        return true;
    }
    // Judged before the attribute is given back, which would make any
    // refusal look like the attribute's.
    DWORD refusal = HeldByAnother(code, file_.target) ? 0 : code;
    if (cleared) SetFileAttributesW(target, attributes);
    if (outcome != UxInUseWait::FAILED) {
        return skip(outcome, SKIPPED_{file_.relative, inUse_.holders(), refusal}, file_.written, false);
    }
    RemoveOrLeave(file_.written, leftovers_);
    std::wstring text = Bracketed("既存のファイルを置き換えられません", targets_.shown(file_.relative));
    AppendSystemReason(text, code);
    end_.fail(text);
    return false;
}
