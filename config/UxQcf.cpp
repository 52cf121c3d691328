#include "config/UxQcf.h"
#include "config/QcfEncoding.h"
#include "foundation/Mbcs.h"
#include "foundation/Diagnostic.h"
#include "fs/FCFile.h"
#include "fs/FCFileUty.h"
#include "fs/FCPathName.h"
#include "foundation/WideText.h"
#include <cstring>

namespace {
const int kProbeBytes = 1024;
const int kWrittenBlock = 65536;

FCString FirstLine(const FCString& text) {
    FCString scan(text.text() + (std::char_traits<char>::compare(text.text(), "\xEF\xBB\xBF", 3) == 0 ? 3 : 0));
    scan.cursor = const_cast<char*>(scan.text());
    FCString line;
    scan.nextField(line, "\r\n", true, nullptr);
    return line;
}
// The whole file, zero bytes included (UTF-16), read as every read of the
// configuration is.
std::string ReadBytes(const std::wstring& path, bool quiet) {
    FCFile file;
    file.open(path, OPEN_EXISTING, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, quiet);
    std::string bytes;
    char buffer[16384];
    for (DWORD n; file.isOpen() && (n = file.read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, n);
    return bytes;
}
}  // namespace

UxQcf::UxQcf() : flags(SAVE_ON_CLOSE), encoding(QCF_SHIFT_JIS), lostCharacters(0) {}

UxQcf::~UxQcf() {
    if ((flags & SAVE_ON_CLOSE) != 0 && !filePath.empty()) {
        // The user was already shown why a write failed and chose Cancel; a
        // destructor must not throw on.
        try {
            save(std::wstring(), false);
        } catch (const Diagnostic&) {
        }
    }
}

FCString UxQcf::keyFor(const char* name, int index) {
    FCString key(name != nullptr ? name : "");
    if (index >= 0) key.appendInt(index, 10, 0, ' ');
    return key;
}

bool UxQcf::parseDeclaration(const FCString& firstLine, int& mode, unsigned& key) {
    FCString line(firstLine);
    line.cursor = const_cast<char*>(line.text());
    line.skipAnyOf(" \t");
    FCString stripped(line.cursor);
    FCString halves[2];
    int n = stripped.split(halves, 2, "=", FCString::SPLIT_KEEP_EMPTY, " \t");
    if (n < 1) return false;
    halves[0].toLower();
    if (std::strcmp(halves[0].text(), "qcftype") != 0) return false;
    mode = 0;
    key = 0;
    if (n < 2) return true;
    FCString parts[2];
    int m = halves[1].split(parts, 2, ",", FCString::SPLIT_KEEP_EMPTY, " \t");
    if (m >= 1) mode = parts[0].toInt();
    if (m >= 2) key = parts[1].toUnsigned();
    return true;
}

bool UxQcf::load(const std::wstring& path) {
    clear();
    // An empty path names no file (FCPathName would make it the current folder).
    if (path.empty()) {
        filePath.clear();
        return false;
    }
    filePath = FCPathName(path).path;
    return pathExists(filePath) && loadFrom(filePath);
}

bool UxQcf::loadFrom(const std::wstring& path) {
    FCString probe;
    {
        FCFile file;
        // Quiet, a file that does not open is left unread: reading it
        // would ask about the failure.
        if (file.open(path, OPEN_EXISTING, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, quiet) != 0)
            return false;
        probe.readFrom(file, kProbeBytes, 0, 0);
    }
    std::string bytes;
    if (DetectQcfEncoding(std::string(probe.text(), probe.length() < 2 ? probe.length() : 2)) >= QCF_UTF16LE) {
        // Zero bytes end an FCString: UTF-16 is read as bytes, and is never
        // scrambled (the scrambling tool writes Shift_JIS).
        bytes = ReadBytes(path, quiet);
    } else {
        int mode = 0;
        unsigned key = 0;
        FCString text;
        FCFile file;
        if (file.open(path, OPEN_EXISTING, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, quiet) != 0)
            return false;
        if (parseDeclaration(FirstLine(probe), mode, key) && mode == 1) text.readFrom(file, 0, key, 1);
        else text.readFrom(file, 0, 0, 0);
        bytes.assign(text.text(), static_cast<size_t>(text.length()));
    }
    encoding = DetectQcfEncoding(bytes);
    std::vector<wchar_t> wide;
    QcfToWide(encoding, bytes, wide);
    lostCharacters = ConvertQcfToShiftJis(encoding, bytes);
    if (lostCharacters > 0) parseWideInto(std::wstring(wide.data()), keptEntries);
    return parse(FCString(bytes.c_str()), true);
}

std::wstring UxQcf::getWideString(const char* name, const FCString& shifted) const {
    auto found = keptEntries.find(keyFor(name, -1));
    if (found != keptEntries.end()) return found->second;
    return FromShiftJis(shifted.text());
}

namespace {
// A lead byte at the end of a value lost its second byte (an editor cut it
// off): dropped, so that it is never joined with what follows the value.
void DropLoneLeadByte(FCString& value) {
    const char* last = nullptr;
    for (const char* p = value.text(); *p != '\0'; p = Mbcs::Next(p)) last = p;
    if (last == nullptr || last[1] != '\0' || !Mbcs::IsLead(static_cast<unsigned char>(*last))) return;
    FCString kept;
    kept.append(value.text(), static_cast<int>(last - value.text()));
    value.assignFrom(kept);
}
}  // namespace

bool UxQcf::parse(const FCString& source, bool merge) {
    if (!merge) {
        clear();
        flags &= ~static_cast<unsigned>(SAVE_ON_CLOSE);
    }
    if (source.isEmpty()) return false;
    parseInto(source, entries);
    return true;
}

void UxQcf::parseInto(const FCString& source, std::map<FCString, FCString, UxQcfKeyOrder>& into) {
    FCString text(source);
    text.cursor = const_cast<char*>(text.text());
    FCString line;
    while (text.readLine(line, FCString::LINE_TRIM | FCString::LINE_FULL_WIDTH)) {
        if (line.isEmpty() || line.text()[0] == ';') continue;
        FCString key, value;
        line.cursor = const_cast<char*>(line.text());
        line.nextToken(key, "= \t", false);
        line.skipAnyOf("= \t");
        line.nextToken(value, "\t", false);
        DropLoneLeadByte(value);
        into.insert(std::make_pair(key, value));  // the first occurrence wins
    }
}

void UxQcf::parseWideInto(const std::wstring& text, std::map<FCString, std::wstring, UxQcfKeyOrder>& into) {
    // As parseInto reads a line: trimmed of blanks (ideographic ones too),
    // the key up to '=' or a blank, the value up to a tab.
    auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == 0x3000; };
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos) end = text.size();
        size_t first = at, last = end;
        while (first < last && blank(text[first])) ++first;
        while (last > first && blank(text[last - 1])) --last;
        at = end + 1;
        if (first == last || text[first] == L';') continue;
        std::wstring line = text.substr(first, last - first);
        size_t keyEnd = line.find_first_of(L"= \t");
        size_t valueAt = keyEnd == std::wstring::npos ? line.size() : line.find_first_not_of(L"= \t", keyEnd);
        if (valueAt == std::wstring::npos) valueAt = line.size();
        std::wstring value = line.substr(valueAt, line.find(L'\t', valueAt) - valueAt);
        into.insert(std::make_pair(FCString(ToShiftJis(line.substr(0, keyEnd)).c_str()), value));
    }
}

bool UxQcf::getString(FCString& out, const char* name, int index) const {
    if (entries.empty()) return false;
    auto found = entries.find(keyFor(name, index));
    if (found == entries.end()) return false;
    out.assignFrom(found->second);
    return true;
}

bool UxQcf::getNumber(unsigned& out, const char* name, int index) const {
    FCString text;
    if (!getString(text, name, index)) return false;
    out = text.toUnsigned();
    return true;
}

void UxQcf::setString(const char* name, const char* value, int index) {
    entries[keyFor(name, index)] = FCString(value != nullptr ? value : "");
}

void UxQcf::setNumber(const char* name, unsigned value, int index) {
    FCString text;
    text.appendNumber(value);
    setString(name, text.text(), index);
}

bool UxQcf::getStringOr(FCString& out, const char* name, const char* fallback, int index, int writeBack) {
    if (getString(out, name, index)) return true;
    out.assignFrom(fallback != nullptr ? fallback : "");
    if (writeBack != 0) setString(name, fallback, index);
    return false;
}

bool UxQcf::getNumberOr(unsigned& out, const char* name, unsigned fallback, int index, int writeBack) {
    if (getNumber(out, name, index)) return true;
    out = fallback;
    if (writeBack != 0) setNumber(name, fallback, index);
    return false;
}

void UxQcf::serialize(FCString& out) const {
    for (const auto& entry : entries) {
        out.append(entry.first);
        out.append("=");
        out.append(entry.second);
        out.append("\n");
    }
}

bool UxQcf::save(const std::wstring& path, bool deleteIfEmpty) {
    if (path.empty() && filePath.empty()) return false;
    FCPathName name(path.empty() ? filePath : path);
    FCString text;
    text.create(kWrittenBlock, nullptr);
    serialize(text);
    if (text.isEmpty() && deleteIfEmpty) {
        if (pathExists(name.text())) FCFileUty::remove(name.text(), true);
    } else {
        // A written file whose first line declares scrambling would be read
        // back as scrambled: its body is then written scrambled with that key.
        int mode = 0;
        unsigned key = 0;
        if (parseDeclaration(FirstLine(text), mode, key) && mode == 1 && key != 0) text.writeFile(name.text(), key, 1);
        else text.writeFile(name.text());
    }
    filePath = name.path;
    return true;
}

void UxQcf::clear() {
    entries.clear();
    keptEntries.clear();
    filePath.clear();
    substitutions.deleteAll();
}

DWORD WriteConfigurationFile(const std::wstring& path, const FCString& body, unsigned key) {
    FCString text;
    if (key != 0) {
        text.assignFrom("qcftype=1,");
        text.appendNumber(key);
        text.append("\n");
    }
    text.append(body);
    FCFile out;
    DWORD code = out.open(path, CREATE_ALWAYS, GENERIC_WRITE, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, true);
    if (code != 0) return code;
    text.writeTo(out, key, 1);
    return 0;
}
