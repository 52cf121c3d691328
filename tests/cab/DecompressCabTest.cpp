#include "cab/UxBackground.h"
#include "cab/UxCAB.h"
#include "foundation/WideText.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>
#include <atomic>
#include <string>

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
