// qcfscramble: writes a scrambled kelpex.qcf from a plain text, and reads
// one back to plain text.
//   qcfscramble KEY plain.txt kelpex.qcf
//   qcfscramble --decode kelpex.qcf plain.txt
#include "config/UxQcf.h"
#include "foundation/WideText.h"
#include "config/UxStaticRandom.h"
#include "foundation/Diagnostic.h"
#include "foundation/SystemErrorText.h"
#include "foundation/ConsoleText.h"
#include "fs/FCFile.h"
#include <string>

namespace {
// One line on the console, or on whatever it was redirected to: paths
// exactly as Windows gives them.
void Print(DWORD handle, const std::wstring& line) { WriteConsoleText(handle, L"qcfscramble: " + line + L"\n"); }

int Fail(const wchar_t* message, const std::wstring& detail) {
    Print(STD_ERROR_HANDLE, message + detail);
    return 1;
}

int Usage() {
    WriteConsoleText(STD_ERROR_HANDLE,
                     L"usage: qcfscramble KEY plain.txt kelpex.qcf\n"
                     L"       qcfscramble --decode kelpex.qcf plain.txt\n");
    return 2;
}

// Opens quietly so that a console tool reports instead of asking.
bool OpenQuiet(FCFile& file, const std::wstring& path, bool forWriting) {
    DWORD code = forWriting
                     ? file.open(path, CREATE_ALWAYS, GENERIC_WRITE, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, true)
                     : file.open(path, OPEN_EXISTING, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, true);
    if (code == 0) return true;
    Print(STD_ERROR_HANDLE,
          (forWriting ? L"cannot write " : L"cannot open ") + path + L" (" + SystemErrorLine(code) + L")");
    return false;
}

int Encode(const std::wstring& keyText, const std::wstring& plainPath, const std::wstring& outPath) {
    FCString keyString(ToShiftJis(keyText).c_str());
    unsigned key = keyString.toUnsigned();
    if (key == 0) return Fail(L"the key must be a number other than 0: ", keyText);
    FCFile in;
    if (!pathExists(plainPath)) return Fail(L"cannot find ", plainPath);
    if (!OpenQuiet(in, plainPath, false)) return 1;
    FCString body;
    body.readFrom(in, 0, 0, 0);
    DWORD code = WriteConfigurationFile(outPath, body, key);
    if (code != 0) return Fail(L"cannot write ", outPath + L" (" + SystemErrorLine(code) + L")");
    Print(STD_OUTPUT_HANDLE, L"wrote " + outPath + L" with key " + std::to_wstring(key));
    return 0;
}

int Decode(const std::wstring& scrambledPath, const std::wstring& plainPath) {
    if (!pathExists(scrambledPath)) return Fail(L"cannot find ", scrambledPath);
    FCFile in;
    if (!OpenQuiet(in, scrambledPath, false)) return 1;
    FCString text;
    text.readFrom(in, 0, 0, 0);
    FCString first;
    text.nextField(first, "\r\n", true, nullptr);
    int mode = 0;
    unsigned key = 0;
    if (!UxQcf::parseDeclaration(first, mode, key) || mode != 1 || key == 0)
        return Fail(L"no scrambling declaration (qcftype=1,KEY) on the first line of ", scrambledPath);
    if (in.seek(0, FILE_BEGIN) != 0) return Fail(L"cannot read ", scrambledPath);
    text.readFrom(in, 0, key, 1);
    text.cursor = const_cast<char*>(text.text());
    if (text.findChar('\n') != nullptr) text.nextChar();
    FCString body(text.cursor);
    FCFile out;
    if (!OpenQuiet(out, plainPath, true)) return 1;
    body.writeTo(out, 0, 0);
    Print(STD_OUTPUT_HANDLE, L"wrote " + plainPath);
    return 0;
}

}  // namespace

// The arguments arrive as UTF-16 whatever the system's code page, and stay so.
int wmain(int argc, wchar_t** argv) {
    try {
        if (argc == 4 && std::wstring(argv[1]) == L"--decode") return Decode(argv[2], argv[3]);
        if (argc == 4) return Encode(argv[1], argv[2], argv[3]);
        return Usage();
    } catch (const Diagnostic& e) {
        Print(STD_ERROR_HANDLE, FromShiftJis(e.getCaption()) + L": " + e.getWideMessage());
        return 1;
    }
}
