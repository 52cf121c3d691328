// Measures and dates new files on a thread beside the extraction.
#include "cab/UxFileSettler.h"
#include "cab/EntryTime.h"
#include "fs/FileInUse.h"
#include "fs/FCFile.h"
#include "fs/FCPathName.h"
#include "fs/UxDriveInfo.h"
#include "fs/PathCompare.h"
#include <process.h>
#include <cstring>
#include <vector>

UxFileSettler::UxFileSettler() : busy_(false), stopping_(false) {}

UxFileSettler::~UxFileSettler() {
    drain();
    if (!thread_.valid()) return;
    stopping_ = true;
    SetEvent(work_.get());
    WaitForEnd(thread_.get(), true);
}

void UxFileSettler::drain() noexcept {
    if (!busy_) return;
    // The settling thread sets the event once the batch is settled; a wait
    // the system refuses is asked again rather than taken for that.
    while (WaitForSingleObject(settled_.get(), INFINITE) == WAIT_FAILED) Sleep(20);
    busy_ = false;
    failed_.clear();
    thrown_ = nullptr;
}

namespace {
// Gives an open file its final name: through the handle already open for
// its size and time, which spares the platform finding the file again by
// its path (a move by path costs a second open).
bool RenameOpenFile(HANDLE file, const std::wstring& finalPath) {
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + finalPath.size() * sizeof(wchar_t));
    FILE_RENAME_INFO* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(finalPath.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, finalPath.data(), rename->FileNameLength);
    return SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != FALSE;
}
}  // namespace

bool UxFileSettler::settle(const FILE_& file, FAILURE_& failure, UxInUseWait& wait, bool ask) {
    failure.name = file.name;
    failure.file = file;
    ULONGLONG size = ~0ull;
    bool renamed = false;
    DWORD error = 0;
    std::wstring path = LongPathForm(file.path), finalPath = LongPathForm(file.finalPath);
    {
        DWORD access = FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | (file.finalPath.empty() ? 0 : DELETE);
        FCHandle opened;
        auto open = [&]() -> DWORD {
            opened.reset(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            return opened.valid() ? 0 : GetLastError();
        };
        // A scanner opens a new file the moment it is written.
        UxInUseWait::Outcome outcome = wait.run(open, file.path, file.name, ask, error);
        if (outcome != UxInUseWait::DONE && (outcome != UxInUseWait::FAILED || HeldByAnother(error, file.path))) {
            failure.held = outcome;
            return false;
        }
        LARGE_INTEGER measured;
        if (opened.valid() && GetFileSizeEx(opened.get(), &measured)) size = static_cast<ULONGLONG>(measured.QuadPart);
        if (size == file.size) {
            // The platform leaves the time the file was written.
            FILETIME time;
            EntryTime(file.dosDate, file.dosTime, time);
            SetFileTime(opened.get(), nullptr, nullptr, &time);
            renamed = !file.finalPath.empty() && RenameOpenFile(opened.get(), finalPath);
        }
    }
    if (size == file.size) {
        if (file.finalPath.empty() || renamed) return true;
        auto move = [&]() -> DWORD {
            return MoveFileExW(path.c_str(), finalPath.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : GetLastError();
        };
        // Refused for what stands under the final name (a folder in the way)
        // or for the file itself, which a scanner may hold.
        const std::wstring& judged = pathExists(file.finalPath) ? file.finalPath : file.path;
        UxInUseWait::Outcome outcome = wait.run(move, judged, file.name, ask, error);
        if (outcome == UxInUseWait::DONE) return true;
        if (outcome != UxInUseWait::FAILED || HeldByAnother(error, judged)) {
            failure.held = outcome;
            return false;
        }
        failure.moveError = error;
        failure.leftover = !RemoveOwnFile(file.path);
        return false;
    }
    failure.written = size == ~0ull ? 0 : size;
    failure.diskFull = size < file.size && FreeBytesFor(FolderOf(file.path)) < file.size - size;
    failure.leftover = !RemoveOwnFile(file.path);
    return false;
}

void UxFileSettler::settleBatch() {
    for (const FILE_& file : batch_) {
        FAILURE_ failure;
        if (!settle(file, failure, wait_, false)) failed_.push_back(failure);
    }
    batch_.clear();
}

unsigned __stdcall UxFileSettler::run(void* self) {
    UxFileSettler& settler = *static_cast<UxFileSettler*>(self);
    for (;;) {
        WaitForSingleObject(settler.work_.get(), INFINITE);
        if (settler.stopping_) return 0;
        try {
            settler.settleBatch();
        } catch (...) {
            settler.thrown_ = std::current_exception();
        }
        SetEvent(settler.settled_.get());
    }
}

void UxFileSettler::hand(std::vector<FILE_>& batch, std::vector<FAILURE_>& failed) {
    wait(failed);
    batch_.swap(batch);
    batch.clear();
    if (!thread_.valid()) {
        work_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        settled_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (work_.valid() && settled_.valid())
            thread_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, run, this, 0, nullptr)));
    }
    if (!thread_.valid()) {
        // No thread to be had: settled here and now.
        settleBatch();
        failed.insert(failed.end(), failed_.begin(), failed_.end());
        failed_.clear();
        return;
    }
    busy_ = true;
    SetEvent(work_.get());
}

void UxFileSettler::wait(std::vector<FAILURE_>& failed) {
    if (!busy_) return;
    WaitForSingleObject(settled_.get(), INFINITE);
    busy_ = false;
    failed.insert(failed.end(), failed_.begin(), failed_.end());
    failed_.clear();
    if (thrown_) {
        std::exception_ptr thrown = thrown_;
        thrown_ = nullptr;
        std::rethrow_exception(thrown);
    }
}
