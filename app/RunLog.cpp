// The /log file: held from the start, written at the end.
#include "app/RunLog.h"
#include "foundation/SystemErrorText.h"
#include "foundation/WideText.h"
#include "fs/FCPathName.h"
#include "ui/Markup.h"
#include <cstring>
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
    std::wstring full, given = AbsolutePath(line.log);
    return FullPathName(given, full) ? full : given;
}

namespace {
bool SameFile(const std::wstring& a, const std::wstring& b) {
    FILE_IDENTITY_ first, second;
    return IdentityOf(a, first) && IdentityOf(b, second) && first == second;
}

// A cabinet by what it holds, whatever its name: a part a file runs on
// into may be named anything.
bool HoldsCabinet(const std::wstring& path) {
    FCHandle file(CreateFileW(LongPathForm(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                              nullptr));
    char signature[4] = {};
    DWORD read = 0;
    return file.valid() && ReadFile(file.get(), signature, sizeof signature, &read, nullptr) &&
           read == sizeof signature && std::memcmp(signature, "MSCF", 4) == 0;
}
}  // namespace

bool LogWouldDamage(const std::wstring& path, const std::wstring& toolFolder) {
    if (SameFile(path, ModulePath()) || SameFile(path, toolFolder + kConfigurationName) || HoldsCabinet(path))
        return true;
    // Beside the tool, a part of its series or its configuration, there or
    // yet to come, by its name.
    std::wstring name = NameOf(path);
    return SameFile(FolderOf(path), toolFolder) &&
           (FCPathName(path).hasExtension(L"cab") ||
            CompareStringOrdinal(name.c_str(), -1, kConfigurationName, -1, TRUE) == CSTR_EQUAL);
}

const char* const kLogIsAFileOfTheRun =
    "ログファイルに、展開に使うファイルまたは展開するファイルと同じファイルが指定されています。";

std::wstring RefusalShown(DWORD code) {
    std::wstring words = SystemErrorWide(code);
    return std::to_wstring(code) + L":" + words;
}

namespace {
void AppendCount(FCString& text, const CABINET_OUTCOME_& cabinet) {
    text.append("（");
    text.appendNumber(static_cast<unsigned>(cabinet.files));
    if (cabinet.entries != cabinet.files) {
        text.append(" / ");
        text.appendNumber(static_cast<unsigned>(cabinet.entries));
    }
    text.append("ファイル");
    if (cabinet.skipped > 0) {
        text.append("、スキップ ");
        text.appendNumber(static_cast<unsigned>(cabinet.skipped));
    }
    text.append("）");
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
    if (cabinet.state != CABINET_OUTCOME_::NOT_REACHED) AppendCount(text, cabinet);
}
}  // namespace

std::wstring RunLogText(const RunOutcome& outcome, const MainConfiguration* configuration) {
    FCString text("終了コード: ");
    text.appendNumber(static_cast<unsigned>(outcome.exitCode));
    text.append("\n展開先: ");
    std::wstring head = FromShiftJis(text.text()) + outcome.destination;
    text.clear();
    size_t index = 0;
    if (configuration != nullptr) {
        for (const FCString& name : configuration->archives) {
            CABINET_OUTCOME_ none;
            AppendCabinet(text, name, index < outcome.cabinets.size() ? outcome.cabinets[index] : none);
            ++index;
        }
    }
    // The text the message area shows, without its markup.
    std::wstring body = head + FromShiftJis(text.text()) + L"\n" + outcome.shown.plain() + L"\n";
    body += FromShiftJis(Counted("展開したファイル", outcome.written.size()).text());
    for (const std::wstring& file : outcome.written) body += L"  " + file + L"\n";
    // Held and refused apart, each file with its own holders or refusal.
    for (bool refused : {false, true}) {
        std::wstring lines;
        size_t count = 0;
        for (const SKIPPED_FILE_& file : outcome.skipped) {
            if ((file.refusal != 0) != refused) continue;
            ++count;
            lines += L"  " + file.name;
            if (refused) lines += L" (" + RefusalShown(file.refusal) + L")";
            for (size_t i = 0; i < file.holders.size(); ++i)
                lines += (i == 0 ? std::wstring(L" (") : std::wstring(L", ")) + file.holders[i];
            lines += file.holders.empty() ? L"\n" : L")\n";
        }
        const char* heading =
            refused ? "置き換えられなかったためスキップしたファイル" : "使用中のためスキップしたファイル";
        if (count > 0) body += FromShiftJis(Counted(heading, count).text()) + lines;
    }
    if (!outcome.leftovers.empty()) {
        body += FromShiftJis(Counted("削除できなかった一時ファイル", outcome.leftovers.size()).text());
        for (const std::wstring& file : outcome.leftovers) body += L"  " + file + L"\n";
    }
    return body;
}
