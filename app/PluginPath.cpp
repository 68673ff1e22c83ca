// Where plug-in libraries are looked for: $QM_PLUGIN_DIR, then "plugins" and "../plugins" beside the program.
#include "app/PluginPath.h"

#include <unistd.h>

#include <cstdlib>

std::vector<std::string> OrvPlugin_Dirs() {
    std::vector<std::string> dirs;
    if (const char* env = std::getenv("QM_PLUGIN_DIR"); env && *env) dirs.push_back(env);
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    const std::string path = n > 0 ? std::string(exe, size_t(n)) : std::string();
    if (const size_t slash = path.find_last_of('/'); slash != std::string::npos) {
        const std::string dir = path.substr(0, slash);
        dirs.push_back(dir + "/plugins");
        dirs.push_back(dir + "/../plugins");
    }
    return dirs;
}

std::string OrvPlugin_Find(const std::string& file) {
    for (const std::string& dir : OrvPlugin_Dirs()) {
        const std::string path = dir + "/" + file;
        if (access(path.c_str(), F_OK) == 0) return path;
    }
    return {};
}
