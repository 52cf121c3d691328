#include "ui/FCRect.h"
#include "fs/FCFile.h"
#include <algorithm>

namespace {
void PutLE(unsigned char* p, LONG v) {
    unsigned u = static_cast<unsigned>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
}
LONG GetLE(const unsigned char* p) {
    unsigned u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<unsigned>(p[i]) << (8 * i);
    return static_cast<LONG>(u);
}
}  // namespace

void FCRect::normalize() {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
}

void FCRect::moveTo(LONG x, LONG y) {
    LONG w = width(), h = height();
    left = x;
    top = y;
    right = x + w;
    bottom = y + h;
}

void FCRect::keepInside(const RECT& bounds) {
    if (bounds.left <= left && bounds.top <= top && right <= bounds.right && bottom <= bounds.bottom) return;
    LONG x = left, y = top;
    if (right > bounds.right) x += bounds.right - right;
    if (bottom > bounds.bottom) y += bounds.bottom - bottom;
    x = std::max(x, bounds.left);
    y = std::max(y, bounds.top);
    moveTo(x, y);
}

void FCRect::formatText(FCString& out, const char* separator) const {
    const LONG values[4] = {left, top, width(), height()};
    for (int i = 0; i < 4; ++i) {
        if (i > 0) out.append(separator);
        out.appendInt(values[i], 10, 0, ' ');
    }
}

void FCRect::parseText(FCString& in, const char* separator) {
    LONG values[4] = {0, 0, 0, 0};
    FCString field;
    for (int i = 0; i < 4; ++i) {
        field.clear();
        in.nextField(field, separator, false, nullptr);
        values[i] = field.toInt();
    }
    left = values[0];
    top = values[1];
    right = left + values[2];
    bottom = top + values[3];
}

void FCRect::writeTo(FCFile& file) const {
    if (!file.isOpen()) return;
    unsigned char bytes[16];
    PutLE(bytes, left);
    PutLE(bytes + 4, top);
    PutLE(bytes + 8, right);
    PutLE(bytes + 12, bottom);
    file.write(bytes, sizeof bytes);
}

void FCRect::readFrom(FCFile& file) {
    if (!file.isOpen()) return;
    unsigned char bytes[16];
    if (file.read(bytes, sizeof bytes) != sizeof bytes) return;
    left = GetLE(bytes);
    top = GetLE(bytes + 4);
    right = GetLE(bytes + 8);
    bottom = GetLE(bytes + 12);
}
