// Ambient noises: set-up per view, random starts by percentage, level and pan, transitions, freeing.
#include <array>
#include <cmath>
#include <cstring>
#include <deque>

#include "AudioTestUtil.h"
#include "audio/AudioMath.h"

namespace {

// The world the noises ask about; every source is heard with levels 200 left, 100 right.
struct FakeWorld {
    std::string name = "wam/BIGILE1.WAM";
    ST_wam_vue* view = nullptr;
    ST_wam_son* sounds = nullptr;
    std::vector<std::array<float, 4>> heard;  // listener x, y, z and the yaw handed over
} g_world;

class BruitageTest : public AudioTest {
protected:
    std::deque<ST_wam_son> sons;
    std::deque<ST_wam_bruitage> refs;
    std::deque<ST_wam_vue> views;

    void SetUp() override {
        AudioTest::SetUp();
        g_world = FakeWorld{};
        OrvSoundWorldLink link;
        link.currentView = [] { return g_world.view; };
        link.worldName = [] { return g_world.name.c_str(); };
        link.sounds = [] { return g_world.sounds; };
        link.getViewAngles = [](float* yaw, float* pitch) { *yaw = 0.5f, *pitch = 0.0f; };
        link.soundDirection = [](ST_wam_son_pos* pos, float x, float y, float z, float, float, float, float yaw,
                                 float) {
            pos->leftLevel = 200;
            pos->rightLevel = 100;
            g_world.heard.push_back({x, y, z, yaw});
        };
        OrvSound_SetWorldLink(link);
        for (const char* n : {"vent.ksn", "oiseau.ksn", "gouttes.ksn", "0123456789ab.ksn"})
            ASSERT_TRUE(KsnWriter_Save(Ksn(n), KsnWriter_TestSignal(2000, 1, 7), 1, 22050));
    }
    void TearDown() override {
        OrvSound_FreeBruitages();
        OrvSound_SetWorldLink(OrvSoundWorldLink{});
        AudioTest::TearDown();
    }

    ST_wam_son* Son(uint32_t id, std::vector<const char*> recordings = {"vent.ksn"},
                    std::array<uint8_t, 4> percent = {100, 0, 0, 0}) {
        ST_wam_son& s = sons.emplace_back();
        std::memset(&s, 0, sizeof s);
        s.id = id;
        std::snprintf(s.name, sizeof s.name, "son%u", id);
        std::memcpy(s.percent, percent.data(), 4);
        for (size_t i = 0; i < recordings.size(); ++i)
            std::memcpy(s.recording[i], recordings[i], std::min<size_t>(16, std::strlen(recordings[i])));
        s.next = g_world.sounds;
        g_world.sounds = &s;
        return &s;
    }
    ST_wam_vue* View(uint32_t id, std::vector<uint32_t> sonIds) {
        ST_wam_vue& v = views.emplace_back();
        v.id = id;
        v.bruitages = nullptr;
        for (auto it = sonIds.rbegin(); it != sonIds.rend(); ++it) {
            ST_wam_bruitage& r = refs.emplace_back();
            r = ST_wam_bruitage{*it, {1.0f, 2.0f, 3.0f}, nullptr, v.bruitages};
            v.bruitages = &r;
        }
        return &v;
    }
    // Arrival in a view with no transition video.
    void Arrive(ST_wam_vue* v) {
        g_world.view = v;
        OrvSound_InitBruitagesWarp();
        OrvSound_InitBruitagesApresFli();
    }
    static BruitageSlotInfo Slot(int k) { return OrvSound_GetBruitageSlot(k); }
    static float ListenerX(bool previous = false) {
        float cur[3], prev[3];
        OrvSound_GetListener(cur, prev);
        return previous ? prev[0] : cur[0];
    }
    bool LogFileHas(const std::string& text) const {
        return ReadFileText(dir / "quillmar2.log").find(text) != std::string::npos;
    }
    static int Shares(int id) {
        OrvSoundInfo info;
        return OrvSound_GetInfo(id, &info) ? info.shares : 0;
    }
};

}  // namespace

TEST_F(BruitageTest, ArrivalLoadsTheRecordingsOfEachNoise) {
    Son(1, {"vent.ksn", "oiseau.ksn"}, {50, 50, 0, 0});
    Son(2, {"0123456789ab.ksn", "", "gouttes.ksn"});  // sixteen characters, no terminator
    ST_wam_vue* v = View(1, {1, 9, 2});
    Arrive(v);
    EXPECT_FLOAT_EQ(ListenerX(), 1093.7f);
    const BruitageSlotInfo s0 = Slot(0), s1 = Slot(1);
    EXPECT_EQ(s0.ref, v->bruitages);
    EXPECT_EQ(v->bruitages->next->son, nullptr);  // no record 9
    EXPECT_NE(s0.ids[1], -1);
    EXPECT_EQ(s0.ids[2], -1);
    EXPECT_NE(s1.ids[0], -1);
    EXPECT_EQ(s1.ids[1], -1);  // the list ends at the first empty name
    OrvSoundInfo info;
    ASSERT_TRUE(OrvSound_GetInfo(s1.ids[0], &info));
    EXPECT_EQ(info.name, "0123456789ab.ksn");
    EXPECT_EQ(info.pos, &sons[1].pos);
    EXPECT_TRUE(LogFileHas("**Bruitage son1 :Load: oiseau.ksn No 0 wav No 1"));
    // A view without a listener record listens from the origin.
    Arrive(View(77, {1}));
    EXPECT_EQ(ListenerX(), 0.0f);
    EXPECT_FLOAT_EQ(ListenerX(true), 1093.7f);
}

TEST_F(BruitageTest, StartsFollowThePercentages) {
    Son(1, {"vent.ksn", "oiseau.ksn"}, {30, 30, 0, 0});
    Arrive(View(1, {1}));
    orv_srand(20240);
    int counts[3] = {0, 0, 0};
    const int draws = 3000;
    for (int i = 0; i < draws; ++i) {
        tst_start_new_bruitage(0);
        if (OrvSound_get_voice_state(VOICE_BRUITAGE)) {
            counts[Slot(0).choice]++;
            OrvSound_stop_voice(VOICE_BRUITAGE);
            continue;
        }
        // A pause of 15 frames plus up to 40 percent of 32767/32767 frames.
        const int32_t next = Slot(0).nextStart;
        ASSERT_GE(next, FrameCount + 15);
        ASSERT_LE(next, FrameCount + 55);
        counts[2]++;
        FrameCount = next - 1;
        tst_start_new_bruitage(0);
        ASSERT_EQ(Slot(0).nextStart, next);  // not due yet
        FrameCount = next;
        tst_start_new_bruitage(0);
        ASSERT_EQ(Slot(0).nextStart, 0);  // the next call draws again
    }
    EXPECT_NEAR(counts[0] / double(draws), 0.30, 0.03);
    EXPECT_NEAR(counts[1] / double(draws), 0.30, 0.03);
    EXPECT_NEAR(counts[2] / double(draws), 0.40, 0.03);
}

TEST_F(BruitageTest, AHundredPercentLoopsTheFirstRecordingAndStartsSilent) {
    ST_wam_son* s = Son(1);
    s->pos.leftLevel = s->pos.rightLevel = 180;
    Arrive(View(2, {1}));
    for (int i = 0; i < 50; ++i) {
        OrvSound_stop_voice(VOICE_BRUITAGE);
        tst_start_new_bruitage(0);
        ASSERT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE), 1) << i;
    }
    // Levels cleared: silent until the next update.
    EXPECT_EQ(s->pos.leftLevel, 0);
    EXPECT_EQ(Gain(VOICE_BRUITAGE, true), 0.0f);
    EXPECT_EQ(Gain(VOICE_BRUITAGE, false), 0.0f);
    Render(5000);  // longer than the recording
    EXPECT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE), 1);

    // The update places the source: louder on the left, heard from this view's listener, yaw turned by pi.
    OrvSound_GereBruitagesWarp();
    ASSERT_FALSE(g_world.heard.empty());
    EXPECT_FLOAT_EQ(g_world.heard.back()[0], 1250.0f);
    EXPECT_FLOAT_EQ(g_world.heard.back()[3], 0.5f + float(M_PI));
    int att = 0, pan = 0;
    OrvSound_LevelsToVolumePan(200, 100, &att, &pan);
    EXPECT_FLOAT_EQ(Gain(VOICE_BRUITAGE, true), Snd_AttenuationToGain(att));
    EXPECT_LT(Gain(VOICE_BRUITAGE, false), Gain(VOICE_BRUITAGE, true));
    EXPECT_GT(Gain(VOICE_BRUITAGE, false), 0.0f);
}

TEST_F(BruitageTest, NineNoisesSetUpEight) {
    for (uint32_t i = 1; i <= 9; ++i) Son(i);
    g_world.view = View(3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    OrvSound_InitBruitagesWarp();
    EXPECT_TRUE(Warned("OrvSound_InitBruitagesWarp(vue 3) : tbl_bruits_du_warp OVERFLOW"));
    EXPECT_NE(Slot(MAX_BRUIT_PAR_WARP - 1).ref, nullptr);
    EXPECT_EQ(Shares(Slot(0).ids[0]), 8);
}

TEST_F(BruitageTest, TransitionGlidesTheListenerAndFadesTheOldNoises) {
    Son(1);
    Son(2, {"oiseau.ksn"});
    Arrive(View(1, {1}));
    OrvSound_GereBruitagesWarp();
    const int oldId = Slot(0).ids[0];
    g_world.view = View(3, {2});
    OrvSound_InitBruitagesWarp();
    OrvSound_SetBruitagesTransition(30);
    std::vector<float> oldLeft;
    for (int step = 0; step < 30; ++step) {
        g_world.heard.clear();
        OrvSound_GereBruitagesFli();
        ASSERT_FALSE(g_world.heard.empty());
        // Listener from view 1 (1093.7) to view 3 (1400), one thirtieth per frame.
        EXPECT_NEAR(g_world.heard[0][0], 1093.7f + step * (1400.0f - 1093.7f) / 30.0f, 0.01f);
        oldLeft.push_back(Gain(VOICE_BRUITAGE, true));
        // The new view's noise starts silent in the first frame, then has its full level.
        EXPECT_FLOAT_EQ(Gain(VOICE_BRUITAGE + 1, true), step == 0 ? 0.0f : oldLeft[0]);
    }
    for (int step = 1; step <= 10; ++step) EXPECT_EQ(oldLeft[size_t(step)], oldLeft[0]) << step;
    for (int step = 11; step < 30; ++step) EXPECT_LT(oldLeft[size_t(step)], oldLeft[size_t(step - 1)]) << step;
    EXPECT_LT(oldLeft[29], oldLeft[0] * 0.05f);
    EXPECT_NEAR(ListenerX(true), 1400.0f, 0.01f);

    OrvSound_InitBruitagesApresFli();
    EXPECT_EQ(Slot(0).ref, nullptr);
    EXPECT_EQ(Shares(oldId), 0);
    EXPECT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE), 0);
    EXPECT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE + 1), 1);

    // A transition of no frames silences the old noises at once.
    OrvSound_GereBruitagesWarp();
    g_world.view = View(4, {});
    OrvSound_InitBruitagesWarp();
    OrvSound_SetBruitagesTransition(0);
    OrvSound_GereBruitagesFli();
    EXPECT_EQ(Gain(VOICE_BRUITAGE + 1, true), 0.0f);
    EXPECT_EQ(Gain(VOICE_BRUITAGE + 1, false), 0.0f);
    EXPECT_TRUE(std::isfinite(ListenerX(true)));
}

TEST_F(BruitageTest, ANoiseOfBothViewsGoesOnAndFreeingGivesBackOnlyTheSlotsShares) {
    Son(1);
    Son(2, {"vent.ksn", "gouttes.ksn"});
    Arrive(View(1, {1, 2}));
    OrvSound_GereBruitagesWarp();
    const int shared = Slot(0).ids[0];
    ASSERT_EQ(Slot(1).ids[0], shared);
    EXPECT_EQ(Shares(shared), 2);
    const SoundHandle h = OrvSound_GetVoiceHandle(VOICE_BRUITAGE + 1);
    ASSERT_NE(h, ORVSOUND_NO_HANDLE);
    Render(300);
    ST_wam_vue* b = View(2, {2});
    Arrive(b);
    OrvSound_GereBruitagesWarp();
    EXPECT_EQ(Slot(0).ref, nullptr);
    EXPECT_EQ(Slot(1).ref, b->bruitages);
    EXPECT_EQ(Shares(shared), 1);
    // Not restarted: the same buffer, 300 frames on.
    EXPECT_EQ(OrvSound_GetVoiceHandle(VOICE_BRUITAGE + 1), h);
    int play = 0;
    SysSnd_GetSoundPosition(h, &play, nullptr);
    EXPECT_EQ(play, 600);
    EXPECT_TRUE(LogFileHas("**Bruitage OrvSound_InitBruitagesApresFli() : free: No 0"));

    // A world change frees every slot; a sound still held elsewhere forgets the old world's record.
    const int held = OrvSound_load("gouttes.ksn", nullptr);
    OrvSound_FreeBruitages();
    EXPECT_EQ(Slot(1).ref, nullptr);
    EXPECT_EQ(Shares(shared), 0);
    OrvSoundInfo info;
    ASSERT_TRUE(OrvSound_GetInfo(held, &info));
    EXPECT_EQ(info.pos, nullptr);
    EXPECT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE + 1), 0);
    EXPECT_TRUE(LogFileHas("**Bruitage free: No 1, wav 1"));
}

TEST_F(BruitageTest, NoNoisesInAnotherWorldAndNoHarmWithoutAViewOrALink) {
    g_world.name = "autre.wam";
    Son(1);
    Arrive(View(1, {1}));
    OrvSound_GereBruitagesWarp();
    EXPECT_EQ(Slot(0).ref, nullptr);
    EXPECT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE), 0);
    EXPECT_EQ(Shares(0), 0);
    g_world.view = nullptr;
    OrvSound_InitBruitagesWarp();
    // Before any view (the intros) there is nothing to settle; a noise held without a view is reported.
    OrvSound_InitBruitagesApresFli();
    EXPECT_FALSE(Warned("OrvSound_InitBruitagesApresFli(): current_vue=NULL!!!"));
    g_world.name = "bigile1.wam";
    Arrive(View(1, {1}));
    g_world.view = nullptr;
    OrvSound_InitBruitagesApresFli();
    EXPECT_TRUE(Warned("OrvSound_InitBruitagesApresFli(): current_vue=NULL!!!"));
    OrvSound_SetWorldLink(OrvSoundWorldLink{});
    OrvSound_InitBruitagesWarp();
    OrvSound_GereBruitagesWarp();
    OrvSound_GereBruitagesFli();
    EXPECT_FALSE(AnyFatal());
}
