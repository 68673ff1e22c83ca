// Numbers of the puzzles' coordinate texts (the spider's web, the canoe's river).
#include "puzzles/pz_traj.h"

#include <algorithm>
#include <cfloat>
#include <string>

#include "menus/TxtReader.h"

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool InNumberRun(char c) { return IsDigit(c) || c == '.' || c == '-'; }

// End of the decimal number that starts at p (sign, digits, point, digits, exponent), within end.
const char* NumberEnd(const char* p, const char* end) {
    if (p < end && (*p == '+' || *p == '-')) ++p;
    while (p < end && IsDigit(*p)) ++p;
    if (p < end && *p == '.') ++p;
    while (p < end && IsDigit(*p)) ++p;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) ++p;
        while (p < end && IsDigit(*p)) ++p;
    }
    return p;
}
}  // namespace

float read_float_traj(const char** cursor, const char* end) {
    const char* p = *cursor;
    if (!p || p >= end) return 0.0f;
    // Only the number's own characters are handed to the conversion, so the text needs no terminator.
    const char* start = p;
    while (start < end && IsBlank(*start)) ++start;
    const std::string number(start, NumberEnd(start, end));
    // Out-of-range magnitudes saturate as the text reader's numbers do.
    const float value = float(std::clamp(Txt_AtoF(number.c_str()), double(-FLT_MAX), double(FLT_MAX)));
    while (p < end && InNumberRun(*p)) ++p;
    while (p < end && !InNumberRun(*p)) ++p;
    *cursor = p;
    return value;
}
