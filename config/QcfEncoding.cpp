#include "config/QcfEncoding.h"
#include "foundation/Mbcs.h"
#include <vector>

namespace {
const char* const kNames[] = {"Shift_JIS", "UTF-8 with a byte-order mark", "UTF-8", "UTF-16 (little endian)",
                              "UTF-16 (big endian)"};
static_assert(sizeof kNames / sizeof kNames[0] == QCF_ENCODING_COUNT, "a name for every encoding");

bool StartsWith(const std::string& bytes, const char* mark, size_t n) { return bytes.compare(0, n, mark, n) == 0; }

// Valid UTF-8; longest is the longest sequence found (1 for ASCII alone).
bool ValidUtf8(const std::string& bytes, int& longest) {
    longest = 1;
    for (size_t i = 0; i < bytes.size();) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        int n = b < 0x80                   ? 1
                : (b >= 0xC2 && b <= 0xDF) ? 2
                : (b >= 0xE0 && b <= 0xEF) ? 3
                : (b >= 0xF0 && b <= 0xF4) ? 4
                                           : 0;
        if (n == 0 || i + n > bytes.size()) return false;
        for (int k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
        // Overlong forms and surrogates are not UTF-8.
        unsigned char second = static_cast<unsigned char>(n > 1 ? bytes[i + 1] : 0);
        if ((b == 0xE0 && second < 0xA0) || (b == 0xED && second > 0x9F) || (b == 0xF0 && second < 0x90) ||
            (b == 0xF4 && second > 0x8F))
            return false;
        if (n > longest) longest = n;
        i += static_cast<size_t>(n);
    }
    return true;
}

// Every lead byte followed by a trail byte (the bytes hold no zero: a
// UTF-16 file is known by its mark before this is asked).
bool ValidShiftJis(const std::string& bytes) {
    for (const char* p = bytes.c_str(); *p != '\0'; p = Mbcs::Next(p))
        if (Mbcs::IsLead(static_cast<unsigned char>(*p)) && Mbcs::Next(p) == p + 1) return false;
    return true;
}
}  // namespace

const char* QcfEncodingName(QcfEncoding encoding) { return kNames[encoding]; }

QcfEncoding DetectQcfEncoding(const std::string& bytes) {
    if (StartsWith(bytes, "\xFF\xFE", 2)) return QCF_UTF16LE;
    if (StartsWith(bytes, "\xFE\xFF", 2)) return QCF_UTF16BE;
    if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) return QCF_UTF8_MARKED;
    int longest = 1;
    if (!ValidUtf8(bytes, longest) || longest == 1) return QCF_SHIFT_JIS;
    return longest >= 3 || !ValidShiftJis(bytes) ? QCF_UTF8 : QCF_SHIFT_JIS;
}

void QcfToWide(QcfEncoding encoding, const std::string& bytes, std::vector<wchar_t>& wide) {
    wide.clear();
    switch (encoding) {
    case QCF_UTF8_MARKED:
    case QCF_UTF8:
        // Invalid sequences after a mark become U+FFFD, and so '?'.
        Mbcs::Utf8ToWide(bytes.substr(encoding == QCF_UTF8_MARKED ? 3 : 0), wide);
        return;
    case QCF_UTF16LE:
    case QCF_UTF16BE:
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            unsigned char first = static_cast<unsigned char>(bytes[i]),
                          second = static_cast<unsigned char>(bytes[i + 1]);
            wide.push_back(static_cast<wchar_t>(encoding == QCF_UTF16LE ? first | second << 8 : first << 8 | second));
        }
        return;
    default: return;
    }
}

size_t ConvertQcfToShiftJis(QcfEncoding encoding, std::string& bytes) {
    if (encoding == QCF_SHIFT_JIS || encoding >= QCF_ENCODING_COUNT) return 0;
    std::vector<wchar_t> wide;
    QcfToWide(encoding, bytes, wide);
    std::string out;
    size_t lost = Mbcs::ShiftJisFromWide(wide.data(), wide.size(), out);
    bytes.swap(out);
    return lost;
}
