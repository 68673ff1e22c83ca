// The codec plug-in loader: the "VQ6" library chosen by picture width, its three entry points, its instance.
#pragma once
#include <cstdint>
#include <string>

// Results of QmvPlugin_Load and QmvPlugin_Unload.
enum : int {
    QMVPLUGIN_OK = 0,
    QMVPLUGIN_ERR_WIDTH = -14,     // width not 512, 640, 800 or 1024
    QMVPLUGIN_ERR_NOLIB = -19,     // neither library name loads
    QMVPLUGIN_ERR_LOADED = -20,    // already loaded with that depth
    QMVPLUGIN_ERR_ENTRY = -21,     // an entry point is missing
    QMVPLUGIN_ERR_NOTHING = -22,   // nothing to unload
    QMVPLUGIN_ERR_INIT = -46,      // initialisation failed, or none asked for
};

// Entry points, C calling convention. Init: depth (15 or 16), height, width, the 64-byte ".qmv" header; a
// non-null instance on success. DecodeFrame: a video chunk's data and the destination twice (no length, no
// pitch: the picture is width x height pixels with no row gap; check the chunk with Vq6_FrameFits first).
extern "C" {
using QmvPluginInitFn = void* (*)(int32_t depth, int32_t height, int32_t width, const void* header);
using QmvPluginDecodeFrameFn = int32_t (*)(const void* frame, void* destination, void* destination2);
using QmvPluginCleanupFn = void (*)();
}

// The decode entry point while a codec is loaded, else null; the panorama calls it once per face.
extern QmvPluginDecodeFrameFn QmvPlugin_DecodeFrame;

// Loads the library for the header's width ("VQ6_%dx16.DLL", then "VQ6_%d.DLL") from the program's plug-in
// directory (OrvPlugin_Load) and, with initialise set, creates its instance. 0 or a QMVPLUGIN_ERR_* code.
int QmvPlugin_Load(const uint8_t* header, int depth, int initialise);
int QmvPlugin_Unload();
bool QmvPlugin_IsLoaded();
int QmvPlugin_GetDepth();

// The platform's file for a library name of the system: "VQ6_512.DLL" gives "VQ6_512.so".
std::string QmvPlugin_LibraryFile(const std::string& systemName);
