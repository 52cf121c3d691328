#include "fs/EntryName.h"
#include <gtest/gtest.h>

// The rule every entry of an extraction and every file kelpack packs is
// judged by, on names as Windows gives them: inside the folder, or not, and
// whether Windows stores the name exactly as written. Leaving the folder
// outweighs an unwritable component, wherever it stands.
TEST(EntryName, JudgesNamesAsWindowsWouldStoreThem) {
    struct Case {
        const wchar_t* name;
        EntryNameVerdict verdict;
    } cases[] = {
        {L"a\\b.txt", ENTRY_NAME_OK},
        {L"a/b/c", ENTRY_NAME_OK},
        {L"日本\\表\\ソ.txt", ENTRY_NAME_OK},
        {L"\u00e9t\u00e9\\\U0001F600.txt", ENTRY_NAME_OK},  // outside Shift_JIS
        {L"com0\\console.log", ENTRY_NAME_OK},
        {L"con\u3000.txt", ENTRY_NAME_OK},  // an ideographic space is no blank
        {L"", ENTRY_NAME_OUTSIDE},
        {L"\\a", ENTRY_NAME_OUTSIDE},
        {L"..\\x", ENTRY_NAME_OUTSIDE},
        {L"a\\... \\x", ENTRY_NAME_OUTSIDE},
        {L"a\\\\b", ENTRY_NAME_OUTSIDE},
        {L"a\\", ENTRY_NAME_OUTSIDE},
        {L"c:x", ENTRY_NAME_OUTSIDE},
        {L"a.txt:stream", ENTRY_NAME_OUTSIDE},
        {L"con\\..\\x", ENTRY_NAME_OUTSIDE},
        {L"\u00e9\\..\\x", ENTRY_NAME_OUTSIDE},
        {L"con .txt", ENTRY_NAME_UNWRITABLE},
        {L"a\\AUX.log", ENTRY_NAME_UNWRITABLE},
        {L"lpt9", ENTRY_NAME_UNWRITABLE},
        {L"dot.\\x", ENTRY_NAME_UNWRITABLE},
        {L"blank ", ENTRY_NAME_UNWRITABLE},
        {L"\u00e9t\u00e9.", ENTRY_NAME_UNWRITABLE},
        {L"a?b", ENTRY_NAME_UNWRITABLE},
        {L"tab\t", ENTRY_NAME_UNWRITABLE},
        {L"日本\\a|b", ENTRY_NAME_UNWRITABLE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.verdict, CheckNameWide(c.name)) << testing::PrintToString(std::wstring(c.name));
}
