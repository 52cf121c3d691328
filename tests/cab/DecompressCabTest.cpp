#include "cab/UxCAB.h"
#include "cab/UxProgressDialog.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <string>

namespace {
// The tests' clock: it stands still unless g_moving makes it advance 300 ms
// at every reading.
DWORD g_now = 0;
bool g_moving = false;
DWORD TestTick() { return g_moving ? (g_now += 300) : g_now; }

std::string ControlText(HWND dialog, int id) {
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// The extractor with its counters open to the tests.
class CountedCab : public DecompressCab {
public:
    using DecompressCab::DecompressCab;
    using DecompressCab::doneMegabytes;
    using DecompressCab::pendingBytes;
    using DecompressCab::totalMegabytes;
};

class ProgressFixture : public testing::Test {
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
        g_moving = false;
        cab.attachProgress(&dialog, 2);
        cab.startTimer();
    }
    // One file of `bytes` extracted at `seconds` after the start.
    void extractedAt(unsigned seconds, unsigned bytes) {
        g_now = 100000 + seconds * 1000;
        cab.pendingBytes += bytes;
        cab.onFileExtracted("x");
    }
    std::string remaining() { return ControlText(dialog.windowHandle, IDC_PROGRESS_REMAINING); }

    UxProgressDialog dialog;
    CountedCab cab{TestTick};
};
}  // namespace

TEST(DecompressCabText, RemainingTimeIsMinutesAndSeconds) {
    FCString text;
    DecompressCab::formatRemaining(text, 125);
    EXPECT_STREQ("残り 2分 5秒", text.text());
    DecompressCab::formatRemaining(text, 45);
    EXPECT_STREQ("残り 45秒", text.text());
    DecompressCab::formatRemaining(text, 0);
    EXPECT_STREQ("残り 0秒", text.text());
}

TEST_F(ProgressFixture, NothingBeforeThirtyOneSecondsThenTheEstimate) {
    extractedAt(30, 1u << 20);  // 1 of 2 MB after 30 s: an estimate of 60 s
    EXPECT_EQ("", remaining());
    EXPECT_EQ(1u, cab.doneMegabytes);
    EXPECT_EQ(1, dialog.progressBar.getPos());
    cab.totalMegabytes = 2;
    cab.doneMegabytes = 0;
    cab.pendingBytes = 0;
    extractedAt(125, 1u << 20);  // 1 of 2 MB after 125 s: 125 s to go
    EXPECT_EQ("残り 2分 5秒", remaining());
}

TEST_F(ProgressFixture, AtMostOneUpdateASecond) {
    extractedAt(45, 1u << 20);
    EXPECT_EQ("残り 45秒", remaining());
    SetDlgItemTextA(dialog.windowHandle, IDC_PROGRESS_REMAINING, "unchanged");
    g_now += 500;
    cab.onFileExtracted("x");
    EXPECT_EQ("unchanged", remaining());
    g_now += 600;
    cab.onFileExtracted("x");
    EXPECT_NE("unchanged", remaining());
}

TEST_F(ProgressFixture, BytesAddUpAcrossFilesAndATooSmallTotalStopsTheText) {
    extractedAt(40, 600000);
    EXPECT_EQ(0u, cab.doneMegabytes);
    EXPECT_EQ("", remaining());
    extractedAt(41, 600000);  // 1,200,000 bytes: one whole MB and the rest pending
    EXPECT_EQ(1u, cab.doneMegabytes);
    EXPECT_EQ(1200000u - (1u << 20), cab.pendingBytes);
    SetDlgItemTextA(dialog.windowHandle, IDC_PROGRESS_REMAINING, "last");
    extractedAt(60, 2u << 20);  // 3 MB done of a configured 2: no estimate left
    EXPECT_EQ("last", remaining());
}

TEST_F(ProgressFixture, CancelEndsTheCabinetWithinOneFile) {
    TempFolder dir;
    dialog.cancelRequested = true;
    cab.setArchive(WindowsPath(KELPEX_CAB_DATA "/long.cab").c_str());
    EXPECT_TRUE(cab.extractTo(dir.path().c_str()));  // a cancel is no failure
    EXPECT_FALSE(TempFolder::exists(dir / "f1.bin"));
}

TEST_F(ProgressFixture, StatusShowsTheFileAndSizesAreCounted) {
    TempFolder dir;
    std::string cabinet = dir / "two.cab";
    ASSERT_TRUE(WriteCabinet(cabinet, {{"one.bin", std::string(700000, 'a')}, {"two.bin", std::string(700000, 'b')}}));
    cab.setArchive(cabinet.c_str());
    ASSERT_TRUE(cab.extractTo(dir.path().c_str())) << cab.errorText.text();
    // The clock stands still: the status is written once, at the first file.
    EXPECT_EQ("one.bin", ControlText(dialog.windowHandle, IDC_PROGRESS_STATUS));
    EXPECT_EQ(1u, cab.doneMegabytes);
    // A file of 1 MB or more is named whatever the clock says.
    std::string large = dir / "large.cab";
    ASSERT_TRUE(WriteCabinet(large, {{"big.bin", std::string(1u << 20, 'c')}, {"small.bin", "s"}}));
    cab.setArchive(large.c_str());
    ASSERT_TRUE(cab.extractTo(dir.path().c_str())) << cab.errorText.text();
    EXPECT_EQ("big.bin", ControlText(dialog.windowHandle, IDC_PROGRESS_STATUS));
    EXPECT_EQ(2u, cab.doneMegabytes);
    cab.setArchive(cabinet.c_str());
    g_moving = true;
    ASSERT_TRUE(cab.extractTo(dir.path().c_str())) << cab.errorText.text();
    EXPECT_EQ("two.bin", ControlText(dialog.windowHandle, IDC_PROGRESS_STATUS));
    EXPECT_EQ(3u, cab.doneMegabytes);
    EXPECT_EQ(2800001u - (2u << 20), cab.pendingBytes);
}

// The status text and the bar are painted at most every display interval;
// a large file is still named before it starts unless the Run's speed so
// far says it is done within that interval; the bar is current once a
// cabinet ends. The clock stands still, so only these rules paint.
TEST_F(ProgressFixture, ALargeFileIsNamedAtOnceOnlyWhenItTakesLong) {
    TempFolder dir;
    std::string cabinet = dir / "mixed.cab";
    ASSERT_TRUE(WriteCabinet(cabinet, {{"small.bin", "s"}, {"big.bin", std::string(1u << 20, 'b')}}));
    dialog.progressBar.setRange(0, 1000);
    struct {
        unsigned doneMegabytes, elapsedMs;
        const char* status;
    } cases[] = {
        {100, 10, "small.bin"},  // 100 MB in 10 ms: 1 MB more takes no time
        {1, 1000, "big.bin"},  // 1 MB a second
        {0, 1000, "big.bin"},  // no speed yet
    };
    for (const auto& c : cases) {
        cab.startTimer();
        g_now += c.elapsedMs;
        cab.doneMegabytes = c.doneMegabytes;
        cab.pendingBytes = 0;
        cab.setArchive(cabinet.c_str());
        ASSERT_TRUE(cab.extractTo(dir.path().c_str())) << cab.errorText.text();
        EXPECT_EQ(c.status, ControlText(dialog.windowHandle, IDC_PROGRESS_STATUS)) << c.doneMegabytes;
        EXPECT_EQ(static_cast<int>(c.doneMegabytes) + 1, dialog.progressBar.getPos()) << c.doneMegabytes;
    }
}

namespace {
// Presses the progress dialog's Cancel at the moment the platform asks for
// the next cabinet.
class CancelAtNextCabinet : public DecompressCab {
public:
    UINT onNeedNewCabinet(const CABINET_INFO_A& info, char* newPath) override {
        ++asked;
        SendMessageA(GetDlgItem(progressDialog->windowHandle, IDCANCEL), BM_CLICK, 0, 0);
        return DecompressCab::onNeedNewCabinet(info, newPath);
    }
    int asked = 0;
};
}  // namespace

TEST_F(ProgressFixture, CancelWhileThePlatformAsksForTheNextCabinetEndsTheCabinet) {
    TempFolder dir;
    ASSERT_TRUE(WriteSpanningSeries(dir.path(), {"s1.cab", "s2.cab"},
                                    {{{"a.txt", "a"}, {"big.bin", std::string(60000, 'b')}}, {{"c.txt", "c"}}}));
    CancelAtNextCabinet cancelling;
    cancelling.attachProgress(&dialog, 1);
    cancelling.setArchive((dir / "s1.cab").c_str());
    EXPECT_TRUE(cancelling.extractTo((dir / "out").c_str())) << cancelling.errorText.text();  // a cancel is no failure
    EXPECT_EQ(1, cancelling.asked);
    EXPECT_TRUE(dialog.cancelRequested);
    EXPECT_EQ("a", TempFolder::readFile(dir / "out\\a.txt"));
    EXPECT_FALSE(TempFolder::exists(dir / "out\\big.bin"));  // the half-written file is gone
}
