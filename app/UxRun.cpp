// The Run: its checks, the question whether to create the folder, the
// extraction on its own thread with the progress dialog, and the outcome.
#include "app/UxRun.h"
#include "app/Destination.h"
#include "app/Elevation.h"
#include "app/RunLog.h"
#include "cab/UxBackground.h"
#include "cab/UxCAB.h"
#include "ui/UxProgressDialog.h"
#include "foundation/WideText.h"
#include "fs/FCFile.h"
#include "fs/FCFileUty.h"
#include "fs/FCPathName.h"
#include "fs/FolderWalk.h"
#include "fs/PathCompare.h"
#include "fs/UxDriveInfo.h"

namespace {
const ULONGLONG kMegabyte = 1048576;
// The files shown by name in a message, at most; the rest are counted.
const size_t kNamedFiles = 10;

// "\nほか N 件" where more than shown are left.
void AppendMore(UxMarkedText& text, size_t all, size_t shown) {
    if (all <= shown) return;
    FCString count("\nほか ");
    count.appendNumber(static_cast<unsigned>(all - shown));
    count.append(" 件");
    text.append(count.text());
}

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

// The space the Run needs in MB: the configured size, or the series' own
// total when the configuration understates it.
unsigned RequiredMegabytes(const MainConfiguration& state) {
    unsigned long long series = (state.seriesBytes + kMegabyte - 1) / kMegabyte;
    if (series > 0xFFFFFFFFull) series = 0xFFFFFFFFull;
    return state.size > series ? state.size : static_cast<unsigned>(series);
}

// The question about a file another program holds or the system refuses.
UxMarkedText InUseQuestion(const UxExtractionStatus::QUESTION_& question) {
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
    return text;
}

// What the extracting thread found, handed back once it has ended.
struct EXTRACTED_ {
    bool failed = false;
    std::wstring errorDetail;
    std::vector<CABINET_OUTCOME_> cabinets;  // one per archive
    std::vector<std::wstring> written;  // below the destination
    std::vector<SKIPPED_FILE_> skipped;
    std::vector<std::wstring> leftovers;
};

// The extracting thread's whole work: every archive in set order, into
// destination. An archive that vanished since start-up fails the Run by
// name: skipping it would report success with data missing.
void ExtractSeries(const std::vector<std::wstring>& archives, const std::wstring& destination,
                   UxExtractionStatus& status, EXTRACTED_& found) {
    found.cabinets.assign(archives.size(), CABINET_OUTCOME_());
    DecompressCab cabinet(&status);
    // What was written is known on every way out, an exception's included.
    struct Collect {
        DecompressCab& cabinet;
        EXTRACTED_& found;
        ~Collect() {
            std::vector<UxCAB::SKIPPED_> skipped;
            cabinet.takeLists(found.written, skipped, found.leftovers);
            for (UxCAB::SKIPPED_& file : skipped)
                found.skipped.push_back(SKIPPED_FILE_{std::move(file.name), std::move(file.holders), file.refusal});
        }
    } collect{cabinet, found};
    cabinet.startSeries();
    for (size_t i = 0; i < archives.size(); ++i) {
        cabinet.setArchive(archives[i]);
        size_t before = cabinet.writtenFiles().size(), skippedBefore = cabinet.skippedFiles().size();
        bool extracted = cabinet.extractTo(destination);
        CABINET_OUTCOME_& outcome = found.cabinets[i];
        outcome.files = cabinet.writtenFiles().size() - before;
        outcome.skipped = cabinet.skippedFiles().size() - skippedBefore;
        outcome.entries = cabinet.entriesInCabinet();
        if (!extracted) {
            outcome.state = CABINET_OUTCOME_::FAILED;
            found.errorDetail = cabinet.errorText;
            found.failed = true;
            return;
        }
        outcome.state = outcome.files < outcome.entries ? CABINET_OUTCOME_::PARTLY : CABINET_OUTCOME_::EXTRACTED;
        if (status.cancelRequested()) return;
        status.endCabinet(NameOf(archives[i]));
    }
}
}  // namespace

bool UxRunPlatform::isElevated() { return ProcessIsElevated(); }
DWORD UxRunPlatform::probe(const std::wstring& folder, ProbeKind kind) { return ProbeError(folder, kind); }
std::wstring UxRunPlatform::program() { return ModulePath(); }
void UxRunPlatform::workerStarted(DWORD) {}

namespace {
UxRunPlatform g_system;  // answers as the system does; holds nothing
}  // namespace

UxRunPlatform& SystemPlatform() { return g_system; }

bool CreateFolderPath(const std::wstring& path) {
    std::wstring folder = path;
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    bool created = false;
    return CreateFolders(folder, [&](const std::wstring&) { created = true; }) && created;
}

UxRun::UxRun(const RunRequest& request, UxRunFace& face, RunLog& log, UxRunPlatform& platform)
    : request_(request), face_(face), log_(log), platform_(platform) {
    outcome_.destination = request.destination;
    status_.setUnattended(request.unattended());
    status_.setHolderQuery(&platform_);
}

UxRun::~UxRun() = default;

RunOutcome StartProblemOutcome(const MainConfiguration& configuration) {
    RunOutcome outcome;
    outcome.exitCode = configuration.logIsAFileOfTheRun ? EXIT_COMMAND_LINE : EXIT_SERIES;
    outcome.writeLog = !configuration.logIsAFileOfTheRun;
    outcome.shown = configuration.problem;
    return outcome;
}

void UxRun::say(const UxMarkedText& text) {
    outcome_.shown = text;
    face_.say(text);
}

void UxRun::sayWithPath(const char* head, const std::wstring& path) {
    UxMarkedText text(head);
    say(text.append("\n").appendColoured(path, 0xC00000));
}

void UxRun::cancel() { status_.requestCancel(); }

// What could not be removed is named in the outcome, never left silently.
void UxRun::removeProbes() {
    for (const std::wstring& probe : RemovePendingProbes()) outcome_.leftovers.push_back(probe);
}

// The log among the Run's targets: exit code 1, the log left as it was.
bool UxRun::checkLog() {
    UxMarkedText text;
    if (!LogIsAmong(log_, request_.destination, request_.configuration->entries, text)) return true;
    say(text);
    outcome_.exitCode = EXIT_COMMAND_LINE;
    outcome_.writeLog = false;
    return false;
}

// A file where a folder of the destination belongs, or a folder name that
// Windows would store under another name (a trailing blank or dot): refused
// before anything is asked or made.
bool UxRun::checkFolderNames() {
    std::wstring found;
    if (FindFileOnPath(request_.destination, found)) {
        sayWithPath("指定されたパスにはフォルダではなくファイルがあります", found);
        return false;
    }
    if (FindUnwritableFolderName(request_.destination, found)) {
        sayWithPath("フォルダ名の末尾の空白やピリオド、使用できない文字や名前のため、このフォルダは使用できません",
                    found);
        return false;
    }
    return true;
}

// A folder only administrators may write: without the rights, an offer to
// go on as administrator (a second kelpex takes over the Run, and this one
// ends with its exit code); unattended, the exit code that says so.
void UxRun::refuseUnwritable(const std::wstring& folder) {
    if (platform_.isElevated()) return sayWithPath("このパスは書き込むことが出来ません", folder);
    // Declined, failed, or not asked: the code says the rights were missing.
    outcome_.exitCode = EXIT_NEEDS_ADMINISTRATOR;
    if (request_.unattended()) return sayWithPath("このパスに書き込むには管理者の権限が必要です", folder);
    UxMarkedText question("このフォルダに書き込むには管理者の権限が必要です。\n");
    question.appendColoured(folder, 0xC00000).append("\n管理者として続けますか？");
    if (!face_.confirm(question, "管理者の権限の確認"))
        return sayWithPath("このパスは書き込むことが出来ません", folder);
    if (handOver(folder)) face_.handedOver();
}

// The second kelpex writes the log: this one lets go of it first, and takes
// it again when there is no second.
bool UxRun::handOver(const std::wstring& folder) {
    std::wstring logPath = log_.path();
    bool hadLog = log_.isOpen();
    log_.close(true);
    DWORD error = 0;
    if (StartElevated(request_, platform_.program(), error)) return true;
    if (hadLog) log_.open(logPath);
    UxMarkedText text(error == ERROR_CANCELLED ? "管理者としての起動が取り消されました。"
                                               : "管理者として起動できませんでした。");
    text.append("このパスは書き込むことが出来ません\n").appendColoured(folder, 0xC00000);
    say(text);
    return false;
}

bool UxRun::checkDestination() {
    const std::wstring& destination = request_.destination;
    std::wstring deepest;
    if (!FindDeepestExistingFolder(destination, deepest)) {
        sayWithPath("指定されたドライブは存在していません", destination);
        return false;
    }
    // A folder yet to be made needs the right to make folders, which the
    // root of a system drive grants where it refuses files.
    bool exists = pathExists(destination);
    if (platform_.probe(deepest, exists ? PROBE_FILE : PROBE_FOLDER) == ERROR_ACCESS_DENIED) {
        refuseUnwritable(deepest);
        return false;
    }
    // The volume the destination lies on, which may be another mounted into
    // a folder of the drive, and what this user may still write there (a
    // quota counts): the same question the extractor asks of a file.
    unsigned size = RequiredMegabytes(*request_.configuration);
    ULONGLONG freeMegabytes = FreeBytesFor(deepest) / kMegabyte;
    unsigned free = freeMegabytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned>(freeMegabytes);
    if (size < free) return true;
    FCString required, available;
    required.appendNumber(size);
    available.appendNumber(free);
    UxMarkedText text("指定されたドライブの空き容量がたりません。\n要求サイズ：");
    text.appendColoured(required.text(), 0x00C000).append("MB\n空きサイズ：");
    say(text.appendColoured(available.text(), 0xC00000).append("MB"));
    return false;
}

bool UxRun::ensureFolder() {
    const std::wstring& destination = request_.destination;
    if (pathExists(destination)) return true;
    UxMarkedText question("指定されたフォルダ\n");
    question.appendColoured(destination, 0xC00000).append("\nが存在しません。作成しても構いませんか？");
    // Unattended, nobody is asked: the folder is made.
    if (!request_.unattended() && !face_.confirm(question, "フォルダ作成の確認")) {
        outcome_.exitCode = EXIT_CANCELLED;
        say(UxMarkedText("指定されたフォルダが作成されなかったため処理を中止しました。"));
        return false;
    }
    if (!CreateFolderPath(destination)) {
        say(UxMarkedText("フォルダの作成に失敗しました。\n").appendLiteral(destination));
        return false;
    }
    return true;
}

// The question the extraction puts, asked through the face (the progress
// dialog's Cancel stays usable), and its answer handed back. Cancel reaches
// the extracting thread before the answer does, so that it never begins
// the next cabinet meanwhile.
void UxRun::answerQuestion() {
    UxExtractionStatus::QUESTION_ question;
    if (!status_.takeQuestion(question)) return;
    int answer = face_.askInUse(InUseQuestion(question), status_.cancelEvent());
    if (answer == IDABORT) cancel();
    status_.answer(answer == IDRETRY    ? UxExtractionStatus::ANSWER_RETRY
                   : answer == IDIGNORE ? UxExtractionStatus::ANSWER_SKIP
                                        : UxExtractionStatus::ANSWER_ABORT);
}

UxRun::Result UxRun::extractAll(std::wstring& errorDetail) {
    UxProgressDialog progress(IDD_PROGRESS);
    progress.caption.assignFrom("解凍中...");
    progress.statusText.assignFrom("解凍中...");
    progress.statusId = IDC_PROGRESS_STATUS;
    progress.configureProgress(IDC_PROGRESS_BAR, true, 0, 0, UxProgressDisplay::BAR_STEPS);
    progress.visible = request_.mode != RUN_QUIET;  // /quiet shows no window at all
    progress.cancellable = &status_;
    progress.show(face_.owner(), true);
    progress.pumpMessages();
    std::vector<std::wstring> archives;
    for (const FCString& name : request_.configuration->archives)
        archives.push_back(request_.folder + FromShiftJis(name.text()));
    // The bar runs on what is really written: the series' total from its
    // cabinets' file tables, whatever the configured size says.
    UxProgressDisplay display(progress, request_.configuration->seriesBytes);
    EXTRACTED_ found;
    {
        // The user-interface thread's own loop while the series is
        // extracted: it wakes for its windows, for a question and for
        // Cancel at once, and shows the status every display interval.
        UxBackground extraction([&] { ExtractSeries(archives, request_.destination, status_, found); }, status_);
        platform_.workerStarted(extraction.threadId());
        HANDLE signals[2] = {status_.questionEvent(), status_.cancelEvent()};
        DWORD watched = status_.cancelRequested() ? 1 : 2, shown = GetTickCount() - UxProgressDisplay::INTERVAL_MS;
        if (watched == 1) display.showCancelling();
        for (;;) {
            DWORD since = GetTickCount() - shown, which = 0;
            DWORD left = since >= UxProgressDisplay::INTERVAL_MS ? 0 : UxProgressDisplay::INTERVAL_MS - since;
            UxBackground::Woken woken = extraction.wait(signals, watched, left, which);
            if (woken == UxBackground::WORK_ENDED) break;
            progress.pumpMessages();
            if (woken == UxBackground::SIGNALLED && which == 0) answerQuestion();
            if (watched == 2 && status_.cancelRequested()) {
                watched = 1;  // said once; the event stays set
                display.showCancelling();
            }
            if (GetTickCount() - shown < UxProgressDisplay::INTERVAL_MS) continue;
            shown = GetTickCount();
            display.show(status_.snapshot());
        }
        outcome_.cabinets = std::move(found.cabinets);
        outcome_.written = std::move(found.written);
        outcome_.skipped = std::move(found.skipped);
        outcome_.leftovers.insert(outcome_.leftovers.end(), found.leftovers.begin(), found.leftovers.end());
        extraction.rethrow();
    }
    // What the last cabinet left, painted before the dialog goes.
    display.show(status_.snapshot());
    progress.pumpMessages();
    errorDetail = found.errorDetail;
    if (found.failed) return RESULT_ERROR;
    return status_.cancelRequested() ? RESULT_CANCELLED : RESULT_SUCCESS;
}

void UxRun::report(Result result, const std::wstring& errorDetail) {
    bool skipped = !outcome_.skipped.empty();
    // A file left as it was is not a Run that did all it was asked.
    outcome_.exitCode = result == RESULT_ERROR       ? EXIT_RUN_FAILED
                        : result == RESULT_CANCELLED ? EXIT_CANCELLED
                        : skipped                    ? EXIT_RUN_FAILED
                                                     : EXIT_DONE;
    const std::wstring& destination = request_.destination;
    const MainConfiguration& configuration = *request_.configuration;
    UxMarkedText text;
    if (result == RESULT_ERROR) {
        // The extractor's text quotes paths and names: none of it is markup.
        text.append("解凍中にエラーが発生しました。\n").appendLiteral(errorDetail);
    } else if (result == RESULT_SUCCESS && skipped) {
        AppendSkipped(text, outcome_.skipped, destination);
    } else {
        text = ExpandMessageText(configuration.messages[result == RESULT_CANCELLED ? 2 : 1], destination.c_str());
    }
    AppendLeftovers(text, outcome_.leftovers);
    say(text);
}

void UxRun::run() {
    // A Run refused after its probe still removes it.
    struct Probes {
        UxRun& run;
        ~Probes() { run.removeProbes(); }
    } probes{*this};
    // Whatever refuses the destination before anything is written.
    outcome_.exitCode = EXIT_DESTINATION;
    // A share's folders cannot be created the way a drive's are: refused.
    if (request_.destination.empty() || request_.destination[0] == L'\\') {
        say(UxMarkedText(kUncWarning));
        return;
    }
    if (!checkLog() || !checkFolderNames() || !checkDestination() || !ensureFolder()) return;
    std::wstring errorDetail;
    Result result = extractAll(errorDetail);
    removeProbes();
    report(result, errorDetail);
}
