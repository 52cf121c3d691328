// Marked colours made readable on the background they are painted on.
#include "ui/ReadableColour.h"
#include <cmath>

namespace {
double Channel(unsigned value) {
    double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(unsigned colour) {
    return 0.2126 * Channel((colour >> 16) & 0xFF) + 0.7152 * Channel((colour >> 8) & 0xFF) +
           0.0722 * Channel(colour & 0xFF);
}

// The colour's hue and saturation at another lightness (0 to 1).
struct HSL_ {
    double h = 0, s = 0, l = 0;
};

HSL_ ToHsl(unsigned colour) {
    double r = ((colour >> 16) & 0xFF) / 255.0, g = ((colour >> 8) & 0xFF) / 255.0, b = (colour & 0xFF) / 255.0;
    double high = std::fmax(r, std::fmax(g, b)), low = std::fmin(r, std::fmin(g, b));
    HSL_ hsl;
    hsl.l = (high + low) / 2;
    double d = high - low;
    if (d == 0) return hsl;
    hsl.s = hsl.l > 0.5 ? d / (2 - high - low) : d / (high + low);
    if (high == r) hsl.h = (g - b) / d + (g < b ? 6 : 0);
    else if (high == g) hsl.h = (b - r) / d + 2;
    else hsl.h = (r - g) / d + 4;
    hsl.h /= 6;
    return hsl;
}

double HueChannel(double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

unsigned FromHsl(const HSL_& hsl) {
    double r = hsl.l, g = hsl.l, b = hsl.l;
    if (hsl.s > 0) {
        double q = hsl.l < 0.5 ? hsl.l * (1 + hsl.s) : hsl.l + hsl.s - hsl.l * hsl.s, p = 2 * hsl.l - q;
        r = HueChannel(p, q, hsl.h + 1.0 / 3);
        g = HueChannel(p, q, hsl.h);
        b = HueChannel(p, q, hsl.h - 1.0 / 3);
    }
    auto byte = [](double c) { return static_cast<unsigned>(std::lround(std::fmin(1, std::fmax(0, c)) * 255)); };
    return byte(r) << 16 | byte(g) << 8 | byte(b);
}

// The lightness between from and to (0 or 1) nearest from that is readable
// on background; false when even to is not.
bool Toward(HSL_ hsl, double to, unsigned background, unsigned& out) {
    double from = hsl.l;
    hsl.l = to;
    if (ContrastRatio(FromHsl(hsl), background) < kReadableContrast) return false;
    double kept = from, reached = to;
    for (int step = 0; step < 24; ++step) {
        hsl.l = (kept + reached) / 2;
        if (ContrastRatio(FromHsl(hsl), background) >= kReadableContrast) reached = hsl.l;
        else kept = hsl.l;
    }
    hsl.l = reached;
    out = FromHsl(hsl);
    // Rounding to whole channels may fall a hair short: one more step.
    for (int i = 0; i < 8 && ContrastRatio(out, background) < kReadableContrast; ++i) {
        hsl.l += to > from ? 0.004 : -0.004;
        out = FromHsl(hsl);
    }
    return ContrastRatio(out, background) >= kReadableContrast;
}
}  // namespace

double ContrastRatio(unsigned a, unsigned b) {
    double x = Luminance(a), y = Luminance(b);
    return (std::fmax(x, y) + 0.05) / (std::fmin(x, y) + 0.05);
}

unsigned ReadableColour(unsigned colour, unsigned background) {
    if (ContrastRatio(colour, background) >= kReadableContrast) return colour;
    HSL_ hsl = ToHsl(colour);
    // Darker on a light background, lighter on a dark one; the other way
    // where that side cannot reach it (a background of middle grey).
    bool light = Luminance(background) > 0.18;
    unsigned out = colour;
    if (Toward(hsl, light ? 0 : 1, background, out) || Toward(hsl, light ? 1 : 0, background, out)) return out;
    return light ? 0x000000 : 0xFFFFFF;
}

unsigned SystemColour(int index) {
    COLORREF c = GetSysColor(index);
    return static_cast<unsigned>(GetRValue(c)) << 16 | static_cast<unsigned>(GetGValue(c)) << 8 | GetBValue(c);
}

unsigned ShownColour(unsigned colour, unsigned background) {
    HIGHCONTRASTW contrast = {sizeof contrast, 0, nullptr};
    if (SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0) {
        unsigned r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
        return SystemColour(r > g && r > b ? COLOR_HIGHLIGHT : COLOR_HOTLIGHT);
    }
    return ReadableColour(colour, background);
}

unsigned PaintedBackground(HWND richEdit) {
    return SystemColour(IsWindowEnabled(richEdit) ? COLOR_WINDOW : COLOR_3DFACE);
}
