#include "fs/PathCompare.h"
#include "foundation/WideText.h"
#include <gtest/gtest.h>

// Folding must follow the file system: letters match without case, full-
// width ones too, and a double-byte character is never folded by its trail
// byte (ア is 83 41, ャ is 83 61, ｱ is the single byte B1).
TEST(PathSet, FindsWhatTheFileSystemWouldTakeForTheSamePath) {
    struct Case {
        const char* stored;
        const char* asked;
        bool same;
    } cases[] = {
        {"C:\\Out\\Data\\File.TXT", "c:\\out\\data\\file.txt", true},
        {"C:\\out\\\x83\x41", "C:\\OUT\\\x83\x41", true},
        {"C:\\out\\\x83\x41", "C:\\out\\\x83\x61", false},
        {"C:\\out\\\x83\x61"
         "a",
         "C:\\out\\\x83\x61"
         "A",
         true},
        {"C:\\out\\\xB1", "C:\\out\\\x83\x41", false},
        {"C:\\out\\a", "C:\\out\\a\\", false},
        // Full-width and Cyrillic letters fold too (Ａ/ａ, Д/д), as Windows folds them.
        {"C:\\out\\\x82\x60.txt", "C:\\OUT\\\x82\x81.txt", true},
        {"C:\\\x84\x45", "C:\\\x84\x75", true},
        {"C:\\\x84\x45", "C:\\\x84\x46", false},
    };
    for (const Case& c : cases) {
        PathSet set;
        std::wstring stored = FromShiftJis(c.stored).c_str(), asked = FromShiftJis(c.asked).c_str();
        EXPECT_TRUE(set.insert(stored));
        EXPECT_EQ(c.same, set.contains(asked)) << c.stored << " / " << c.asked;
        EXPECT_EQ(!c.same, set.insert(asked)) << c.stored << " / " << c.asked;
        EXPECT_EQ(c.same ? 1u : 2u, set.size());
    }
}
