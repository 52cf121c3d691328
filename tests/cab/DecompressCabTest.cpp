#include "cab/UxBackground.h"
#include "cab/UxCAB.h"
#include "ui/UxProgressDialog.h"
#include "foundation/WideText.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <atomic>
#include <string>

namespace {
// The tests' clock: it moves only when a test moves it.
DWORD g_now = 0;
DWORD TestTick() { return g_now; }

const unsigned kMegabyte = 1u << 20;

std::string ControlText(HWND dialog, int id) {
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// The progress dialog of a Run with a bar of 0 to 10 MB.
class DisplayFixture : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, 0x2FF};
        InitCommonControlsEx(&controls);
        dialog.caption.assignFrom("解凍中...");
        dialog.statusText.assignFrom("解凍中...");
        dialog.statusId = IDC_PROGRESS_STATUS;
        dialog.configureProgress(IDC_PROGRESS_BAR, true, 0, 0, 10);
        dialog.show(nullptr, true);
        g_now = 100000;
    }
    std::string remaining() { return ControlText(dialog.windowHandle, IDC_PROGRESS_REMAINING); }
    std::string status() { return ControlText(dialog.windowHandle, IDC_PROGRESS_STATUS); }

    UxProgressDialog dialog;
};

UxExtractionStatus::SNAPSHOT_ Done(unsigned long long bytes, const char* text = "", const char* writing = "") {
    UxExtractionStatus::SNAPSHOT_ s;
    s.doneBytes = bytes;
    s.statusText = FromShiftJis(text);
    s.writingPath = FromShiftJis(writing);
    return s;
}
}  // namespace

TEST(DecompressCabText, RemainingTimeIsMinutesAndSeconds) {
    FCString text;
    UxProgressDisplay::formatRemaining(text, 125);
    EXPECT_STREQ("残り 2分 5秒", text.text());
    UxProgressDisplay::formatRemaining(text, 45);
    EXPECT_STREQ("残り 45秒", text.text());
    UxProgressDisplay::formatRemaining(text, 0);
    EXPECT_STREQ("残り 0秒", text.text());
}

// The estimate: nothing before 31 s, then at most once a second, and none
// once more than the configured total is done.
TEST_F(DisplayFixture, RemainingTimeAfterHalfAMinuteAtMostOnceASecond) {
    struct {
        unsigned atMs;  // after the start
        unsigned megabytes;
        const char* shown;  // null: unchanged
    } steps[] = {
        {30000, 1, ""},  // 1 of 2 MB after 30 s: too early
        {45000, 1, "残り 45秒"},  // an estimate of 90 s
        {45500, 1, nullptr},  // within the second
        {46100, 1, "残り 46秒"},  // a second later
        {125000, 1, "残り 2分 5秒"},  // 1 of 2 MB after 125 s
        {130000, 3, nullptr},  // 3 of a configured 2: no estimate left
    };
    UxProgressDisplay display(dialog, 2ull * kMegabyte, TestTick);
    for (const auto& step : steps) {
        SetDlgItemTextA(dialog.windowHandle, IDC_PROGRESS_REMAINING, step.shown != nullptr ? "" : "unchanged");
        g_now = 100000 + step.atMs;
        display.show(Done(static_cast<unsigned long long>(step.megabytes) * kMegabyte));
        EXPECT_EQ(step.shown != nullptr ? step.shown : "unchanged", remaining()) << step.atMs;
    }
}

// The bar counts the bytes written, with the size the file being written has
// reached on disk, never back, and reaches its end with the total's last
// byte, not one before; the status shows the file until Cancel is asked for.
TEST_F(DisplayFixture, TheBarCountsTheFileBeingWrittenAndNeverMovesBack) {
    TempFolder dir;
    std::string writing = dir / "writing.bin";
    TempFolder::writeFile(writing, std::string(kMegabyte + kMegabyte / 2, 'w'));
    struct {
        UxExtractionStatus::SNAPSHOT_ status;
        int bar;
        const char* text;
    } steps[] = {
        {Done(kMegabyte / 2, "first.bin"), 0, "first.bin"},
        {Done(kMegabyte / 2, "big.bin", writing.c_str()), 2, "big.bin"},  // 0.5 MB done and 1.5 on disk
        {Done(2 * kMegabyte, "data01.cab"), 2, "data01.cab"},  // a cabinet ended adds nothing
        {Done(kMegabyte, "data01.cab"), 2, "data01.cab"},  // never back
        {Done(10ull * kMegabyte - 1, "last.bin"), 9, "last.bin"},  // one byte short: not the end
        {Done(10ull * kMegabyte, "last.bin"), 10, "last.bin"},  // the last byte
    };
    UxProgressDisplay display(dialog, 10ull * kMegabyte, TestTick);
    for (const auto& step : steps) {
        display.show(step.status);
        EXPECT_EQ(step.bar, dialog.progressBar.getPos()) << step.text;
        EXPECT_EQ(step.text, status()) << step.text;
    }
    display.showCancelling();
    std::string cancelling = status();
    EXPECT_EQ(0u, cancelling.find("中止しています")) << cancelling;
    display.show(Done(40ull * kMegabyte, "later.bin"));
    EXPECT_EQ(cancelling, status());
}

namespace {
// Records what the status said while each file was being written.
class WatchedCab : public DecompressCab {
public:
    explicit WatchedCab(UxExtractionStatus* status) : DecompressCab(status), status_(status) {}
    UINT onFileExtracted(const std::wstring& target) override {
        UxExtractionStatus::SNAPSHOT_ s = status_->snapshot();
        seen.push_back(ToShiftJis(s.statusText) + " > " + ToShiftJis(s.writingPath) + " = " + ToShiftJis(target));
        return DecompressCab::onFileExtracted(target);
    }
    std::vector<std::string> seen;

private:
    UxExtractionStatus* status_;
};

// Asks for Cancel the moment the platform asks for the next cabinet.
class CancelAtNextCabinet : public DecompressCab {
public:
    explicit CancelAtNextCabinet(UxExtractionStatus* status) : DecompressCab(status), status_(status) {}
    UINT onNeedNewCabinet(const CABINET_INFO_A& info, char* newPath) override {
        ++asked;
        status_->requestCancel();
        return DecompressCab::onNeedNewCabinet(info, newPath);
    }
    int asked = 0;

private:
    UxExtractionStatus* status_;
};
}  // namespace

TEST(DecompressCabStatus, EachFileIsNamedWithWhereItIsWrittenAndCountedOnceWritten) {
    TempFolder dir;
    std::string cabinet = dir / "two.cab";
    // The second name is stored as UTF-8 (表/two.bin) and shown as Shift_JIS.
    ASSERT_TRUE(WriteCabinet(
        cabinet, {{"one.bin", std::string(700000, 'a')}, {"\xE8\xA1\xA8/two.bin", std::string(600000, 'b'), 0xA0}}));
    UxExtractionStatus status;
    WatchedCab cab(&status);
    cab.setArchive(W(cabinet));
    ASSERT_TRUE(cab.extractTo(W(dir.path()))) << ToShiftJis(cab.errorText);
    EXPECT_EQ((std::vector<std::string>{"one.bin > " + dir / "one.bin" + " = " + dir / "one.bin",
                                        "表\\two.bin > " + dir / "表\\two.bin" + " = " + dir / "表\\two.bin"}),
              cab.seen);
    UxExtractionStatus::SNAPSHOT_ s = status.snapshot();
    EXPECT_EQ(1300000u, s.doneBytes);
    EXPECT_TRUE(s.writingPath.empty());
    status.endCabinet(W("two.cab"));
    s = status.snapshot();
    EXPECT_EQ(L"two.cab", s.statusText);
}

TEST(DecompressCabStatus, CancelEndsTheCabinetAtTheNextFile) {
    TempFolder dir;
    UxExtractionStatus status;
    status.requestCancel();
    DecompressCab cab(&status);
    cab.setArchive(W(WindowsPath(KELPEX_CAB_DATA "/long.cab")));
    EXPECT_TRUE(cab.extractTo(W(dir.path())));  // a cancel is no failure
    EXPECT_FALSE(TempFolder::exists(dir / "f1.bin"));
    EXPECT_EQ(0u, status.snapshot().doneBytes);
}

TEST(DecompressCabStatus, CancelWhileThePlatformAsksForTheNextCabinetEndsTheCabinet) {
    TempFolder dir;
    ASSERT_TRUE(WriteSpanningSeries(dir.path(), {"s1.cab", "s2.cab"},
                                    {{{"a.txt", "a"}, {"big.bin", std::string(60000, 'b')}}, {{"c.txt", "c"}}}));
    UxExtractionStatus status;
    CancelAtNextCabinet cancelling(&status);
    cancelling.setArchive(W((dir / "s1.cab")));
    EXPECT_TRUE(cancelling.extractTo(W((dir / "out")))) << ToShiftJis(cancelling.errorText);  // no failure
    EXPECT_EQ(1, cancelling.asked);
    EXPECT_EQ("a", TempFolder::readFile(dir / "out\\a.txt"));
    EXPECT_FALSE(TempFolder::exists(dir / "out\\big.bin"));  // the half-written file is gone
}

namespace {
struct Thrown {};
void Throw(void*) { throw Thrown(); }

// Works until asked to stop, then notes that it stopped.
struct Patient {
    UxExtractionStatus* status;
    std::atomic<bool> began{false}, stopped{false};
};
void WaitForCancel(void* context) {
    Patient& patient = *static_cast<Patient*>(context);
    patient.began = true;
    while (!patient.status->cancelRequested()) Sleep(1);
    patient.stopped = true;
}
}  // namespace

// What the extracting thread throws comes out on the thread that waits for
// it, once it has ended; a wait given up (an exception from the windows)
// asks the work to stop and waits for it before anything it uses goes.
TEST(UxBackground, AnExceptionComesOutOnTheWaitingThreadAndAnAbandonedWorkIsStopped) {
    UxExtractionStatus status;
    {
        UxBackground background([] { Throw(nullptr); }, status);
        DWORD start = GetTickCount();
        DWORD which = 0;
        while (background.wait(nullptr, 0, 50, which) != UxBackground::WORK_ENDED)
            ASSERT_LT(GetTickCount() - start, 10000u);
        EXPECT_THROW(background.rethrow(), Thrown);
        EXPECT_NO_THROW(background.rethrow());  // once
    }
    Patient patient;
    patient.status = &status;
    {
        UxBackground background([&] { WaitForCancel(&patient); }, status);
        DWORD start = GetTickCount();
        while (!patient.began) ASSERT_LT(GetTickCount() - start, 10000u);
    }
    EXPECT_TRUE(status.cancelRequested());
    EXPECT_TRUE(patient.stopped);
}

namespace {
// Once asked to stop, finishes its "file" only after a window of the
// waiting thread has answered (or two seconds have gone without).
struct Finisher {
    UxExtractionStatus* status;
    HWND window;
    std::atomic<bool> began{false}, answered{false};
};
void FinishAfterAnAnswer(void* context) {
    Finisher& finisher = *static_cast<Finisher*>(context);
    finisher.began = true;
    while (!finisher.status->cancelRequested()) Sleep(1);
    DWORD_PTR result = 0;
    finisher.answered = SendMessageTimeoutW(finisher.window, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &result) != 0;
}
}  // namespace

// When the loop that pumps throws, the windows still answer while the work
// finishes the file it is writing.
TEST(UxBackground, TheWindowsAnswerWhileAnAbandonedWorkEnds) {
    UxExtractionStatus status;
    Finisher finisher;
    finisher.status = &status;
    finisher.window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, finisher.window);
    try {
        UxBackground background([&] { FinishAfterAnAnswer(&finisher); }, status);
        DWORD start = GetTickCount();
        while (!finisher.began) ASSERT_LT(GetTickCount() - start, 10000u);
        throw Thrown();
    } catch (const Thrown&) {
    }
    EXPECT_TRUE(finisher.answered);
    DestroyWindow(finisher.window);
}
