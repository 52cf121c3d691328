// The colours marked texts are shown in: readable on the background the
// control actually paints (a contrast of at least 4.5:1, what the
// accessibility guidelines ask of text) in the hue the text names, and the
// system's own colours where Windows reports high contrast, as its own
// dialogs use them.
#pragma once
#include <windows.h>

// Colours here are 0xRRGGBB, as the markup writes them.
const double kReadableContrast = 4.5;

// The contrast of two colours by their relative luminance: 1 to 21.
double ContrastRatio(unsigned a, unsigned b);
// colour itself when it is readable on background; else the same hue made
// darker or lighter, by as little as reaches the contrast.
unsigned ReadableColour(unsigned colour, unsigned background);
// What a marked colour is shown in on background: under high contrast the
// system's colour for highlighted text (reds) or for links (the rest), as
// the scheme sets them; else ReadableColour.
unsigned ShownColour(unsigned colour, unsigned background);
// The background a rich edit paints: the window colour, or the face colour
// where it is disabled.
unsigned PaintedBackground(HWND richEdit);
// A system colour (COLOR_*) as 0xRRGGBB.
unsigned SystemColour(int index);
