// The demo installation's puzzle view, the stars of YU 121, played from a new game with injected input.
#include <cmath>
#include <filesystem>

#include "PuzzleFixture.h"
#include "menus/Orv_MenuHooks.h"
#include "puzzles/pz_crane.h"
#include "testdata/DemoFixture.h"
#include "testdata/DemoWorld.h"
#include "world/Orv_Msg.h"

namespace {
class DemoStarsTest : public PuzzleTest {
protected:
    // One main-loop pass of the loop type in force.
    void Step() {
        DXDispatch();
        if (LoopType == LOOP_MESSAGE) OrvMsg_continue();
        else OrvWarp_continue();
        frame_timer_take_flag(NEWFRAME_MAIN);
    }
    void Button(int button) {
        Input_InjectButton(button, true);
        Input_InjectButton(button, false);
        Step();
    }
    // Reads message n and clicks it away.
    void Read(int32_t n) {
        for (int i = 0; i < 50 && LoopType != LOOP_MESSAGE; i++) Step();
        ASSERT_EQ(LoopType, LOOP_MESSAGE);
        ASSERT_EQ(OrvMsg_Current(), n);
        Button(MOUSE_LEFT);
        for (int i = 0; i < 5; i++) Step();
        ASSERT_EQ(LoopType, LOOP_WARP);
    }
};
}  // namespace

TEST_F(DemoStarsTest, TheSevenStarsAreLaidFromTheBag) {
    // The demo over the fixture's own CD probe.
    std::filesystem::remove(dir / cd_probe_name(1));
    std::string error;
    ASSERT_TRUE(DemoFixture_Copy(dir.Path(), {}, &error)) << error;
    StartModules(false);
    // A new game starts the puzzles afresh.
    pz_actif = PZ_AMES;
    crane_etat[2] = '2';
    ASSERT_TRUE(MenuHooks.Interp_RunInit());
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_STREQ(crane_etat, "0199999");
    Read(1);
    ASSERT_TRUE(OrvWam_RequestWorld(DEMO_WAM_YU, DEMO_STARS_VIEW, false));
    Step();
    ASSERT_EQ(OrvWam_CurrentVue->id, DEMO_STARS_VIEW);
    Read(9);
    ASSERT_EQ(Inventaire_NbObjets, 7);

    int laid = 0;
    for (int n = 0; n < DEMO_STAR_PLACES; n++) {
        if (!DemoWorld_StarFinishes(n)) continue;
        Button(MOUSE_RIGHT);  // the bag opens
        ASSERT_TRUE(Inventaire_Shown);
        Inventaire_Choisit(0);
        Button(MOUSE_RIGHT);  // and closes with a star in hand
        ASSERT_FALSE(Inventaire_Shown);
        const int32_t star = Var("OBJETENMAIN");
        ASSERT_NE(star, 0);
        float u, v;
        DemoWorld_StarPlace(n, &u, &v);
        OrvWarp_SetViewAngles(std::atan(u), std::atan2(v, std::sqrt(1.0f + u * u)));
        Button(MOUSE_LEFT);
        EXPECT_EQ(Interp_ReadVar(("etat_etoile" + std::to_string(n)).c_str()), star) << n;
        if (++laid < 7) EXPECT_EQ(Var("etoiles_fini"), 0);
    }
    Read(10);
    EXPECT_EQ(Var("etoiles_fini"), 1);
    EXPECT_EQ(Inventaire_NbObjets, 0);
    // After the entry that draws nothing.
    EXPECT_EQ(Frames("Etoiles_Puz"), (std::vector<int>{SPW_FRAME_NONE, 0, 2, 6, 8, 11, 13, 16}));
    Step();
    const ST_spw_visible& sky = Slot("Etoiles_Puz", WAM_OBJET);
    EXPECT_LE(sky.drawn.left, sky.drawn.right) << "the stars are painted";
    EXPECT_TRUE(fatals.empty()) << Reports();
}
