// View sprite files (".SPW"): loaded into view slots and painted into the cube faces; drawn alone.
#include <cstring>

#include "graphics2d/Orv_Spr.h"
#include "panorama/Orv_Spw.h"
#include "testdata/PanoramaWriter.h"
#include "testdata/SprWriter.h"
#include "tests/fuzz/FuzzTarget.h"
#include "world/wam.h"

namespace {

CSystemMemorySurface g_faces[6];

void Setup() {
    Fuzz_UseSprites();
    for (CSystemMemorySurface& f : g_faces) {
        Fuzz_Check(f.Create(512, 512, PixelFormatOf(PFID_R5G6B5)), "no face");
        f.Lock();
    }
}

bool Run(const uint8_t* data, size_t size) {
    const FuzzBytes file = Fuzz_SizedFile(data, size, SPR_HDR_FILESIZE);
    Fuzz_WriteFile("datas_q2/spw/FUZZa001.SPW", file.data(), file.size());
    const std::string path = Fuzz_Path("datas_q2/spw/FUZZa001.SPW");
    // One slot in the middle of a face, one across the edge of another.
    ST_wam_perso perso{};
    perso.type = WAM_OBJET;
    ST_wam_animation anims[2] = {};
    anims[0] = ST_wam_animation{'a', 1, 1, 1, 0, 7, 0, 200, 100, nullptr};
    anims[1] = ST_wam_animation{'a', 1, 1, 0, 1, 1000, 5, 500, -3, nullptr};
    int loaded = 0;
    for (ST_wam_animation& a : anims) loaded += OrvSpw_load(path.c_str(), &perso, &a);
    CSurface* const faces[6] = {&g_faces[0], &g_faces[1], &g_faces[2], &g_faces[3], &g_faces[4], &g_faces[5]};
    for (int32_t tick = 0; tick < 12 && loaded; tick++) {
        OrvSpw_Paint(faces, tick);
        (void)OrvSpw_HitAt(0, 210, 110);
        OrvSpw_Advance();
    }
    OrvSpw_FreeAll();

    // The front end alone: every frame drawn at the corners of a small screen.
    SprSpw* spw = nullptr;
    const bool alone = OrvSpr_LoadSpw(path.c_str(), &spw);
    Fuzz_Check(alone == (loaded > 0), "the two loads disagree");
    if (spw) {
        CSystemMemorySurface screen;
        Fuzz_Check(screen.Create(32, 24, PixelFormatOf(PFID_X8R8G8B8)), "no screen");
        screen.Lock();
        OrvSpr_SetSurfaceInfo(&screen);
        for (int n = 0; n < OrvSpr_GetNbFrameSpw(spw) && n < 16; n++) {
            OrvSpr_AffSpw(spw, n, -5, -5);
            OrvSpr_AffSpw(spw, n, 30, 20);
        }
        OrvSpr_SetSurfaceInfo(nullptr);
        screen.Unlock();
        OrvSpr_FreeSpw(&spw);
    }
    return alone;
}

std::vector<FuzzBytes> Seeds() {
    SprWriterOptions spw;
    spw.kind = SprFileKind::Spw;
    std::vector<SprImage> frames = PanoramaWriter_SpwFrames(3, 20, 14, 0x30C030);
    frames[1].x = -4;
    frames[2].y = 9;
    return {Fuzz_AsIs(SprWriter_Encode(frames, spw)),
            Fuzz_AsIs(SprWriter_Encode(PanoramaWriter_SpwFrames(1, 64, 2, 0xC03030), spw))};
}

}  // namespace

QM_FUZZ_TARGET(spw, Setup, Run, Seeds);
