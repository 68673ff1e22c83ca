// Fonts named in "Font.txt": loading through FreeType, text measuring and drawing, wrap points.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class CSurface;

// Colours are COLORREF values: 0x00BBGGRR.
using OrvColorRef = uint32_t;

// Text extent in pixels.
struct OrvTextSize {
    int32_t cx = 0;
    int32_t cy = 0;
};

// One font file at one size; opaque outside the font module.
class COrvFontFace;
using OrvFontHandle = COrvFontFace*;

struct ST_font_desc {
    OrvFontHandle font = nullptr;
    std::string fileName;  // path of the font file
    int32_t height = 0;    // the Height given in "Font.txt"
};

// Font substituted for a missing or unreadable font file.
extern const char* const ORV_FALLBACK_FONT_FILE;

// Reads "Font.txt" from the localisation directory and loads its fonts.
void OrvFont_MainInit();
// Loads one font under an id; an id already known is left as it is. The file decides the face,
// so the face name is not used.
void add_font(int32_t width, int32_t height, const char* path, const char* id, const char* faceName);
// A positive height is the cell height (ascent + descent), a negative one the character height
// without internal leading; width 0 lets the height decide. Null when FreeType refuses the file.
OrvFontHandle OrvFont_Create(int32_t width, int32_t height, const char* path);
void OrvFont_DeleteFont(OrvFontHandle font);

// Begins text on the render surface (the surface argument is not used) or on the given surface,
// in the font of the id ("OrvFT_Default" for an unknown id). Takes the surface's lock until
// OrvFont_PrintEnd, so callers must not hold the lock themselves.
void OrvFont_PrintBegin(CSurface* unused, std::string id, OrvColorRef colour);
void OrvFont_PrintBeginOn(CSurface* surface, std::string id, OrvColorRef colour);
// Draws the string with (x, y) the top-left corner of its cell; background transparent.
void OrvFont_PrintAt(int32_t x, int32_t y, const char* text);
// Extent of the first `length` bytes (stopping at a 0 byte): advances summed, cell height.
bool OrvFont_GetTextSize(const char* text, int32_t length, OrvTextSize& out);
// Line height: cell height + 1.
int32_t OrvFont_GetHeight();
void OrvFont_SetColor(OrvColorRef colour);
// Draws the string as OrvFont_PrintAt does, in `colour` over a one-pixel `outline` all round, so that it
// reads over any picture; leaves `colour` as the text colour.
void OrvFont_PrintOutlined(int32_t x, int32_t y, const char* text, OrvColorRef colour, OrvColorRef outline);
// Ends the text and releases the surface's lock.
void OrvFont_PrintEnd();

bool OrvFont_IsMBCS();
// UTF-8 text (the system's own, such as a locale's date) in the fonts' single-byte code page 1252; a
// character the page lacks, or a broken sequence, becomes '?'.
std::string OrvFont_FromUtf8(const std::string& utf8);
// The character a byte of that code page stands for.
uint32_t OrvFont_ToUnicode(uint8_t byte);
// True when the character at hand (one byte, or a lead byte and its trail byte in MBCS mode)
// is a place where a line may wrap.
bool OrvFont_IsPartitionChar(const char* p);
// Unloads every font and forgets the partition codes and the character-set flag.
void OrvFont_RemoveFonts();

// The font table entry of an id, or null.
const ST_font_desc* OrvFont_Find(const std::string& id);
// The partition codes in file order.
const std::vector<uint16_t>& OrvFont_GetPartitionCodes();
// Whether a begin/end pair is open.
bool OrvFont_InPrint();
