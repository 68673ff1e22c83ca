// Bounded chunk scan of one ".qmv" block.
#include "video/QmvFormat.h"

bool QmvBlock_ScanChunks(const uint8_t* block, uint32_t blockBytes, QmvBlockChunks* out) {
    *out = QmvBlockChunks{};
    if (!block || blockBytes < QMV_BLOCK_HEAD_SIZE) return false;
    uint32_t length = QmvRead32(block) & QMV_BLOCK_LENGTH_MASK;
    if (length < QMV_BLOCK_HEAD_SIZE || length > blockBytes) return false;
    const uint32_t end = length & ~3u;
    uint32_t pos = QMV_BLOCK_HEAD_SIZE;
    while (pos + QMV_CHUNK_HEAD_SIZE <= end) {
        const uint32_t size = QmvRead32(block + pos);
        // A size under the head would scan the same bytes forever; one past the block reads garbage.
        if (size < QMV_CHUNK_HEAD_SIZE || size > length - pos) return false;
        const uint16_t tag = QmvRead16(block + pos + 4);
        const QmvChunkRef ref{block + pos + QMV_CHUNK_HEAD_SIZE, size - QMV_CHUNK_HEAD_SIZE};
        if (tag == QMV_TAG_IV || tag == QMV_TAG_IX)
            out->video = ref;
        else if (tag == QMV_TAG_AL)
            out->alpha = ref;
        pos += QMV_CHUNK_HEAD_SIZE + 4 * ((size - QMV_CHUNK_HEAD_SIZE) / 4);
    }
    return true;
}
