#include "fs/FCFileUty.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowAnswerer.h"
#include "foundation/FCHandle.h"
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {
const char* const kTitle = "FCFileUty - remove";

void MakeReadOnly(const std::string& path) { SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY); }

std::vector<std::string> g_events;
void Record(int event, LPARAM value, int) {
    g_events.push_back(event == 1 ? "start:" + ToShiftJis(reinterpret_cast<const wchar_t*>(value))
                                  : "end:" + std::to_string(value));
}

int g_handlerCalls = 0;
int AbortAlways(unsigned, DWORD*, const wchar_t*, int, LPARAM) {
    ++g_handlerCalls;
    return FCFileUty::ANSWER_ABORT;
}
}  // namespace

TEST(FCFileEnumeration, ListsEntriesWithFoldersEndingInASeparator) {
    TempFolder dir;
    TempFolder::writeFile(dir / "a.txt", "a");
    CreateDirectoryA((dir / "表").c_str(), nullptr);
    TempFolder::writeFile(dir / ".hidden", "h");
    FCFileEnumeration entries;
    entries.setPattern(W((dir.path() + "*.*")));
    std::set<std::string> seen;
    while (entries.nextEntry()) seen.insert(ToShiftJis(entries.entryPath()));
    EXPECT_EQ((std::set<std::string>{dir / "a.txt", dir / "表\\", dir / ".hidden"}), seen);
}

TEST(FCFileUtyRemove, ReadOnlyFileWithForceGoesWithoutAQuestion) {
    TempFolder dir;
    std::string file = dir / "ro.txt";
    TempFolder::writeFile(file, "x");
    MakeReadOnly(file);
    g_events.clear();
    EXPECT_TRUE(FCFileUty::remove(W(file), true, Record));
    EXPECT_FALSE(TempFolder::exists(file));
    EXPECT_EQ((std::vector<std::string>{"start:" + file, "end:1"}), g_events);
}

TEST(FCFileUtyRemove, ReadOnlyFileAsksAndYesForcesTheRestOfTheWalk) {
    TempFolder dir;
    std::string tree = dir / "tree\\";
    CreateDirectoryA(tree.c_str(), nullptr);
    TempFolder::writeFile(tree + "one.txt", "1");
    TempFolder::writeFile(tree + "two.txt", "2");
    MakeReadOnly(tree + "one.txt");
    MakeReadOnly(tree + "two.txt");
    WindowAnswerer answer(kTitle, {IDYES});
    EXPECT_TRUE(FCFileUty::remove(W(tree), false));
    ASSERT_EQ(1, answer.answered());  // force stays on: the second file asks nothing
    EXPECT_NE(std::string::npos, answer.texts()[0].find(" は\n読み込み専用です。強制削除を試みますか？"));
    EXPECT_FALSE(TempFolder::exists(tree));
}

TEST(FCFileUtyRemove, NoThenYesAbortsAndNoThenNoSkips) {
    TempFolder dir;
    std::string file = dir / "keep.txt";
    TempFolder::writeFile(file, "x");
    MakeReadOnly(file);
    {
        WindowAnswerer ro(kTitle, {IDNO, IDYES});
        bool force = false;
        EXPECT_EQ(FCFileUty::ANSWER_ABORT, FCFileUty::removeTree(W(file), force, nullptr, nullptr, 0));
        ASSERT_EQ(2, ro.answered());
        EXPECT_EQ(file + " は\n読み込み専用です。強制削除を試みますか？", ro.texts()[0]);
        EXPECT_EQ("削除処理を中断しますか？", ro.texts()[1]);
    }
    {
        WindowAnswerer ro(kTitle, {IDNO, IDNO});
        bool force = false;
        EXPECT_EQ(FCFileUty::ANSWER_SKIP, FCFileUty::removeTree(W(file), force, nullptr, nullptr, 0));
        EXPECT_EQ(2, ro.answered());
    }
    EXPECT_TRUE(TempFolder::exists(file));
}

TEST(FCFileUtyRemove, FileInUseOffersRetryAndCancelSkips) {
    TempFolder dir;
    std::string file = dir / "busy.txt";
    TempFolder::writeFile(file, "x");
    FCHandle held(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.valid());
    WindowAnswerer answer(kTitle, {IDRETRY, IDCANCEL});
    EXPECT_FALSE(FCFileUty::remove(W(file), false));
    held.reset();
    ASSERT_EQ(2, answer.answered());
    EXPECT_EQ(file + " は\n他のアプリケーションで利用されているため削除できません。", answer.texts()[0]);
    EXPECT_TRUE(TempFolder::exists(file));
}

// Names that begin with a dot are entries like any other: the folder
// empties without a question.
TEST(FCFileUtyRemove, DotNamesGoLikeAnyOther) {
    TempFolder dir;
    std::string tree = dir / "dotted\\";
    CreateDirectoryA(tree.c_str(), nullptr);
    CreateDirectoryA((tree + ".config").c_str(), nullptr);
    TempFolder::writeFile(tree + ".config\\.a", "a");
    TempFolder::writeFile(tree + ".keep", "k");
    TempFolder::writeFile(tree + "gone.txt", "g");
    g_handlerCalls = 0;
    EXPECT_TRUE(FCFileUty::remove(W(tree), true, nullptr, AbortAlways));  // a question would abort
    EXPECT_EQ(0, g_handlerCalls);
    EXPECT_FALSE(TempFolder::exists(tree));
}

TEST(FCFileUtyRemove, MissingItemAbortsWithItsCode) {
    TempFolder dir;
    std::string missing = dir / "nothing.txt";
    WindowAnswerer answer(kTitle, {IDOK});
    EXPECT_FALSE(FCFileUty::remove(W(missing), false));
    ASSERT_EQ(1, answer.answered());
    EXPECT_EQ(missing + " が\n見つかりません。削除を中断します。error code: 2", answer.texts()[0]);
}

TEST(FCFileUtyRemove, NullPathAndAbortDeepInATree) {
    bool force = false;
    EXPECT_EQ(-1, FCFileUty::removeTree(L"", force, nullptr, nullptr, 0));
    EXPECT_FALSE(FCFileUty::remove(L"", false));
    TempFolder dir;
    std::string tree = dir / "deep\\";
    CreateDirectoryA(tree.c_str(), nullptr);
    CreateDirectoryA((tree + "a\\").c_str(), nullptr);
    TempFolder::writeFile(tree + "a\\x.txt", "x");
    MakeReadOnly(tree + "a\\x.txt");
    TempFolder::writeFile(tree + "a\\y.txt", "y");
    MakeReadOnly(tree + "a\\y.txt");
    g_handlerCalls = 0;
    EXPECT_EQ(FCFileUty::ANSWER_ABORT, FCFileUty::removeTree(W(tree), force, nullptr, AbortAlways, 0));
    EXPECT_EQ(1, g_handlerCalls);  // nothing after the abort was touched
    EXPECT_TRUE(TempFolder::exists(tree + "a\\"));
}

// A folder named without its trailing backslash is taken for a file, and
// deleting a folder as a file is refused with code 5.
TEST(FCFileUtyRemove, FolderWithoutItsSeparatorIsDeniedAsAFile) {
    TempFolder dir;
    std::string folder = dir / "sub";
    CreateDirectoryA(folder.c_str(), nullptr);
    WindowAnswerer answer(kTitle, {IDOK});
    EXPECT_FALSE(FCFileUty::remove(W(folder), false));
    ASSERT_EQ(1, answer.answered());
    EXPECT_EQ(folder + " への\nアクセスが拒否されました。削除を中止します。", answer.texts()[0]);
    EXPECT_TRUE(TempFolder::exists(folder));
}
