// A fresh folder for one test, removed with everything in it afterwards.
// Paths are Shift_JIS, as the program's, or UTF-16 for names Shift_JIS
// cannot hold; either reaches the platform as UTF-16.
#pragma once
#include "foundation/WideText.h"
#include <windows.h>
#include <string>
#include <vector>

// A Shift_JIS text of a test (a path made of its literals) as the platform
// takes it.
inline std::wstring W(const std::string& text) { return FromShiftJis(text.c_str()); }

class TempFolder {
public:
    // Under the given parent (ending in a backslash), or the temporary folder.
    explicit TempFolder(const std::string& parent = std::string());
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending in a backslash.
    const std::string& path() const { return path_; }
    // The same as the platform takes it.
    std::wstring widePath() const;
    std::string operator/(const std::string& name) const { return path_ + name; }

    static void writeFile(const std::string& path, const std::string& bytes);
    static void writeFile(const std::wstring& path, const std::string& bytes);
    static std::string readFile(const std::string& path);
    static std::string readFile(const std::wstring& path);
    static bool exists(const std::string& path);
    // The names a pattern ("C:\\x\\*") finds, "." and ".." left out.
    static std::vector<std::wstring> entries(const std::wstring& pattern);
    static void removeAll(const std::string& path);
    static bool driveExists(char letter);

private:
    std::string path_;
};
