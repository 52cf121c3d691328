// The rule for names stored in an archive: a relative path that stays below
// the folder it is joined to and that Windows can hold exactly as written.
// The extractor checks every entry with it, and so does anything that makes
// archives for it.
#pragma once
#include <string>

enum EntryNameVerdict {
    ENTRY_NAME_OK,
    ENTRY_NAME_OUTSIDE,  // absolute, a drive or stream colon, an empty or dots-only component
    ENTRY_NAME_UNWRITABLE,  // a device name, a trailing dot or blank, a forbidden character
};

// Checks a name as Windows gives it or as an entry's name reads in UTF-16
// ('\' or '/' between components): every character the rule looks at is
// ASCII.
EntryNameVerdict CheckNameWide(const std::wstring& name);

// The attribute bit that marks an entry's name as UTF-8 (gcab stores every
// non-ASCII name so) rather than the code page's bytes.
const unsigned kEntryNameIsUtf8 = 0x80;

// The name stored in an archive as UTF-16, '/' read as '\\': what it is
// called on disk. False when its bytes are not valid in its encoding.
bool EntryNameWide(const char* raw, unsigned attributes, std::wstring& name);

// A name that can only be a file beside the one that names it: no folder,
// drive or stream part, and a name Windows takes exactly as written (no
// device, no trailing dot or blank, no forbidden character). How a cabinet
// names the next part of its series is judged by it, wherever that is.
bool IsPlainFileName(const char* name);

// CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9 in any case, with or without
// an extension ("aux.log", "nul.txt").
bool IsReservedDeviceName(const char* component);
