// The /log file: held from the start, written at the end.
#include "app/RunLog.h"
#include "foundation/WideText.h"
#include "fs/FCPathName.h"
#include "ui/Markup.h"
#include <string>

DWORD RunLog::open(const std::wstring& path) {
    close(true);
    // Others may read it meanwhile, never write it; it is cut and written
    // only at the end, once it is known not to be a file it must not touch.
    file_.reset(CreateFileW(LongPathForm(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_.valid()) return GetLastError();
    made_ = GetLastError() != ERROR_ALREADY_EXISTS;
    path_ = path;
    if (!IdentityOf(file_.get(), identity_)) identity_ = FILE_IDENTITY_();
    lastNames_.clear();
    for (auto query : {GetLongPathNameW, GetShortPathNameW}) {
        std::wstring spelt = ReadSystemPath([&](wchar_t* b, DWORD n) { return query(path.c_str(), b, n); });
        lastNames_.push_back(spelt.substr(spelt.rfind(L'\\') + 1));
    }
    lastNames_.push_back(path.substr(path.rfind(L'\\') + 1));
    return 0;
}

bool RunLog::isAmong(const std::wstring& folder, const std::vector<std::wstring>& names) const {
    if (!isOpen()) return false;
    for (const std::wstring& name : names) {
        const wchar_t* last = name.c_str() + name.rfind(L'\\') + 1;
        for (const std::wstring& spelt : lastNames_) {
            if (spelt.empty() || CompareStringOrdinal(last, -1, spelt.c_str(), -1, TRUE) != CSTR_EQUAL) continue;
            if (this->names(folder + name)) return true;
        }
    }
    return false;
}

bool RunLog::names(const std::wstring& path) const {
    FILE_IDENTITY_ other;
    return isOpen() && IdentityOf(path, other) && other == identity_;
}

bool RunLog::write(const std::wstring& text) {
    if (!isOpen()) return false;
    std::string utf8(text.size() * 3 + 1, '\0');
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0],
                                static_cast<int>(utf8.size()), nullptr, nullptr);
    LARGE_INTEGER start = {};
    DWORD written = 0;
    bool ok = n > 0 && SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN) && SetEndOfFile(file_.get()) &&
              WriteFile(file_.get(), utf8.data(), static_cast<DWORD>(n), &written, nullptr) &&
              written == static_cast<DWORD>(n);
    made_ = false;
    return ok;
}

void RunLog::close(bool keep) {
    if (!isOpen()) return;
    file_.reset();
    if (made_ && !keep) DeleteFileW(LongPathForm(path_).c_str());
    made_ = false;
}

std::wstring LogPath(const COMMAND_LINE_& line) {
    if (!line.hasLog) return std::wstring();
    std::wstring full, given = AbsolutePath(WithoutLongPrefix(line.log));
    return FullPathName(given, full) ? full : given;
}

bool CheckLogIsNoneOf(HWND window, const std::wstring& folder, const std::vector<std::wstring>& names) {
    RunLog& log = ProcessLog();
    if (!log.isAmong(folder, names)) return true;
    UxMarkedText text("ログファイルに、展開に使うファイルまたは展開するファイルと同じファイルが指定されています。\n");
    ShowMarked(window, text.appendColoured(log.path(), 0xC00000));
    RunOutcome& outcome = MainDialogState().outcome;
    outcome.exitCode = EXIT_COMMAND_LINE;
    outcome.writeLog = false;
    return false;
}

RunLog& ProcessLog() {
    static RunLog log;
    return log;
}

namespace {
void AppendCount(FCString& text, size_t files, size_t entries) {
    text.append("（");
    text.appendNumber(static_cast<unsigned>(files));
    if (entries != files) {
        text.append(" / ");
        text.appendNumber(static_cast<unsigned>(entries));
    }
    text.append("ファイル）");
}

// "what（n）:" and a line end: the heading of a list of files.
FCString Counted(const char* what, size_t n) {
    FCString heading(what);
    heading.append("（");
    heading.appendNumber(static_cast<unsigned>(n));
    heading.append("）:\n");
    return heading;
}

void AppendCabinet(FCString& text, const FCString& name, const CABINET_OUTCOME_& cabinet) {
    static const char* const kStates[] = {"未展開", "展開済み", "一部展開", "エラー"};
    text.append("\n");
    text.append(name);
    text.append(": ");
    text.append(kStates[cabinet.state]);
    if (cabinet.state != CABINET_OUTCOME_::NOT_REACHED) AppendCount(text, cabinet.files, cabinet.entries);
}
}  // namespace

std::wstring RunLogText(const RunOutcome& outcome, const MainConfiguration& configuration) {
    FCString text("終了コード: ");
    text.appendNumber(static_cast<unsigned>(outcome.exitCode));
    text.append("\n展開先: ");
    std::wstring head = FromShiftJis(text.text()) + outcome.destination;
    text.clear();
    size_t index = 0;
    for (const FCString& name : configuration.archives) {
        CABINET_OUTCOME_ none;
        AppendCabinet(text, name, index < outcome.cabinets.size() ? outcome.cabinets[index] : none);
        ++index;
    }
    // The text the message area shows, without its markup.
    std::wstring body = head + FromShiftJis(text.text()) + L"\n" + outcome.shown.plain() + L"\n";
    body += FromShiftJis(Counted("展開したファイル", outcome.written.size()).text());
    for (const std::wstring& file : outcome.written) body += L"  " + file + L"\n";
    if (!outcome.skipped.empty()) {
        body += FromShiftJis(Counted("使用中のためスキップしたファイル", outcome.skipped.size()).text());
        for (const SKIPPED_FILE_& file : outcome.skipped) {
            body += L"  " + file.name;
            for (size_t i = 0; i < file.holders.size(); ++i)
                body += (i == 0 ? std::wstring(L" (") : std::wstring(L", ")) + file.holders[i];
            body += file.holders.empty() ? L"\n" : L")\n";
        }
    }
    if (!outcome.leftovers.empty()) {
        body += FromShiftJis(Counted("削除できなかった一時ファイル", outcome.leftovers.size()).text());
        for (const std::wstring& file : outcome.leftovers) body += L"  " + file + L"\n";
    }
    return body;
}
