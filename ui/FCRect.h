// FCRect: a rectangle for placing windows, with text and file forms.
#pragma once
#include "foundation/FCString.h"
#include <windows.h>

class FCFile;

class FCRect {
public:
    FCRect() : left(0), top(0), right(0), bottom(0) {}
    FCRect(LONG l, LONG t, LONG r, LONG b) : left(l), top(t), right(r), bottom(b) {}
    explicit FCRect(const RECT& r) : left(r.left), top(r.top), right(r.right), bottom(r.bottom) {}
    virtual ~FCRect() {}

    virtual void formatText(FCString& out, const char* separator) const;
    virtual void writeTo(FCFile& file) const;
    virtual void parseText(FCString& in, const char* separator);
    virtual void readFrom(FCFile& file);

    void normalize();
    void moveTo(LONG x, LONG y);
    void keepInside(const RECT& bounds);
    LONG width() const { return right - left; }
    LONG height() const { return bottom - top; }
    RECT toRect() const {
        RECT r = {left, top, right, bottom};
        return r;
    }

    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
