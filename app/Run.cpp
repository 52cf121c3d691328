// Run: check the destination, offer to create it, extract every archive of
// the series with the progress dialog, and report the outcome.
#include "app/MainDialog.h"
#include "app/Elevation.h"
#include "app/RunLog.h"
#include "foundation/WideText.h"
#include "cab/UxBackground.h"
#include "cab/UxInUse.h"
#include "cab/UxCAB.h"
#include "cab/UxProgressDialog.h"
#include "foundation/FCHandle.h"
#include "fs/FCFile.h"
#include "fs/FCFileUty.h"
#include "fs/FCPathName.h"
#include "fs/FolderWalk.h"
#include "fs/WriteProbe.h"
#include "fs/PathCompare.h"
#include "fs/UxDriveInfo.h"
#include "ui/Markup.h"
#include "ui/UxMessageDialog.h"
#include <vector>

namespace {
const ULONGLONG kMegabyte = 1048576;

enum Outcome { OUTCOME_SUCCESS, OUTCOME_ERROR, OUTCOME_CANCELLED };

void ReportWithPath(HWND window, const char* head, const std::wstring& path) {
    UxMarkedText text(head);
    text.append("\n").appendColoured(path, 0xC00000);
    ShowMarked(window, text);
}

// "\nほか N 件" where more than shown are left.
void AppendMore(UxMarkedText& text, size_t all, size_t shown) {
    if (all <= shown) return;
    FCString count("\nほか ");
    count.appendNumber(static_cast<unsigned>(all - shown));
    count.append(" 件");
    text.append(count.text());
}

// What could not be removed is named in the outcome, never left silently.
void RemoveProbes(RunOutcome& outcome) {
    for (const std::wstring& probe : RemovePendingProbes()) outcome.leftovers.push_back(probe);
}

// The files shown by name in a message, at most; the rest are counted.
const size_t kNamedFiles = 10;

// A Run that left files another program held as they were: it did not
// succeed, and says which.
void AppendSkipped(UxMarkedText& text, const std::vector<SKIPPED_FILE_>& skipped, const std::wstring& destination) {
    bool refused = false;
    for (const SKIPPED_FILE_& file : skipped) refused = refused || file.refusal != 0;
    text = UxMarkedText(refused ? "解凍は終わりましたが、次のファイルは書き込まれず、元のままです。"
                                : "解凍は終わりましたが、ほかのプログラムが使用していた次のファイルは書き込まれず、"
                                  "元のままです。");
    for (size_t i = 0; i < skipped.size() && i < kNamedFiles; ++i) {
        text.append("\n").appendColoured(skipped[i].name, 0xC00000);
        if (skipped[i].refusal != 0) text.append("（").appendLiteral(RefusalShown(skipped[i].refusal)).append("）");
        for (size_t h = 0; h < skipped[i].holders.size(); ++h) {
            text.append(h == 0 ? "（" : "、").appendLiteral(skipped[i].holders[h]);
            if (h + 1 == skipped[i].holders.size()) text.append("）");
        }
    }
    AppendMore(text, skipped.size(), kNamedFiles);
    text.append("\n出力されたフォルダは\n").appendColoured(destination, 0xC00000).append("\nです。");
}

// Files of ours that a program kept from being removed: named, never left
// silently.
void AppendLeftovers(UxMarkedText& text, const std::vector<std::wstring>& leftovers) {
    if (leftovers.empty()) return;
    text.append("\nほかのプログラムが使用していたため、次の一時ファイルを削除できませんでした。");
    for (size_t i = 0; i < leftovers.size() && i < kNamedFiles; ++i) text.append("\n").appendLiteral(leftovers[i]);
    AppendMore(text, leftovers.size(), kNamedFiles);
}

// Disables what could change the destination or start another Run, and
// gives every control its state back afterwards, and the keyboard's focus:
// a disabled control loses it, and a keyboard user would be left with none.
class RunLock {
public:
    RunLock(HWND window, MainWindows& state) : window_(window), state_(state), focus_(GetFocus()) {
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
        HWND now = GetFocus();
        if (!IsWindowVisible(window_) || (now != nullptr && (now == window_ || IsChild(window_, now)))) return;
        HWND back = focus_ != nullptr && IsChild(window_, focus_) && IsWindowEnabled(focus_)
                        ? focus_
                        : GetDlgItem(window_, IDC_MAIN_DESTINATION_EDIT);
        SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(back), TRUE);
    }

private:
    static const int kCount = 5;
    static const int kIds[kCount];
    HWND window_;
    MainWindows& state_;
    HWND focus_;  // before the Run
    bool enabled_[kCount];
};
const int RunLock::kIds[RunLock::kCount] = {IDC_MAIN_DESTINATION_EDIT, IDC_MAIN_BROWSE, IDC_MAIN_MAKER_BOX,
                                            IDC_MAIN_APP_BOX, IDC_MAIN_RUN};

// The space the Run needs in MB: the configured size, or the series' own
// total when the configuration understates it.
unsigned RequiredMegabytes(const MainConfiguration& state) {
    unsigned long long series = (state.seriesBytes + kMegabyte - 1) / kMegabyte;
    if (series > 0xFFFFFFFFull) series = 0xFFFFFFFFull;
    return state.size > series ? state.size : static_cast<unsigned>(series);
}

// A file where a folder of the destination belongs, or a folder name that
// Windows would store under another name (a trailing blank or dot): refused
// before anything is asked or made.
bool CheckFolderNames(HWND window, const std::wstring& destination) {
    std::wstring found;
    if (FindFileOnPath(destination, found)) {
        ReportWithPath(window, "指定されたパスにはフォルダではなくファイルがあります", found);
        return false;
    }
    if (FindUnwritableFolderName(destination, found)) {
        ReportWithPath(window,
                       "フォルダ名の末尾の空白やピリオド、使用できない文字や名前のため、このフォルダは使用できません",
                       found);
        return false;
    }
    return true;
}

// A folder only administrators may write: without the rights, an offer to
// go on as administrator (a second kelpex takes over the Run, and this one
// ends with its exit code); unattended, the exit code that says so.
void RefuseUnwritable(HWND window, const RunRequest& request, const std::wstring& folder) {
    RunOutcome& outcome = MainDialogState().outcome;
    if (ProcessIsElevated()) return ReportWithPath(window, "このパスは書き込むことが出来ません", folder);
    // Declined, failed, or not asked: the code says the rights were missing.
    outcome.exitCode = EXIT_NEEDS_ADMINISTRATOR;
    if (request.unattended()) return ReportWithPath(window, "このパスに書き込むには管理者の権限が必要です", folder);
    UxMarkedText question("このフォルダに書き込むには管理者の権限が必要です。\n");
    question.appendColoured(folder, 0xC00000).append("\n管理者として続けますか？");
    if (AskYesNo(window, question, "管理者の権限の確認", true) != IDYES)
        return ReportWithPath(window, "このパスは書き込むことが出来ません", folder);
    // The second kelpex writes the log: this one lets go of it first, and
    // takes it again when there is no second.
    RunLog& log = ProcessLog();
    std::wstring logPath = log.path();
    bool hadLog = log.isOpen();
    log.close(true);
    DWORD error = 0;
    if (StartElevated(request, error)) {
        ShowWindow(window, SW_HIDE);
        EndDialog(window, IDC_MAIN_EXIT);
        return;
    }
    if (hadLog) log.open(logPath);
    UxMarkedText text(error == ERROR_CANCELLED ? "管理者としての起動が取り消されました。"
                                               : "管理者として起動できませんでした。");
    text.append("このパスは書き込むことが出来ません\n").appendColoured(folder, 0xC00000);
    ShowMarked(window, text);
}

bool CheckDestination(HWND window, const RunRequest& request, unsigned size) {
    const std::wstring& destination = request.destination;
    std::wstring deepest;
    if (!FindDeepestExistingFolder(destination, deepest)) {
        ReportWithPath(window, "指定されたドライブは存在していません", destination);
        return false;
    }
    // A folder yet to be made needs the right to make folders, which the
    // root of a system drive grants where it refuses files.
    bool exists = pathExists(destination);
    if (ProbeError(deepest, exists ? PROBE_FILE : PROBE_FOLDER) == ERROR_ACCESS_DENIED) {
        RefuseUnwritable(window, request, deepest);
        return false;
    }
    // The volume the destination lies on, which may be another mounted into
    // a folder of the drive, and what this user may still write there (a
    // quota counts): the same question the extractor asks of a file.
    ULONGLONG freeMegabytes = FreeBytesFor(deepest) / kMegabyte;
    unsigned free = freeMegabytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(freeMegabytes);
    if (size >= free) {
        FCString required, available;
        required.appendNumber(size);
        available.appendNumber(free);
        UxMarkedText text("指定されたドライブの空き容量がたりません。\n要求サイズ：");
        text.appendColoured(required.text(), 0x00C000).append("MB\n空きサイズ：");
        text.appendColoured(available.text(), 0xC00000).append("MB");
        ShowMarked(window, text);
        return false;
    }
    return true;
}

bool EnsureFolder(HWND window, const RunRequest& request) {
    const std::wstring& destination = request.destination;
    if (pathExists(destination)) return true;
    UxMarkedText question("指定されたフォルダ\n");
    question.appendColoured(destination, 0xC00000).append("\nが存在しません。作成しても構いませんか？");
    // Unattended, nobody is asked: the folder is made.
    if (!request.unattended() && AskYesNo(window, question, "フォルダ作成の確認", true) != IDYES) {
        MainDialogState().outcome.exitCode = EXIT_CANCELLED;
        ShowMarked(window, UxMarkedText("指定されたフォルダが作成されなかったため処理を中止しました。"));
        return false;
    }
    if (!CreateFolderPath(destination)) {
        ShowMarked(window, UxMarkedText("フォルダの作成に失敗しました。\n").appendLiteral(destination));
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
    std::wstring destination;
    UxExtractionStatus* status;
    Outcome outcome = OUTCOME_SUCCESS;
    std::wstring errorDetail;
    std::vector<CABINET_OUTCOME_> cabinets;  // one per archive
    std::vector<std::wstring> written;  // below the destination
    std::vector<SKIPPED_FILE_> skipped;
    std::vector<std::wstring> leftovers;
};

void ExtractSeries(void* context) {
    EXTRACTION_& work = *static_cast<EXTRACTION_*>(context);
    work.cabinets.assign(work.archives.size(), CABINET_OUTCOME_());
    DecompressCab cabinet(work.status);
    // What was written is known on every way out, an exception's included.
    struct Collect {
        const DecompressCab& cabinet;
        EXTRACTION_& work;
        ~Collect() {
            work.written = cabinet.writtenFiles();
            for (const UxCAB::SKIPPED_& file : cabinet.skippedFiles())
                work.skipped.push_back(SKIPPED_FILE_{file.name, file.holders, file.refusal});
            work.leftovers = cabinet.leftovers();
        }
    } collect{cabinet, work};
    cabinet.startSeries();
    for (size_t i = 0; i < work.archives.size(); ++i) {
        // An archive that vanished since start-up fails the Run by name:
        // skipping it would report success with data missing.
        cabinet.setArchive(work.archives[i]);
        size_t before = cabinet.writtenFiles().size(), skippedBefore = cabinet.skippedFiles().size();
        bool extracted = cabinet.extractTo(work.destination);
        CABINET_OUTCOME_& outcome = work.cabinets[i];
        outcome.files = cabinet.writtenFiles().size() - before;
        outcome.skipped = cabinet.skippedFiles().size() - skippedBefore;
        outcome.entries = cabinet.entriesInCabinet();
        if (!extracted) {
            outcome.state = CABINET_OUTCOME_::FAILED;
            work.errorDetail = cabinet.errorText;
            work.outcome = OUTCOME_ERROR;
            return;
        }
        outcome.state = outcome.files < outcome.entries ? CABINET_OUTCOME_::PARTLY : CABINET_OUTCOME_::EXTRACTED;
        if (work.status->cancelRequested()) {
            work.outcome = OUTCOME_CANCELLED;
            return;
        }
        work.status->endCabinet(NameOf(work.archives[i]));
    }
}

// Cancel, from the dialog's button or from Exit, reaches the extracting
// thread at once and is said at once.
void ForwardCancel(UxProgressDialog& progress, const MainWindows& windows, UxExtractionStatus& status,
                   UxProgressDisplay& display) {
    if (status.cancelRequested() || !(progress.cancelRequested || windows.closeAfterRun)) return;
    status.requestCancel();
    display.showCancelling();
}

// Ends the question about a file in use once the Run is cancelled elsewhere
// (the progress dialog's Cancel, or Exit).
struct PENDING_CANCEL_ {
    const UxProgressDialog& progress;
    const MainWindows& windows;
    const UxExtractionStatus& status;
};
bool CancelledMeanwhile(void* context) {
    const PENDING_CANCEL_& c = *static_cast<const PENDING_CANCEL_*>(context);
    return c.progress.cancelRequested || c.windows.closeAfterRun || c.status.cancelRequested();
}

// The question the extraction puts about a file another program holds,
// asked in a box of the main window's (the progress dialog's Cancel stays
// usable), and its answer handed back.
void AnswerQuestion(HWND window, UxProgressDialog& progress, const MainWindows& windows, UxExtractionStatus& status,
                    UxProgressDisplay& display) {
    UxExtractionStatus::QUESTION_ question;
    if (!status.takeQuestion(question)) return;
    UxMarkedText text(question.refusal != 0 ? "次のファイルを置き換えられません。\n"
                                            : "ほかのプログラムが使用しているため、次のファイルに書き込めません。\n");
    text.appendColoured(question.path, 0xC00000);
    if (question.refusal != 0) {
        text.append("\n").appendLiteral(RefusalShown(question.refusal));
        text.append("\n原因を取り除いてから［再試行］を押してください。");
    } else if (question.holders.empty()) {
        text.append("\n使用しているプログラムはわかりませんでした。");
    } else {
        text.append("\n使用しているプログラム：");
        for (size_t i = 0; i < question.holders.size(); ++i) {
            if (i > 0) text.append("、");
            text.appendLiteral(question.holders[i]);
        }
    }
    if (question.refusal == 0) text.append("\nそのプログラムを終了してから［再試行］を押してください。");
    text.append("［スキップ］を押すと、このファイルは元のままにして、残りのファイルを展開します。");
    PENDING_CANCEL_ pending{progress, windows, status};
    int answer = AskRetrySkipAbort(window, text, "使用中のファイル", CancelledMeanwhile, &pending);
    // Cancel reaches the extracting thread before the answer does, so that
    // it never begins the next cabinet meanwhile.
    if (answer == IDABORT) {
        progress.cancelRequested = true;
        ForwardCancel(progress, windows, status, display);
    }
    status.answer(answer == IDRETRY    ? UxExtractionStatus::ANSWER_RETRY
                  : answer == IDIGNORE ? UxExtractionStatus::ANSWER_SKIP
                                       : UxExtractionStatus::ANSWER_ABORT);
}

Outcome ExtractAll(HWND window, MainState& state, const RunRequest& request, std::wstring& errorDetail) {
    UxProgressDialog progress(IDD_PROGRESS);
    progress.caption.assignFrom("解凍中...");
    progress.statusText.assignFrom("解凍中...");
    progress.statusId = IDC_PROGRESS_STATUS;
    progress.configureProgress(IDC_PROGRESS_BAR, true, 0, 0, UxProgressDisplay::BAR_STEPS);
    progress.visible = request.mode != RUN_QUIET;  // /quiet shows no window at all
    progress.show(window, true);
    progress.pumpMessages();
    UxExtractionStatus status;
    status.setUnattended(request.unattended());
    EXTRACTION_ work;
    work.status = &status;
    work.destination = request.destination;
    std::wstring folder = ApplicationFolder();
    for (const FCString& name : state.configuration.archives) {
        work.archives.push_back(folder + FromShiftJis(name.text()));
    }
    // The bar runs on what is really written: the series' total from its
    // cabinets' file tables, whatever the configured size says.
    UxProgressDisplay display(progress, state.configuration.seriesBytes);
    // A Cancel heard while the dialog opened holds from the first file on.
    ForwardCancel(progress, state.windows, status, display);
    {
        // The user-interface thread's own loop while the series is
        // extracted: the windows answer, Cancel is passed on, and the
        // status is shown every display interval.
        UxBackground extraction(ExtractSeries, &work, status);
        DWORD shown = GetTickCount() - UxProgressDisplay::INTERVAL_MS;
        while (!extraction.waitOrMessage(UxProgressDisplay::INTERVAL_MS)) {
            progress.pumpMessages();
            AnswerQuestion(window, progress, state.windows, status, display);
            ForwardCancel(progress, state.windows, status, display);
            if (GetTickCount() - shown < UxProgressDisplay::INTERVAL_MS) continue;
            shown = GetTickCount();
            display.show(status.snapshot());
        }
        state.outcome.cabinets = work.cabinets;
        state.outcome.written = work.written;
        state.outcome.skipped = work.skipped;
        state.outcome.leftovers.insert(state.outcome.leftovers.end(), work.leftovers.begin(), work.leftovers.end());
        extraction.rethrow();
    }
    // What the last cabinet left, painted before the dialog goes.
    display.show(status.snapshot());
    progress.pumpMessages();
    errorDetail = work.errorDetail;
    if (work.outcome == OUTCOME_SUCCESS && (progress.cancelRequested || state.windows.closeAfterRun))
        return OUTCOME_CANCELLED;
    return work.outcome;
}
}  // namespace

bool CreateFolderPath(const std::wstring& path) {
    std::wstring folder = path;
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    bool created = false;
    return CreateFolders(folder, [&](const std::wstring&) { created = true; }) && created;
}

void RunExtraction(FCDialogBase& dialog, const RunRequest& request) {
    MainState& state = MainDialogState();
    if (state.windows.running) return;
    HWND window = dialog.windowHandle;
    RunLock lock(window, state.windows);
    const std::wstring& destination = request.destination;
    RunOutcome& outcome = state.outcome;
    outcome.destination = destination;
    outcome.cabinets.clear();
    outcome.written.clear();
    outcome.skipped.clear();
    outcome.leftovers.clear();
    // A Run before this one that found the log among its files decided for
    // itself: this one judges its own.
    outcome.writeLog = true;
    // A Run refused after its probe still removes it.
    struct Probes {
        RunOutcome& outcome;
        ~Probes() { RemoveProbes(outcome); }
    } probes{outcome};
    // Whatever refuses the destination before anything is written.
    outcome.exitCode = EXIT_DESTINATION;
    // A share's folders cannot be created the way a drive's are: refused.
    if (destination[0] == L'\\') {
        ShowMarked(window, UxMarkedText(kUncWarning));
        return;
    }
    if (!CheckLogIsNoneOf(window, destination, state.configuration.entries) || !CheckFolderNames(window, destination) ||
        !CheckDestination(window, request, RequiredMegabytes(state.configuration)) || !EnsureFolder(window, request))
        return;
    std::wstring errorDetail;
    Outcome result = ExtractAll(window, state, request, errorDetail);
    RemoveProbes(outcome);
    bool skipped = !outcome.skipped.empty();
    // A file left as it was is not a Run that did all it was asked.
    outcome.exitCode = result == OUTCOME_ERROR       ? EXIT_RUN_FAILED
                       : result == OUTCOME_CANCELLED ? EXIT_CANCELLED
                       : skipped                     ? EXIT_RUN_FAILED
                                                     : EXIT_DONE;
    UxMarkedText text;
    if (result == OUTCOME_ERROR) {
        // The extractor's text quotes paths and names: none of it is markup.
        text.append("解凍中にエラーが発生しました。\n").appendLiteral(errorDetail);
    } else if (result == OUTCOME_SUCCESS && skipped) {
        AppendSkipped(text, outcome.skipped, destination);
    } else {
        text =
            ExpandMessageText(state.configuration.messages[result == OUTCOME_CANCELLED ? 2 : 1], destination.c_str());
    }
    AppendLeftovers(text, outcome.leftovers);
    ShowMarked(window, text);
    if (state.windows.closeAfterRun) EndDialog(window, IDC_MAIN_EXIT);
}
