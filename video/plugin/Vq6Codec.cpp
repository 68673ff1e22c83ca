// The project's VQ6 codec plug-in: decodes two-colour 4x4 block frames into 5-6-5 or 5-5-5 pictures.
#include <cstdint>
#include <cstring>

#include "video/QmvFormat.h"
#include "video/Vq6Format.h"

#define QMVPI_API extern "C" __attribute__((visibility("default")))

namespace {

struct Instance {
    int depth = 0;
    int width = 0;
    int height = 0;
};
Instance g_instance;
bool g_ready = false;

inline uint16_t ToOutput(uint16_t c565) {
    if (g_instance.depth == 16) return c565;
    return uint16_t((c565 >> 11) << 10 | ((c565 >> 6) & 31) << 5 | (c565 & 31));
}

}  // namespace

// The instance is the module's one decoder; its address is the non-zero handle the loader keeps.
QMVPI_API void* QMVPI_Init(int32_t depth, int32_t height, int32_t width, const void* header) {
    g_ready = false;
    if ((depth != 15 && depth != 16) || !Vq6_SizeSupported(width, height) || !header) return nullptr;
    const uint8_t* h = static_cast<const uint8_t*>(header);
    if (std::memcmp(h, QMV_MAGIC, 4) != 0 || QmvRead16(h + QMV_HDR_WIDTH) != width ||
        QmvRead16(h + QMV_HDR_HEIGHT) != height)
        return nullptr;
    g_instance = Instance{depth, width, height};
    g_ready = true;
    return &g_instance;
}

// Writes width x height pixels with no row gap. A frame of another size is left alone: the caller has
// checked it against its chunk with Vq6_FrameFits, since no length comes with it.
QMVPI_API int32_t QMVPI_DecodeFrame(const void* frame, void* destination, void* /*same surface*/) {
    if (!g_ready || !frame || !destination) return -1;
    const uint8_t* f = static_cast<const uint8_t*>(frame);
    const int w = g_instance.width, h = g_instance.height;
    if (std::memcmp(f, VQ6_MAGIC, 4) != 0 || QmvRead16(f + 4) != w || QmvRead16(f + 6) != h ||
        QmvRead32(f + 8) != Vq6_FrameBytes(w, h))
        return -1;
    const uint8_t* block = f + VQ6_HEADER_SIZE;
    uint16_t* out = static_cast<uint16_t*>(destination);
    for (int by = 0; by < h; by += 4)
        for (int bx = 0; bx < w; bx += 4, block += VQ6_BLOCK_BYTES) {
            const uint16_t colour[2] = {ToOutput(QmvRead16(block)), ToOutput(QmvRead16(block + 2))};
            const uint16_t mask = QmvRead16(block + 4);
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c) out[size_t(by + r) * size_t(w) + size_t(bx + c)] = colour[mask >> (r * 4 + c) & 1];
        }
    return 0;
}

QMVPI_API void QMVPI_Cleanup() {
    g_ready = false;
    g_instance = Instance{};
}
