#include "fs/FCPathName.h"
#include "foundation/WideText.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowAnswerer.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <cstring>
#include <string>
#include <thread>

namespace {
// Sets the current directory for one test and restores it afterwards.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& path) {
        GetCurrentDirectoryA(sizeof saved_, saved_);
        ok_ = SetCurrentDirectoryA(path.c_str()) != 0;
    }
    ~CurrentDirectory() { SetCurrentDirectoryA(saved_); }
    bool ok() const { return ok_; }

private:
    char saved_[MAX_PATH] = "";
    bool ok_;
};

std::string Text(FCPathName& p) { return p.text(); }
std::string Current() {
    char buffer[MAX_PATH];
    GetCurrentDirectoryA(sizeof buffer, buffer);
    std::string s = buffer;
    if (s.back() != '\\') s += '\\';
    return s;
}
std::string FolderOf(const char* path, bool keep) {
    FCPathName p(path);
    FCString out("unchanged");
    p.getFolder(out, keep);
    return out.text();
}
bool HasExtension(const char* path, const char* ext) {
    FCPathName p(path);
    return p.hasExtension(ext);
}
std::string Root(const char* path) {
    FCPathName p(path);
    FCString out;
    p.getRoot(out);
    return out.text();
}
std::string WithSeparator(const char* text) {
    FCPathName p(FCPathName::PATH_CURRENT);
    p.path.assignFrom(text);
    p.addSeparator();
    return p.text();
}
}  // namespace

TEST(FCPathNameCreate, AbsoluteTextsStayAndRelativeOnesJoinTheCurrentDirectory) {
    TempFolder work;
    CurrentDirectory cd(work.path());
    ASSERT_TRUE(cd.ok());
    FCPathName a("C:\\dir");
    EXPECT_EQ("C:\\dir", Text(a));
    FCPathName unc("\\\\srv\\share\\x");
    EXPECT_EQ("\\\\srv\\share\\x", Text(unc));
    FCPathName rel("sub\\file");
    EXPECT_EQ(work.path() + "sub\\file", Text(rel));
    FCPathName empty("");
    EXPECT_EQ(work.path(), Text(empty));
    FCPathName single("\\lead");
    EXPECT_EQ(work.path() + "\\lead", Text(single));
    FCPathName none(static_cast<const char*>(nullptr));
    EXPECT_EQ(work.path(), Text(none));
    FCPathName joined(FCPathName::PATH_CURRENT);
    FCPathName relative("x");
    relative.path.assignFrom("tail");
    joined.create(relative);
    EXPECT_EQ(work.path() + "tail", Text(joined));
}

TEST(FCPathNameCreate, CurrentDirectoryGetsExactlyOneSeparator) {
    {
        CurrentDirectory cd("C:\\");
        FCPathName p;
        EXPECT_EQ("C:\\", Text(p));
    }
    TempFolder work;
    std::string kanji = work / "表";  // ends in the trail byte 0x5C
    ASSERT_TRUE(CreateDirectoryA(kanji.c_str(), nullptr));
    CurrentDirectory cd(kanji);
    ASSERT_TRUE(cd.ok());
    FCPathName p;
    EXPECT_EQ(kanji + "\\", Text(p));
    // A folder Shift_JIS cannot hold keeps its characters: the path names
    // the folder, and a name joined to it reaches the platform whole.
    std::wstring jose = work.widePath() + L"Jos\u00E9 \U0001F363";
    ASSERT_TRUE(CreateDirectoryW(jose.c_str(), nullptr));
    ASSERT_TRUE(SetCurrentDirectoryW(jose.c_str()));
    FCPathName here, file("inside.txt");
    EXPECT_EQ(jose + L"\\", std::wstring(Wide932(here.text()).data()));
    EXPECT_EQ(jose + L"\\inside.txt", std::wstring(Wide932(file.text()).data()));
    SetCurrentDirectoryA(kanji.c_str());
}

TEST(FCPathNameCreate, CdromTextTakesTheFirstCdromDriveOrNone) {
    FCPathName p("%:\\setup");
    std::string text = Text(p);
    ASSERT_GE(text.size(), 6u);
    EXPECT_EQ("\\setup", text.substr(text.size() - 6));
    std::string drive = text.substr(0, text.size() - 6);
    ASSERT_TRUE(drive.empty() || (drive.size() == 2 && drive[1] == ':')) << drive;
    char end = drive.empty() ? 'Z' + 1 : drive[0];
    for (char letter = 'A'; letter < end; ++letter) {
        char root[4] = {letter, ':', '\\', '\0'};
        EXPECT_NE(static_cast<UINT>(DRIVE_CDROM), GetDriveTypeA(root)) << root;
    }
    if (!drive.empty()) {
        EXPECT_EQ(static_cast<UINT>(DRIVE_CDROM), GetDriveTypeA((drive + "\\").c_str()));
    }
}

TEST(FCPathNameCreate, LongTextsNeverOverflow) {
    for (int n : {259, 260, 261, 600}) {
        std::string text = "C:\\" + std::string(static_cast<size_t>(n - 3), 'a');
        FCPathName p(text.c_str());
        EXPECT_EQ(text, Text(p));
        p.addSeparator();
        EXPECT_EQ(static_cast<size_t>(n + 1), std::string(p.text()).size());
        FCString folder;
        p.getFolder(folder, false);
        EXPECT_EQ(text, folder.text());
    }
    std::string relative(600, 'r');
    FCPathName p(relative.c_str());
    EXPECT_EQ(Current() + relative, Text(p));
}

TEST(FCPathNameSpecial, ModuleWindowsSystemAndTemp) {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof module);
    std::string file = module;
    std::string folder = file.substr(0, file.rfind('\\') + 1);
    FCPathName f(FCPathName::PATH_MODULE_FILE);
    EXPECT_EQ(file, Text(f));
    FCPathName d(FCPathName::PATH_MODULE_FOLDER);
    EXPECT_EQ(folder, Text(d));
    FCPathName d0(FCPathName::PATH_MODULE_FOLDER, false);
    EXPECT_EQ(folder.substr(0, folder.size() - 1), Text(d0));
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    EXPECT_EQ(std::wstring(Wide932(windows).data()), SystemFolder(FCPathName::PATH_WINDOWS));
    FCPathName w(FCPathName::PATH_WINDOWS, false);
    EXPECT_EQ(std::string(windows), Text(w));
    FCPathName ws(FCPathName::PATH_WINDOWS);
    EXPECT_EQ(std::string(windows) + "\\", Text(ws));
    FCPathName t(FCPathName::PATH_TEMP);
    EXPECT_EQ('\\', std::string(t.text()).back());
    FCPathName s(FCPathName::PATH_SYSTEM, false);
    EXPECT_NE(std::string::npos, std::string(s.text()).find("system32"));
    FCPathName c(30590);
    EXPECT_EQ(Current(), Text(c));
}

TEST(FCPathNameSpecial, ShellFoldersAndCodesThatLeaveThePathEmpty) {
    FCPathName programs(CSIDL_PROGRAM_FILES, false);
    char expected[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, expected, CSIDL_PROGRAM_FILES, FALSE));
    EXPECT_EQ(std::string(expected), Text(programs));
    FCPathName drives(CSIDL_DRIVES);  // virtual: no file-system path
    EXPECT_EQ("", Text(drives));
    FCPathName unknown(1000);
    EXPECT_EQ("", Text(unknown));
    FCPathName excluded(15);
    EXPECT_EQ("", Text(excluded));
}

TEST(FCPathNameQuestions, SeparatorsByWholeCharacters) {
    EXPECT_EQ("C:\\dir\\", WithSeparator("C:\\dir"));
    EXPECT_EQ("C:\\dir\\", WithSeparator("C:\\dir\\"));
    EXPECT_EQ("C:\\表\\", WithSeparator("C:\\表"));
    EXPECT_EQ("C:\\ソ\\", WithSeparator("C:\\ソ"));
    EXPECT_EQ("\\", WithSeparator(""));
    EXPECT_EQ("\\\\", WithSeparator("\\"));
}

TEST(FCPathNameQuestions, FolderFileNameAndExtension) {
    EXPECT_EQ("C:\\dir\\", FolderOf("C:\\dir\\file.cab", true));
    EXPECT_EQ("C:\\dir", FolderOf("C:\\dir\\file.cab", false));
    EXPECT_EQ("C:\\能", FolderOf("C:\\能\\file.cab", false));
    FCPathName relative("C:\\x");
    relative.path.assignFrom("file.cab");
    FCString out("unchanged");
    relative.getFolder(out, true);
    EXPECT_STREQ("unchanged", out.text());
    FCPathName name("C:\\dir\\表.cab");
    EXPECT_STREQ("表.cab", name.fileName());
    EXPECT_TRUE(HasExtension("C:\\a\\SETUP.EXE", "exe"));
    EXPECT_TRUE(HasExtension("C:\\a\\b.exe", "EXE"));
    EXPECT_FALSE(HasExtension("C:\\a.b\\file", "b"));
    EXPECT_FALSE(HasExtension("C:\\a\\", "exe"));
    EXPECT_FALSE(HasExtension("C:\\a\\b.exe", nullptr));
    FCPathName bare("C:\\x");
    bare.path.assignFrom("setup.exe");
    EXPECT_FALSE(bare.hasExtension("exe"));
}

TEST(FCPathNameQuestions, RootsOfDrivesAndShares) {
    EXPECT_EQ("D:\\", Root("D:\\out\\x"));
    EXPECT_EQ("\\\\srv\\share\\", Root("\\\\srv\\share\\dir"));
    EXPECT_EQ("\\\\srv\\share", Root("\\\\srv\\share"));
    FCPathName dbcs("D:\\x");
    dbcs.path.assignFrom("表\\x");
    FCString out;
    dbcs.getRoot(out);
    EXPECT_STREQ(":\\", out.text());  // a lead byte first gives no drive letter
}

TEST(FCPathNameBrowse, InitialSelectionOnlyWhenItFits) {
    wchar_t buffer[FCPathName::BROWSE_BUFFER + 8];
    std::fill(buffer, buffer + FCPathName::BROWSE_BUFFER + 8, L'x');
    // Units are counted, not Shift_JIS bytes: 520 Hangul syllables fit.
    std::wstring fits(520, L'\uAC8C');
    EXPECT_TRUE(FCPathName::prepareBrowseBuffer(buffer, fits));
    EXPECT_EQ(fits, std::wstring(buffer));
    EXPECT_EQ(L'\0', buffer[521]);
    EXPECT_EQ(L'x', buffer[FCPathName::BROWSE_BUFFER]);  // nothing beyond the 522 units
    std::wstring tooLong(521, L'b');
    EXPECT_FALSE(FCPathName::prepareBrowseBuffer(buffer, tooLong));
    EXPECT_EQ(L'\0', buffer[0]);
    EXPECT_EQ(L'\0', buffer[521]);
}

TEST(FCPathNameBrowse, RealBrowserReturnsTheChosenFolderWithASeparator) {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::thread press([] {
        HWND browser = WindowAnswerer::waitForWindow("フォルダーの参照", 20000);
        if (browser != nullptr) {
            // The selection is set from BFFM_INITIALIZED; give the tree time to show it.
            WindowAnswerer::waitUntil([&] { return IsWindowEnabled(GetDlgItem(browser, IDOK)) != FALSE; }, 5000);
            SendMessageA(GetDlgItem(browser, IDOK), BM_CLICK, 0, 0);
        }
    });
    std::wstring p;
    bool chosen =
        BrowseForFolder(nullptr, CSIDL_DRIVES, "インストールフォルダの選択", BIF_RETURNONLYFSDIRS, windows, p);
    press.join();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(std::wstring(windows) + L"\\", p);

    std::thread cancel([] {
        HWND browser = WindowAnswerer::waitForWindow("フォルダーの参照", 20000);
        if (browser != nullptr) SendMessageA(GetDlgItem(browser, IDCANCEL), BM_CLICK, 0, 0);
    });
    std::wstring q = L"C:\\before";
    EXPECT_FALSE(BrowseForFolder(nullptr, CSIDL_DRIVES, "title", BIF_RETURNONLYFSDIRS, windows, q));
    cancel.join();
    EXPECT_EQ(L"C:\\before", q);
}
