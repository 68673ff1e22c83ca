// Small text helpers shared by the readers of the scenario's text files.
#include "world/ScriptText.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"

bool Script_ReadFile(const char* path, const char* who, std::string& out) {
    OrvFileHandle h = OrvFile_Open(path, ORV_READ);
    if (!h) {
        OrvError_Warning("%s fichier absent : %s", who, path ? path : "(null)");
        return false;
    }
    int32_t size = OrvFile_GetSize(h);
    if (size < 0 || size > SCRIPT_MAX_FILE_SIZE) {
        OrvFile_Close(h);
        OrvError_Warning("%s taille incorrecte (%d) : %s", who, size, path);
        return false;
    }
    out.assign(size_t(size), '\0');
    int32_t got = size ? OrvFile_Read(h, out.data(), size) : 0;
    OrvFile_Close(h);
    if (got != size) {
        OrvError_Warning("%s lecture incomplète (%d sur %d) : %s", who, got, size, path);
        return false;
    }
    return true;
}

std::vector<std::string> Script_SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') stop--;
        lines.push_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> Script_Tokens(const std::string& line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) i++;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') i++;
        if (i > start) tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

std::string Script_Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return std::string();
    size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

std::string Script_Upper(const std::string& s) {
    std::string u = s;
    for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

bool Script_EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && Script_Upper(a) == Script_Upper(b);
}

bool Script_IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool Script_ParseInt(const std::string& s, int32_t& out) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); i++) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
        v = v * 10 + (s[i] - '0');
        if (v > int64_t(INT32_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return false;
    out = int32_t(v);
    return true;
}

bool Script_CopyField(char* dst, size_t size, const char* src) {
    if (!dst || size == 0) return false;
    size_t len = src ? std::strlen(src) : 0;
    bool fits = len < size;
    if (!fits) len = size - 1;
    if (len) std::memcpy(dst, src, len);
    std::memset(dst + len, 0, size - len);
    return fits;
}

bool Script_VRefuse(const std::string& prefix, const char* fmt, va_list ap) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    OrvError_Warning("%s : %s", prefix.c_str(), text);
    return false;
}
