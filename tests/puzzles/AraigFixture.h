// Fixture of the spider puzzle's tests: the generated web installed with the spider's names, the game's
// modules and links started headless, and helpers that look, click and let the passes run.
#pragma once
#include <cmath>
#include <functional>

#include "puzzles/pz_araig.h"
#include "puzzles/pz_toile.h"
#include "testdata/SpiderWeb.h"
#include "tests/puzzles/PuzzleHarness.h"

class AraigTest : public PuzzleHarness {
protected:
    static constexpr const char* kWorld = "toile.wam";

    AraigTest() : PuzzleHarness(640, true) {}

    void SetUp() override {
        PuzzleHarness::SetUp();
        names.personnages = {"PERSONNE", "CHAUVE_SOURIS", "PRETRESSE"};
        names.objets = {"RIEN 0", "EPEE 1", "PLUME 2", "CHENILLE 3", "SAUTERELLE 4", "CRANE_ARAIG2 5"};
        names.sujets = {"AUCUN 0 0", "DEESSE_ARAIGNEE 1 0"};
        for (const char* v : {"finmaya1", "finmaya2", "finmaya3", "finaraign1", "finaraign2", "finaraign3",
                              "FuiteToileAraig"})
            names.variables.push_back(v);
        world = SpiderWeb_World();
        // A flight from the web skips the way's entry; the scenario enters it again.
        for (uint32_t way : {SPIDERWEB_WAY_199, SPIDERWEB_WAY_200}) {
            chapter.Vue("YU", way);
            chapter.Block("FuiteToileAraig=1", {"(FuiteToileAraig=0)(NEXTVUE=" + std::to_string(way) + ")"});
        }
    }

    // Writes the installation, starts the modules as the program does with the game's links, records
    // the commands of other modules' words instead of running them, then (after `beforeEntry`) jumps
    // into the web's world at view 198.
    void Start(const std::function<void()>& beforeEntry = {}) {
        WriteScenario(kWorld);
        std::string error;
        ASSERT_TRUE(SpiderWeb_Write3D(dir.Path(), &error)) << error;
        WriteSprites(8);
        StartModules();
        RecordWords({"NewSound", "cinema", "dial", "enablesuj"});
        if (beforeEntry) beforeEntry();
        ASSERT_TRUE(OrvWam_RequestWorld(kWorld, SPIDERWEB_BEFORE, false));
        Pass();
        ASSERT_EQ(View(), SPIDERWEB_BEFORE) << Reports();
    }
    // Starts with the errands before `stage` done.
    void StartAtStage(int stage) {
        Start([stage] {
            for (int s = 1; s < stage; s++) Interp_WriteVar(("finaraign" + std::to_string(s)).c_str(), 1);
        });
    }

    // --- Playing.

    // A jump to the view, as the scenario's NEXTVUE asks for it, done at the end of a pass.
    void Jump(uint32_t id) {
        OrvWam_RequestVue(id);
        Pass();
    }
    // One pass of the main loop in its current type; the frame timer has ticked since the last one.
    static void Pass() {
        NewFrameFlags |= NEWFRAME_ALL;
        FrameCount++;
        OrvMain_LoopFrame();
    }
    // Passes until every spider stands still (at most limit); the number of passes.
    int Settle(int limit = 2000) {
        int n = 0;
        for (; n < limit && !SpidersStill(); n++) Pass();
        return n;
    }
    static bool SpidersStill() {
        for (int i = 0; i < araig_nb_actors; i++) {
            const ST_araig_actor& a = araig_actors[i];
            if (araig_is_spider(a) && (a.rate != 0.0f || a.from != a.to || a.progress != 0.0f))
                return false;
        }
        return true;
    }
    // Looks at the spot of a neighbouring view on the web, lowered by `below` radians: by default into the
    // low part of the move zone, clear of a spider standing there.
    static void LookToward(uint32_t to, float below = 0.2f) {
        float yaw, pitch;
        SpiderWeb_AimToward(OrvWam_CurrentVue->id, to, &yaw, &pitch);
        OrvWarp_SetViewAngles(yaw, pitch - below);
    }
    // Looks at a direction of the camera's space (y down).
    static void LookAt(const CTVector3& p) {
        OrvWarp_SetViewAngles(std::atan2(p.x, p.z), std::atan2(-p.y, std::sqrt(p.x * p.x + p.z * p.z)));
    }
    // A left click at the screen centre: one pass with the button pressed and released.
    void Click() {
        InjectClick();
        DXDispatch();
        Pass();
    }
    // Looks at the middle of actor 0's body and clicks there.
    void ClickSpider() {
        CTVector3 body = araig_actor_pos(0);
        body.y -= 20.0f;
        LookAt(body);
        Click();
    }
    // A click on the move zone toward a neighbouring view.
    void MoveToward(uint32_t to) {
        LookToward(to);
        Click();
    }
    // Moves and lets the spiders answer; fails when the player did not arrive.
    void Walk(const std::vector<uint32_t>& path) {
        for (uint32_t to : path) {
            MoveToward(to);
            ASSERT_EQ(View(), to) << "toward " << to << "\n" << Reports();
            Settle();
        }
    }
    // Into the web by a way and its cell; with EnterWeb the run has started there and the spiders settle.
    void IntoWeb(uint32_t way = SPIDERWEB_WAY_199) {
        MoveToward(way);
        MoveToward(way == SPIDERWEB_WAY_199 ? 213 : 215);
    }
    void EnterWeb(uint32_t way = SPIDERWEB_WAY_199) {
        IntoWeb(way);
        ASSERT_TRUE(araig_running) << Reports();
        Settle();
    }
    // Out of the web by a way: the flight skips the way's entry, the scenario enters it again.
    void FleeWeb(uint32_t way) {
        MoveToward(way);
        Pass();
        Pass();
        ASSERT_EQ(View(), way) << Reports();
    }
    // From 213 to the centre, and from the centre out to 215, out of reach of stage 1's small spider.
    static inline const std::vector<uint32_t> kToTheCentre = {214, 231, 214, 213, 230, 247, 264, 265};
    static inline const std::vector<uint32_t> kFromTheCentre = {250, 233, 232, 215};
};
