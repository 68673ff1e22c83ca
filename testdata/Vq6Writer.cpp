// Writer of VQ6 codec frames and packed panorama views.
#include "testdata/Vq6Writer.h"

#include <cstring>

#include "testdata/QmvWriter.h"
#include "testdata/TempDir.h"
#include "video/Vq6Format.h"

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

uint32_t Brightness(uint32_t c) { return (77 * (c >> 16 & 255) + 150 * (c >> 8 & 255) + 29 * (c & 255)) >> 8; }

}  // namespace

// Truncates as the engine packs pictures, so a packed face equals the same face read from a picture file.
uint16_t Vq6Writer_Pack565(uint32_t argb) {
    const uint32_t r = argb >> 16 & 255, g = argb >> 8 & 255, b = argb & 255;
    return uint16_t((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

std::vector<uint8_t> Vq6Writer_Encode(const std::vector<uint32_t>& picture, int width, int height) {
    std::vector<uint8_t> out(VQ6_MAGIC, VQ6_MAGIC + 4);
    Put16(out, uint16_t(width));
    Put16(out, uint16_t(height));
    const uint32_t bytes = Vq6_FrameBytes(width, height);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(bytes >> (8 * i)));
    for (int by = 0; by < height; by += 4)
        for (int bx = 0; bx < width; bx += 4) {
            uint32_t px[16], light[16], mean = 0;
            for (int i = 0; i < 16; ++i) {
                px[i] = picture[size_t(by + i / 4) * size_t(width) + size_t(bx + i % 4)];
                light[i] = Brightness(px[i]);
                mean += light[i];
            }
            mean /= 16;
            uint32_t sum[2][3] = {}, count[2] = {};
            uint16_t mask = 0;
            for (int i = 0; i < 16; ++i) {
                const int side = light[i] > mean ? 1 : 0;
                mask = uint16_t(mask | side << i);
                ++count[side];
                for (int ch = 0; ch < 3; ++ch) sum[side][ch] += px[i] >> (16 - 8 * ch) & 255;
            }
            uint16_t colour[2];
            for (int side = 0; side < 2; ++side) {
                const uint32_t n = count[side] ? count[side] : 1;
                colour[side] = Vq6Writer_Pack565((sum[side][0] + n / 2) / n << 16 | (sum[side][1] + n / 2) / n << 8 |
                                                 (sum[side][2] + n / 2) / n);
            }
            if (!count[1]) colour[1] = colour[0];
            Put16(out, colour[0]);
            Put16(out, colour[1]);
            Put16(out, mask);
        }
    return out;
}

std::vector<uint8_t> Vq6Writer_PackedView(const std::vector<std::vector<uint32_t>>& faces, int side) {
    std::vector<QmvBlock> blocks;
    for (const auto& face : faces) blocks.push_back({{{'I', 'V'}, Vq6Writer_Encode(face, side, side)}});
    QmvContainerOptions options;
    options.width = uint16_t(side);
    options.height = uint16_t(side);
    return QmvWriter_Container(blocks, options);
}

bool Vq6Writer_SavePackedView(const std::string& path, const std::vector<std::vector<uint32_t>>& faces, int side) {
    const std::vector<uint8_t> bytes = Vq6Writer_PackedView(faces, side);
    return WriteFileBytes(path, bytes.data(), bytes.size());
}
