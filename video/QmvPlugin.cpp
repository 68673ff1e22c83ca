// The codec plug-in loader: library names by width, entry points, instance and unloading.
#include "video/QmvPlugin.h"

#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "app/Orv_Log.h"
#include "app/Plugin.h"
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
    OrvPlugin_Unload(g.library);
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
        const OrvPluginLibrary lib = OrvPlugin_Load(QmvPlugin_LibraryFile(n));
        if (lib.handle) {
            g.library = lib.handle;
            loadedFrom = lib.path;
            break;
        }
        debug_log("QmvPlugin_Load(): %s", lib.error.c_str());
    }
    if (!g.library) return QMVPLUGIN_ERR_NOLIB;

    g.init = reinterpret_cast<QmvPluginInitFn>(OrvPlugin_Symbol(g.library, "QMVPI_Init"));
    QmvPlugin_DecodeFrame =
        reinterpret_cast<QmvPluginDecodeFrameFn>(OrvPlugin_Symbol(g.library, "QMVPI_DecodeFrame"));
    g.cleanup = reinterpret_cast<QmvPluginCleanupFn>(OrvPlugin_Symbol(g.library, "QMVPI_Cleanup"));
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
