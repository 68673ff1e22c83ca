// Ambient noises: set-up per view, random starts by percentage, level and pan, transitions, freeing.
#include <array>
#include <cmath>
#include <cstring>
#include <deque>

#include "AudioTestUtil.h"
#include "audio/AudioMath.h"

namespace {

struct FakeWorld {
    std::string name;
    ST_wam_vue* view = nullptr;
    ST_wam_son* sounds = nullptr;
    float yaw = 0.5f;
    int left = 200, right = 100;
    std::vector<std::array<float, 4>> heard;  // listener x, y, z and the yaw handed over
} g_world;

ST_wam_vue* worldView() { return g_world.view; }
const char* worldName() { return g_world.name.c_str(); }
ST_wam_son* worldSounds() { return g_world.sounds; }
void viewAngles(float* yaw, float* pitch) {
    *yaw = g_world.yaw;
    *pitch = 0.0f;
}
void direction(ST_wam_son_pos* pos, float x, float y, float z, float, float, float, float yaw, float) {
    pos->leftLevel = g_world.left;
    pos->rightLevel = g_world.right;
    g_world.heard.push_back({x, y, z, yaw});
}

class BruitageTest : public AudioTest {
protected:
    std::deque<ST_wam_son> sons;
    std::deque<ST_wam_bruitage> refs;
    std::deque<ST_wam_vue> views;

    void SetUp() override {
        AudioTest::SetUp();
        g_world = FakeWorld{};
        g_world.name = "wam/BIGILE1.WAM";
        OrvSoundWorldLink link;
        link.currentView = worldView;
        link.worldName = worldName;
        link.sounds = worldSounds;
        link.getViewAngles = viewAngles;
        link.soundDirection = direction;
        OrvSound_SetWorldLink(link);
        for (const char* n : {"vent.ksn", "oiseau.ksn", "gouttes.ksn", "0123456789ab.ksn"})
            ASSERT_TRUE(KsnWriter_Save(Ksn(n), KsnWriter_TestSignal(2000, 1, 7), 1, 22050));
    }
    void TearDown() override {
        OrvSound_FreeBruitages();
        OrvSound_SetWorldLink(OrvSoundWorldLink{});
        AudioTest::TearDown();
    }

    ST_wam_son* Son(uint32_t id, std::array<uint8_t, 4> percent, std::vector<const char*> recordings) {
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
    static float Gain(int voice, bool left) {
        float l = -1, r = -1;
        SysSnd_Mixer().GetGains(OrvSound_GetVoiceHandle(voice), &l, &r);
        return left ? l : r;
    }
    static int Shares(int id) {
        OrvSoundInfo info;
        return OrvSound_GetInfo(id, &info) ? info.shares : 0;
    }
};

}  // namespace

TEST_F(BruitageTest, AWorldNotNamedHasNoNoises) {
    g_world.name = "autre.wam";
    Son(1, {100, 0, 0, 0}, {"vent.ksn"});
    Arrive(View(1, {1}));
    OrvSound_GereBruitagesWarp();
    EXPECT_EQ(Slot(0).ref, nullptr);
    EXPECT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE), 0);
    float cur[3], prev[3];
    OrvSound_GetListener(cur, prev);
    EXPECT_EQ(cur[0], 0.0f);
    EXPECT_EQ(Shares(0), 0);
}

TEST_F(BruitageTest, ArrivalLoadsTheRecordingsOfEachNoise) {
    Son(1, {50, 50, 0, 0}, {"vent.ksn", "oiseau.ksn"});
    Son(2, {100, 0, 0, 0}, {"0123456789ab.ksn", "", "gouttes.ksn"});  // sixteen characters, no terminator
    ST_wam_vue* v = View(1, {1, 9, 2});
    Arrive(v);
    float cur[3], prev[3];
    OrvSound_GetListener(cur, prev);
    EXPECT_FLOAT_EQ(cur[0], 1093.7f);
    EXPECT_FLOAT_EQ(cur[2], 324.556f);
    const BruitageSlotInfo s0 = Slot(0), s1 = Slot(1);
    EXPECT_EQ(s0.ref, v->bruitages);
    EXPECT_EQ(v->bruitages->next->son, nullptr);  // no record 9
    EXPECT_NE(s0.ids[0], -1);
    EXPECT_NE(s0.ids[1], -1);
    EXPECT_EQ(s0.ids[2], -1);
    EXPECT_NE(s1.ids[0], -1);
    EXPECT_EQ(s1.ids[1], -1);  // the list ends at the first empty name
    EXPECT_EQ(s1.ids[2], -1);
    EXPECT_EQ(Slot(2).ref, nullptr);
    OrvSoundInfo info;
    ASSERT_TRUE(OrvSound_GetInfo(s1.ids[0], &info));
    EXPECT_EQ(info.name, "0123456789ab.ksn");
    EXPECT_EQ(info.loop, 0);
    EXPECT_EQ(info.pos, &sons[1].pos);
    const std::string log = ReadFileText(dir / "quillmar2.log");
    EXPECT_NE(log.find("**Bruitage son1 :Load: oiseau.ksn No 0 wav No 1"), std::string::npos);
    // A view without a listener record listens from the origin.
    Arrive(View(77, {1}));
    OrvSound_GetListener(cur, prev);
    EXPECT_EQ(cur[0], 0.0f);
    EXPECT_FLOAT_EQ(prev[0], 1093.7f);
}

TEST_F(BruitageTest, StartsFollowThePercentages) {
    Son(1, {30, 30, 0, 0}, {"vent.ksn", "oiseau.ksn"});
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
    ST_wam_son* s = Son(1, {100, 0, 0, 0}, {"vent.ksn"});
    s->pos.leftLevel = s->pos.rightLevel = 180;
    Arrive(View(2, {1}));
    for (int i = 0; i < 200; ++i) {
        tst_start_new_bruitage(0);
        ASSERT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE), 1) << i;
        ASSERT_EQ(Slot(0).choice, 0);
        if (i < 199) OrvSound_stop_voice(VOICE_BRUITAGE);
    }
    // Levels cleared: silent and centred until the next update, without dividing by zero.
    EXPECT_EQ(s->pos.leftLevel, 0);
    EXPECT_EQ(Gain(VOICE_BRUITAGE, true), 0.0f);
    EXPECT_EQ(Gain(VOICE_BRUITAGE, false), 0.0f);
    OrvSoundInfo info;
    ASSERT_TRUE(OrvSound_GetInfo(Slot(0).ids[0], &info));
    EXPECT_EQ(info.loop, 1);
    Render(5000);  // longer than the recording
    EXPECT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE), 1);

    // The update places the source: louder on the left, heard from this view's listener, yaw turned by pi.
    OrvSound_GereBruitagesWarp();
    ASSERT_FALSE(g_world.heard.empty());
    EXPECT_FLOAT_EQ(g_world.heard.back()[0], 1250.0f);
    EXPECT_FLOAT_EQ(g_world.heard.back()[3], 0.5f + float(M_PI));
    int att = 0, pan = 0;
    OrvSound_LevelsToVolumePan(200, 100, &att, &pan);
    EXPECT_EQ(pan, -3333);
    EXPECT_FLOAT_EQ(Gain(VOICE_BRUITAGE, true), Snd_AttenuationToGain(att));
    EXPECT_LT(Gain(VOICE_BRUITAGE, false), Gain(VOICE_BRUITAGE, true));
    EXPECT_GT(Gain(VOICE_BRUITAGE, false), 0.0f);
}

TEST_F(BruitageTest, NineNoisesSetUpEight) {
    std::vector<uint32_t> ids;
    for (uint32_t i = 1; i <= 9; ++i) {
        Son(i, {100, 0, 0, 0}, {"vent.ksn"});
        ids.push_back(i);
    }
    g_world.view = View(3, ids);
    OrvSound_InitBruitagesWarp();
    EXPECT_TRUE(Warned("OrvSound_InitBruitagesWarp(vue 3) : tbl_bruits_du_warp OVERFLOW"));
    for (int k = 0; k < MAX_BRUIT_PAR_WARP; ++k) EXPECT_NE(Slot(k).ref, nullptr) << k;
    EXPECT_EQ(Shares(Slot(0).ids[0]), 8);
}

TEST_F(BruitageTest, ANoiseOfBothViewsGoesOnWithoutRestart) {
    Son(1, {100, 0, 0, 0}, {"vent.ksn"});
    ST_wam_vue* a = View(1, {1});
    ST_wam_vue* b = View(2, {1});
    Arrive(a);
    OrvSound_GereBruitagesWarp();
    const SoundHandle h = OrvSound_GetVoiceHandle(VOICE_BRUITAGE);
    ASSERT_NE(h, ORVSOUND_NO_HANDLE);
    Render(300);
    Arrive(b);
    OrvSound_GereBruitagesWarp();
    EXPECT_EQ(Slot(0).ref, b->bruitages);
    EXPECT_EQ(OrvSound_GetVoiceHandle(VOICE_BRUITAGE), h);
    int play = 0;
    SysSnd_GetSoundPosition(h, &play, nullptr);
    EXPECT_EQ(play, 600);
    EXPECT_EQ(Shares(Slot(0).ids[0]), 1);
    EXPECT_EQ(Slot(1).ref, nullptr);
}

TEST_F(BruitageTest, TransitionGlidesTheListenerAndFadesTheOldNoises) {
    Son(1, {100, 0, 0, 0}, {"vent.ksn"});
    Son(2, {100, 0, 0, 0}, {"oiseau.ksn"});
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
    float cur[3], prev[3];
    OrvSound_GetListener(cur, prev);
    EXPECT_NEAR(prev[0], 1400.0f, 0.01f);

    OrvSound_InitBruitagesApresFli();
    EXPECT_EQ(Slot(0).ref, nullptr);
    EXPECT_EQ(Slot(0).ids[0], -1);
    EXPECT_EQ(Shares(oldId), 0);
    EXPECT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE), 0);
    EXPECT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE + 1), 1);
}

TEST_F(BruitageTest, TransitionOfNoFramesSilencesTheOldNoises) {
    Son(1, {100, 0, 0, 0}, {"vent.ksn"});
    Arrive(View(1, {1}));
    OrvSound_GereBruitagesWarp();
    g_world.view = View(2, {});
    OrvSound_InitBruitagesWarp();
    OrvSound_SetBruitagesTransition(0);
    OrvSound_GereBruitagesFli();
    EXPECT_EQ(Gain(VOICE_BRUITAGE, true), 0.0f);
    EXPECT_EQ(Gain(VOICE_BRUITAGE, false), 0.0f);
    float cur[3], prev[3];
    OrvSound_GetListener(cur, prev);
    EXPECT_TRUE(std::isfinite(prev[0]));
    EXPECT_TRUE(fatals.empty());
}

TEST_F(BruitageTest, FreeingGivesBackOnlyTheSlotsShares) {
    Son(1, {100, 0, 0, 0}, {"vent.ksn"});
    Son(2, {100, 0, 0, 0}, {"vent.ksn", "gouttes.ksn"});
    Arrive(View(1, {1, 2}));
    OrvSound_GereBruitagesWarp();
    const int shared = Slot(0).ids[0];
    ASSERT_EQ(Slot(1).ids[0], shared);
    EXPECT_EQ(Shares(shared), 2);
    Arrive(View(2, {2}));
    EXPECT_EQ(Slot(0).ref, nullptr);
    EXPECT_EQ(Shares(shared), 1);
    EXPECT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE + 1), 1);
    EXPECT_NE(ReadFileText(dir / "quillmar2.log").find("**Bruitage OrvSound_InitBruitagesApresFli() : free: No 0"),
              std::string::npos);

    // A world change frees every slot; a sound still held elsewhere forgets the old world's record.
    const int held = OrvSound_load("gouttes.ksn", nullptr);
    OrvSound_FreeBruitages();
    for (int k = 0; k < MAX_BRUIT_PAR_WARP; ++k) EXPECT_EQ(Slot(k).ref, nullptr);
    EXPECT_EQ(Shares(shared), 0);
    OrvSoundInfo info;
    ASSERT_TRUE(OrvSound_GetInfo(held, &info));
    EXPECT_EQ(info.pos, nullptr);
    EXPECT_EQ(OrvSound_get_voice_state(VOICE_BRUITAGE + 1), 0);
    EXPECT_NE(ReadFileText(dir / "quillmar2.log").find("**Bruitage free: No 1, wav 1"), std::string::npos);
}

TEST_F(BruitageTest, NoCurrentView) {
    g_world.view = nullptr;
    OrvSound_InitBruitagesWarp();
    EXPECT_TRUE(Warned("OrvSound_InitBruitagesWarp(): current_vue=NULL!!!"));
    OrvSound_InitBruitagesApresFli();
    EXPECT_TRUE(Warned("OrvSound_InitBruitagesApresFli(): current_vue=NULL!!!"));
    OrvSound_GereBruitagesFli();
    OrvSound_SetWorldLink(OrvSoundWorldLink{});
    OrvSound_InitBruitagesWarp();
    OrvSound_GereBruitagesWarp();
    EXPECT_TRUE(fatals.empty());
}
