// The ".qmv" container: header fields, block and chunk layout, and the bounded chunk scan of a block.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint32_t QMV_HEADER_SIZE = 64;
constexpr char QMV_MAGIC[4] = {'Q', 'M', 'V', '6'};
constexpr int QMV_VERSION = 6;
// The compression buffer holds one block, head included.
constexpr uint32_t BUFCOMPSIZE = 262144;
constexpr uint32_t QMV_BLOCK_HEAD_SIZE = 4;
constexpr uint32_t QMV_BLOCK_LENGTH_MASK = 0x00FFFFFF;
constexpr uint32_t QMV_CHUNK_HEAD_SIZE = 8;

// Header offsets.
enum : uint32_t {
    QMV_HDR_MAGIC = 0,
    QMV_HDR_DEPTH = 7,  // overwritten with 15 or 16 in the memory copy
    QMV_HDR_WIDTH = 8,
    QMV_HDR_HEIGHT = 10,
    QMV_HDR_FILESIZE = 12,
    QMV_HDR_FRAMES = 16,
    QMV_HDR_LARGEST = 28,
};

// Chunk tags as the u16 read from the two ASCII characters in file order.
constexpr uint16_t QmvTag(char a, char b) { return uint16_t(uint8_t(a) | uint8_t(b) << 8); }
constexpr uint16_t QMV_TAG_IV = QmvTag('I', 'V');
constexpr uint16_t QMV_TAG_IX = QmvTag('I', 'X');
constexpr uint16_t QMV_TAG_AL = QmvTag('A', 'L');

inline uint16_t QmvRead16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t QmvRead32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// One chunk's data (after its 8-byte head); data null when the block has none of that kind.
struct QmvChunkRef {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
};

// The video ("IV"/"IX", the last one wins) and alpha ("AL") chunks of a block.
struct QmvBlockChunks {
    QmvChunkRef video;
    QmvChunkRef alpha;
};

// Scans the chunks of a block held whole in memory (head included; length from the head's low 24 bits,
// rounded down to a multiple of 4 and bounded by blockBytes). False for a chunk whose size is under its
// head or that runs past the block, and for a block shorter than its head.
bool QmvBlock_ScanChunks(const uint8_t* block, uint32_t blockBytes, QmvBlockChunks* out);
