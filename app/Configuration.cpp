// Start-up's reading of kelpex.qcf and the series: the settings, the
// archive set, and the checks that the series can be given to the
// platform's reader.
#include "app/Configuration.h"
#include "app/RunLog.h"
#include "cab/UxSeriesWalk.h"
#include "config/QcfKeys.h"
#include "config/UxSeries.h"
#include "foundation/WideText.h"
#include "fs/EntryName.h"
#include "fs/FCFile.h"
#include "fs/PlatformPath.h"

const wchar_t* const kConfigurationName = L"kelpex.qcf";

namespace {
struct SettingDefault {
    const char* key;
    const char* fallback;
};

const SettingDefault kMessageDefaults[3] = {
    {QcfKey::kMessages[0], "指定されたcabを一括解凍します。"},
    {QcfKey::kMessages[1], "解凍は正常に終了しました。\n出力されたフォルダは\n【0xC00000】%dest%【-1】\nです。"},
    {QcfKey::kMessages[2],
     "解凍がユーザーによって中断されました。\nこれまでに解凍されたファイルの後始末は行われません。"
     "必要なら手動で削除して下さい。出力されたフォルダは次の通りです。\n【0xC00000】%dest%【-1】"},
};

void ReadSettings(UxQcf& store, MainConfiguration& state, FCString& pattern) {
    store.getStringOr(state.caption, QcfKey::kCaption, "一括解凍");
    store.getNumberOr(state.flags, QcfKey::kFlags, 0);
    store.getNumberOr(state.size, QcfKey::kSize, 0);
    store.getStringOr(state.makerName, QcfKey::kMakerName, "makerName");
    store.getStringOr(state.appName, QcfKey::kAppName, "appName");
    state.makerFolder = store.getWideString(QcfKey::kMakerName, state.makerName);
    state.appFolder = store.getWideString(QcfKey::kAppName, state.appName);
    for (int i = 0; i < 3; ++i)
        store.getStringOr(state.messages[i], kMessageDefaults[i].key, kMessageDefaults[i].fallback);
    store.getStringOr(pattern, QcfKey::kFname, "");
}

// A number of the configuration that does not fit its field is refused,
// naming the key, never wrapped (a size of 4294967298 would act as 2).
bool CheckNumbers(const UxQcf& store, UxMarkedText& problem) {
    for (const char* key : {QcfKey::kFlags, QcfKey::kSize}) {
        FCString value;
        if (!store.getString(value, key) || NumberFits(value.text(), false)) continue;
        problem = UxMarkedText("kelpex.qcfの");
        problem.appendLiteral(key).append("の値 ").appendLiteral(value.text());
        problem.append(" は0から4294967295までにしてください。");
        return false;
    }
    return true;
}

// The platform's reader takes a cabinet's path only in the system's code
// page, shorter than MAX_PATH, or by its short name, which a volume may not
// have: a folder it cannot reach is told at start-up, with the cause, not
// at the first cabinet of a Run.
bool CheckReachable(const std::wstring& folder, const UxSeriesWalk& walk, UxMarkedText& problem) {
    for (const FCString& name : walk.names) {
        std::wstring part = folder + FromShiftJis(name.text());
        std::string reachable;
        if (!pathExists(part) || PlatformPath(part, reachable)) continue;
        problem = UxMarkedText(
            "このフォルダの場所は、このシステムの文字コードで表せない文字を含むか長すぎるうえ、"
            "短い名前もないため、キャビネットファイルを読み込めません。"
            "文字コードで表せる名前の、浅いフォルダに移してから実行してください。\n");
        problem.appendColoured(part, 0xC00000);
        return false;
    }
    return true;
}

void TakeEntries(const UxSeriesWalk& walk, MainConfiguration& state) {
    state.seriesBytes = walk.total;
    for (const UxCabinetHeader& part : walk.parts) {
        for (const UxCabinetHeader::FILE_& file : part.files) {
            std::wstring name;
            if (file.folder != UxCabinetHeader::CONTINUED_FROM_PREV &&
                file.folder != UxCabinetHeader::CONTINUED_PREV_AND_NEXT &&
                EntryNameWide(file.name.c_str(), file.attributes, name))
                state.entries.push_back(name);
        }
    }
}

// Expands fname ("pattern,width,first,last,step") into the archive set and
// checks that each archive lies beside the executable.
bool ExpandArchives(MainConfiguration& state, FCString& fname, const std::wstring& folder, const RunLog& log) {
    std::vector<FCString> names;
    int field = 0;
    SeriesProblem problem = ExpandSeries(fname, names, &field);
    if (problem != SERIES_OK) {
        state.problem = UxMarkedText(SeriesProblemShown(problem, field).text());
        return false;
    }
    for (const FCString& name : names) state.archives.insert(name);
    std::vector<std::wstring> parts;
    for (const FCString& name : names) parts.push_back(FromShiftJis(name.text()));
    if (LogIsAmong(log, folder, parts, state.problem)) {
        state.logIsAFileOfTheRun = true;
        return false;
    }
    // What the platform's reader would misread is never given to it, nor a
    // series whose files would land on each other: the first finding is
    // shown, in the words kelpack verify prints.
    UxSeriesWalk walk;
    if (!walk.walk(folder, names)) {
        state.problem = walk.shown(walk.findings.front());
        return false;
    }
    if (!CheckReachable(folder, walk, state.problem)) return false;
    TakeEntries(walk, state);
    return true;
}
}  // namespace

bool LogIsAmong(const RunLog& log, const std::wstring& folder, const std::vector<std::wstring>& names,
                UxMarkedText& text) {
    if (!log.isAmong(folder, names)) return false;
    text = UxMarkedText(kLogIsAFileOfTheRun);
    text.append("\n").appendColoured(log.path(), 0xC00000);
    return true;
}

std::shared_ptr<const MainConfiguration> ReadConfiguration(const std::wstring& folder, UxQcf& store, bool quiet,
                                                           const RunLog& log) {
    auto state = std::make_shared<MainConfiguration>();
    std::wstring configuration = folder + kConfigurationName;
    if (!pathExists(configuration)) {
        state->problem = UxMarkedText("実行ファイルと同じ場所に、kelpex.qcfが見つかりません。");
        return state;
    }
    if (LogIsAmong(log, folder, {kConfigurationName}, state->problem)) {
        state->logIsAFileOfTheRun = true;
        return state;
    }
    // Cleared before the load too: a load the user gave up on must not be
    // followed by the store writing its empty self over the file.
    store.flags &= ~static_cast<unsigned>(UxQcf::SAVE_ON_CLOSE);
    store.quiet = quiet;
    store.load(configuration);
    store.flags &= ~static_cast<unsigned>(UxQcf::SAVE_ON_CLOSE);
    FCString fname;
    ReadSettings(store, *state, fname);
    state->usable = CheckNumbers(store, state->problem) && ExpandArchives(*state, fname, folder, log);
    return state;
}
