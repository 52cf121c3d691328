// Reads kelpex's switches (/dest=, /maker, /app, /passive, /quiet, /log=, /?)
// from the command line Windows gives the process.
#include "app/CommandLine.h"
#include "ui/Markup.h"
#include <shellapi.h>
#include <windows.h>

const char* const kCommandLineHelp =
    "kelpex.exe [/dest=フォルダ] [/maker] [/app] [/passive | /quiet] [/log=ファイル]\n\n"
    "/dest=フォルダ\t展開先フォルダ（入力欄に入力したのと同じ扱い）\n"
    "/maker\tメーカー名フォルダを加える\n"
    "/app\tアプリケーション名フォルダを加える\n"
    "/passive\t確認せずにすぐ展開し、進行状況だけを表示する（/destが必要）\n"
    "/quiet\t何も表示せずに展開する（/destが必要）\n"
    "/log=ファイル\t結果をUTF-8で書き出す\n"
    "/run\t「実行」を押したのと同じく、すぐに展開を始める\n"
    "/?\tこの説明\n\n"
    "終了コード：0 完了、1 コマンドラインの誤り、2 設定ファイルまたはcabの問題、"
    "3 展開先に書き込めない、4 展開中のエラー、5 中止、6 ほかのkelpexが実行中、7 管理者の権限が必要";

namespace {
// An odd number of quotes that no backslash escapes: a value the shell was
// given unbalanced.
bool QuotesBalanced(const wchar_t* line) {
    bool open = false;
    size_t backslashes = 0;
    for (const wchar_t* p = line; *p != L'\0'; ++p) {
        if (*p == L'"' && backslashes % 2 == 0) open = !open;
        backslashes = *p == L'\\' ? backslashes + 1 : 0;
    }
    return !open;
}

void Fault(COMMAND_LINE_& line, const char* what, const std::wstring& argument) {
    if (!line.fault.isEmpty()) return;  // the first fault is named
    line.fault.assignFrom(what);
    line.fault.append("\n");
    AppendLiteral(line.fault, argument);
}

// One switch: its name (after "/" or "-"), and its value after "=".
void TakeSwitch(COMMAND_LINE_& line, const std::wstring& argument, unsigned& seen) {
    struct SWITCH_ {
        const wchar_t* name;
        bool takesValue;
    } const kSwitches[] = {{L"dest", true}, {L"maker", false}, {L"app", false}, {L"passive", false}, {L"quiet", false},
                           {L"log", true},  {L"?", false},     {L"run", false}, {L"handover", false}};
    if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) {
        Fault(line, "スイッチではない引数があります", argument);
        return;
    }
    size_t equals = argument.find(L'=');
    std::wstring name = argument.substr(1, equals == std::wstring::npos ? std::wstring::npos : equals - 1);
    for (unsigned i = 0; i < sizeof kSwitches / sizeof kSwitches[0]; ++i) {
        const SWITCH_& s = kSwitches[i];
        if (CompareStringOrdinal(name.c_str(), -1, s.name, -1, TRUE) != CSTR_EQUAL) continue;
        if ((seen & (1u << i)) != 0) return Fault(line, "同じスイッチが二度指定されています", argument);
        seen |= 1u << i;
        std::wstring value = equals == std::wstring::npos ? std::wstring() : argument.substr(equals + 1);
        if (s.takesValue && value.empty()) return Fault(line, "スイッチの値がありません", argument);
        if (!s.takesValue && equals != std::wstring::npos) return Fault(line, "このスイッチは値をとりません", argument);
        switch (i) {
        case 0: line.hasDestination = true, line.destination = value; break;
        case 1: line.maker = true; break;
        case 2: line.app = true; break;
        case 3: line.passive = true; break;
        case 4: line.quiet = true; break;
        case 5: line.hasLog = true, line.log = value; break;
        case 6: line.help = true; break;
        case 7: line.run = true; break;
        default: line.handOver = true; break;
        }
        return;
    }
    Fault(line, "不明なスイッチです", argument);
}
}  // namespace

COMMAND_LINE_ ParseCommandLine(const wchar_t* commandLine) {
    COMMAND_LINE_ line;
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
    if (arguments == nullptr) return line;
    line.given = count > 1;
    unsigned seen = 0;
    for (int i = 1; i < count; ++i) TakeSwitch(line, arguments[i], seen);
    LocalFree(arguments);
    if (!line.given) return line;
    if (!QuotesBalanced(commandLine)) Fault(line, "引用符(\")が閉じていません", commandLine);
    if (line.unattended() && !line.hasDestination)
        Fault(line, "/passiveと/quietには/destで展開先を指定してください", std::wstring());
    if (line.passive && line.quiet) Fault(line, "/passiveと/quietは同時に指定できません", std::wstring());
    return line;
}
