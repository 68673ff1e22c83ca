// Writer of sprite banks (".spr") and animated sprite files (".SPW") for the tests and the demo data.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct SprImage {
    int width = 0;
    int height = 0;
    int x = 0;                       // hot spot of a bank sprite, corner offset of an SPW frame
    int y = 0;
    std::vector<uint32_t> pixels;    // width x height from the top-left, 0xAARRGGBB
};

enum class SprFileKind {
    Bank,       // "SPRVELK "
    BankAlpha,  // "SPRVELK1": every drawn pixel keeps its alpha byte
    Spw,        // "SPWVELK "
};

struct SprWriterOptions {
    SprFileKind kind = SprFileKind::Bank;
    // Transparent pixels: RGB equal to the key when set, else alpha 0.
    bool useColourKey = false;
    uint32_t colourKey = 0;
};

// The file's bytes; the palette holds the opaque colours in order of first appearance.
// Empty, with the reason in *error, for no picture, a side above 65535 or more than 256 colours.
std::vector<uint8_t> SprWriter_Encode(const std::vector<SprImage>& images, const SprWriterOptions& options,
                                      std::string* error = nullptr);
bool SprWriter_Save(const std::string& path, const std::vector<SprImage>& images,
                    const SprWriterOptions& options, std::string* error = nullptr);
