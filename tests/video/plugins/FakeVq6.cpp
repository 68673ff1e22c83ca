// Stand-in codec libraries for the loader tests: each build leaves out an entry point or fails a step.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FAKE_API extern "C" __attribute__((visibility("default")))

namespace {
[[maybe_unused]] int g_instance;
// Each call is appended to the file named by FAKE_VQ6_LOG, so a test sees the calls across unloads.
void Log(const char* text) {
    const char* path = std::getenv("FAKE_VQ6_LOG");
    if (!path) return;
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s %s\n", FAKE_NAME, text);
        std::fclose(f);
    }
}
}  // namespace

FAKE_API void* QMVPI_Init(int32_t depth, int32_t height, int32_t width, const void* header) {
    char text[96];
    std::snprintf(text, sizeof text, "init %d %d %d %s", depth, height, width, header ? "header" : "null");
    Log(text);
#ifdef FAKE_INIT_FAILS
    return nullptr;
#else
    return &g_instance;
#endif
}

FAKE_API int32_t QMVPI_DecodeFrame(const void*, void* destination, void*) {
    *static_cast<uint16_t*>(destination) = FAKE_MARK;
    return 0;
}

#ifndef FAKE_NO_CLEANUP
FAKE_API void QMVPI_Cleanup() { Log("cleanup"); }
#endif
