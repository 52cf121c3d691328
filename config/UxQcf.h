// UxQcf: the key=value configuration store behind kelpex.qcf, plain or
// scrambled with the key its own first line declares.
#pragma once
#include <string>
#include "config/QcfEncoding.h"
#include "foundation/FCString.h"
#include "foundation/FCXList.h"
#include "foundation/Mbcs.h"
#include <map>

struct UxQcfKeyOrder {
    bool operator()(const FCString& a, const FCString& b) const { return Mbcs::Compare(a.text(), b.text()) < 0; }
};

class UxQcf {
public:
    enum { SAVE_ON_CLOSE = 1 };

    UxQcf();
    virtual ~UxQcf();
    UxQcf(const UxQcf&) = delete;
    UxQcf& operator=(const UxQcf&) = delete;

    bool load(const std::wstring& path);
    bool parse(const FCString& text, bool merge);
    bool getString(FCString& out, const char* name, int index = -1) const;
    bool getNumber(unsigned& out, const char* name, int index = -1) const;
    void setString(const char* name, const char* value, int index = -1);
    void setNumber(const char* name, unsigned value, int index = -1);
    bool getStringOr(FCString& out, const char* name, const char* fallback, int index = -1, int writeBack = 0);
    bool getNumberOr(unsigned& out, const char* name, unsigned fallback, int index = -1, int writeBack = 0);
    // A value as the file holds it, characters Shift_JIS cannot hold
    // included (a file saved as UTF-8 or UTF-16); shifted, the Shift_JIS
    // value read before, when the file holds no such character there.
    std::wstring getWideString(const char* name, const FCString& shifted) const;
    // path empty: where it was loaded from.
    bool save(const std::wstring& path, bool deleteIfEmpty);
    void clear();
    void serialize(FCString& out) const;

    // Reads a first line as a scrambling declaration ("qcftype=1,KEY"): true
    // when the word matches, with the mode and the key (0 when absent).
    static bool parseDeclaration(const FCString& firstLine, int& mode, unsigned& key);

    std::wstring filePath;

private:
    bool loadFrom(const std::wstring& path);
    static void parseInto(const FCString& text, std::map<FCString, FCString, UxQcfKeyOrder>& into);
    static void parseWideInto(const std::wstring& text, std::map<FCString, std::wstring, UxQcfKeyOrder>& into);

public:
    std::map<FCString, FCString, UxQcfKeyOrder> entries;
    // The same entries as the file holds them, kept only when it held
    // characters Shift_JIS cannot.
    std::map<FCString, std::wstring, UxQcfKeyOrder> keptEntries;
    unsigned flags;
    // Set: a file that cannot be read is read as empty, with no box asking
    // to retry (nobody is there to answer).
    bool quiet = false;
    FCXList<FCIdString> substitutions;
    // What the last load found: the file's encoding, and how many of its
    // characters Shift_JIS could not hold ('?' in their place).
    QcfEncoding encoding;
    size_t lostCharacters;

private:
    static FCString keyFor(const char* name, int index);
};

// Writes a configuration text to path as kelpex reads it: as it is when key
// is 0, else behind the plain declaration line "qcftype=1,KEY" with every
// byte after that line scrambled. Quiet: 0, or the system's error code.
DWORD WriteConfigurationFile(const std::wstring& path, const FCString& body, unsigned key);
