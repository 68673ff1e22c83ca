// Local calendar time and the comparison of two system times.
#include "app/SystemTime.h"

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
