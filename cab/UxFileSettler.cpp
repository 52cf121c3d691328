// Measures and dates new files on a thread beside the extraction.
#include "cab/UxFileSettler.h"
#include "cab/EntryTime.h"
#include "foundation/FCLocked.h"
#include "fs/FileInUse.h"
#include "fs/FCFile.h"
#include "fs/FCPathName.h"
#include "fs/UxDriveInfo.h"
#include "fs/PathCompare.h"
#include <process.h>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {
// Files queued before a sleeping settling thread is woken.
const size_t kWakeAfter = 32;
}  // namespace

UxFileSettler::UxFileSettler() {
    InitializeCriticalSection(&lock_);
    InitializeConditionVariable(&queued_);
    InitializeConditionVariable(&settled_);
}

UxFileSettler::~UxFileSettler() {
    drain();
    if (thread_.valid()) {
        {
            FCLocked held(lock_);
            stopping_ = true;
        }
        WakeConditionVariable(&queued_);
        WaitForEnd(thread_.get(), true);
    }
    DeleteCriticalSection(&lock_);
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
            failure.holders = wait.holders();
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
            failure.holders = wait.holders();
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

void UxFileSettler::startThread() {
    tried_ = true;
    thread_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, run, this, 0, nullptr)));
}

unsigned __stdcall UxFileSettler::run(void* self) {
    UxFileSettler& settler = *static_cast<UxFileSettler*>(self);
    // The settling thread's own wait, which never asks.
    UxInUseWait wait(settler.status_);
    for (;;) {
        QUEUED_ queued;
        {
            FCLocked held(settler.lock_);
            while (!settler.stopping_ && !settler.take(queued, false)) {
                settler.idle_ = true;
                SleepConditionVariableCS(&settler.queued_, &settler.lock_, INFINITE);
                settler.idle_ = false;
            }
            if (settler.stopping_) return 0;
        }
        settler.settleTaken(queued, wait);
    }
}

bool UxFileSettler::take(QUEUED_& queued, bool last) {
    if (queue_.empty()) return false;
    queued = std::move(last ? queue_.back() : queue_.front());
    if (last) queue_.pop_back();
    else queue_.pop_front();
    ++settling_;
    return true;
}

void UxFileSettler::settleTaken(const QUEUED_& queued, UxInUseWait& wait) noexcept {
    FAILURE_ failure;
    bool settled = true;
    std::exception_ptr thrown;
    try {
        settled = settle(queued.file, failure, wait, false);
        failure.order = queued.order;
    } catch (...) {
        thrown = std::current_exception();
    }
    FCLocked held(lock_);
    // Counted off first: whatever the recording below meets, a waiter is
    // not left waiting for a file that is settled.
    if (--settling_ == 0) WakeAllConditionVariable(&settled_);
    try {
        if (!settled) failed_.push_back(std::move(failure));
    } catch (...) {
        if (!thrown) thrown = std::current_exception();
    }
    if (thrown && !thrown_) thrown_ = thrown;
}

void UxFileSettler::takeFailures(std::vector<FAILURE_>& taken) {
    taken.swap(failed_);
    failed_.clear();
}

void UxFileSettler::add(FILE_ file, std::vector<FAILURE_>& failed) {
    if (!tried_) startThread();
    if (!thread_.valid()) {
        // No thread to be had: settled here and now.
        UxInUseWait wait(status_);
        FAILURE_ failure;
        if (!settle(file, failure, wait, false)) failed.push_back(std::move(failure));
        return;
    }
    std::vector<FAILURE_> found;
    bool wake;
    {
        FCLocked held(lock_);
        queue_.push_back(QUEUED_{added_++, std::move(file)});
        takeFailures(found);
        // Waking the sleeping thread costs this one as much as settling a
        // file: it is woken for a batch.
        wake = idle_ && queue_.size() >= kWakeAfter;
    }
    if (wake) WakeConditionVariable(&queued_);
    // The settling thread takes the files in order: so are its failures.
    for (FAILURE_& failure : found) failed.push_back(std::move(failure));
}

void UxFileSettler::waitAll(std::vector<FAILURE_>& failed, std::exception_ptr& thrown) noexcept {
    // This thread settles from the back of the queue while the settling
    // thread goes on from the front.
    UxInUseWait wait(status_);
    bool wake;
    {
        FCLocked held(lock_);
        wake = idle_ && !queue_.empty();
    }
    if (wake) WakeConditionVariable(&queued_);
    for (;;) {
        QUEUED_ queued;
        {
            FCLocked held(lock_);
            if (!take(queued, true)) break;
        }
        settleTaken(queued, wait);
    }
    FCLocked held(lock_);
    while (settling_ > 0) SleepConditionVariableCS(&settled_, &lock_, INFINITE);
    takeFailures(failed);
    thrown = thrown_;
    thrown_ = nullptr;
}

void UxFileSettler::wait(std::vector<FAILURE_>& failed) {
    std::vector<FAILURE_> found;
    std::exception_ptr thrown;
    waitAll(found, thrown);
    if (thrown) std::rethrow_exception(thrown);
    std::sort(found.begin(), found.end(), [](const FAILURE_& a, const FAILURE_& b) { return a.order < b.order; });
    for (FAILURE_& failure : found) failed.push_back(std::move(failure));
}

void UxFileSettler::drain() noexcept {
    std::vector<FAILURE_> forgotten;
    std::exception_ptr thrown;
    waitAll(forgotten, thrown);
}
