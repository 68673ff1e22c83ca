// Calendar time in the layout of the system time record, its comparison and its text in the user's locale.
#pragma once
#include <cstdint>
#include <string>

struct SYSTEMTIME {
    uint16_t wYear;
    uint16_t wMonth;      // 1..12
    uint16_t wDayOfWeek;  // 0 = Sunday
    uint16_t wDay;        // 1..31
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};
static_assert(sizeof(SYSTEMTIME) == 16, "saved in save-game headers");

// The current local time.
SYSTEMTIME GetLocalSystemTime();
// 1 when a is later, -1 when earlier, 0 when equal; the day of the week is ignored.
int compare_systemtime(const SYSTEMTIME& a, const SYSTEMTIME& b);
// The short date, a blank and the time of t as the time locale of the environment (LC_ALL, LC_TIME, LANG)
// writes them, in that locale's own character set; *utf8 tells whether that set is UTF-8. "?" for a
// record whose fields are out of range.
std::string FormatSystemTime(const SYSTEMTIME& t, bool* utf8);
