// The ".qmv" frame decoder: one chunk decoded over a picture, then over the picture it gave.
#include "testdata/QmvWriter.h"
#include "tests/fuzz/FuzzTarget.h"
#include "video/QmvDecoder.h"

namespace {

constexpr size_t kPixels = size_t(QMVDEC_WIDTH) * QMVDEC_HEIGHT;
std::vector<uint16_t> g_pictures[2];

void Setup() {
    for (auto& p : g_pictures) p.assign(kPixels, 0);
}

bool Run(const uint8_t* data, size_t size) {
    // The input's first byte picks the layout; the rest is the chunk.
    if (size == 0) return false;
    if (data[0] & 1) QmvDec_Init555();
    else QmvDec_Init565();
    for (size_t i = 0; i < kPixels; i++) g_pictures[0][i] = uint16_t(i * 40503u >> 3);
    const int first = QmvDec_DecodeFrame(data + 1, uint32_t(size - 1), g_pictures[0].data(), g_pictures[1].data());
    const int second = QmvDec_DecodeFrame(data + 1, uint32_t(size - 1), g_pictures[1].data(), g_pictures[0].data());
    Fuzz_Check(first == second || first != QMVDEC_OK, "one frame decodes once and not twice");
    return first == QMVDEC_OK;
}

FuzzBytes WithLayout(uint8_t layout, const std::vector<uint8_t>& frame) {
    FuzzBytes out{layout};
    out.insert(out.end(), frame.begin(), frame.end());
    return out;
}

// Every block a co-located copy (key frames: a long copy onto itself) but three in the middle of the
// picture, which take each kind of piece.
std::vector<uint8_t> Crafted(bool key) {
    QmvFrameWriter f(key, 50);
    int coefficients[3][64] = {};
    coefficients[0][0] = 40;
    coefficients[0][1] = -7;
    coefficients[1][0] = -20;
    coefficients[2][5] = 3;
    for (int r = 0; r < QMVDEC_HEIGHT; r += 8)
        for (int c = 0; c < QMVDEC_WIDTH; c += 8) {
            const int special = r == 240 && c >= 320 && c < 344 ? (c - 320) / 8 : -1;
            switch (special < 0 ? -1 : key ? special + 10 : special) {
                case 0: f.Motion(QmvTree::Block, 17); break;
                case 1: f.Split(QmvTree::Block, QmvSplit::TopBottom), f.Motion(QmvTree::Half, 3), f.Colocated(QmvTree::Half); break;
                case 2:
                    f.Split(QmvTree::Block, QmvSplit::Quarters);
                    f.Split(QmvTree::Quarter, QmvSplit::Rows4x2), f.Motion(QmvTree::Small, 5), f.Colocated(QmvTree::Small);
                    f.Split(QmvTree::Quarter, QmvSplit::Tiny2x2);
                    for (int k = 0; k < 4; k++) f.Motion(QmvTree::Tiny, k);
                    f.Colocated(QmvTree::Quarter), f.Long(QmvTree::Quarter, 3, 2, 100);
                    break;
                case 10: f.Intra(coefficients); break;
                case 11:
                    f.Split(QmvTree::Block, QmvSplit::Quarters);
                    f.Split(QmvTree::Quarter, QmvSplit::Rows4x2), f.Short(QmvTree::Small, 700, 5), f.Short(QmvTree::Small, 9, 2);
                    for (int k = 0; k < 3; k++) f.Long(QmvTree::Quarter, k, 0, 128);
                    break;
                case 12: f.Split(QmvTree::Block, QmvSplit::LeftRight), f.Long(QmvTree::Half, 6, 1, 120), f.Long(QmvTree::Half, 0, 0, 128); break;
                default: key ? f.Long(QmvTree::Block, 0, 0, 128) : f.Colocated(QmvTree::Block);
            }
        }
    return f.Finish();
}

std::vector<FuzzBytes> Seeds() {
    std::vector<uint32_t> picture(kPixels);
    for (size_t i = 0; i < kPixels; i++) picture[i] = 0xFF000000u | uint32_t(i % 640 / 80 * 30) << 16 | uint32_t(i / 640 / 60 * 30);
    QmvEncoder encoder(60);
    const std::vector<uint8_t> key = encoder.Encode(picture, true);
    for (size_t i = 0; i < kPixels; i++)
        if (i % 640 > 300 && i % 640 < 340) picture[i] = 0xFFFFFFFFu;
    const std::vector<uint8_t> next = encoder.Encode(picture, false);
    return {WithLayout(0, key), WithLayout(1, next), WithLayout(0, Crafted(false)), WithLayout(1, Crafted(true))};
}

}  // namespace

QM_FUZZ_TARGET(qmvframe, Setup, Run, Seeds);
