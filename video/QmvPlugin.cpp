// The codec plug-in loader: library search and loading with dlopen, entry points, instance and unloading.
#include "video/QmvPlugin.h"

#include "app/PluginPath.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "app/Orv_Log.h"
#include "video/QmvFormat.h"

QmvPluginDecodeFrameFn QmvPlugin_DecodeFrame = nullptr;

namespace {

struct Loaded {
    void* library = nullptr;
    void* instance = nullptr;
    int depth = 0;
    QmvPluginInitFn init = nullptr;
    QmvPluginCleanupFn cleanup = nullptr;
} g;

void ClearEntryPoints() {
    g.init = nullptr;
    g.cleanup = nullptr;
    QmvPlugin_DecodeFrame = nullptr;
}

void FreeLibrary() {
    if (g.library) dlclose(g.library);
    g.library = nullptr;
    g.instance = nullptr;
}

}  // namespace

std::string QmvPlugin_LibraryFile(const std::string& systemName) {
    const size_t dot = systemName.find_last_of('.');
    if (dot != std::string::npos && strcasecmp(systemName.c_str() + dot, ".dll") == 0)
        return systemName.substr(0, dot) + ".so";
    return systemName + ".so";
}

std::string QmvPlugin_FindLibrary(const std::string& systemName) {
    const std::string file = QmvPlugin_LibraryFile(systemName);
    return OrvPlugin_Find(file);
}

int QmvPlugin_Load(const uint8_t* header, int depth, int initialise) {
    if (g.instance) {
        if (depth == g.depth) return QMVPLUGIN_ERR_LOADED;
        QmvPlugin_Unload();
    }
    const int width = header ? int(int16_t(QmvRead16(header + QMV_HDR_WIDTH))) : 0;
    const int height = header ? int(int16_t(QmvRead16(header + QMV_HDR_HEIGHT))) : 0;
    if (width != 512 && width != 640 && width != 800 && width != 1024) return QMVPLUGIN_ERR_WIDTH;

    char name[2][32];
    std::snprintf(name[0], sizeof name[0], "VQ6_%dx16.DLL", width);
    std::snprintf(name[1], sizeof name[1], "VQ6_%d.DLL", width);
    std::string loadedFrom;
    for (const char* n : name) {
        const std::string path = QmvPlugin_FindLibrary(n);
        if (path.empty()) continue;
        g.library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (g.library) {
            loadedFrom = path;
            break;
        }
        debug_log("QmvPlugin_Load(): %s : %s", path.c_str(), dlerror());
    }
    if (!g.library) return QMVPLUGIN_ERR_NOLIB;

    g.init = reinterpret_cast<QmvPluginInitFn>(dlsym(g.library, "QMVPI_Init"));
    QmvPlugin_DecodeFrame = reinterpret_cast<QmvPluginDecodeFrameFn>(dlsym(g.library, "QMVPI_DecodeFrame"));
    g.cleanup = reinterpret_cast<QmvPluginCleanupFn>(dlsym(g.library, "QMVPI_Cleanup"));
    if (!g.init || !QmvPlugin_DecodeFrame || !g.cleanup) {
        ClearEntryPoints();
        FreeLibrary();
        return QMVPLUGIN_ERR_ENTRY;
    }
    g.depth = depth;
    if (initialise) g.instance = g.init(depth, height, width, header);
    if (!g.instance) {
        // No library stays loaded without an instance.
        ClearEntryPoints();
        FreeLibrary();
        g.depth = 0;
        return QMVPLUGIN_ERR_INIT;
    }
    debug_log("QmvPlugin_Load(): %s, %dx%d en %d bits", loadedFrom.c_str(), width, height, depth);
    return QMVPLUGIN_OK;
}

int QmvPlugin_Unload() {
    if (!g.instance) return QMVPLUGIN_ERR_NOTHING;
    // The entry points go first; the clean-up runs through the pointer saved before.
    const QmvPluginCleanupFn cleanup = g.cleanup;
    g.depth = 0;
    ClearEntryPoints();
    if (cleanup) cleanup();
    FreeLibrary();
    return QMVPLUGIN_OK;
}

bool QmvPlugin_IsLoaded() { return g.instance != nullptr; }
int QmvPlugin_GetDepth() { return g.depth; }
