// Turns an entry's stored date and time into a file time.
#include "cab/EntryTime.h"

namespace {
WORD Held(unsigned value, unsigned least, unsigned most) {
    return static_cast<WORD>(value < least ? least : value > most ? most : value);
}

unsigned DaysIn(unsigned year, unsigned month) {
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}
}  // namespace

void EntryTime(WORD dosDate, WORD dosTime, FILETIME& utc) {
    SYSTEMTIME local = {};
    local.wYear = static_cast<WORD>(1980 + (dosDate >> 9));
    local.wMonth = Held((dosDate >> 5) & 0x0F, 1, 12);
    local.wDay = Held(dosDate & 0x1F, 1, DaysIn(local.wYear, local.wMonth));
    local.wHour = Held(dosTime >> 11, 0, 23);
    local.wMinute = Held((dosTime >> 5) & 0x3F, 0, 59);
    local.wSecond = Held((dosTime & 0x1F) * 2u, 0, 59);
    SYSTEMTIME universal;
    if (TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal) && SystemTimeToFileTime(&universal, &utc)) return;
    // Without the zone's rules the time is taken as it stands.
    SystemTimeToFileTime(&local, &utc);
}
