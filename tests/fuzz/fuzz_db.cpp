// 3D scene databases (".db"): loaded into the scene layer with their cameras, then drawn over a few frames.
#include "engine3d/Orv3D.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "testdata/DbWriter.h"
#include "testdata/SceneWriter.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/Scene3DReset.h"

namespace {

void Setup() {
    Fuzz_UseDisplay();
    Orv3D_Init();
    // The render scene's pictures; the sample scene's "checker.tga" stays missing (a checkerboard).
    Fuzz_Check(SceneWriter_SaveRenderScene(Fuzz_Path("datas_q2/3d/dial/"), "scene.db"), "no scene pictures");
}

bool Run(const uint8_t* data, size_t size) {
    const FuzzBytes file = Fuzz_SizedFile(data, size, 12);
    Fuzz_WriteFile("datas_q2/3d/fuzz.db", file.data(), file.size());
    Orv3DDataBase db;
    const bool loaded = Orv3D_LoadDatabase(Fuzz_Path("datas_q2/3d/fuzz.db").c_str(), db, true);
    if (loaded && Orv3D_CurrentCamera) {
        CSurface* target = OrvDisplay_GetRenderTarget();
        for (int k = 0; k < 3; k++) {
            p_zbufTR = k == 1 ? nullptr : &Orv3D_zbuf;
            if (target) ClearSurface(*target, 0);
            if (Orv3D_zbuf.pixels) ClearSurface(Orv3D_zbuf, 0);
            Orv3D_draw_DataBase(&db);
            for (int step = 0; step < 5; step++) Orv3D_next_frame(&db);
        }
    }
    if (db.valid) Orv3D_clear(&db);
    Scene3D_Forget();
    return loaded;
}

std::vector<FuzzBytes> Seeds() {
    CTDataBase small = SceneWriter_RenderScene();
    small.objects.clear();
    small.meshes.clear();
    small.animations.clear();
    small.meshes["Box"] = SceneWriter_Box("Box", 1.0f, "Brick", "Red");
    DbWriter_Add(small.objects, DbWriter_Object("Box", "Box", "", {0, 0, 0}));
    return {Fuzz_AsIs(DbWriter_Encode(DbWriter_SampleScene())), Fuzz_AsIs(DbWriter_Encode(small)),
            Fuzz_AsIs(DbWriter_Encode(small, 9))};
}

}  // namespace

QM_FUZZ_TARGET(db, Setup, Run, Seeds);
