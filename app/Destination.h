// The destination a Run uses, composed from what was typed (in the field or
// with /dest) and the sub-folder choices, and the configuration's messages
// that name it.
#pragma once
#include "app/Configuration.h"
#include "foundation/FCString.h"
#include "ui/Markup.h"
#include <string>

// Absolute and ending in a separator: typed made absolute, then the
// sub-folders the boxes ask for; with markup, also its coloured form for
// the destination line.
std::wstring ComposeDestination(const std::wstring& typed, bool maker, bool app, const MainConfiguration& settings,
                                UxMarkedText* markup);

// A message of the configuration's: line breaks and, unless destination is
// null, %dest% shown exactly.
UxMarkedText ExpandMessageText(const FCString& message, const wchar_t* destination);

extern const char* const kUncWarning;
