// Reads kelpex's switches from the command line Windows gives the process,
// by kelpex's own splitting rule, and writes them back for the hand-over.
#include "app/CommandLine.h"
#include "ui/Markup.h"

const SWITCH_ kSwitches[SWITCH_COUNT] = {
    {L"dest", "フォルダ", "展開先フォルダ（入力欄に入力したのと同じ扱い）"},
    {L"maker", nullptr, "メーカー名フォルダを加える"},
    {L"app", nullptr, "アプリケーション名フォルダを加える"},
    {L"passive", nullptr, "確認せずにすぐ展開し、進行状況だけを表示する（/destが必要）"},
    {L"quiet", nullptr, "何も表示せずに展開する（/destが必要）"},
    {L"log", "ファイル", "結果をUTF-8で書き出す"},
    {L"run", nullptr, "「実行」を押したのと同じく、すぐに展開を始める"},
    {L"?", nullptr, "この説明"},
    {L"handover", "", nullptr},
};

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// The program's name as Windows reads it: up to the closing quote when it
// begins with one, else up to the first blank. The position after it.
const wchar_t* SkipProgramName(const wchar_t* p) {
    if (*p == L'"') {
        for (++p; *p != L'\0' && *p != L'"'; ++p) continue;
        return *p == L'"' ? p + 1 : p;
    }
    while (*p != L'\0' && !IsBlank(*p)) ++p;
    return p;
}

bool NameIs(const std::wstring& name, const wchar_t* wanted) {
    return CompareStringOrdinal(name.c_str(), static_cast<int>(name.size()), wanted, -1, TRUE) == CSTR_EQUAL;
}

// /passive or /quiet (or -) as a word of its own anywhere in the raw text.
bool AsksForNoBoxes(const wchar_t* raw) {
    std::wstring text(raw);
    CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    for (SwitchId id : {SWITCH_PASSIVE, SWITCH_QUIET}) {
        std::wstring name = kSwitches[id].name;
        for (size_t at = text.find(name); at != std::wstring::npos; at = text.find(name, at + 1)) {
            if (at < 1 || (text[at - 1] != L'/' && text[at - 1] != L'-')) continue;
            bool startsWord = at < 2 || IsBlank(text[at - 2]) || text[at - 2] == L'"';
            wchar_t after = text[at + name.size()];
            if (startsWord && (after == L'\0' || IsBlank(after) || after == L'"' || after == L'=')) return true;
        }
    }
    return false;
}

void Fault(COMMAND_LINE_& line, const char* what, const std::wstring& argument) {
    if (!line.fault.empty()) return;  // the first fault is named
    line.fault.append(what).append("\n").appendLiteral(argument);
}

void Take(COMMAND_LINE_& line, SwitchId id, const std::wstring& value, const std::wstring& argument) {
    switch (id) {
    case SWITCH_DEST: line.hasDestination = true, line.destination = value; break;
    case SWITCH_MAKER: line.maker = true; break;
    case SWITCH_APP: line.app = true; break;
    case SWITCH_PASSIVE: line.passive = true; break;
    case SWITCH_QUIET: line.quiet = true; break;
    case SWITCH_LOG: line.hasLog = true, line.log = value; break;
    case SWITCH_RUN: line.run = true; break;
    case SWITCH_HELP: line.help = true; break;
    case SWITCH_HANDOVER: {
        DWORD pid = 0;
        bool digits = true;
        for (wchar_t c : value) {
            digits = digits && c >= L'0' && c <= L'9' && pid < 0x10000000;
            pid = pid * 10 + static_cast<DWORD>(c - L'0');
        }
        if (!digits || pid == 0) return Fault(line, "不明なスイッチです", argument);
        line.handOverFrom = pid;
        break;
    }
    case SWITCH_COUNT: break;
    }
}

// One switch: its name (after "/" or "-"), and its value after "=".
void TakeSwitch(COMMAND_LINE_& line, const std::wstring& argument, unsigned& seen) {
    if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) {
        Fault(line, "スイッチではない引数があります", argument);
        return;
    }
    size_t equals = argument.find(L'=');
    std::wstring name = argument.substr(1, equals == std::wstring::npos ? std::wstring::npos : equals - 1);
    for (unsigned i = 0; i < SWITCH_COUNT; ++i) {
        const SWITCH_& s = kSwitches[i];
        if (!NameIs(name, s.name)) continue;
        if ((seen & (1u << i)) != 0) return Fault(line, "同じスイッチが二度指定されています", argument);
        seen |= 1u << i;
        std::wstring value = equals == std::wstring::npos ? std::wstring() : argument.substr(equals + 1);
        if (s.value != nullptr && value.empty()) return Fault(line, "スイッチの値がありません", argument);
        if (s.value == nullptr && equals != std::wstring::npos)
            return Fault(line, "このスイッチは値をとりません", argument);
        return Take(line, static_cast<SwitchId>(i), value, argument);
    }
    Fault(line, "不明なスイッチです", argument);
}
}  // namespace

std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine, bool& balanced) {
    std::vector<std::wstring> arguments;
    const wchar_t* p = commandLine != nullptr ? commandLine : L"";
    const wchar_t* afterName = SkipProgramName(p);
    arguments.emplace_back(p, afterName);
    bool quoted = false, inArgument = false;
    std::wstring current;
    for (p = afterName; *p != L'\0'; ++p) {
        if (*p == L'"') {
            quoted = !quoted;
            inArgument = true;  // "" is an empty argument
        } else if (IsBlank(*p) && !quoted) {
            if (inArgument) arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += *p;
            inArgument = true;
        }
    }
    if (inArgument) arguments.push_back(current);
    balanced = !quoted;
    return arguments;
}

COMMAND_LINE_ ParseCommandLine(const wchar_t* commandLine) {
    COMMAND_LINE_ line;
    bool balanced = true;
    std::vector<std::wstring> arguments = SplitCommandLine(commandLine, balanced);
    line.given = arguments.size() > 1 || !balanced;
    if (!line.given) return line;
    line.noBoxes = AsksForNoBoxes(commandLine);
    if (!balanced) Fault(line, "引用符(\")が閉じていません", commandLine);
    unsigned seen = 0;
    for (size_t i = 1; i < arguments.size(); ++i) TakeSwitch(line, arguments[i], seen);
    if (line.unattended() && !line.hasDestination)
        Fault(line, "/passiveと/quietには/destで展開先を指定してください", std::wstring());
    if (line.passive && line.quiet) Fault(line, "/passiveと/quietは同時に指定できません", std::wstring());
    return line;
}

bool AppendSwitch(std::wstring& line, SwitchId id, const std::wstring& value) {
    if (value.find(L'"') != std::wstring::npos) return false;
    std::wstring added = std::wstring(L" /") + kSwitches[id].name;
    if (kSwitches[id].value != nullptr) {
        bool blank = false;
        for (wchar_t c : value) blank = blank || IsBlank(c);
        added += L"=" + (blank || value.empty() ? L"\"" + value + L"\"" : value);
    }
    line += added;
    return true;
}

FCString CommandLineHelp() {
    // The usage line, then a line a switch: both from the one table.
    FCString usage("kelpex.exe"), lines;
    for (const SWITCH_& s : kSwitches) {
        if (s.help == nullptr) continue;
        FCString name("/");
        for (const wchar_t* c = s.name; *c != L'\0'; ++c) name.append(std::string(1, static_cast<char>(*c)).c_str());
        if (s.value != nullptr) {
            name.append("=");
            name.append(s.value);
        }
        if (*s.name != L'?') {
            usage.append(" [");
            usage.append(name);
            usage.append("]");
        }
        lines.append(name);
        lines.append("\t");
        lines.append(s.help);
        lines.append("\n");
    }
    usage.append("\n\n");
    usage.append(lines);
    usage.append(
        "\n引用符(\")で囲んだ値の中の\\はそのまま読まれます（/dest=\"C:\\Games\\\"）。\n\n"
        "終了コード：0 完了、1 コマンドラインの誤り、2 設定ファイルまたはcabの問題、"
        "3 展開先に書き込めない、4 展開中のエラー、5 中止、6 ほかのkelpexが実行中、7 管理者の権限が必要");
    return usage;
}
