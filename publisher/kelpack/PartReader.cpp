// The process that reads one part for verify, and verify's watch over it.
#include "publisher/kelpack/PartReader.h"
#include "cab/UxCAB.h"
#include "foundation/CrashReport.h"
#include "foundation/FCHandle.h"
#include "foundation/WideText.h"
#include "fs/FCPathName.h"
#include "publisher/kelpack/Console.h"
#include "publisher/kelpack/TestSeams.h"
#include "foundation/SystemErrorText.h"
#include <cwchar>

namespace {
// What the reading process tells the watching one, in memory they share.
struct READER_SHARE_ {
    volatile LONG notifications;  // every notification of the platform's reader
    LONG files;
    LONGLONG bytes;
    // The cabinet being read, as the series or the cabinet before names it:
    // the format holds a cabinet's name in at most 255 bytes, and the
    // platform hands it over so (CABINET_INFO_A).
    char reading[256];
};

// Between two notifications the platform's reader writes one whole file.
// Under Wine on the build machines it writes 180 MB/s (a 300 MB MSZIP file
// in 1.7 s) to 400 MB/s (stored); the slowest disks a publisher verifies
// on (a USB 2 stick, a network share) take 10 MB/s and more. A file is
// given its size at 4 MB/s, and a minute more for a disk to wake: a reader
// that gives no sign of progress for longer has stopped.
const unsigned long long kSlowBytesPerMs = 4000;
const DWORD kLeastBoundMs = 60000;

DWORD g_boundForTests = 0;  // 0: as the part's largest file says
std::wstring g_programForTests;

// Extracts into the scratch folder and counts what the extractor wrote (it
// checks names and sizes itself), telling the share at every notification.
class WatchedCab : public UxCAB {
public:
    explicit WatchedCab(READER_SHARE_& share) : share_(share) {}
    UINT onFileInCabinet(FILE_IN_CABINET_INFO_A* info) override {
        InterlockedIncrement(&share_.notifications);
        size_ = info->FileSize;
        return UxCAB::onFileInCabinet(info);
    }
    // The extractor measures the file against the cabinet's size: asking
    // the disk again would only repeat its query.
    UINT onFileExtracted(const std::wstring&) override {
        share_.bytes += size_;
        ++share_.files;
        InterlockedIncrement(&share_.notifications);
        return NO_ERROR;
    }
    UINT onNeedNewCabinet(const CABINET_INFO_A& info, char* newPath) override {
        lstrcpynA(share_.reading, info.CabinetFile != nullptr ? info.CabinetFile : "", sizeof share_.reading);
        InterlockedIncrement(&share_.notifications);
        return UxCAB::onNeedNewCabinet(info, newPath);
    }

private:
    READER_SHARE_& share_;
    DWORD size_ = 0;
};

// The reading process brought down by its reader: said, and it ends (the
// watching verify removes what it wrote).
void ReportReaderCrash(const wchar_t* reading, DWORD code) {
    Say(L"%ls: the platform's cabinet reader failed on it (exception 0x%08lX): it is damaged",
        *reading != L'\0' ? reading : L"(no cabinet)", static_cast<unsigned long>(code));
}

std::wstring Quoted(std::wstring path) {
    // No backslash before the closing quote, which the runtime would read
    // as a quote of the path's own.
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return L"\"" + path + L"\"";
}
}  // namespace

// Declared for tests in publisher/kelpack/TestSeams.h.
void SetReaderBoundForTests(DWORD ms) { g_boundForTests = ms; }
void SetReaderProgramForTests(const wchar_t* program) { g_programForTests = program != nullptr ? program : L""; }

DWORD ReaderBoundMs(unsigned long long largestFile) {
    if (g_boundForTests != 0) return g_boundForTests;
    unsigned long long ms = kLeastBoundMs + largestFile / kSlowBytesPerMs;
    return ms > 0x7FFFFFFFull ? 0x7FFFFFFF : static_cast<DWORD>(ms);
}

PART_READ_ ReadPartWatched(const std::wstring& name, const std::wstring& cabinet, const std::wstring& scratch,
                           unsigned long long largestFile) {
    PART_READ_ result;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    FCHandle mapping(
        CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, 0, sizeof(READER_SHARE_), nullptr));
    READER_SHARE_* share =
        mapping.valid()
            ? static_cast<READER_SHARE_*>(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(READER_SHARE_)))
            : nullptr;
    if (share == nullptr) {
        Say(L"%ls: cannot watch its reading (%ls)", name.c_str(), SystemErrorLine(GetLastError()).c_str());
        return result;
    }
    lstrcpynA(share->reading, ToShiftJis(name).c_str(), sizeof share->reading);
    std::wstring program = g_programForTests.empty() ? ModulePath() : g_programForTests;
    std::wstring command = Quoted(program) + L" read-part " +
                           std::to_wstring(reinterpret_cast<ULONG_PTR>(mapping.get())) + L" " + Quoted(cabinet) + L" " +
                           Quoted(scratch);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    // Wine now and then refuses a process start with ERROR_INTERNAL_ERROR
    // (1359) when the new process fails its own set-up; the next start
    // succeeds. A verdict must not hang on that: a few tries, a pause
    // between them, and a failure that says how often it was tried.
    const int kStartTries = 4;
    DWORD error = 0;
    int tries = 0;
    while (tries < kStartTries) {
        if (tries > 0) Sleep(250u * static_cast<DWORD>(tries));
        ++tries;
        if (CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                           &started))
            break;
        error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR) break;
    }
    if (started.hProcess == nullptr) {
        if (tries == 1) Say(L"%ls: cannot start its reading (%ls)", name.c_str(), SystemErrorLine(error).c_str());
        else Say(L"%ls: cannot start its reading (%ls, %d tries)", name.c_str(), SystemErrorLine(error).c_str(), tries);
        UnmapViewOfFile(share);
        return result;
    }
    FCHandle process(started.hProcess), thread(started.hThread);
    DWORD bound = ReaderBoundMs(largestFile);
    LONG seen = share->notifications;
    DWORD since = GetTickCount();
    while (WaitForSingleObject(process.get(), 100) == WAIT_TIMEOUT) {
        if (share->notifications != seen) {
            seen = share->notifications;
            since = GetTickCount();
        } else if (GetTickCount() - since > bound) {
            TerminateProcess(process.get(), 3);
            WaitForEnd(process.get(), false);
            result.stopped = true;
            break;
        }
    }
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    result.extracted = !result.stopped && code == 0;
    result.files = static_cast<unsigned>(share->files);
    result.bytes = static_cast<unsigned long long>(share->bytes);
    result.reading = FromShiftJis(share->reading);
    UnmapViewOfFile(share);
    if (result.stopped)
        Say(L"%ls: the platform's cabinet reader gave no sign of progress for %lu s while reading %ls, and was "
            L"stopped: kelpex could not extract this series",
            name.c_str(), static_cast<unsigned long>(bound / 1000), result.reading.c_str());
    return result;
}

int ReadPart(const std::vector<std::wstring>& arguments) {
    if (arguments.size() != 4) return 2;
    HANDLE mapping = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(std::wcstoull(arguments[1].c_str(), nullptr, 10)));
    READER_SHARE_* share =
        static_cast<READER_SHARE_*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(READER_SHARE_)));
    if (share == nullptr) return 2;
    InstallCrashReport(ReportReaderCrash);
    std::wstring cabinet = arguments[2], scratch = arguments[3] + L"\\";
    std::wstring name = FromShiftJis(share->reading);
    WatchedCab cab(*share);
    cab.setArchive(cabinet);
    bool extracted = cab.extractTo(scratch);
    if (!extracted) {
        // One line: the text's own line ends become blanks.
        std::wstring reason;
        for (wchar_t c : cab.errorText)
            if (c != L'\r') reason += c == L'\n' ? L' ' : c;
        Say(L"%ls: does not extract: %ls", name.c_str(), reason.c_str());
    } else {
        Say(L"%ls: ok, %u files, %llu bytes", name.c_str(), static_cast<unsigned>(share->files),
            static_cast<unsigned long long>(share->bytes));
    }
    UnmapViewOfFile(share);
    return extracted ? 0 : 1;
}
