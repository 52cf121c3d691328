#include "kelpex_version.h"
#include "res/MainDialogIds.h"
#include "tests/app/StartedKelpex.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WindowAnswerer.h"
#include "foundation/FCHandle.h"
#include <gtest/gtest.h>
#include <string>

namespace {
HWND WindowOf(DWORD pid, const char* title, DWORD timeoutMs) {
    return WindowAnswerer::waitForProcessWindow(pid, title, timeoutMs);
}

}  // namespace

TEST(Program, OnlyOneInstanceAtATime) {
    TempFolder first, second;
    StartedKelpex one(first, "");
    ASSERT_TRUE(one.started());
    HWND window = WindowOf(one.pid(), "複数cab展開ツール", 30000);
    ASSERT_NE(nullptr, window);
    {
        StartedKelpex two(second, "");
        ASSERT_TRUE(two.started());
        // Until it ends, the second instance must never show a window.
        bool shown = false;
        WindowAnswerer::waitUntil(
            [&] {
                shown = shown || WindowOf(two.pid(), nullptr, 0) != nullptr;
                return shown || two.exited();
            },
            30000);
        EXPECT_FALSE(shown);
        EXPECT_EQ(0u, two.waitExit(30000));
    }
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), 0);
    EXPECT_EQ(0u, one.waitExit(30000));
    StartedKelpex again(second, "");
    HWND next = WindowOf(again.pid(), "複数cab展開ツール", 30000);
    ASSERT_NE(nullptr, next);
    PostMessageA(next, WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), 0);
    EXPECT_EQ(0u, again.waitExit(30000));
}

namespace {
struct FIND_BOX_ {
    DWORD pid;
    HWND main;
    HWND found;
    std::string text;
};

// A message box of the process other than the main window: the one whose
// text holds `wanted`, or any other, which is answered Yes.
BOOL CALLBACK FindBox(HWND window, LPARAM context) {
    FIND_BOX_* find = reinterpret_cast<FIND_BOX_*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (pid != find->pid || window == find->main || !IsWindowVisible(window) || lstrcmpA(name, "#32770") != 0)
        return TRUE;
    std::string text = WindowAnswerer::messageBoxText(window);
    if (text.find(find->text) != std::string::npos) {
        find->found = window;
        find->text = text;
        return FALSE;
    }
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    return TRUE;
}
}  // namespace

// A folder whose data is not what it declares brings the platform's reader
// down with the process: the user still gets a message of ours, owned by no
// window, naming the cabinet, never the system's crash report; what was
// written before stays.
TEST(Program, AFaultInThePlatformsReaderEndsWithAMessageOfOursNamingTheCabinet) {
    TempFolder folder;
    ASSERT_TRUE(WriteMisdeclaredFolderCabinet(folder / "data.cab"));
    TempFolder::writeFile(folder / "kelpex.qcf", "fname=data.cab\nsize=1\n");
    std::string out = folder / "out\\";
    CreateDirectoryA(out.c_str(), nullptr);
    StartedKelpex program(folder, "");
    ASSERT_TRUE(program.started());
    HWND main = WindowOf(program.pid(), "一括解凍", 30000);  // the caption a configuration gives by default
    ASSERT_NE(nullptr, main);
    SendMessageA(GetDlgItem(main, IDC_MAIN_DESTINATION_EDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(out.c_str()));
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_MAIN_RUN, BN_CLICKED), 0);
    // The 64-bit reader fails on this cabinet without a fault: the Run
    // fails as after any error.
    const bool faults = sizeof(void*) == 4;
    FIND_BOX_ find = {program.pid(), main, nullptr, "キャビネットファイルを読み込んでいる途中で問題が起きた"};
    auto outcome = [&] {
        char text[2048] = "";
        // Sent: GetWindowText reads another process's window's caption only.
        SendMessageA(GetDlgItem(main, IDC_MAIN_MESSAGE), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    ASSERT_TRUE(WindowAnswerer::waitUntil(
        [&] {
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&find));
            return find.found != nullptr || (!faults && outcome().find("解凍中にエラー") != std::string::npos);
        },
        30000));
    if (faults) {
        EXPECT_EQ("キャビネットファイルを読み込んでいる途中で問題が起きたため、解凍を続けられません。\n[" +
                      folder / "data.cab" +
                      "]\nキャビネットファイルが壊れている可能性があります。それまでに展開したファイルはそのまま残って"
                      "います。\n（例外 0xC0000005）",
                  find.text);
        EXPECT_EQ(nullptr, GetWindow(find.found, GW_OWNER));
        PostMessageA(find.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        DWORD code = program.waitExit(30000);
        EXPECT_NE(0u, code);
        EXPECT_NE(static_cast<DWORD>(STILL_ACTIVE), code);
    } else {
        EXPECT_NE(std::string::npos, outcome().find("ファイルが正しく展開されませんでした [" + out + "b.txt]"));
    }
    EXPECT_EQ(1000u, TempFolder::readFile(out + "a.bin").size());
}

TEST(Program, AFailureTheUserGaveUpOnIsShownAndTheExitCodeIsZero) {
    TempFolder folder;
    std::string qcf = folder / "kelpex.qcf";
    TempFolder::writeFile(qcf, "fname=a*.cab,0,1,0,1\n");
    FCHandle held(CreateFileA(qcf.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.valid());
    StartedKelpex program(folder, "");
    ASSERT_TRUE(program.started());
    HWND box = WindowOf(program.pid(), "FCFile - open", 30000);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(qcf + "は\n他のアプリケーションによって開かれています", WindowAnswerer::messageBoxText(box));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    HWND shown = WindowOf(program.pid(), "cannot open", 30000);
    held.reset();
    ASSERT_NE(nullptr, shown);
    EXPECT_EQ(qcf, WindowAnswerer::messageBoxText(shown));
    PostMessageA(shown, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(0u, program.waitExit(30000));
    EXPECT_EQ("fname=a*.cab,0,1,0,1\n", TempFolder::readFile(qcf));  // never written back
}

namespace {
std::string ResourceText(HMODULE module, LPCSTR name, LPCSTR type) {
    HRSRC found = FindResourceA(module, name, type);
    if (found == nullptr) return "";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return bytes != nullptr ? std::string(bytes, SizeofResource(module, found)) : "";
}

std::string VersionValue(const std::string& exe, const std::string& key) {
    DWORD ignored = 0, size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    std::string block(size, '\0');
    if (size == 0 || !GetFileVersionInfoA(exe.c_str(), 0, size, &block[0])) return "<none>";
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(&block[0], key.c_str(), reinterpret_cast<void**>(&value), &length) || value == nullptr)
        return "<none>";
    return value;
}
}  // namespace

TEST(Program, ShipsItsManifestAndVersionInBothLanguages) {
    std::string exe = WindowsPath(KELPEX_EXE);
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    std::string manifest = ResourceText(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    FreeLibrary(module);
    for (const char* part :
         {"<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, PerMonitor<",
          ">true/pm</dpiAware>", "SMI/2016/WindowsSettings\">true</longPathAware>",
          "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "level=\"asInvoker\"",
          "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
          sizeof(void*) == 4 ? "processorArchitecture=\"x86\"" : "processorArchitecture=\"amd64\""})
        EXPECT_NE(std::string::npos, manifest.find(part)) << part;
    struct Program_ {
        std::string exe, name, japanese;
    } programs[] = {{exe, "kelpex.exe", "複数cab展開ツール"},
                    {WindowsPath(KELPACK_EXE), "kelpack.exe", "kelpex 用キャビネット作成・検査ツール"},
                    {WindowsPath(QCFSCRAMBLE_EXE), "qcfscramble.exe", "kelpex.qcf スクランブル・ツール"}};
    for (const Program_& p : programs) {
        EXPECT_EQ(p.japanese, VersionValue(p.exe, "\\StringFileInfo\\041104B0\\FileDescription")) << p.name;
        EXPECT_EQ(p.name, VersionValue(p.exe, "\\StringFileInfo\\040904B0\\OriginalFilename")) << p.name;
        EXPECT_EQ(KELPEX_VERSION_TEXT, VersionValue(p.exe, "\\StringFileInfo\\040904B0\\ProductVersion")) << p.name;
        EXPECT_EQ("kelpex", VersionValue(p.exe, "\\StringFileInfo\\041104B0\\ProductName")) << p.name;
    }
}
