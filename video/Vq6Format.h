// Frame layout of the project's VQ6 codec plug-in (docs/video.md): two colours and a mask per 4x4 block.
#pragma once
#include <cstdint>
#include <cstring>

constexpr char VQ6_MAGIC[4] = {'V', 'Q', '6', 'F'};
// Magic, u16 width, u16 height, u32 frame size in bytes (header included), then the blocks row by row:
// u16 colour 0, u16 colour 1 (both 5-6-5), u16 mask (bit row * 4 + column set: colour 1).
constexpr uint32_t VQ6_HEADER_SIZE = 12;
constexpr uint32_t VQ6_BLOCK_BYTES = 6;
constexpr int VQ6_MAX_SIDE = 4096;

inline bool Vq6_SizeSupported(int width, int height) {
    return width >= 4 && height >= 4 && width <= VQ6_MAX_SIDE && height <= VQ6_MAX_SIDE && width % 4 == 0 &&
           height % 4 == 0;
}

inline uint32_t Vq6_FrameBytes(int width, int height) {
    return VQ6_HEADER_SIZE + uint32_t(width / 4) * uint32_t(height / 4) * VQ6_BLOCK_BYTES;
}

// True when size bytes at data hold one whole frame of that picture size. The decode entry point gets no
// length, so a caller checks each chunk with this before handing it over.
inline bool Vq6_FrameFits(const void* data, uint32_t size, int width, int height) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (!p || !Vq6_SizeSupported(width, height) || size < VQ6_HEADER_SIZE) return false;
    if (std::memcmp(p, VQ6_MAGIC, 4) != 0) return false;
    const int w = p[4] | p[5] << 8, h = p[6] | p[7] << 8;
    const uint32_t bytes = uint32_t(p[8]) | uint32_t(p[9]) << 8 | uint32_t(p[10]) << 16 | uint32_t(p[11]) << 24;
    return w == width && h == height && bytes == Vq6_FrameBytes(width, height) && bytes <= size;
}
