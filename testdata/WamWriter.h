// Writer of world files (.wam) from plain descriptions, for the tests and the demo.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct WamPointDesc {
    float x, y, z;
};
struct WamZoneDesc {
    int32_t type;  // 1 next view, 2 link, 3+ scenario; + 88888 disabled
    uint32_t numero;
    std::string name;
    std::vector<WamPointDesc> points;
};
struct WamDestDesc {
    uint32_t vue;
    std::string video;
};
struct WamBruitDesc {
    uint32_t son;
    float direction[3];
};
struct WamVueDesc {
    uint32_t id;
    std::string name;
    float yawMin = 0, yawMax = 0, pitchMin = 0, pitchMax = 0, yawStart = 0, pitchStart = 0;
    std::vector<WamZoneDesc> zones;
    std::vector<WamDestDesc> dests;
    std::vector<WamBruitDesc> bruits;
};
struct WamLieuDesc {
    uint32_t id;
    std::string name;
    std::vector<WamVueDesc> vues;
};
struct WamLienDesc {
    uint32_t id;
    std::string wam;
    uint32_t vue;
};
struct WamAnimDesc {
    char letter;
    uint32_t numero, vue;
    int32_t clic, first, last, face, x, y;
};
struct WamPersoDesc {
    int32_t type;  // 1 character, 2 object, 3 and 4 the same as scenery
    std::string name;
    std::string prefix;  // four characters
    std::vector<WamAnimDesc> anims;
};
struct WamSonDesc {
    uint32_t id;
    std::string name;
    float x = 0, y = 0, z = 0, level = 0;
    uint8_t percent[4] = {100, 0, 0, 0};
    std::string recordings[4];
};
struct WamFileDesc {
    int32_t monde = 0;
    int32_t cd = 0;
    std::vector<WamLieuDesc> lieux;
    std::vector<WamLienDesc> liens;
    std::vector<WamPersoDesc> persos;
    std::vector<WamSonDesc> sons;
};

// The bytes of the file: 32-byte header, then LIEU (VUE (ZCLI DEST BRUI)*)*, LIEN, PERS (ANIM)*, SON chunks.
std::vector<uint8_t> WamWriter_Build(const WamFileDesc& desc);
bool WamWriter_Save(const std::string& path, const WamFileDesc& desc);
// A zone outline: the square of directions (x right, y up, z ahead) of half-size `half` round (u, v)
// of one cube face: 0 ahead, 1 right, 2 behind, 3 left, 4 up, 5 down.
std::vector<WamPointDesc> WamWriter_FaceSquare(int face, float u, float v, float half);
// Offset of the first chunk with the tag in built bytes, or -1 (tests patch chunks there).
long WamWriter_FindChunk(const std::vector<uint8_t>& bytes, const char tag[4]);
