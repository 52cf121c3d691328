// The main window: start-up (the configuration, the series, the command
// line), the destination field, Browse, drops and Exit.
#include "app/MainDialog.h"
#include "app/RunLog.h"
#include "foundation/WideText.h"
#include "cab/UxSeriesWalk.h"
#include "cab/UxProgressDialog.h"
#include "config/QcfKeys.h"
#include "config/UxSeries.h"
#include "foundation/Diagnostic.h"
#include "foundation/Mbcs.h"
#include "fs/FCFile.h"
#include "fs/EntryName.h"
#include "fs/FCPathName.h"
#include "fs/PathCompare.h"
#include "fs/PlatformPath.h"
#include "ui/FCDropFiles.h"
#include "ui/Markup.h"
#include <shlobj.h>

const wchar_t* const kConfigurationName = L"kelpex.qcf";

namespace {

std::wstring g_applicationFolderOverride;

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

void ReadSettings(HWND window, UxQcf& store, MainConfiguration& state, FCString& pattern) {
    FCString caption;
    store.getStringOr(caption, QcfKey::kCaption, "一括解凍");
    SetWindowText932(window, caption.text());
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
bool CheckNumbers(HWND window, const UxQcf& store) {
    for (const char* key : {QcfKey::kFlags, QcfKey::kSize}) {
        FCString value;
        if (!store.getString(value, key) || NumberFits(value.text(), false)) continue;
        UxMarkedText text("kelpex.qcfの");
        text.appendLiteral(key).append("の値 ").appendLiteral(value.text());
        ShowMarked(window, text.append(" は0から4294967295までにしてください。"));
        return false;
    }
    return true;
}

// Expands fname ("pattern,width,first,last,step") into the archive set and
// checks that each archive lies beside the executable. False when the
// series cannot be used; the message area then says why.
bool ExpandArchives(HWND window, MainConfiguration& state, FCString& fname, const std::wstring& folder) {
    state.archives.clear();
    state.entries.clear();
    state.seriesBytes = 0;
    std::vector<FCString> names;
    int field = 0;
    SeriesProblem problem = ExpandSeries(fname, names, &field);
    if (problem != SERIES_OK) {
        ShowMarked(window, UxMarkedText(SeriesProblemShown(problem, field).text()));
        return false;
    }
    for (const FCString& name : names) state.archives.insert(name);
    std::vector<std::wstring> parts;
    for (const FCString& name : names) parts.push_back(FromShiftJis(name.text()));
    if (!CheckLogIsNoneOf(window, folder, parts)) return false;
    // What the platform's reader would misread is never given to it, nor a
    // series whose files would land on each other: the first finding is
    // shown, in the words kelpack verify prints.
    UxSeriesWalk walk;
    if (!walk.walk(folder, names)) {
        ShowMarked(window, walk.shown(walk.findings.front()));
        return false;
    }
    // The platform's reader takes a cabinet's path only in the system's code
    // page, shorter than MAX_PATH, or by its short name, which a volume may
    // not have: a folder it cannot reach is told now, with the cause, not
    // at the first cabinet of a Run.
    for (const FCString& name : walk.names) {
        std::wstring part = folder + FromShiftJis(name.text());
        std::string reachable;
        if (!pathExists(part) || PlatformPath(part, reachable)) continue;
        UxMarkedText text(
            "このフォルダの場所は、このシステムの文字コードで表せない文字を含むか長すぎるうえ、"
            "短い名前もないため、キャビネットファイルを読み込めません。"
            "文字コードで表せる名前の、浅いフォルダに移してから実行してください。\n");
        ShowMarked(window, text.appendColoured(part, 0xC00000));
        return false;
    }
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
    return true;
}

void ShowOpeningText(HWND window, const MainConfiguration& state) {
    UxMarkedText text = ExpandMessageText(state.messages[0], nullptr);
    text.append("\n解凍に使用するデータ");
    for (const FCString& name : state.archives) text.append("\n").appendLiteral(name.text());
    SetMessageText(window, IDC_MAIN_MESSAGE, text, false);
}

void ForceBox(HWND window, int id, const char* text) {
    CheckDlgButton(window, id, BST_CHECKED);
    EnableWindow(GetDlgItem(window, id), FALSE);
    SetDlgItemText932(window, id, text);
}

// The destination and boxes a command line gave, as if the user had typed
// and ticked them; a box the configuration forces stays as it is.
void TakeCommandLine(HWND window, const COMMAND_LINE_& line) {
    if (line.hasDestination) SetDlgItemTextW(window, IDC_MAIN_DESTINATION_EDIT, line.destination.c_str());
    const std::pair<bool, int> boxes[] = {{line.maker, IDC_MAIN_MAKER_BOX}, {line.app, IDC_MAIN_APP_BOX}};
    for (const auto& box : boxes)
        if (box.first && IsWindowEnabled(GetDlgItem(window, box.second)))
            CheckDlgButton(window, box.second, BST_CHECKED);
}

// The request the command line makes, once the configuration is known: the
// destination composed as the window would compose it from the same field
// and boxes; handed over, the destination the first kelpex composed.
RunRequest RequestFromCommandLine(const MainState& state) {
    const COMMAND_LINE_& line = state.commandLine;
    RunRequest request;
    request.log = LogPath(line);
    request.mode = line.handOverFrom != 0 ? RUN_HANDED_OVER
                   : line.quiet           ? RUN_QUIET
                   : line.passive         ? RUN_PASSIVE
                                          : RUN_WINDOW;
    if (request.mode == RUN_WINDOW) return request;
    bool handedOver = request.mode == RUN_HANDED_OVER;
    const MainConfiguration& settings = state.configuration;
    request.maker = !handedOver && (line.maker || (settings.flags & FLAG_FORCE_MAKER_FOLDER) != 0);
    request.app = !handedOver && (line.app || (settings.flags & FLAG_FORCE_APP_FOLDER) != 0);
    request.destination = ComposeDestination(line.destination, request.maker, request.app, settings, nullptr);
    return request;
}

// A kelpex started as administrator runs the request it was handed: the
// window shows that destination, and nothing in it can change it.
void ShowHandedOverRequest(HWND window, const RunRequest& request) {
    SetDlgItemTextW(window, IDC_MAIN_DESTINATION_EDIT, request.destination.c_str());
    for (int id : {IDC_MAIN_DESTINATION_EDIT, IDC_MAIN_BROWSE, IDC_MAIN_MAKER_BOX, IDC_MAIN_APP_BOX}) {
        CheckDlgButton(window, id, BST_UNCHECKED);
        EnableWindow(GetDlgItem(window, id), FALSE);
    }
}

// Reads kelpex.qcf and the series into the configuration; false, with the
// message area saying why, when the series cannot be used.
bool ReadConfiguration(HWND window, MainState& state, const std::wstring& folder) {
    std::wstring configuration = folder + kConfigurationName;
    if (state.windows.store == nullptr || !pathExists(configuration)) {
        ShowMarked(window, UxMarkedText("実行ファイルと同じ場所に、kelpex.qcfが見つかりません。"));
        return false;
    }
    if (!CheckLogIsNoneOf(window, folder, {kConfigurationName})) return false;
    UxQcf& store = *state.windows.store;
    // Cleared before the load too: a load the user gave up on must not be
    // followed by the store writing its empty self over the file.
    store.flags &= ~static_cast<unsigned>(UxQcf::SAVE_ON_CLOSE);
    store.quiet = state.commandLine.noBoxes || state.commandLine.unattended();
    store.load(configuration);
    store.flags &= ~static_cast<unsigned>(UxQcf::SAVE_ON_CLOSE);
    FCString fname;
    ReadSettings(window, store, state.configuration, fname);
    return CheckNumbers(window, store) && ExpandArchives(window, state.configuration, fname, folder);
}

void InitMainDialog(HWND window, FCDialog* dialog) {
    MainState& state = MainDialogState();
    dialog->windowHandle = window;
    state.windows.dialog = dialog;
    state.windows.store = reinterpret_cast<UxQcf*>(dialog->createParam);
    // The folder as Windows gives it: a folder Shift_JIS cannot hold (José,
    // 게임) must not become a path that does not exist.
    bool usable = ReadConfiguration(window, state, ApplicationFolder());
    state.configuration.usable = usable;
    if (state.outcome.exitCode != EXIT_COMMAND_LINE) state.outcome.exitCode = usable ? EXIT_CANCELLED : EXIT_SERIES;
    if (usable) {
        const MainConfiguration& settings = state.configuration;
        ShowOpeningText(window, settings);
        if (settings.flags & FLAG_FORCE_APP_FOLDER)
            ForceBox(window, IDC_MAIN_APP_BOX, "アプリケーション名フォルダは必ず加える設定になっています(&A)");
        if (settings.flags & FLAG_FORCE_MAKER_FOLDER)
            ForceBox(window, IDC_MAIN_MAKER_BOX, "メーカー名フォルダは必ず加える設定になっています(&M)");
        TakeCommandLine(window, state.commandLine);
        state.startRequest = RequestFromCommandLine(state);
        if (state.startRequest.mode == RUN_HANDED_OVER) ShowHandedOverRequest(window, state.startRequest);
        ShowDestination(*dialog, state);
        // /run and a hand-over: as if Run were pressed once the window shows.
        if ((state.commandLine.run || state.startRequest.mode == RUN_HANDED_OVER) && !state.startRequest.unattended())
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_RUN, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_MAIN_RUN)));
    } else {
        EnableWindow(GetDlgItem(window, IDC_MAIN_RUN), FALSE);
        EnableWindow(GetDlgItem(window, IDC_MAIN_BROWSE), FALSE);
    }
    dialog->centreOnParent(-1, -1, false);
}

void Browse(MainState& state) {
    HWND window = state.windows.dialog->windowHandle;
    std::wstring chosen;
    if (BrowseForFolder(window, CSIDL_DRIVES, "インストールフォルダの選択", BIF_RETURNONLYFSDIRS,
                        WindowTextWide(GetDlgItem(window, IDC_MAIN_DESTINATION_EDIT)), chosen))
        SetDlgItemTextW(window, IDC_MAIN_DESTINATION_EDIT, chosen.c_str());
}

// A dropped folder as the shell gave it, a dropped file's own folder: judged
// on the path in UTF-16, so a name Shift_JIS cannot hold (Café) is never
// taken for a missing one and replaced by its parent.
void TakeDroppedPath(HWND edit, std::wstring path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (!path.empty() && path.back() != L'\\') path += L'\\';
    } else {
        path.erase(path.rfind(L'\\') + 1);
    }
    SetWindowTextW(edit, path.c_str());
}

void DropFiles(MainState& state, HDROP handle) {
    FCDialog& dialog = *state.windows.dialog;
    FCDropFiles drop;
    drop.attachDrop(handle);
    const int ids[] = {IDC_MAIN_DESTINATION_EDIT, -1};
    HWND edit = GetDlgItem(dialog.windowHandle, IDC_MAIN_DESTINATION_EDIT);
    std::wstring dropped;
    // Dropped elsewhere, the field's own text is taken as a drop would be;
    // a drop whose path could not be read changes nothing.
    int control = dialog.dropIntoControls(drop, ids, nullptr, dropped);
    if (control == IDC_MAIN_DESTINATION_EDIT) TakeDroppedPath(edit, dropped);
    else if (!dropped.empty()) TakeDroppedPath(edit, AbsolutePath(WindowTextWide(edit)));
    ShowDestination(dialog, state);
    drop.release();
}

void Exit(HWND window, MainState& state) {
    if (state.windows.running) {
        // Exit during a Run cancels it; the dialog ends once it has reported.
        state.windows.closeAfterRun = true;
        if (currentProgressDialog != nullptr) currentProgressDialog->cancelRequested = true;
        return;
    }
    EndDialog(window, IDC_MAIN_EXIT);
}
}  // namespace

void ShowMarked(HWND window, const UxMarkedText& text) {
    MainDialogState().outcome.shown = text;
    SetMessageText(window, IDC_MAIN_MESSAGE, text, true);
}

MainState& MainDialogState() {
    static MainState state;
    return state;
}

std::wstring ApplicationFolder() {
    if (!g_applicationFolderOverride.empty()) return g_applicationFolderOverride;
    std::wstring path = ModulePath();
    return path.substr(0, path.rfind(L'\\') + 1);
}

// Declared for tests and benchmarks in app/TestSeams.h, which the program
// never includes.
void SetApplicationFolderForTests(const std::wstring& folder);
void SetApplicationFolderForTests(const std::wstring& folder) { g_applicationFolderOverride = folder; }

// The Run of the request this process was started with, or of the window's.
void Run(MainState& state) {
    FCDialog& dialog = *state.windows.dialog;
    if (state.startRequest.mode == RUN_HANDED_OVER) RunExtraction(dialog, state.startRequest);
    else RunExtraction(dialog, RequestFromWindow(dialog, state));
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainState& state = MainDialogState();
    MainWindows& windows = state.windows;
    switch (message) {
    case WM_INITDIALOG: InitMainDialog(window, reinterpret_cast<FCDialog*>(lParam)); return TRUE;
    case WM_COMMAND: {
        if (windows.dialog == nullptr) return FALSE;
        int id = LOWORD(wParam);
        int code = HIWORD(wParam);
        if (id == IDC_MAIN_EXIT) Exit(window, state);
        else if (windows.running) return FALSE;  // nothing changes the destination mid-run
        else if (id == IDC_MAIN_DESTINATION_EDIT && code == EN_UPDATE) ShowDestination(*windows.dialog, state);
        else if (id == IDC_MAIN_MAKER_BOX || id == IDC_MAIN_APP_BOX) ShowDestination(*windows.dialog, state);
        else if (id == IDC_MAIN_BROWSE) Browse(state);
        else if (id == IDC_MAIN_RUN) Run(state);
        return FALSE;
    }
    case WM_DROPFILES:
        if (windows.dialog == nullptr || windows.running) {
            FCDropHandle ignored(reinterpret_cast<HDROP>(wParam));
            return FALSE;
        }
        DropFiles(state, reinterpret_cast<HDROP>(wParam));
        return FALSE;
    default: return FALSE;
    }
}
