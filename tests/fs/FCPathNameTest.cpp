#include "fs/FCPathName.h"
#include "foundation/WideText.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowAnswerer.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string>
#include <thread>

namespace {
// Sets the current directory for one test and restores it afterwards.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::wstring& path) : saved_(CurrentFolder()) {
        ok_ = SetCurrentDirectoryW(path.c_str()) != 0;
    }
    ~CurrentDirectory() { SetCurrentDirectoryW(saved_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::wstring saved_;
    bool ok_;
};

std::wstring FolderPart(const std::wstring& path, bool keep) {
    FCPathName p(path);
    std::wstring out = L"unchanged";
    p.getFolder(out, keep);
    return out;
}
std::wstring Root(const std::wstring& path) {
    FCPathName p(path);
    std::wstring out;
    p.getRoot(out);
    return out;
}
std::wstring WithSeparator(const std::wstring& text) {
    FCPathName p(FCPathName::PATH_CURRENT);
    p.path = text;
    p.addSeparator();
    return p.path;
}
}  // namespace

// Every operation on the forms a path takes: characters beyond the basic
// plane, control characters, decomposed letters, the long and share forms,
// and a path as long as Windows has. Nothing is cut, narrowed or read as
// anything but what it is.
TEST(FCPathNameQuestions, EveryOperationOnEveryForm) {
    const std::wstring longest = L"C:\\" + std::wstring(31990, L'\u3042') + L"\\x.cab";  // 32,000 units
    struct Case {
        std::wstring path;
        std::wstring folder;  // with its separator
        std::wstring name;
        std::wstring root;
        bool cab;  // has the extension "cab"
    } cases[] = {
        {L"C:\\\U00020BB7\\\U0001F363.cab", L"C:\\\U00020BB7\\", L"\U0001F363.cab", L"C:\\", true},
        {L"C:\\a\u0002b\\c\u0003.txt", L"C:\\a\u0002b\\", L"c\u0003.txt", L"C:\\", false},
        {L"C:\\Cafe\u0301\\e\u0301.CAB", L"C:\\Cafe\u0301\\", L"e\u0301.CAB", L"C:\\", true},
        {L"C:\\\u8868\\\u8868.cab", L"C:\\\u8868\\", L"\u8868.cab", L"C:\\", true},  // 表: 0x5C in Shift_JIS
        {longest, longest.substr(0, longest.size() - 5), L"x.cab", L"C:\\", true},
        {L"\\\\?\\C:\\dir\\data01.cab", L"\\\\?\\C:\\dir\\", L"data01.cab", L"\\\\?\\C:\\", true},
        {L"\\\\server\\share\\dir\\f.cab", L"\\\\server\\share\\dir\\", L"f.cab", L"\\\\server\\share\\", true},
        {L"\\\\?\\UNC\\server\\share\\f", L"\\\\?\\UNC\\server\\share\\", L"f", L"\\\\?\\UNC\\server\\share\\", false},
        {L"C:\\a.cab\\file", L"C:\\a.cab\\", L"file", L"C:\\", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToShiftJis(c.path.substr(0, 60)));
        FCPathName p(c.path);  // an absolute path stays as it is
        EXPECT_EQ(c.path, p.path);
        EXPECT_EQ(c.folder, FolderPart(c.path, true));
        EXPECT_EQ(c.folder.substr(0, c.folder.size() - 1), FolderPart(c.path, false));
        EXPECT_EQ(c.name, std::wstring(p.fileName()));
        EXPECT_EQ(c.root, Root(c.path));
        EXPECT_EQ(c.cab, p.hasExtension(L"cab"));
        EXPECT_EQ(c.path + L"\\", WithSeparator(c.path));
        EXPECT_EQ(c.folder, WithSeparator(c.folder));
        EXPECT_EQ(c.folder, FolderOf(c.path));
        EXPECT_EQ(c.name, NameOf(c.path));
    }
    FCPathName noExtension(L"C:\\a\\b.exe");
    EXPECT_FALSE(noExtension.hasExtension(nullptr));
    EXPECT_EQ(L"\\", WithSeparator(L""));
    EXPECT_EQ(L"\\\\", WithSeparator(L"\\"));
    FCPathName relative(L"C:\\x");
    relative.path = L"file.cab";
    std::wstring out = L"unchanged";
    relative.getFolder(out, true);
    EXPECT_EQ(L"unchanged", out);
}

TEST(FCPathNameCreate, RelativeTextsJoinTheCurrentDirectoryAtAnyLength) {
    TempFolder work;
    // A current folder outside Shift_JIS, and one deeper than 260 units.
    std::wstring jose = work.widePath() + L"Jos\u00E9 \U0001F363";
    ASSERT_TRUE(CreateDirectoryW(jose.c_str(), nullptr));
    std::wstring deep = jose;
    while (deep.size() < 300) {
        deep += L"\\" + std::wstring(60, L'd');
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    for (const std::wstring& folder : {jose, deep}) {
        CurrentDirectory cd(folder);
        if (!cd.ok()) continue;  // a current folder that deep is Windows' own choice to refuse
        std::wstring here = folder + L"\\";
        EXPECT_EQ(here, FCPathName().path);
        EXPECT_EQ(here, CurrentFolder());
        EXPECT_EQ(here + L"sub\\file", FCPathName(L"sub\\file").path);
        EXPECT_EQ(here, FCPathName(L"").path);
        EXPECT_EQ(here, FCPathName(static_cast<const wchar_t*>(nullptr)).path);
        EXPECT_EQ(here + std::wstring(600, L'r'), AbsolutePath(std::wstring(600, L'r')));
        FCPathName joined(FCPathName::PATH_CURRENT), tail(L"x");
        tail.path = L"tail";
        joined.create(tail);
        EXPECT_EQ(here + L"tail", joined.path);
    }
}

// Every form a user or a script gives is resolved as Windows resolves it,
// never joined to the current folder where Windows would not join it.
TEST(FCPathNameCreate, EveryFormResolvesAsWindowsResolvesIt) {
    TempFolder work;
    std::wstring here = work.widePath() + L"cur \u00E9";
    ASSERT_TRUE(CreateDirectoryW(here.c_str(), nullptr));
    CurrentDirectory cd(here);
    ASSERT_TRUE(cd.ok());
    std::wstring drive = here.substr(0, 2);  // the current drive, "C:"
    wchar_t volume[64] = L"";
    ASSERT_TRUE(GetVolumeNameForVolumeMountPointW((drive + L"\\").c_str(), volume, 64));
    std::wstring volumeName = volume;  // "\\?\Volume{...}\"
    struct {
        std::wstring given, resolved;
    } cases[] = {
        {L"sub\\x", here + L"\\sub\\x"},
        {L"\\Games\\Soft", drive + L"\\Games\\Soft"},
        {L"/Games", drive + L"\\Games"},
        {drive + L"x\\y", here + L"\\x\\y"},  // that drive's current folder is this one
        {drive + L"\\x", drive + L"\\x"},
        {L"\\\\?\\" + drive + L"\\x", drive + L"\\x"},
        {L"\\\\.\\" + drive + L"\\x", drive + L"\\x"},
        {L"\\\\?\\UNC\\server\\share\\x", L"\\\\server\\share\\x"},
        {L"\\\\server\\share\\x", L"\\\\server\\share\\x"},
        {volumeName + L"Games", drive + L"\\Games"},
        // A device's path that names no drive stays as it is: never relative.
        {L"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\x",
         L"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\x"},
        {L"\\\\.\\pipe\\x", L"\\\\.\\pipe\\x"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.resolved, AbsolutePath(c.given)) << ToShiftJis(c.given.c_str());
}

TEST(FCPathNameCreate, CdromTextTakesTheFirstCdromDriveOrNone) {
    std::wstring text = FCPathName(L"%:\\setup").path;
    ASSERT_GE(text.size(), 6u);
    EXPECT_EQ(L"\\setup", text.substr(text.size() - 6));
    std::wstring drive = text.substr(0, text.size() - 6);
    ASSERT_TRUE(drive.empty() || (drive.size() == 2 && drive[1] == L':'));
    EXPECT_EQ(drive, FCPathName::cdromDrive());
    wchar_t end = drive.empty() ? L'Z' + 1 : drive[0];
    for (wchar_t letter = L'A'; letter < end; ++letter) {
        wchar_t root[4] = {letter, L':', L'\\', L'\0'};
        EXPECT_NE(static_cast<UINT>(DRIVE_CDROM), GetDriveTypeW(root)) << static_cast<char>(letter);
    }
    if (!drive.empty()) {
        EXPECT_EQ(static_cast<UINT>(DRIVE_CDROM), GetDriveTypeW((drive + L"\\").c_str()));
    }
}

TEST(FCPathNameSpecial, ModuleWindowsSystemTempAndShellFolders) {
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring file = module, folder = FolderOf(file);
    EXPECT_EQ(file, FCPathName(FCPathName::PATH_MODULE_FILE).path);
    EXPECT_EQ(file, ModulePath());
    EXPECT_EQ(folder, FCPathName(FCPathName::PATH_MODULE_FOLDER).path);
    EXPECT_EQ(folder.substr(0, folder.size() - 1), FCPathName(FCPathName::PATH_MODULE_FOLDER, false).path);
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(std::wstring(windows), SystemFolder(FCPathName::PATH_WINDOWS));
    EXPECT_EQ(std::wstring(windows), FCPathName(FCPathName::PATH_WINDOWS, false).path);
    EXPECT_EQ(std::wstring(windows) + L"\\", FCPathName(FCPathName::PATH_WINDOWS).path);
    EXPECT_EQ(L'\\', FCPathName(FCPathName::PATH_TEMP).path.back());
    EXPECT_NE(std::wstring::npos, FCPathName(FCPathName::PATH_SYSTEM, false).path.find(L"system32"));
    EXPECT_EQ(CurrentFolder(), FCPathName(30590).path);
    wchar_t programs[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, programs, CSIDL_PROGRAM_FILES, FALSE));
    EXPECT_EQ(std::wstring(programs), FCPathName(CSIDL_PROGRAM_FILES, false).path);
    for (int empty : {static_cast<int>(CSIDL_DRIVES), 1000, 15})  // virtual, unknown, excluded
        EXPECT_EQ(L"", FCPathName(empty).path) << empty;
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
