// Small text helpers shared by the readers of the scenario's text files.
#pragma once
#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

// Largest text file the scenario readers accept.
constexpr int32_t SCRIPT_MAX_FILE_SIZE = 16 * 1024 * 1024;

// Reads a whole file; a missing, empty-handed or oversized file is reported as `who` and refused.
bool Script_ReadFile(const char* path, const char* who, std::string& out);
// Lines without their CR LF or LF ends.
std::vector<std::string> Script_SplitLines(const std::string& text);
// Tokens separated by blanks and tabs.
std::vector<std::string> Script_Tokens(const std::string& line);
// The line without leading and trailing blanks and tabs.
std::string Script_Trim(const std::string& s);
std::string Script_Upper(const std::string& s);
bool Script_EqualsNoCase(const std::string& a, const std::string& b);
// Letters, digits and '_': the characters of a defined name.
bool Script_IsNameChar(char c);
// A whole decimal number with an optional sign that fits 32 bits.
bool Script_ParseInt(const std::string& s, int32_t& out);
// Copies a string into a fixed field, always terminated; false when it had to be cut.
bool Script_CopyField(char* dst, size_t size, const char* src);
// Formats a report, warns "<prefix> : <text>" and gives false, for the readers' refusals.
bool Script_VRefuse(const std::string& prefix, const char* fmt, va_list ap);
