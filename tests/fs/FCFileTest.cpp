#include "foundation/Diagnostic.h"
#include "foundation/FCHandle.h"
#include "fs/FCFile.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowAnswerer.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string>

namespace {
const DWORD kRead = GENERIC_READ;

// A shortcut file made through the shell's own link object.
bool MakeShortcut(const std::string& link, const std::string& target) {
    CoInitialize(nullptr);
    IShellLinkA* shell = nullptr;
    bool ok = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shell)))) {
        shell->SetPath(target.c_str());
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
            ok = SUCCEEDED(file->Save(wide, TRUE));
            file->Release();
        }
        shell->Release();
    }
    CoUninitialize();
    return ok;
}

// A handle that is held open with no sharing for as long as the object lives.
class ExclusiveOpen {
public:
    explicit ExclusiveOpen(const std::string& path)
        : h_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    bool ok() const { return h_.valid(); }

private:
    FCHandle h_;
};
}  // namespace

TEST(FCFileOpen, MissingFileAsksAndRetryRepeatsThenCancelThrows) {
    TempFolder dir;
    std::string path = dir / "missing.bin";
    FCFile file;
    WindowAnswerer answer("FCFile - open", {IDRETRY, IDCANCEL});
    try {
        file.open(W(path), OPEN_EXISTING, kRead, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, false);
        ADD_FAILURE() << "no exception";
    } catch (const CannotOpenException& e) {
        EXPECT_STREQ("cannot open", e.getCaption());
        EXPECT_EQ(W(path), e.getWideMessage());
    }
    ASSERT_EQ(2, answer.answered());
    EXPECT_EQ(path + "が\n見付かりません", answer.texts()[0]);
    EXPECT_EQ(answer.texts()[0], answer.texts()[1]);
    EXPECT_FALSE(file.isOpen());
}

TEST(FCFileOpen, RetrySucceedsOnceTheFileIsThere) {
    TempFolder dir;
    std::string path = dir / "late.txt";
    FCFile file;
    WindowAnswerer answer("FCFile - open", {IDRETRY}, [&](size_t) { TempFolder::writeFile(path, "late"); });
    EXPECT_EQ(0u, file.open(W(path), OPEN_EXISTING, kRead, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, false));
    EXPECT_EQ(1, answer.answered());
    char buffer[8] = "";
    EXPECT_EQ(4u, file.read(buffer, sizeof buffer));
    EXPECT_EQ(W(path), file.openedName);
    file.close();
    EXPECT_EQ(L"", file.openedName);
    file.close();
}

TEST(FCFileOpen, MissingFolderAndSharingViolationTexts) {
    TempFolder dir;
    std::string deep = dir / "no\\such.txt";
    WindowAnswerer answer("FCFile - open", {IDCANCEL, IDCANCEL});
    FCFile file;
    EXPECT_THROW(file.open(W(deep), OPEN_EXISTING, kRead, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, false),
                 CannotOpenException);
    std::string busy = dir / "busy.txt";
    TempFolder::writeFile(busy, "x");
    ExclusiveOpen holder(busy);
    ASSERT_TRUE(holder.ok());
    EXPECT_THROW(file.open(W(busy), OPEN_EXISTING, kRead, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, false),
                 CannotOpenException);
    ASSERT_EQ(2, answer.answered());
    EXPECT_EQ(deep + "で\n指定されたパスが見付かりません", answer.texts()[0]);
    EXPECT_EQ(busy + "は\n他のアプリケーションによって開かれています", answer.texts()[1]);
}

TEST(FCFileOpen, QuietOpenReturnsTheCodeWithoutABox) {
    TempFolder dir;
    FCFile file;
    std::string missing = dir / "none\\x";
    EXPECT_EQ(3u, file.open(W(missing), OPEN_EXISTING, kRead, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, true));
    EXPECT_FALSE(file.handle.valid());
    if (!TempFolder::driveExists('R')) GTEST_SKIP() << "no read-only test drive R:";
    EXPECT_EQ(5u,
              file.open(W("R:\\probe.tmp"), OPEN_ALWAYS, GENERIC_WRITE, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, true));
    EXPECT_FALSE(file.handle.valid());
    EXPECT_FALSE(TempFolder::exists("R:\\probe.tmp"));
}

TEST(FCFilePosition, SeekRemainingBytesAndTruncate) {
    TempFolder dir;
    std::string path = dir / "ten.bin";
    TempFolder::writeFile(path, "0123456789");
    FCFile file;
    EXPECT_EQ(-1, file.seek(0, FILE_BEGIN));  // nothing open
    EXPECT_FALSE(file.truncate());
    ASSERT_EQ(0u, file.open(W(path), OPEN_EXISTING, GENERIC_READ | GENERIC_WRITE, 0, FILE_ATTRIBUTE_NORMAL, true));
    char three[3];
    EXPECT_EQ(3u, file.read(three, 3));
    EXPECT_EQ(7, file.remainingBytes());
    EXPECT_EQ(3, file.seek(0, FILE_CURRENT));  // the pointer stayed
    EXPECT_EQ(5, file.seek(5, FILE_BEGIN));
    EXPECT_TRUE(file.truncate());
    file.close();
    EXPECT_EQ("01234", TempFolder::readFile(path));
}

TEST(FCFileOpen, AccessDeniedOnAReadOnlyDrive) {
    if (!TempFolder::driveExists('R')) GTEST_SKIP() << "no read-only test drive R:";
    FCFile file;
    WindowAnswerer answer("FCFile - open", {IDCANCEL});
    EXPECT_THROW(file.open(W("R:\\readonly.txt"), OPEN_ALWAYS, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                           FILE_ATTRIBUTE_NORMAL, false),
                 CannotOpenException);
    ASSERT_EQ(1, answer.answered());
    EXPECT_EQ("R:\\readonly.txt\nアクセスが拒否されました", answer.texts()[0]);
}

TEST(FCFileOpen, UnknownCodesAreNamed) {
    FCString text("p");
    FCFile::appendOpenSuffix(text, 1234);
    EXPECT_STREQ("p\n未知のエラーです code:1234", text.text());
    FCString net("\\\\srv\\x");
    FCFile::appendOpenSuffix(net, ERROR_BAD_NET_NAME);
    EXPECT_STREQ("\\\\srv\\xネットワークドライブにアクセスできません", net.text());
}

TEST(FCFileReadWrite, FailuresAskAndCancelThrowsNamingTheFile) {
    TempFolder dir;
    std::string path = dir / "data.bin";
    TempFolder::writeFile(path, "0123456789");
    FCFile writeOnly;
    ASSERT_EQ(0u, writeOnly.open(W(path), OPEN_EXISTING, GENERIC_WRITE, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, false));
    FCFile readOnly;
    ASSERT_EQ(0u, readOnly.open(W(path), OPEN_EXISTING, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                FILE_ATTRIBUTE_NORMAL, false));
    char buffer[4];
    {
        WindowAnswerer answer("FCFile - read", {IDRETRY, IDCANCEL});
        try {
            writeOnly.read(buffer, sizeof buffer);
            ADD_FAILURE() << "no exception";
        } catch (const CannotReadException& e) {
            EXPECT_STREQ("cannot read", e.getCaption());
            EXPECT_EQ(W(path), e.getWideMessage());
        }
        ASSERT_EQ(2, answer.answered());
        EXPECT_EQ(path + "への\nアクセスは拒否されました。", answer.texts()[0]);
    }
    {
        WindowAnswerer answer("FCFile - write", {IDCANCEL});
        EXPECT_THROW(readOnly.write("ab", 2), CannotWriteException);
        ASSERT_EQ(1, answer.answered());
        EXPECT_EQ(path + "は\n読み込み専用で開かれています", answer.texts()[0]);
    }
}

TEST(FCFileReadWrite, UnlistedReadFailureShowsCodeAndHandle) {
    FCString text("f");
    FCFile::appendReadSuffix(text, 6, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(4660)));
    EXPECT_STREQ("f読み込みできません\nError code : 6\nFile handle : 4660", text.text());
    FCString write("f");
    FCFile::appendWriteSuffix(write, 112);
    EXPECT_STREQ("f書き込みできません\nError code : 112", write.text());
    FCString lock("f");
    FCFile::appendWriteSuffix(lock, ERROR_LOCK_VIOLATION);
    EXPECT_STREQ("fは\n他のプロセスがファイルをロックしています", lock.text());
}

TEST(FCFileShortcut, LinkOpensItsTargetInAnyLetterCase) {
    TempFolder dir;
    std::string target = dir / "target.txt";
    TempFolder::writeFile(target, "target bytes");
    std::string link = dir / "app.LNK";
    ASSERT_TRUE(MakeShortcut(link, target));
    FCFile file;
    ASSERT_EQ(0u, file.open(W(link), OPEN_EXISTING, kRead, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, false));
    EXPECT_EQ(0, _wcsicmp(W(target).c_str(), file.openedName.c_str()));
    char buffer[32] = "";
    EXPECT_EQ(12u, file.read(buffer, sizeof buffer - 1));
    EXPECT_STREQ("target bytes", buffer);
}

TEST(FCFileShortcut, BrokenLinkOpensTheShortcutFileItself) {
    TempFolder dir;
    std::string link = dir / "broken.lnk";
    TempFolder::writeFile(link, "not a shell link");
    FCFile file;
    ASSERT_EQ(0u, file.open(W(link), OPEN_EXISTING, kRead, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, false));
    EXPECT_EQ(W(link), file.openedName);
    char buffer[32] = "";
    EXPECT_EQ(16u, file.read(buffer, sizeof buffer - 1));
}

TEST(FCFileAttributes, ExistenceAndAttributeTests) {
    TempFolder dir;
    std::string file = dir / "f.txt";
    TempFolder::writeFile(file, "x");
    DWORD attributes = 0;
    EXPECT_TRUE(pathExists(W(dir.path()), &attributes));
    EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(hasAnyAttribute(W(dir.path()), FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(hasAnyAttribute(W(file), FILE_ATTRIBUTE_DIRECTORY));
    std::string missing = dir / "missing";
    EXPECT_FALSE(pathExists(W(missing)));
    EXPECT_FALSE(hasAnyAttribute(W(missing), FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(pathExists(L""));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_TRUE(hasAllAttributes(W(file), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_FALSE(hasAllAttributes(W(file), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(clearAttributes(W(file), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(hasAnyAttribute(W(file), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(clearAttributes(W(file), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(pathExists(W("Q:\\x")));
    EXPECT_FALSE(pathExists(W("\\\\server\\share\\file")));
}
