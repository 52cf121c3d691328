// kelpack build's options: one table, read into one record.
#include "publisher/kelpack/Options.h"
#include "config/QcfKeys.h"
#include "config/UxSeries.h"
#include "foundation/WideText.h"
#include "publisher/kelpack/Console.h"
#include "publisher/kelpack/Plan.h"
#include <algorithm>
#include "foundation/ConsoleText.h"
#include <cstdlib>
#include <cwchar>

int Usage(const std::wstring& why) {
    if (!why.empty()) Say(L"%ls", why.c_str());
    WriteConsoleText(
        STD_ERROR_HANDLE,
        L"usage: kelpack build SOURCE OUTPUT [--pattern data*.cab] [--width 2] [--max-size 650M] [--store]\n"
        L"                     [--key N] [--caption TEXT] [--maker TEXT] [--app TEXT] [--flags N]\n"
        L"                     [--mes0 TEXT] [--mes1 TEXT] [--mes2 TEXT]\n"
        L"       kelpack verify FOLDER\n");
    return 2;
}

namespace {
enum OptionKind_ { OPTION_STORE, OPTION_TEXT, OPTION_PATTERN, OPTION_WIDTH, OPTION_MAX_SIZE, OPTION_KEY, OPTION_FLAGS };

struct OPTION_ {
    const wchar_t* name;
    OptionKind_ kind;
    const char* key;  // the configuration key a text goes to
};

const OPTION_ kOptions[] = {
    {L"--pattern", OPTION_PATTERN, nullptr},
    {L"--width", OPTION_WIDTH, nullptr},
    {L"--max-size", OPTION_MAX_SIZE, nullptr},
    {L"--store", OPTION_STORE, nullptr},
    {L"--key", OPTION_KEY, nullptr},
    {L"--flags", OPTION_FLAGS, nullptr},
    {L"--caption", OPTION_TEXT, QcfKey::kCaption},
    {L"--maker", OPTION_TEXT, QcfKey::kMakerName},
    {L"--app", OPTION_TEXT, QcfKey::kAppName},
    {L"--mes0", OPTION_TEXT, QcfKey::kMessages[0]},
    {L"--mes1", OPTION_TEXT, QcfKey::kMessages[1]},
    {L"--mes2", OPTION_TEXT, QcfKey::kMessages[2]},
};

bool ParseSize(const std::wstring& text, unsigned long long& size) {
    wchar_t* end = nullptr;
    unsigned long long value = std::wcstoull(text.c_str(), &end, 10);
    if (end == text.c_str() || text[0] == L'-') return false;
    std::wstring unit(end);
    unsigned long long factor = unit.empty()                   ? 1
                                : unit == L"K" || unit == L"k" ? 1024
                                : unit == L"M" || unit == L"m" ? kMegabyte
                                : unit == L"G" || unit == L"g" ? 1024 * kMegabyte
                                                               : 0;
    if (factor == 0 || value == 0 || value > (~0ull) / factor) return false;
    size = value * factor;
    return true;
}

bool ParseNumber(const wchar_t* text, unsigned& value) {
    wchar_t* end = nullptr;
    unsigned long long v = std::wcstoull(text, &end, 0);
    if (end == text || *end != L'\0' || *text == L'-' || v > 0xFFFFFFFFull) return false;
    value = static_cast<unsigned>(v);
    return true;
}

// Backslash-n for every line break, as kelpex reads its texts.
std::string QcfText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return out;
}

int Apply(const OPTION_& option, const std::wstring& value, BuildOptions_& o) {
    unsigned number = 0;
    switch (option.kind) {
    case OPTION_STORE: o.store = true; return 0;
    case OPTION_TEXT: o.texts[option.key] = QcfText(ToShiftJis(value)); return 0;  // '?' as kelpex reads it
    case OPTION_PATTERN:
        // Judged as the characters it holds: 表 ends in the byte of a
        // backslash in Shift_JIS, and is no separator.
        o.pattern = value;
        if (FromShiftJis(ToShiftJis(value).c_str()) != value)
            return Usage(
                L"the pattern must be written in characters Shift_JIS holds: kelpex.qcf names the "
                L"cabinets in it");
        if (std::count(o.pattern.begin(), o.pattern.end(), L'*') != 1)
            return Usage(L"the pattern needs exactly one '*' for the number");
        if (o.pattern.find_first_of(L"\\/:") != std::wstring::npos)
            return Usage(L"the pattern is a file name: the cabinets go into OUTPUT itself");
        return 0;
    case OPTION_WIDTH:
        if (!ParseNumber(value.c_str(), number) || number > static_cast<unsigned>(kSeriesMaximumWidth))
            return Usage(L"the width must be a number from 0 to 200");
        o.width = static_cast<int>(number);
        return 0;
    case OPTION_MAX_SIZE:
        if (!ParseSize(value, o.maxSize)) return Usage(L"the maximum size must be bytes or a number with K, M or G");
        if (o.maxSize > kCabinetRoom)
            return Usage(L"the maximum size is above what one cabinet can hold: at most " +
                         std::to_wstring(kCabinetRoom) + L" bytes");
        return 0;
    case OPTION_KEY:
        if (!ParseNumber(value.c_str(), o.key) || o.key == 0) return Usage(L"the key must be a number other than 0");
        return 0;
    case OPTION_FLAGS:
        if (!ParseNumber(value.c_str(), o.flags)) return Usage(L"the flags must be a number from 0 to 4294967295");
        o.hasFlags = true;
        return 0;
    }
    return 0;
}
}  // namespace

int ParseBuildOptions(const Arguments_& arguments, BuildOptions_& o) {
    if (arguments.size() < 3) return Usage(L"build needs a SOURCE and an OUTPUT folder");
    o.source = FolderPath(arguments[1]);
    o.output = FolderPath(arguments[2]);
    for (size_t i = 3; i < arguments.size(); ++i) {
        const OPTION_* option = nullptr;
        for (const OPTION_& candidate : kOptions)
            if (arguments[i] == candidate.name) option = &candidate;
        if (option == nullptr) return Usage(L"unknown option " + arguments[i]);
        std::wstring value;
        if (option->kind != OPTION_STORE) {
            if (i + 1 >= arguments.size()) return Usage(L"missing value after " + arguments[i]);
            value = arguments[++i];
        }
        if (int usage = Apply(*option, value, o)) return usage;
    }
    return 0;
}
