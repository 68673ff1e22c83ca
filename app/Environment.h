// The program's environment overrides (QM_*): read in one place, a bad value warned once and ignored.
#pragma once
#include <string>

// Unset, "" or "0": false; "1": true; anything else is warned and read as false.
bool OrvEnv_Flag(const char* name);
// An integer in [min, max] into *value: true when set and valid; a bad value is warned and false.
bool OrvEnv_Int(const char* name, int min, int max, int* value);
// The text of a variable, empty when unset.
std::string OrvEnv_Text(const char* name);
// Warns "<name>=<value> ignoré (<why>)" once for each name and value.
void OrvEnv_WarnBadValue(const char* name, const std::string& value, const char* why);
