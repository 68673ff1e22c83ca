// Fixture of the warp-mode tests: headless 640x480 display, sprite plug-in, names, interpreter and a test world.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/FrameTimer.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "panorama/WarpFaceNames.h"
#include "testdata/PanoramaWriter.h"
#include "testdata/ScriptWriter.h"
#include "testdata/WamWriter.h"
#include "tests/support/ScratchInstall.h"
#include "world/ChapterScript.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/wam.h"
#include "tests/support/HeadlessSuite.h"

// Zone ids of the test names, by position in #ZONES_CLIC#.
enum : uint32_t { TZ_DEVANT = 1, TZ_MORTE = 2, TZ_SPRITE = 3 };
constexpr uint32_t kTestLien = 60;

// A square of world directions (y up) around the axis of a face: 0 ahead, 1 right, 2 behind, 3 left.
inline std::vector<WamPointDesc> TestSquare(int face, float u, float v, float half) {
    return WamWriter_FaceSquare(face, u, v, half);
}

class WarpWorldTest : public HeadlessSpriteTest, protected ScratchInstall {
protected:
    void SetUp() override {
        OpenInstall(true, false);
        cd_init();
        config_reset();
        Input_Reset();
        frame_timer_reset();
        OrvHooks_Reset();
        window.Open(640, 480, false);
        ASSERT_TRUE(OrvDisplay_Init(&window));
        OrvSpr_SetScreenFormat(window.GetPixelFormat());

        DefNamesDesc names;
        names.personnages = {"PERSONNE", "VEILLEUR"};
        names.objets = {"RIEN 0", "VASE 1"};
        names.sujets = {"AUCUN 0 0"};
        names.variables = DefNames_EngineVariables();
        names.zones = {"AUCUNE", "ZONE_DEVANT", "ZONE_MORTE", "ZONE_SPRITE", "ZONE_HAUT"};
        ASSERT_TRUE(DefName_LoadText(DefNames_Make(names), "test"));
        Interp_Init();
        Interp_ResetState();

        // Faces of every view: the coded style, whose pixels name their face and texel. Encoding the
        // pictures is slow under the sanitizers: once per run.
        static std::vector<uint8_t> coded[6];
        for (const char* v : {"IR010", "IR011", "IR073", "YU020"})
            for (int f = 0; f < 6; f++) {
                if (coded[f].empty()) coded[f] = PanoramaWriter_FaceFile(f, FaceStyle::Coded);
                ASSERT_TRUE(WriteFileBytes(dir / "datas_q2/warp/" + WarpFace_FileName(v, f), coded[f].data(), coded[f].size()));
            }
        ASSERT_TRUE(PanoramaWriter_WriteSpw(dir / "datas_q2/spw/VASEa001.SPW", PanoramaWriter_SpwFrames(3, 64, 64, 0x30C030)));
        ASSERT_TRUE(WamWriter_Save(dir / "wam/test.wam", World()));
        ASSERT_TRUE(WamWriter_Save(dir / "wam/autre.wam", Other()));
        ASSERT_TRUE(wam_load_game("test.wam"));
        ASSERT_TRUE(OrvWarp_Init());
        OrvWarp_OnLoopType(0);
    }

    void TearDown() override {
        OrvWarp_Close();
        Interface_FreeBank();
        OrvWam_Free();
        Interp_Free();
        DefName_Free();
        OrvDisplay_Close();
        window.Close();
        OrvHooks_Reset();
        Input_Reset();
        frame_timer_reset();
        config_reset();
        CloseInstall();
    }

    // View 10: free yaw; a scenario zone ahead, a move zone right, a disabled zone behind, a link
    // left, and a clickable vase sprite with its own zone at yaw ~0.6. View 11: limited angles.
    static WamVueDesc Vue(uint32_t id, const char* name) {
        WamVueDesc v;
        v.id = id;
        v.name = name;
        return v;
    }
    static WamFileDesc World() {
        WamFileDesc f;
        WamVueDesc v10 = Vue(10, "IR010"), v11 = Vue(11, "IR011"), v73 = Vue(73, "IR073");
        v10.pitchMin = -0.6f;
        v10.pitchMax = 0.6f;
        v10.zones = {{3, TZ_DEVANT, "ZONE_DEVANT", TestSquare(0, 0, 0, 0.2f)},
                     {1, 11, "", TestSquare(1, 0, 0, 0.3f)},
                     {3 + 88888, TZ_MORTE, "ZONE_MORTE", TestSquare(2, 0, 0, 0.3f)},
                     {2, kTestLien, "", TestSquare(3, 0, 0, 0.3f)},
                     {3, TZ_SPRITE, "ZONE_SPRITE", TestSquare(0, 0.68f, 0, 0.12f)}};
        v10.dests = {{11, "ir010_11"}};
        v11.yawMin = -1.0f;
        v11.yawMax = 1.0f;
        v11.pitchMin = -0.5f;
        v11.pitchMax = 0.4f;
        v11.yawStart = 2.0f;
        v11.pitchStart = 0.1f;
        v73.zones = {{3, TZ_DEVANT, "ZONE_DEVANT", TestSquare(0, 0, 0, 0.2f)}};
        f.lieux = {{1, "Salle", {v10, v11, v73}}};
        f.liens = {{kTestLien, "autre.wam", 20}};
        // The vase: face 0, corner (400, 224), 64 x 64: its centre lies at yaw atan(0.68).
        f.persos = {{2, "VASE", "VASE", {{'a', 1, 10, 1, 0, 2, 0, 400, 224}}}};
        return f;
    }
    static WamFileDesc Other() {
        WamFileDesc f;
        f.monde = 2;
        f.lieux = {{1, "Temple", {Vue(20, "YU020")}}};
        return f;
    }

    // Makes a view current and enters it.
    void Enter(uint32_t id) {
        ST_wam_vue* v = OrvWam_FindVue(id);
        ASSERT_NE(v, nullptr);
        OrvWam_SetCurrentVue(v);
        ASSERT_TRUE(OrvWarp_start());
    }

    // Installs a chapter script of one view's blocks.
    static void Script(const ChapterWriter& w) {
        std::unique_ptr<ChapterScript> s = ChapterScript_Parse(w.Text(), 1, "test");
        ASSERT_NE(s, nullptr);
        Interp_InstallScript(std::move(s));
    }

    // Drawing of one pass: the frame, then the zone and pointer under the centre.
    static void Draw() {
        ASSERT_TRUE(OrvWarp_Render());
        OrvWarp_DisplayFrame();
        OrvDisplay_UnlockSurface();
    }

    int32_t Var(int v) const { return Interp_GetEngineVar(v); }

    Velkrum::CDirectDrawWindow window;
};
