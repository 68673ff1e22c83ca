// The six face pictures of a panoramic view ("<view>_<letter>.tga"), loaded as a view entry loads them.
#include <cstring>

#include "panorama/Orv_Warp.h"
#include "panorama/WarpCube.h"
#include "panorama/WarpFaceNames.h"
#include "testdata/TgaWriter.h"
#include "tests/fuzz/FuzzTarget.h"
#include "world/wam.h"

namespace {

void Setup() { Fuzz_UseDisplay(); }

bool Run(const uint8_t* data, size_t size) {
    const std::vector<FuzzPart> faces = Fuzz_Split(data, size, WARP_NB_FACES);
    for (int f = 0; f < WARP_NB_FACES; f++)
        Fuzz_WriteFile("datas_q2/warp/" + WarpFace_FileName("FZ001", f), faces[size_t(f)].data, faces[size_t(f)].size);
    ST_wam_vue vue{};
    vue.id = 1;
    std::strcpy(vue.name, "FZ001");
    const bool all = OrvWarp_LoadFaces(&vue);
    for (int f = 0; f < WARP_NB_FACES; f++) {
        const CSurface* face = OrvWarp_GetFace(f);
        Fuzz_Check(face && face->pixels && face->width == WARP_FACE_SIZE && face->height == WARP_FACE_SIZE,
                   "a face lost its surface");
    }
    return all;
}

// Faces of bands of colour, run-length coded so the seeds stay small; each face another depth or order.
FuzzBytes Face(int face) {
    TgaImage t;
    t.width = t.height = WARP_FACE_SIZE;
    t.type = 10;
    static const int kBits[WARP_NB_FACES] = {15, 16, 24, 32, 24, 16};
    t.bitsPerPixel = kBits[face];
    t.topDown = face % 2 == 1;
    t.rightToLeft = face == 4;
    t.rleAcrossRows = face != 2;
    for (int y = 0; y < WARP_FACE_SIZE; y++)
        for (int x = 0; x < WARP_FACE_SIZE; x++)
            t.pixels.push_back(0xFF000000u | uint32_t(face * 40) << 16 | uint32_t(y / 64 * 30) << 8 | uint32_t(x / 128 * 60));
    return TgaWriter_Encode(t);
}

std::vector<FuzzBytes> Seeds() {
    std::vector<FuzzBytes> faces;
    for (int f = 0; f < WARP_NB_FACES; f++) faces.push_back(Face(f));
    return {Fuzz_Join(faces)};
}

}  // namespace

QM_FUZZ_TARGET(panorama, Setup, Run, Seeds);
