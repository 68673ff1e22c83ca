// Local calendar time, the comparison of two system times and their text in the user's time locale.
#include "app/SystemTime.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>
#include <ctime>

SYSTEMTIME GetLocalSystemTime()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    localtime_r(&ts.tv_sec, &t);
    SYSTEMTIME st{};
    st.wYear = static_cast<uint16_t>(t.tm_year + 1900);
    st.wMonth = static_cast<uint16_t>(t.tm_mon + 1);
    st.wDayOfWeek = static_cast<uint16_t>(t.tm_wday);
    st.wDay = static_cast<uint16_t>(t.tm_mday);
    st.wHour = static_cast<uint16_t>(t.tm_hour);
    st.wMinute = static_cast<uint16_t>(t.tm_min);
    // A leap second (60) is kept within the record's range.
    st.wSecond = static_cast<uint16_t>(t.tm_sec > 59 ? 59 : t.tm_sec);
    st.wMilliseconds = static_cast<uint16_t>(ts.tv_nsec / 1000000);
    return st;
}

int compare_systemtime(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    const uint16_t SYSTEMTIME::*const order[] = {
        &SYSTEMTIME::wYear,   &SYSTEMTIME::wMonth,  &SYSTEMTIME::wDay,          &SYSTEMTIME::wHour,
        &SYSTEMTIME::wMinute, &SYSTEMTIME::wSecond, &SYSTEMTIME::wMilliseconds,
    };
    for (auto field : order) {
        if (a.*field != b.*field)
            return a.*field > b.*field ? 1 : -1;
    }
    return 0;
}

std::string FormatSystemTime(const SYSTEMTIME& t, bool* utf8)
{
    *utf8 = false;
    // A damaged save header must not reach the formatter with impossible fields.
    if (t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 || t.wDay > 31 || t.wHour > 23 || t.wMinute > 59 ||
        t.wSecond > 60)
        return "?";
    tm when{};
    when.tm_year = int(t.wYear) - 1900;
    when.tm_mon = t.wMonth - 1;
    when.tm_mday = t.wDay;
    when.tm_hour = t.wHour;
    when.tm_min = t.wMinute;
    when.tm_sec = t.wSecond;
    when.tm_wday = t.wDayOfWeek % 7;
    when.tm_isdst = -1;
    // Only the time category of the user's locale; the program's global locale stays as it is.
    locale_t loc = newlocale(LC_TIME_MASK, "", locale_t(0));
    if (!loc) loc = newlocale(LC_TIME_MASK, "C", locale_t(0));
    if (!loc) return "?";
    char date[128] = "", time[128] = "";
    strftime_l(date, sizeof date, "%x", &when, loc);
    strftime_l(time, sizeof time, "%X", &when, loc);
    // The names come in the character set of the time category, whatever the character category says.
    *utf8 = std::strcmp(nl_langinfo_l(_NL_TIME_CODESET, loc), "UTF-8") == 0;
    freelocale(loc);
    return std::string(date) + " " + time;
}
