// One verdict on a series wherever it is judged: kelpex's start-up and
// kelpack verify accept the same series and refuse the same faults in the
// same terms, and a Run of every accepted series gives back every file.
#include "tests/app/MainDialogHarness.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/cab/FciSeries.h"
#include "tests/support/RunProgram.h"
#include "tests/support/Watchdog.h"
#include <gtest/gtest.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {
typedef std::vector<std::vector<CabinetEntry>> Parts;

std::string Bytes(size_t n, int seed) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>((i * 131 + seed) % 251);
    return s;
}

std::vector<std::string> Names(size_t n) {
    std::vector<std::string> names;
    for (size_t i = 1; i <= n; ++i) names.push_back("data0" + std::to_string(i) + ".cab");
    return names;
}

// Changes the bytes of a part in place.
void Edit(const std::string& path, const std::function<void(std::string&)>& change) {
    std::string bytes = TempFolder::readFile(path);
    change(bytes);
    TempFolder::writeFile(path, bytes);
}

void Put16(std::string& bytes, size_t at, unsigned value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

// The folder index of the entry named name ('\0' after it in the table).
void SetFolder(std::string& bytes, const std::string& name, unsigned folder) {
    Put16(bytes, bytes.find(name + '\0') - 8, folder);
}

enum Writer { EACH, SPANNING, FCI };  // a cabinet each, our continued series, the compression interface

struct Case {
    const char* what;
    Parts parts;  // FCI: every file of the parts, cut where the interface cuts them
    Writer writer;
    int configured;  // parts kelpex.qcf names (FCI: every part the interface wrote)
    std::function<void(const std::string& folder)> spoil;
    const char* shown;  // in kelpex's message at start-up; null: accepted
    const char* printed;  // in kelpack verify's output
};
}  // namespace

TEST(SeriesVerdict, StartUpAndVerifyJudgeEverySeriesAlike) {
    const Parts plain = {{{"a.txt", "first"}, {"sub\\b.bin", Bytes(20000, 1)}}, {{"c.txt", "second"}}};
    const Parts two = {{{"a.txt", "first"}, {"x.bin", Bytes(60000, 2)}}, {{"c.txt", "second"}}};
    const Parts three = {{{"a.txt", "first"}, {"x.bin", Bytes(90000, 3)}}, {}, {{"c.txt", "third"}}};
    const Parts five = {{{"x.bin", Bytes(300000, 4)}}, {}, {}, {}, {{"z.txt", "last"}}};
    auto none = [](const std::string&) {};
    const Case cases[] = {
        {"parts made one at a time", plain, EACH, 2, none, nullptr, "the series is sound"},
        {"a file through two parts", two, SPANNING, 2, none, nullptr, "the series is sound"},
        {"a file through three parts", three, SPANNING, 3, none, nullptr, "the series is sound"},
        {"a file through five parts", five, SPANNING, 5, none, nullptr, "the series is sound"},
        {"the first part alone, its continuation beside it", three, SPANNING, 1, none, nullptr, "the series is sound"},
        {"MSZIP, reserved areas, cut by the compression interface",
         {{{"a.txt", "first"}, {"sub\\x.bin", Incompressible(200000, 2024)}, {"z.txt", "last"}}},
         FCI,
         0,
         none,
         nullptr,
         "the series is sound"},
        {"a missing part", plain, EACH, 2, [](const std::string& f) { DeleteFileA((f + "data02.cab").c_str()); },
         "実行ファイルと同じ場所にdata02.cabが見つかりません。", "data02.cab: missing"},
        {"a continuation beyond the series missing", three, SPANNING, 1,
         [](const std::string& f) { DeleteFileA((f + "data03.cab").c_str()); },
         "実行ファイルと同じ場所のdata01.cabの続きのキャビネットファイルdata03.cabが見つかりません。",
         "data01.cab: continues into data03.cab, which is missing"},
        {"not a cabinet", plain, EACH, 2, [](const std::string& f) { TempFolder::writeFile(f + "data02.cab", "text"); },
         "data02.cabはキャビネットファイルではありません。", "data02.cab: not a cabinet"},
        {"cut short", plain, EACH, 2,
         [](const std::string& f) { Edit(f + "data01.cab", [](std::string& b) { b.resize(b.size() - 1); }); },
         "data01.cabは途中で切れています。", "data01.cab: cut short"},
        {"an entry in no folder", plain, EACH, 2,
         [](const std::string& f) { Edit(f + "data02.cab", [](std::string& b) { SetFolder(b, "c.txt", 7); }); },
         "data02.cabは壊れています。\r存在しないフォルダのファイルがあります：c.txt",
         "data02.cab: damaged: an entry names a folder the cabinet does not have: c.txt"},
        {"a continued entry the part before does not continue", three, SPANNING, 3,
         [](const std::string& f) { Edit(f + "data03.cab", [](std::string& b) { SetFolder(b, "c.txt", 0xFFFD); }); },
         "data03.cabは壊れています。\r前のキャビネットファイルから続いていないファイルがあります：c.txt",
         "data03.cab: damaged: an entry is marked as continued from the previous cabinet"},
        {"a middle part of another set", five, SPANNING, 5,
         [](const std::string& f) { Edit(f + "data03.cab", [](std::string& b) { Put16(b, 32, 99); }); },
         "data03.cabは壊れています。\r前のキャビネットファイルの続きではありません",
         "data03.cab: damaged: it is not the part the one before continues into"},
        {"two names Windows takes for one file",
         {{{"README.txt", "one"}}, {{"readme.TXT", "two"}}},
         EACH,
         2,
         none,
         "Windowsでは同じファイルになる2つの名前があります。\rdata01.cab: README.txt\rdata02.cab: readme.TXT",
         "data01.cab: README.txt and data02.cab: readme.TXT are one file on Windows"},
        {"a next cabinet named as a device", two, SPANNING, 1,
         [](const std::string& f) {
             Edit(f + "data01.cab", [](std::string& b) { b.replace(b.find("data02.cab"), 10, "CON.aa.cab"); });
         },
         "data01.cabの続きのキャビネットファイルの名前CON.aa.cabは、同じフォルダのファイルの名前として使えません。",
         "data01.cab: continues into CON.aa.cab, which is not the name of a file beside it"},
        {"a next cabinet in a folder", two, SPANNING, 1,
         [](const std::string& f) {
             CreateDirectoryA((f + "sub").c_str(), nullptr);
             CopyFileA((f + "data02.cab").c_str(), (f + "sub\\02.cab").c_str(), FALSE);
             Edit(f + "data01.cab", [](std::string& b) { b.replace(b.find("data02.cab"), 10, "sub\\02.cab"); });
         },
         "data01.cabの続きのキャビネットファイルの名前sub\\02.cabは、同じフォルダのファイルの名前として使えません。",
         "data01.cab: continues into sub\\02.cab, which is not the name of a file beside it"},
        {"parts of two builds",
         {{{"a.txt", "a"}}, {{"b.txt", "b"}}, {{"c.txt", "c"}}},
         EACH,
         3,
         [](const std::string& f) { Edit(f + "data03.cab", [](std::string& b) { Put16(b, 34, 2); }); },
         "別々に作られたシリーズのものが混ざっています。\r（セットIDと番号：1234/0, 1234/0, 1234/2）",
         "their set IDs and indexes (1234/0, 1234/0, 1234/2) mix series"},
    };
    for (const Case& c : cases) {
        int configured = c.configured;
        MainDialogHarness h("", {});
        std::string folder = h.folder().path();
        std::vector<std::string> names = Names(c.parts.size());
        if (c.writer == SPANNING) {
            ASSERT_TRUE(WriteSpanningSeries(folder, names, c.parts)) << c.what;
        }
        if (c.writer == EACH) {
            for (size_t i = 0; i < c.parts.size(); ++i) ASSERT_TRUE(WriteCabinet(folder + names[i], c.parts[i]));
        }
        if (c.writer == FCI) {
            std::vector<FciEntry> entries;
            for (const CabinetEntry& e : c.parts[0]) entries.push_back({e.name, e.data});
            configured = static_cast<int>(WriteFciSeries(folder, entries, 60000, true, true, "data0").size());
            ASSERT_GE(configured, 3) << c.what;
        }
        std::string qcf = "fname=data*.cab,2,1," + std::to_string(configured) + ",1\nsize=1\n";
        MainDialogHarness::writeConfiguration(folder + "kelpex.qcf", qcf.c_str());
        c.spoil(folder);
        h.open();
        std::string message = h.text(IDC_MAIN_MESSAGE);
        ProgramResult verify = RunProgram(KELPACK_EXE, "verify \"" + folder.substr(0, folder.size() - 1) + "\"");
        EXPECT_NE(std::string::npos, verify.output.find(c.printed)) << c.what << "\n" << verify.output;
        EXPECT_EQ(c.shown == nullptr ? 0 : 1, verify.exitCode) << c.what << "\n" << verify.output;
        EXPECT_EQ(c.shown == nullptr, h.enabled(IDC_MAIN_RUN)) << c.what << "\n" << message;
        if (c.shown != nullptr) {
            EXPECT_NE(std::string::npos, message.find(c.shown)) << c.what << "\n" << message;
            continue;
        }
        std::string out = folder + "out\\";
        h.type(out);
        CreateDirectoryA(out.c_str(), nullptr);
        {
            Watchdog watchdog(c.what, 30000);
            h.click(IDC_MAIN_RUN);
        }
        EXPECT_EQ(0u, h.text(IDC_MAIN_MESSAGE).find("解凍は正常に終了しました。")) << c.what;
        // Every file that begins in a configured part comes out whole.
        for (size_t i = 0; i < c.parts.size() && i < static_cast<size_t>(configured); ++i)
            for (const CabinetEntry& e : c.parts[i]) EXPECT_EQ(e.data, TempFolder::readFile(out + e.name)) << c.what;
    }
}
