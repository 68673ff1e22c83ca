// Writer of sprite banks and SPW files: palette from the pictures, rows as skip/run packets.
#include "testdata/SprWriter.h"

#include <cstring>
#include <map>

#include "graphics2d/SprDll.h"
#include "testdata/TempDir.h"

namespace {

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

struct Encoder {
    const SprWriterOptions& opt;
    std::map<uint32_t, uint8_t> index;  // RGB -> palette entry
    std::vector<uint32_t> palette;

    bool Transparent(uint32_t argb) const {
        return opt.useColourKey ? (argb & 0xFFFFFF) == (opt.colourKey & 0xFFFFFF) : (argb >> 24) == 0;
    }

    bool Collect(const SprImage& img, std::string* error) {
        for (uint32_t p : img.pixels) {
            if (Transparent(p)) continue;
            const uint32_t rgb = p & 0xFFFFFF;
            if (index.count(rgb)) continue;
            if (palette.size() == 256) return Fail(error, "more than 256 colours");
            index[rgb] = uint8_t(palette.size());
            palette.push_back(rgb);
        }
        return true;
    }

    void Rows(const SprImage& img, std::vector<uint8_t>& out) const {
        const bool alpha = opt.kind == SprFileKind::BankAlpha;
        for (int y = 0; y < img.height; ++y) {
            const uint32_t* row = img.pixels.data() + size_t(y) * img.width;
            int x = 0;
            while (x < img.width) {
                int skip = 0, run = 0;
                while (x + skip < img.width && skip < 255 && Transparent(row[x + skip])) ++skip;
                while (x + skip + run < img.width && run < 255 && !Transparent(row[x + skip + run])) ++run;
                out.push_back(uint8_t(skip));
                out.push_back(uint8_t(run));
                for (int i = 0; i < run; ++i) out.push_back(index.at(row[x + skip + i] & 0xFFFFFF));
                if (alpha)
                    for (int i = 0; i < run; ++i) out.push_back(uint8_t(row[x + skip + i] >> 24));
                x += skip + run;
            }
        }
    }
};

}  // namespace

std::vector<uint8_t> SprWriter_Encode(const std::vector<SprImage>& images, const SprWriterOptions& options,
                                      std::string* error) {
    if (images.empty() || images.size() > SPR_MAX_COUNT) {
        Fail(error, "bad picture count");
        return {};
    }
    Encoder enc{options, {}, {}};
    for (const SprImage& img : images) {
        if (img.width < 0 || img.height < 0 || img.width > 65535 || img.height > 65535 ||
            img.pixels.size() != size_t(img.width) * size_t(img.height)) {
            Fail(error, "bad picture size");
            return {};
        }
        if (!enc.Collect(img, error)) return {};
    }

    const size_t count = images.size();
    std::vector<uint8_t> out(SPR_OFS_TABLE + count * SPR_ENTRY_SIZE, 0);
    const char* magic = options.kind == SprFileKind::Bank      ? SPR_MAGIC_BANK
                        : options.kind == SprFileKind::BankAlpha ? SPR_MAGIC_BANK1
                                                                 : SPR_MAGIC_SPW;
    std::memcpy(out.data(), magic, SPR_MAGIC_SIZE);
    Put32(out, SPR_HDR_VERSION, SPR_FILE_VERSION);
    Put32(out, SPR_HDR_COUNT, uint32_t(count));
    for (size_t i = 0; i < enc.palette.size(); ++i) {
        out[SPR_OFS_PALETTE + 3 * i] = uint8_t(enc.palette[i] >> 16);
        out[SPR_OFS_PALETTE + 3 * i + 1] = uint8_t(enc.palette[i] >> 8);
        out[SPR_OFS_PALETTE + 3 * i + 2] = uint8_t(enc.palette[i]);
    }
    for (size_t n = 0; n < count; ++n) {
        const SprImage& img = images[n];
        const size_t start = out.size();
        enc.Rows(img, out);
        const size_t e = SPR_OFS_TABLE + n * SPR_ENTRY_SIZE;
        Put32(out, e, uint32_t(start));
        Put32(out, e + 4, uint32_t(out.size() - start));
        out[e + 8] = uint8_t(img.width);
        out[e + 9] = uint8_t(img.width >> 8);
        out[e + 10] = uint8_t(img.height);
        out[e + 11] = uint8_t(img.height >> 8);
        Put32(out, e + 12, uint32_t(img.x));
        Put32(out, e + 16, uint32_t(img.y));
    }
    Put32(out, SPR_HDR_FILESIZE, uint32_t(out.size()));
    return out;
}

bool SprWriter_Save(const std::string& path, const std::vector<SprImage>& images,
                    const SprWriterOptions& options, std::string* error) {
    const std::vector<uint8_t> bytes = SprWriter_Encode(images, options, error);
    if (bytes.empty()) return false;
    if (!WriteFileBytes(path, bytes.data(), bytes.size())) return Fail(error, "cannot write " + path);
    return true;
}
