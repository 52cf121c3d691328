// A file another program holds during a Run: waited for silently, then
// asked about (Retry / Skip / Abort) naming the file and who holds it, or,
// with nobody to ask, skipped after a longer wait; the rest of the series is
// written and the outcome says what was left as it was.
#include "app/RunLog.h"
#include "foundation/WideText.h"
#include "res/MessageDialogIds.h"
#include "tests/app/MainDialogHarness.h"
#include "tests/app/StartedKelpex.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/HeldFile.h"
#include "tests/support/WindowAnswerer.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {
const char* const kInUse = "使用中のファイル";

// The programs holding a file, as a test names them: Wine's Restart
// Manager names none. Read by the extracting thread, set by the test's
// while it waits.
class NamedHolders : public UxRunPlatform {
public:
    void name(std::vector<std::wstring> names) {
        std::lock_guard<std::mutex> lock(mutex_);
        names_ = std::move(names);
    }
    std::vector<std::wstring> holders(const std::wstring&) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return names_;
    }

private:
    std::mutex mutex_;
    std::vector<std::wstring> names_;
};

// The series: held.txt replaces an old file, the rest are new, and a second
// cabinet comes after.
struct InUseHarness : NamedHolders, MainDialogHarness {
    explicit InUseHarness(const char* qcf = "fname=data*.cab,2,1,2,1\n")
        : MainDialogHarness(qcf, {}, COMMAND_LINE_(), *this) {
        WriteCabinet(folder() / "data01.cab", {{"held.txt", "new"}, {"b.txt", "b"}});
        WriteCabinet(folder() / "data02.cab", {{"c.txt", "c"}});
        out = folder().widePath() + L"out\\";
        CreateDirectoryW(out.c_str(), nullptr);
        TempFolder::writeFile(ToShiftJis(out.c_str()) + "held.txt", "old");
    }
    std::wstring out;
};

// How long the main window takes to answer, asked every 50 ms from a
// thread of its own while the Run waits and the box is up.
class ReplyTimes {
public:
    explicit ReplyTimes(HWND window)
        : thread_([this, window] {
              while (!stop_) {
                  DWORD start = GetTickCount();
                  DWORD_PTR result = 0;
                  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result);
                  DWORD took = GetTickCount() - start;
                  if (took > longest_) longest_ = took;
                  Sleep(50);
              }
              finished_ = true;
          }) {}
    // Called on the window's own thread: it keeps answering until the
    // probing thread has ended, or a probe under way would wait for it.
    DWORD stop() {
        stop_ = true;
        WindowAnswerer::waitAnswering([this] { return finished_.load(); }, 10000);
        if (thread_.joinable()) thread_.join();
        return longest_;
    }
    ~ReplyTimes() { stop(); }

private:
    std::atomic<bool> stop_{false};
    std::atomic<DWORD> longest_{0};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

// Nothing of ours is left beside the files: no probe, no temporary file.
std::vector<std::wstring> Leftovers(const std::wstring& out) {
    std::vector<std::wstring> found = TempFolder::entries(out + L"$$_*");
    for (const std::wstring& name : TempFolder::entries(out + L"kx*")) found.push_back(name);
    return found;
}
}  // namespace

// Held past the silent wait, the box names the file and who holds it:
// Retry once it is released writes it; Skip keeps the old file and writes
// the rest; 中止 ends the Run as Cancel does. Released within the wait,
// nobody is asked.
TEST(InUse, AHeldFileIsWaitedForThenAskedAboutNamingItsHolder) {
    enum Answer { NONE, RETRY, SKIP, ABORT };
    struct {
        Answer answer;
        HeldFile::Sharing sharing;
        std::vector<std::wstring> holders;
        const char* named;  // in the box
        const char* held;  // held.txt afterwards
        const char* outcome;  // the start of the message area
    } cases[] = {
        {NONE, HeldFile::SHARE_NONE, {}, nullptr, "new", "解凍は正常に終了しました。"},
        {RETRY,
         HeldFile::SHARE_READ,
         {L"\u30E1\u30E2\u5E33"},
         "使用しているプログラム：メモ帳",
         "new",
         "解凍は正常に終了しました。"},
        {SKIP,
         HeldFile::SHARE_NONE,
         {L"\u30E1\u30E2\u5E33", L"game.exe"},
         "使用しているプログラム：メモ帳、game.exe",
         "old",
         "解凍は終わりましたが、ほかのプログラムが使用していた次のファイルは書き込まれず、元のままです。\rheld.txt"},
        {ABORT,
         HeldFile::SHARE_READ,
         {},
         "使用しているプログラムはわかりませんでした。",
         "old",
         "解凍がユーザーによって中断されました。"},
    };
    for (const auto& c : cases) {
        InUseHarness h;
        h.name(c.holders);
        h.open();
        SetWindowTextW(h.control(IDC_MAIN_DESTINATION_EDIT), h.out.c_str());
        HeldFile held(h.out + L"held.txt", c.sharing);
        ASSERT_TRUE(held.held()) << held.whyNotHeld();
        std::thread releaser;
        if (c.answer == NONE) {
            // Let go once the Run has reached the file: well within the wait.
            releaser = std::thread([&] {
                WindowAnswerer::waitUntil([&] { return !TempFolder::entries(h.out + L"kx*").empty(); }, 20000);
                held.release();
            });
        }
        const int buttons[] = {0, IDC_MESSAGE_YES, IDC_MESSAGE_NO, IDC_MESSAGE_ABORT};
        {
            WindowAnswerer box(
                kInUse, {buttons[c.answer]},
                [&](size_t) {
                    if (c.answer == RETRY) held.release();
                },
                c.answer == NONE ? 500 : 30000);
            ReplyTimes replies(h.window());
            h.click(IDC_MAIN_RUN);
            EXPECT_LE(replies.stop(), 250u) << c.answer;  // the window answers throughout
            EXPECT_EQ(c.answer == NONE ? 0 : 1, box.answered()) << c.answer;
            if (c.named != nullptr) {
                ASSERT_EQ(1u, box.texts().size());
                EXPECT_NE(std::string::npos, box.texts()[0].find("held.txt")) << box.texts()[0];
                EXPECT_NE(std::string::npos, box.texts()[0].find(c.named)) << box.texts()[0];
            }
        }
        if (releaser.joinable()) releaser.join();
        held.release();
        std::string text = h.text(IDC_MAIN_MESSAGE);
        EXPECT_EQ(0u, text.find(c.outcome)) << c.answer << "\n" << text;
        EXPECT_EQ(c.held, TempFolder::readFile(h.out + L"held.txt")) << c.answer;
        // The rest of the series is written, but after 中止.
        EXPECT_EQ(c.answer == ABORT ? "<missing>" : "c", TempFolder::readFile(h.out + L"c.txt")) << c.answer;
        EXPECT_EQ(std::vector<std::wstring>(), Leftovers(h.out)) << c.answer;
        EXPECT_EQ(
            c.answer == SKIP || c.answer == ABORT ? (c.answer == SKIP ? EXIT_RUN_FAILED : EXIT_CANCELLED) : EXIT_DONE,
            h.main().outcome().exitCode)
            << c.answer;
    }
}

// A scanner opens each new file of the destination for a moment, sharing
// nothing, right after it is written: the Run waits it out, asks nothing,
// writes every file, and leaves nothing of its own behind.
TEST(InUse, AScannerHoldingEachNewFileForAMomentIsWaitedOut) {
    std::vector<CabinetEntry> first, second;
    for (int i = 0; i < 12; ++i) first.push_back({"f" + std::to_string(i) + ".txt", "data " + std::to_string(i)});
    second.push_back({"held.txt", "new"});
    InUseHarness h;
    WriteCabinet(h.folder() / "data01.cab", first);
    WriteCabinet(h.folder() / "data02.cab", second);
    h.open();
    SetWindowTextW(h.control(IDC_MAIN_DESTINATION_EDIT), h.out.c_str());
    std::atomic<bool> stop{false};
    std::atomic<int> scanned{0};
    std::thread scanner([&] {
        // Every name seen in the destination, opened once with no sharing
        // for 200 ms as soon as it can be (after its writer has closed it).
        std::vector<std::wstring> seen;
        while (!stop) {
            for (const std::wstring& name : TempFolder::entries(h.out + L"*")) {
                if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
                FCHandle file(CreateFileW((h.out + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
                if (!file.valid()) continue;
                seen.push_back(name);
                ++scanned;
                Sleep(200);
            }
            Sleep(5);
        }
    });
    {
        WindowAnswerer box(kInUse, std::vector<int>{IDC_MESSAGE_ABORT}, 500u);
        h.click(IDC_MAIN_RUN);
        EXPECT_EQ(0, box.answered());
    }
    stop = true;
    scanner.join();
    EXPECT_GT(scanned.load(), 5);
    EXPECT_EQ(0u, h.text(IDC_MAIN_MESSAGE).find("解凍は正常に終了しました。")) << h.text(IDC_MAIN_MESSAGE);
    for (const CabinetEntry& e : first) EXPECT_EQ(e.data, TempFolder::readFile(ToShiftJis(h.out.c_str()) + e.name));
    EXPECT_EQ("new", TempFolder::readFile(h.out + L"held.txt"));
    EXPECT_EQ(std::vector<std::wstring>(), Leftovers(h.out));
}

// One name in the first and the third cabinet: the third's copy is held
// (taken while the box about another file is up) and skipped. The log
// lists the first copy as written, the third as skipped, and each cabinet
// with what it wrote and skipped; the holders named are each file's own.
TEST(InUse, AFileSkippedInOneCabinetAndWrittenInAnotherIsLoggedAsOnDisk) {
    InUseHarness h("fname=data*.cab,2,1,3,1\n");
    WriteCabinet(h.folder() / "data01.cab", {{"a.txt", "one"}});
    WriteCabinet(h.folder() / "data02.cab", {{"held.txt", "new"}, {"b.txt", "b"}});
    WriteCabinet(h.folder() / "data03.cab", {{"a.txt", "three"}, {"c.txt", "c"}});
    h.name({L"first.exe"});
    h.open();
    SetWindowTextW(h.control(IDC_MAIN_DESTINATION_EDIT), h.out.c_str());
    std::unique_ptr<HeldFile> first(new HeldFile(h.out + L"held.txt", HeldFile::SHARE_NONE)), third;
    ASSERT_TRUE(first->held()) << first->whyNotHeld();
    {
        WindowAnswerer box(kInUse, {IDC_MESSAGE_NO, IDC_MESSAGE_NO}, [&](size_t i) {
            if (i > 0) return;
            third.reset(new HeldFile(h.out + L"a.txt", HeldFile::SHARE_READ));
            h.name({L"third.exe"});
        });
        h.click(IDC_MAIN_RUN);
        EXPECT_EQ(2, box.answered());
    }
    ASSERT_TRUE(third && third->held()) << (third ? third->whyNotHeld() : "");
    first.reset();
    third.reset();
    EXPECT_EQ("one", TempFolder::readFile(h.out + L"a.txt"));
    EXPECT_EQ("old", TempFolder::readFile(h.out + L"held.txt"));
    EXPECT_EQ("c", TempFolder::readFile(h.out + L"c.txt"));
    EXPECT_EQ(EXIT_RUN_FAILED, h.main().outcome().exitCode);
    std::string log = ToShiftJis(RunLogText(h.main().outcome(), h.main().configuration().get()).c_str());
    for (const char* line :
         {"data01.cab: 展開済み（1ファイル）\n", "data02.cab: 一部展開（1 / 2ファイル、スキップ 1）\n",
          "data03.cab: 一部展開（1 / 2ファイル、スキップ 1）\n", "展開したファイル（3）:\n  a.txt\n  b.txt\n  c.txt\n",
          "使用中のためスキップしたファイル（2）:\n  held.txt (first.exe)\n  a.txt (third.exe)\n"})
        EXPECT_NE(std::string::npos, log.find(line)) << line << "\n" << log;
}
