// The time a cabinet stores for an entry (MS-DOS date and time, local
// time), as the file's time.
#pragma once
#include <windows.h>

// Any stored value gives a time that exists: a field out of its range (month
// 13, day 0, hour 31) is held to the nearest value it may take, never
// carried into the next month or year. Local time is read with the daylight
// rule of that date, as the system's extractors read it.
void EntryTime(WORD dosDate, WORD dosTime, FILETIME& utc);
