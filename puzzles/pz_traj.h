// Numbers of the puzzles' coordinate texts (the spider's web, the canoe's river).
#pragma once

// Reads the decimal number at the cursor (leading blanks, sign, digits, decimal point, exponent; 0 when
// there is none), then moves the cursor over the run of digits, points and minus signs and on over every
// other character, to the start of the next number. The cursor never passes end. An exponent is not part
// of that run: after "1e2" the cursor stands on the "2".
float read_float_traj(const char** cursor, const char* end);
