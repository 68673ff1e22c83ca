// Where plug-in libraries are looked for: $QM_PLUGIN_DIR, then "plugins" and "../plugins" beside the program.
#pragma once
#include <string>
#include <vector>

std::vector<std::string> OrvPlugin_Dirs();
// Full path of the first existing file of that name in those directories; empty when none has it.
std::string OrvPlugin_Find(const std::string& file);
