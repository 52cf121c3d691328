// Helpers that tests of real dialogs share: rich-edit text and character
// formats, drop handles as the shell builds them, control positions.
#pragma once
#include <windows.h>
#include <richedit.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string>
#include <vector>

std::string RichEditText(HWND rich);  // in Shift_JIS
std::wstring WindowUnicode(HWND window);  // a window's own text, in UTF-16
std::wstring RichEditWideText(HWND rich);
CHARFORMATA RichEditFormatAt(HWND rich, int position);
// A real drop handle: DROPFILES followed by the ANSI names.
HDROP MakeDrop(const std::vector<std::string>& names, POINT point);  // Shift_JIS names
HDROP MakeDropWide(const std::vector<std::wstring>& names, POINT point);
// The colour a control paints where no text reaches (the bottom right of
// its client area), 0xRRGGBB: its background as a user sees it.
unsigned PaintedColour(HWND control);
// A marked colour as a user sees it: hue's dominant channel (0xRRGGBB) the
// strongest, and readable (4.5:1) on what the control paints.
bool ShownAs(HWND control, const CHARFORMATA& format, unsigned hue);
// The centre of a control in its dialog's client coordinates.
POINT ControlCentre(HWND dialog, HWND control);
