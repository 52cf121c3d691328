// Run: check the destination, offer to create it, extract every archive of
// the series with the progress dialog, and report the outcome.
#include "app/MainDialog.h"
#include "foundation/WideText.h"
#include "cab/UxBackground.h"
#include "cab/UxCAB.h"
#include "cab/UxProgressDialog.h"
#include "fs/FCFile.h"
#include "fs/FCFileUty.h"
#include "fs/FCPathName.h"
#include "fs/FolderWalk.h"
#include "fs/UxDriveInfo.h"
#include "ui/Markup.h"
#include "ui/UxMessageDialog.h"
#include <vector>

namespace {
const ULONGLONG kMegabyte = 1048576;

enum Outcome { OUTCOME_SUCCESS, OUTCOME_ERROR, OUTCOME_CANCELLED };

void ReportWithPath(HWND window, const char* head, const char* path) {
    FCString text(head);
    text.append("\n");
    AppendColoured(text, path, 0xC00000);
    ShowMarked(window, text.text());
}

// Disables what could change the destination or start another Run, and
// gives every control its state back afterwards.
class RunLock {
public:
    RunLock(HWND window, MainState& state) : window_(window), state_(state) {
        for (int i = 0; i < kCount; ++i) {
            HWND control = GetDlgItem(window, kIds[i]);
            enabled_[i] = IsWindowEnabled(control) != FALSE;
            EnableWindow(control, FALSE);
        }
        state_.running = true;
        state_.closeAfterRun = false;
    }
    ~RunLock() {
        state_.running = false;
        for (int i = 0; i < kCount; ++i) EnableWindow(GetDlgItem(window_, kIds[i]), enabled_[i] ? TRUE : FALSE);
    }

private:
    static const int kCount = 5;
    static const int kIds[kCount];
    HWND window_;
    MainState& state_;
    bool enabled_[kCount];
};
const int RunLock::kIds[RunLock::kCount] = {IDC_MAIN_DESTINATION_EDIT, IDC_MAIN_BROWSE, IDC_MAIN_MAKER_BOX,
                                            IDC_MAIN_APP_BOX, IDC_MAIN_RUN};

// The space the Run needs in MB: the configured size, or the series' own
// total when the configuration understates it.
unsigned RequiredMegabytes(const MainState& state) {
    unsigned long long series = (state.seriesBytes + kMegabyte - 1) / kMegabyte;
    if (series > 0xFFFFFFFFull) series = 0xFFFFFFFFull;
    return state.size > series ? state.size : static_cast<unsigned>(series);
}

// A file where a folder of the destination belongs, or a folder name that
// Windows would store under another name (a trailing blank or dot): refused
// before anything is asked or made.
bool CheckFolderNames(HWND window, const FCPathName& destination) {
    FCString found;
    if (FindFileOnPath(destination.text(), found)) {
        ReportWithPath(window, "指定されたパスにはフォルダではなくファイルがあります", found.text());
        return false;
    }
    if (FindUnwritableFolderName(destination.text(), found)) {
        ReportWithPath(window,
                       "フォルダ名の末尾の空白やピリオド、使用できない文字や名前のため、このフォルダは使用できません",
                       found.text());
        return false;
    }
    return true;
}

bool CheckDestination(HWND window, const FCPathName& destination, unsigned size) {
    FCString deepest;
    if (!FindDeepestExistingFolder(destination.text(), deepest)) {
        ReportWithPath(window, "指定されたドライブは存在していません", destination.text());
        return false;
    }
    // A folder yet to be made needs the right to make folders, which the
    // root of a system drive grants where it refuses files.
    bool exists = pathExists(destination.text());
    if (!CanWriteToFolder(deepest.text(), exists ? PROBE_FILE : PROBE_FOLDER)) {
        ReportWithPath(window, "このパスは書き込むことが出来ません", deepest.text());
        return false;
    }
    UxDriveInfo drive;
    FCPathName queried(destination);
    drive.query(queried, UxDriveInfo::QUERY_FREE_SPACE);
    ULONGLONG freeMegabytes = drive.totalFreeBytes / kMegabyte;
    unsigned free = freeMegabytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(freeMegabytes);
    if (size >= free) {
        FCString text("指定されたドライブの空き容量がたりません。\n要求サイズ："), number;
        number.appendNumber(size);
        AppendColoured(text, number.text(), 0x00C000);
        text.append("MB\n空きサイズ：");
        number.clear();
        number.appendNumber(free);
        AppendColoured(text, number.text(), 0xC00000);
        text.append("MB");
        ShowMarked(window, text.text());
        return false;
    }
    return true;
}

bool EnsureFolder(HWND window, const FCPathName& destination) {
    if (pathExists(destination.text())) return true;
    FCString question("指定されたフォルダ\n");
    AppendColoured(question, destination.text(), 0xC00000);
    question.append("\nが存在しません。作成しても構いませんか？");
    if (AskYesNo(window, question.text(), "フォルダ作成の確認", true) != IDYES) {
        ShowMarked(window, "指定されたフォルダが作成されなかったため処理を中止しました。");
        return false;
    }
    if (!CreateFolderPath(destination.text())) {
        FCString text("フォルダの作成に失敗しました。\n");
        AppendLiteral(text, destination.text());
        ShowMarked(window, text.text());
        return false;
    }
    return true;
}

// One Run's extraction, on a thread of its own so that the windows answer
// however long the platform takes over one file. The user-interface thread
// fills the record before the thread starts and reads the results only
// after it has ended; meanwhile the two share nothing but the status.
struct EXTRACTION_ {
    std::vector<std::wstring> archives;  // full paths, in set order
    FCString destination;
    UxExtractionStatus* status;
    Outcome outcome = OUTCOME_SUCCESS;
    FCString errorDetail;
};

void ExtractSeries(void* context) {
    EXTRACTION_& work = *static_cast<EXTRACTION_*>(context);
    DecompressCab cabinet(work.status);
    cabinet.startSeries();
    for (const std::wstring& path : work.archives) {
        // An archive that vanished since start-up fails the Run by name:
        // skipping it would report success with data missing.
        cabinet.setArchive(path);
        if (!cabinet.extractTo(work.destination.text())) {
            work.errorDetail.assignFrom(cabinet.errorText);
            work.outcome = OUTCOME_ERROR;
            return;
        }
        if (work.status->cancelRequested()) {
            work.outcome = OUTCOME_CANCELLED;
            return;
        }
        FCPathName archive(cabinet.archivePath);
        work.status->endCabinet(archive.fileName());
    }
}

// Cancel, from the dialog's button or from Exit, reaches the extracting
// thread at once and is said at once.
void ForwardCancel(UxProgressDialog& progress, const MainState& state, UxExtractionStatus& status,
                   UxProgressDisplay& display) {
    if (status.cancelRequested() || !(progress.cancelRequested || state.closeAfterRun)) return;
    status.requestCancel();
    display.showCancelling();
}

Outcome ExtractAll(HWND window, MainState& state, const FCPathName& destination, FCString& errorDetail) {
    UxProgressDialog progress(IDD_PROGRESS);
    progress.caption.assignFrom("解凍中...");
    progress.statusText.assignFrom("解凍中...");
    progress.statusId = IDC_PROGRESS_STATUS;
    progress.configureProgress(IDC_PROGRESS_BAR, true, 0, 0, UxProgressDisplay::BAR_STEPS);
    progress.show(window, true);
    progress.pumpMessages();
    UxExtractionStatus status;
    EXTRACTION_ work;
    work.status = &status;
    work.destination.assignFrom(destination.path);
    std::wstring folder = ApplicationFolder();
    for (const FCString& name : state.archives) work.archives.push_back(folder + Wide932(name.text()).data());
    // The bar runs on what is really written: the series' total from its
    // cabinets' file tables, whatever the configured size says.
    UxProgressDisplay display(progress, state.seriesBytes);
    // A Cancel heard while the dialog opened holds from the first file on.
    ForwardCancel(progress, state, status, display);
    {
        // The user-interface thread's own loop while the series is
        // extracted: the windows answer, Cancel is passed on, and the
        // status is shown every display interval.
        UxBackground extraction(ExtractSeries, &work, status);
        DWORD shown = GetTickCount() - UxProgressDisplay::INTERVAL_MS;
        while (!extraction.waitOrMessage(UxProgressDisplay::INTERVAL_MS)) {
            progress.pumpMessages();
            ForwardCancel(progress, state, status, display);
            if (GetTickCount() - shown < UxProgressDisplay::INTERVAL_MS) continue;
            shown = GetTickCount();
            display.show(status.snapshot());
        }
        extraction.rethrow();
    }
    // What the last cabinet left, painted before the dialog goes.
    display.show(status.snapshot());
    progress.pumpMessages();
    errorDetail.assignFrom(work.errorDetail);
    if (work.outcome == OUTCOME_SUCCESS && (progress.cancelRequested || state.closeAfterRun)) return OUTCOME_CANCELLED;
    return work.outcome;
}
}  // namespace

void MakeProbeName(FCString& out, const char* folder) {
    out.assignFrom(folder);
    out.append("$$_");
    out.appendNumber(GetTickCount());
    out.append(".$_$");
}

bool CanWriteToFolder(const char* folder, ProbeKind kind) {
    FCPathName name(folder);
    name.addSeparator();
    FCString probe;
    MakeProbeName(probe, name.text());
    bool existed = pathExists(probe.text());
    if (kind == PROBE_FOLDER) {
        if (CreateDirectoryW(Wide932(probe.text()).data(), nullptr)) {
            RemoveDirectoryW(Wide932(probe.text()).data());
            return true;
        }
        return GetLastError() != ERROR_ACCESS_DENIED;
    }
    FCFile file;
    DWORD code = file.open(probe.text(), OPEN_ALWAYS, GENERIC_WRITE, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, true);
    file.close();
    if (!existed && pathExists(probe.text())) FCFileUty::remove(probe.text(), true);
    return code != ERROR_ACCESS_DENIED;
}

bool CreateFolderPath(const char* path) {
    FCPathName name(path);
    name.addSeparator();
    bool created = false;
    return CreateFolders(name.text(), [&](const FCString&) { created = true; }) && created;
}

void RunExtraction(FCDialogBase& dialog) {
    MainState& state = MainDialogState();
    if (state.running) return;
    HWND window = dialog.windowHandle;
    RunLock lock(window, state);
    // A folder name Shift_JIS cannot hold (an emoji, é) would be written
    // under another name: refused, shown as far as Shift_JIS can.
    std::string typed;
    if (!WindowText932(GetDlgItem(window, IDC_MAIN_DESTINATION_EDIT), typed)) {
        ReportWithPath(window, "指定されたフォルダ名には、このツールで扱えない文字が含まれています", typed.c_str());
        return;
    }
    FCString composed;
    ComposeDestination(composed, dialog, state.makerName.text(), state.appName.text(), false);
    FCPathName destination(composed);
    // A share's folders cannot be created the way a drive's are: refused.
    if (destination.text()[0] == '\\') {
        ShowMarked(window, kUncWarning);
        return;
    }
    if (!CheckFolderNames(window, destination) || !CheckDestination(window, destination, RequiredMegabytes(state)) ||
        !EnsureFolder(window, destination))
        return;
    FCString errorDetail;
    Outcome outcome = ExtractAll(window, state, destination, errorDetail);
    FCString text;
    if (outcome == OUTCOME_ERROR) {
        // The extractor's text quotes paths and names: none of it is markup.
        text.assignFrom("解凍中にエラーが発生しました。\n");
        AppendLiteral(text, errorDetail.text());
    } else {
        text.assignFrom(state.messages[outcome == OUTCOME_CANCELLED ? 2 : 1]);
        ExpandMessageText(text, destination.text());
    }
    ShowMarked(window, text.text());
    if (state.closeAfterRun) EndDialog(window, IDC_MAIN_EXIT);
}
