// The program's environment overrides (QM_*): read in one place, a bad value warned once and ignored.
#include "app/Environment.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "app/Orv_Log.h"

namespace {
// Built on first use: overrides are read during static construction too.
std::set<std::string>& warned() {
    static auto* s = new std::set<std::string>();
    return *s;
}
}  // namespace

void OrvEnv_WarnBadValue(const char* name, const std::string& value, const char* why) {
    if (!warned().insert(std::string(name) + '=' + value).second) return;
    OrvError_Warning("%s=%s ignoré (%s)", name, value.c_str(), why);
}

std::string OrvEnv_Text(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool OrvEnv_Flag(const char* name) {
    const std::string v = OrvEnv_Text(name);
    if (v.empty() || v == "0") return false;
    if (v == "1") return true;
    OrvEnv_WarnBadValue(name, v, "0 ou 1");
    return false;
}

bool OrvEnv_Int(const char* name, int min, int max, int* value) {
    const std::string v = OrvEnv_Text(name);
    if (v.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(v.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || end == v.c_str() || n < min || n > max) {
        const std::string range = std::to_string(min) + " à " + std::to_string(max);
        OrvEnv_WarnBadValue(name, v, range.c_str());
        return false;
    }
    *value = int(n);
    return true;
}
