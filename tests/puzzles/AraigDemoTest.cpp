// The demo's spider web played headless through the program's main loop: from the temple of YU into the
// web, the caterpillar's errand won, the grasshopper's lost to the spider with its video, and back out.
#include "app/main/Orv_Main.h"
#include "testdata/DemoToile.h"
#include "testdata/DemoWorld.h"
#include "tests/puzzles/AraigFixture.h"
#include "world/Orv_Msg.h"

namespace {

class AraigDemo : public AraigTest {
protected:
    // Passes until each page is shown, then a click closes it; the view comes back after the last.
    void Read(std::initializer_list<int32_t> pages) {
        for (int32_t n : pages) {
            for (int i = 0; i < 200 && !(LoopType == LOOP_MESSAGE && OrvMsg_Current() == n); i++) Pass();
            ASSERT_EQ(LoopType, LOOP_MESSAGE) << "message " << n;
            ASSERT_EQ(OrvMsg_Current(), n);
            Click();
        }
        EXPECT_EQ(LoopType, LOOP_WARP);
    }
    // Passes while a video plays; true when one played.
    static bool WatchVideo() {
        bool played = false;
        for (int i = 0; i < 400 && LoopType == LOOP_QMV; i++, played = true) Pass();
        return played;
    }
};

TEST_F(AraigDemo, TheWebIsEnteredFromTheTempleWonLostAndLeft) {
    std::string error;
    ASSERT_TRUE(DemoWorld_Write(dir.Path(), &error)) << error;
    ASSERT_TRUE(DemoToile_WriteGame(dir.Path(), &error)) << error;
    WriteInterface();
    StartModules();
    ASSERT_TRUE(Interp_RunInit());
    OrvWam_CancelJump();
    ASSERT_TRUE(OrvWam_RequestWorld(DEMO_WAM_YU, 2, false));
    Pass();
    ASSERT_EQ(View(), 2u);

    // The temple's left wall leads to the web.
    OrvWarp_SetViewAngles(-WARP_PI / 2, 0);
    Click();
    ASSERT_EQ(View(), SPIDERWEB_BEFORE);
    EXPECT_EQ(Interp_GetEngineVar(IV_MONDE), SPIDERWEB_MONDE);
    EXPECT_EQ(pz_actif, PZ_ARAIG);
    EXPECT_EQ(araig_stage, 1);
    EXPECT_TRUE(InBag("PLUME"));
    Read({11, DEMO_WEB_RULES_PAGE2[0]});

    // The caterpillar: in by 199 and 213, out by 215 and 200.
    EnterWeb();
    Walk(kToTheCentre);
    Walk(kFromTheCentre);
    MoveToward(SPIDERWEB_WAY_200);
    Read({12, DEMO_WEB_RULES_PAGE2[1]});
    EXPECT_EQ(View(), SPIDERWEB_WAY_200);
    EXPECT_EQ(Var("finaraign1"), 1);
    EXPECT_TRUE(InBag("CHENILLE"));

    // The grasshopper: a click toward the spider's cell, and the run is lost.
    MoveToward(215);
    ASSERT_TRUE(araig_running);
    ASSERT_EQ(araig_stage, 2);
    Settle();
    Walk({232});
    const int32_t spider = araig_actors[0].from;
    const std::vector<uint32_t> exits = SpiderWeb_Exits(232);
    ASSERT_NE(std::find(exits.begin(), exits.end(), uint32_t(spider)), exits.end()) << spider;
    MoveToward(uint32_t(spider));
    for (int i = 0; i < 400 && araig_running; i++) Pass();
    EXPECT_FALSE(araig_running);
    EXPECT_TRUE(WatchVideo());
    EXPECT_EQ(LoopType, LOOP_WARP);
    EXPECT_EQ(View(), SPIDERWEB_WAY_199);
    EXPECT_EQ(Var("finaraign2"), 0);
    EXPECT_FALSE(InBag("SAUTERELLE"));
    EXPECT_EQ(pz_actif, PZ_ARAIG);

    // Out of the web: the puzzle ends in the temple.
    MoveToward(SPIDERWEB_BEFORE);
    ASSERT_EQ(View(), SPIDERWEB_BEFORE);
    float yaw, pitch;
    OrvWarp_GetViewAngles(&yaw, &pitch);
    OrvWarp_SetViewAngles(yaw + WARP_PI, 0);
    Click();
    EXPECT_EQ(View(), 2u);
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_FALSE(araig_db_loaded);
    EXPECT_TRUE(fatals.empty()) << Reports();
}

}  // namespace
