// A Run through its own interface, with a face that answers from a script:
// the same request in each mode gives the same verdicts, lists, log and
// exit code, and nothing of one Run carries into the next.
#include "app/Configuration.h"
#include "app/RunLog.h"
#include "app/UxRun.h"
#include "foundation/WideText.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
// Answers Yes or No to every question and keeps what it was told.
class ScriptedFace : public UxRunFace {
public:
    explicit ScriptedFace(bool yes) : yes_(yes) {}
    HWND owner() const override { return nullptr; }
    void say(const UxMarkedText& text) override { said.push_back(ToShiftJis(text.plain().c_str())); }
    bool confirm(const UxMarkedText&, const char* title) override {
        asked.push_back(title);
        return yes_;
    }
    int askInUse(const UxMarkedText&, HANDLE) override {
        asked.push_back("in use");
        return IDABORT;
    }
    void handedOver() override { asked.push_back("handed over"); }

    std::vector<std::string> said, asked;

private:
    bool yes_;
};

// A tool folder with a two-cabinet series.
struct Series {
    Series() {
        TempFolder::writeFile(tool / "kelpex.qcf", "fname=data*.cab,2,1,2,1\n");
        WriteCabinet(tool / "data01.cab", {{"a.txt", "a"}, {"sub\\b.txt", "b"}});
        WriteCabinet(tool / "data02.cab", {{"c.txt", "c"}});
    }
    RunRequest request(RunMode mode, const std::wstring& destination, const RunLog& log) {
        UxQcf store;
        RunRequest made;
        made.mode = mode;
        made.destination = destination;
        made.folder = tool.widePath();
        made.configuration = ReadConfiguration(made.folder, store, true, log);
        return made;
    }
    TempFolder tool, out;
};
}  // namespace

TEST(UxRun, EveryModeGivesTheSameVerdictsListsLogAndExitCode) {
    struct {
        RunMode mode;
        bool yes;  // the face's answer to the folder question
        ExitCode exitCode;
        size_t written;
        const char* asked;  // the one question, or none
        const char* said;  // the start of the last word
    } cases[] = {
        {RUN_WINDOW, true, EXIT_DONE, 3, "フォルダ作成の確認", "解凍は正常に終了しました。"},
        {RUN_WINDOW, false, EXIT_CANCELLED, 0, "フォルダ作成の確認", "指定されたフォルダが作成されなかった"},
        {RUN_HANDED_OVER, true, EXIT_DONE, 3, "フォルダ作成の確認", "解凍は正常に終了しました。"},
        {RUN_PASSIVE, false, EXIT_DONE, 3, nullptr, "解凍は正常に終了しました。"},
        {RUN_QUIET, false, EXIT_DONE, 3, nullptr, "解凍は正常に終了しました。"},
    };
    for (const auto& c : cases) {
        Series series;
        RunLog log;
        std::wstring destination = series.out.widePath() + L"new\\";
        ScriptedFace face(c.yes);
        UxRun run(series.request(c.mode, destination, log), face, log, SystemPlatform());
        run.run();
        const RunOutcome& outcome = run.outcome();
        EXPECT_EQ(c.exitCode, outcome.exitCode) << c.mode << c.yes;
        EXPECT_EQ(c.asked != nullptr ? std::vector<std::string>{c.asked} : std::vector<std::string>(), face.asked);
        ASSERT_FALSE(face.said.empty());
        EXPECT_EQ(0u, face.said.back().find(c.said)) << face.said.back();
        EXPECT_EQ(ToShiftJis(outcome.shown.plain().c_str()), face.said.back());
        EXPECT_EQ(c.written, outcome.written.size()) << c.mode;
        EXPECT_EQ(c.written == 0 ? "<missing>" : "b", TempFolder::readFile(destination + L"sub\\b.txt"));
        std::string logged = ToShiftJis(RunLogText(outcome, run.request().configuration.get()).c_str());
        EXPECT_EQ(0u, logged.find("終了コード: " + std::to_string(c.exitCode) + "\n")) << logged;
        const char* cabinet = c.written == 0 ? "data01.cab: 未展開\n" : "data01.cab: 展開済み（2ファイル）\n";
        EXPECT_NE(std::string::npos, logged.find(cabinet)) << logged;
    }
}

// A Run that found the log among its targets leaves it as it was; the next
// Run, into another folder, judges anew and writes it.
TEST(UxRun, ASecondRunAfterOneThatSkippedTheLogWritesIt) {
    Series series;
    RunLog log;
    std::wstring first = series.out.widePath() + L"first\\", second = series.out.widePath() + L"second\\";
    CreateDirectoryW(first.c_str(), nullptr);
    ASSERT_EQ(0u, log.open(first + L"c.txt"));
    ScriptedFace face(true);
    UxRun skipped(series.request(RUN_QUIET, first, log), face, log, SystemPlatform());
    skipped.run();
    EXPECT_EQ(EXIT_COMMAND_LINE, skipped.outcome().exitCode);
    EXPECT_FALSE(skipped.outcome().writeLog);
    EXPECT_TRUE(skipped.outcome().written.empty());
    UxRun next(series.request(RUN_QUIET, second, log), face, log, SystemPlatform());
    next.run();
    EXPECT_EQ(EXIT_DONE, next.outcome().exitCode);
    EXPECT_TRUE(next.outcome().writeLog);
    EXPECT_EQ(3u, next.outcome().written.size());
    log.close(false);
}
