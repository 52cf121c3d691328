// qcfscramble: writes a scrambled kelpex.qcf from a plain text, and reads
// one back to plain text.
//   qcfscramble KEY plain.txt kelpex.qcf
//   qcfscramble --decode kelpex.qcf plain.txt
#include "config/UxQcf.h"
#include "foundation/WideText.h"
#include "config/UxStaticRandom.h"
#include "foundation/Diagnostic.h"
#include "foundation/SystemErrorText.h"
#include "fs/FCFile.h"
#include <cstdio>
#include <cstring>
#include <string>

namespace {
// A path as the console is given it: Shift_JIS, 〓 for a character it
// cannot hold (the path itself keeps it, and reaches the platform whole).
std::string Shown(const char* path) { return ShiftJisShown(path != nullptr ? path : "", "〓"); }

int Fail(const char* message, const char* detail) {
    std::fprintf(stderr, "qcfscramble: %s%s\n", message, Shown(detail).c_str());
    return 1;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: qcfscramble KEY plain.txt kelpex.qcf\n"
                 "       qcfscramble --decode kelpex.qcf plain.txt\n");
    return 2;
}

// Opens quietly so that a console tool reports instead of asking.
bool OpenQuiet(FCFile& file, const char* path, bool forWriting) {
    DWORD code = forWriting
                     ? file.open(path, CREATE_ALWAYS, GENERIC_WRITE, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, true)
                     : file.open(path, OPEN_EXISTING, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, true);
    if (code == 0) return true;
    std::fprintf(stderr, "qcfscramble: cannot %s %s (%s)\n", forWriting ? "write" : "open", Shown(path).c_str(),
                 SystemErrorLine(code).c_str());
    return false;
}

int Encode(const char* keyText, const char* plainPath, const char* outPath) {
    FCString keyString(keyText);
    unsigned key = keyString.toUnsigned();
    if (key == 0) return Fail("the key must be a number other than 0: ", keyText);
    FCFile in;
    if (!pathExists(plainPath)) return Fail("cannot find ", plainPath);
    if (!OpenQuiet(in, plainPath, false)) return 1;
    FCString body;
    body.readFrom(in, 0, 0, 0);
    DWORD code = WriteConfigurationFile(outPath, body, key);
    if (code != 0) {
        std::fprintf(stderr, "qcfscramble: cannot write %s (%s)\n", Shown(outPath).c_str(),
                     SystemErrorLine(code).c_str());
        return 1;
    }
    std::printf("qcfscramble: wrote %s with key %u\n", Shown(outPath).c_str(), key);
    return 0;
}

int Decode(const char* scrambledPath, const char* plainPath) {
    if (!pathExists(scrambledPath)) return Fail("cannot find ", scrambledPath);
    FCFile in;
    if (!OpenQuiet(in, scrambledPath, false)) return 1;
    FCString text;
    text.readFrom(in, 0, 0, 0);
    FCString first;
    text.nextField(first, "\r\n", true, nullptr);
    int mode = 0;
    unsigned key = 0;
    if (!UxQcf::parseDeclaration(first, mode, key) || mode != 1 || key == 0)
        return Fail("no scrambling declaration (qcftype=1,KEY) on the first line of ", scrambledPath);
    if (in.seek(0, FILE_BEGIN) != 0) return Fail("cannot read ", scrambledPath);
    text.readFrom(in, 0, key, 1);
    text.cursor = const_cast<char*>(text.text());
    if (text.findChar('\n') != nullptr) text.nextChar();
    FCString body(text.cursor);
    FCFile out;
    if (!OpenQuiet(out, plainPath, true)) return 1;
    body.writeTo(out, 0, 0);
    std::printf("qcfscramble: wrote %s\n", Shown(plainPath).c_str());
    return 0;
}

int QcfScrambleMain(int argc, char** argv) {
    try {
        if (argc == 4 && std::strcmp(argv[1], "--decode") == 0) return Decode(argv[2], argv[3]);
        if (argc == 4) return Encode(argv[1], argv[2], argv[3]);
        return Usage();
    } catch (const Diagnostic& e) {
        std::fprintf(stderr, "qcfscramble: %s: %s\n", e.getCaption(), e.getMessage());
        return 1;
    }
}
}  // namespace

// The arguments arrive as UTF-16 whatever the system's code page.
int wmain(int argc, wchar_t** argv) { return RunWithArguments932(argc, argv, QcfScrambleMain); }
