// The encodings a text editor saves kelpex.qcf in. The configuration is
// parsed as Shift_JIS: a file in another encoding is converted first, and a
// Shift_JIS file is never touched.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

enum QcfEncoding {
    QCF_SHIFT_JIS,
    QCF_UTF8_MARKED,  // with a byte-order mark
    QCF_UTF8,  // without one: valid UTF-8 that Shift_JIS would not read as text
    QCF_UTF16LE,
    QCF_UTF16BE,
    QCF_ENCODING_COUNT
};

// "Shift_JIS", "UTF-8 with a byte-order mark", ...: the name kelpack prints.
const char* QcfEncodingName(QcfEncoding encoding);

// The encoding of bytes read from a file, decided from a byte-order mark or,
// without one, UTF-8 only when the bytes are valid UTF-8 holding a
// character of three bytes or more (Japanese is) or holding multi-byte
// characters and not valid Shift_JIS: a real Shift_JIS text, half-width
// katakana included, stays Shift_JIS.
QcfEncoding DetectQcfEncoding(const std::string& bytes);

// Bytes of an encoding other than Shift_JIS as UTF-16 (not terminated), the
// mark dropped, U+FFFD for what is not valid.
void QcfToWide(QcfEncoding encoding, const std::string& bytes, std::vector<wchar_t>& wide);

// Converts bytes of that encoding to Shift_JIS in place, the mark dropped,
// '?' for what Shift_JIS cannot hold: the number of characters so replaced.
size_t ConvertQcfToShiftJis(QcfEncoding encoding, std::string& bytes);
