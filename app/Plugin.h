// Plug-in libraries: where they are looked for, the check of a file before it is loaded, and loading.
#pragma once
#include <string>
#include <vector>

// Where plug-ins are looked for, in order: $QM_PLUGIN_DIR (when it names a directory), then beside the
// program: "plugins" (the build tree) and "../lib/quillmar2/plugins" (an installation).
std::vector<std::string> OrvPlugin_Dirs();
// Full path of the first existing file of that name in those directories; empty when none has it.
std::string OrvPlugin_Find(const std::string& file);

// True when the file is an ELF shared object of this machine whose program headers and segments all lie
// inside the file (a truncated library would fault inside the loader); otherwise false with *why.
bool OrvPlugin_CheckFile(const std::string& path, std::string* why);

// A loaded library, or the reason there is none.
struct OrvPluginLibrary {
    void* handle = nullptr;
    std::string path;   // the file found, empty when none was
    std::string error;  // why nothing is loaded
};
// Finds the file in OrvPlugin_Dirs(), checks it and loads it. Reports nothing: the caller decides.
OrvPluginLibrary OrvPlugin_Load(const std::string& file);
// An entry point of a loaded library, or null.
void* OrvPlugin_Symbol(void* handle, const char* name);
void OrvPlugin_Unload(void* handle);
