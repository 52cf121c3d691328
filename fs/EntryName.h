// The rule for names stored in an archive: a relative path that stays below
// the folder it is joined to and that Windows can hold exactly as written.
// The extractor checks every entry with it, and so does anything that makes
// archives for it.
#pragma once
#include "foundation/FCString.h"

enum EntryNameVerdict {
    ENTRY_NAME_OK,
    ENTRY_NAME_OUTSIDE,  // absolute, a drive or stream colon, an empty or dots-only component
    ENTRY_NAME_UNWRITABLE,  // a device name, a trailing dot or blank, a forbidden character
};

// Checks raw (ANSI code page, '\' or '/' between components). On
// ENTRY_NAME_OK, safe holds the name with '\' separators.
EntryNameVerdict CheckEntryName(const FCString& raw, FCString& safe);

// CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9 in any case, with or without
// an extension ("aux.log", "nul.txt").
bool IsReservedDeviceName(const char* component);
