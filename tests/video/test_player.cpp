// The video player: start, one picture per tick, skip by click, the end and its follow-ups, bad files.
#include <functional>
#include <random>
#include <utility>

#include "VideoTestUtil.h"
#include "app/Clock.h"
#include "app/Orv_Mem.h"
#include "app/Timer.h"
#include "audio/Orv_Sound.h"
#include "testdata/DemoVideo.h"
#include "world/Interp.h"

namespace {
int g_intros = 0;
bool g_introPending = false;
std::vector<std::string> g_dialogueCalls;
}  // namespace

class Player : public VideoFixture {
protected:
    void SetUp() override {
        VideoFixture::SetUp();
        g_intros = 0;
        g_introPending = false;
        g_dialogueCalls.clear();
    }
    // Steps through ticks until the video ends; the number of pictures shown after the first.
    int PlayToEnd(int limit = 50) {
        for (int n = 0; n < limit; ++n) {
            Tick();
            if (!OrvQmv_step()) return n + 1;
        }
        return -1;
    }
};

TEST_F(Player, OnePicturePerTickThenBackToTheLoopTypeBefore) {
    WriteVideo("intro.qmv", QmvWriter_Container(Blocks()));
    loopType = LOOP_MENU;
    ASSERT_TRUE(OrvQmv_start("intro.qmv"));
    EXPECT_EQ(loopType, LOOP_QMV);
    EXPECT_TRUE(ScreenShows(Reference()[0]));
    EXPECT_EQ(OrvQmv_GetFrameCount(), 1);

    // Without a tick nothing moves.
    EXPECT_TRUE(OrvQmv_step());
    EXPECT_EQ(OrvQmv_GetFrameCount(), 1);
    for (size_t i = 1; i < 4; ++i) {
        Tick();
        ASSERT_TRUE(OrvQmv_step());
        EXPECT_TRUE(ScreenShows(Reference()[i])) << i;
    }
    // The fifth picture is the last: shown, then the video ends.
    Tick();
    EXPECT_FALSE(OrvQmv_step());
    EXPECT_TRUE(ScreenShows(Reference()[4]));
    EXPECT_EQ(loopType, LOOP_MENU);
    EXPECT_FALSE(OrvQmv_IsOpen());
    EXPECT_TRUE(OrvQmv_RestoreMusic());
    EXPECT_FALSE(OrvQmv_RestoreMusic());
}

TEST_F(Player, FifteenPicturesASecondOnTheFrameTimer) {
    // Forty frames played by main-loop passes at 60 a second on a manual clock.
    std::vector<QmvBlock> blocks;
    for (int i = 0; i < 40; ++i) blocks.push_back(Blocks()[i == 0 ? 0 : 1 + size_t(i - 1) % 4]);
    WriteVideo("long.qmv", QmvWriter_Container(blocks));
    CTManualClock clock(0.0);
    Scheduler_Clear();
    frame_timer_start();
    ASSERT_TRUE(OrvQmv_start("long.qmv"));
    int passes = 0;
    for (; passes < 60; ++passes) {
        const double t = 0.004 + passes / 60.0;
        clock.Set(t);
        Scheduler_RunPass(t);
        ASSERT_TRUE(OrvQmv_step());
    }
    EXPECT_EQ(OrvQmv_GetFrameCount(), 1 + 15);
    frame_timer_reset();
    Scheduler_Clear();
}

TEST_F(Player, ClickEndsTheVideoAtTheNextTick) {
    WriteVideo("intro.qmv", QmvWriter_Container(Blocks()));
    ASSERT_TRUE(OrvQmv_start("intro.qmv"));
    MouseClickFlags.click = 1;
    EXPECT_TRUE(OrvQmv_step());  // no tick yet
    Tick();
    EXPECT_FALSE(OrvQmv_step());
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(loopType, LOOP_WARP);

    ASSERT_TRUE(OrvQmv_start("intro.qmv"));
    MouseClickFlags.doubleClick = 1;
    Tick();
    EXPECT_FALSE(OrvQmv_step());
    EXPECT_EQ(MouseClickFlags.doubleClick, 0);
}

TEST_F(Player, StartRefusalsAndAMissingFile) {
    WriteVideo("intro.qmv", QmvWriter_Container(Blocks()));
    ASSERT_TRUE(OrvQmv_start("intro.qmv"));
    EXPECT_FALSE(OrvQmv_start("intro.qmv"));
    EXPECT_TRUE(Logged("OrvQmv_start(intro.qmv): deja en OrvMain_loop_QMV!!"));
    EXPECT_EQ(PlayToEnd(), 4);

    const MemStats before = mem_stats();
    EXPECT_FALSE(OrvQmv_start("absent.qmv"));
    EXPECT_EQ(loopType, LOOP_WARP);
    EXPECT_EQ(mem_stats().liveBlocks, before.liveBlocks);
    EXPECT_EQ(OrvFile_OpenCount(), 0);
    // A dialogue is not started over a video that did not start.
    EXPECT_FALSE(OrvQmv_startOverDialogue("absent.qmv", 3));
    EXPECT_FALSE(OrvQmv_IsOverDialogue());
}

TEST_F(Player, HeaderRefusalsAllocateNothing) {
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> change;
        const char* text;
    } cases[] = {
        {"magic", [](std::vector<uint8_t>& f) { f[3] = '5'; }, "Erreur Qmv Version incorrecte"},
        {"largest 0", [](std::vector<uint8_t>& f) { std::memset(&f[QMV_HDR_LARGEST], 0, 4); }, "Erreur Qmv Header incorrect"},
        {"largest 262145", [](std::vector<uint8_t>& f) { f[QMV_HDR_LARGEST] = 1, f[QMV_HDR_LARGEST + 1] = 0,
                                                          f[QMV_HDR_LARGEST + 2] = 4, f[QMV_HDR_LARGEST + 3] = 0; },
         "Erreur Qmv Header incorrect"},
        {"short header", [](std::vector<uint8_t>& f) { f.resize(40); }, "Erreur Qmv Header incorrect"},
    };
    for (const Case& c : cases) {
        lines.clear();
        OrvError_ResetForTests();
        auto bytes = QmvWriter_Container(Blocks());
        c.change(bytes);
        WriteVideo("bad.qmv", bytes);
        const MemStats before = mem_stats();
        EXPECT_FALSE(OrvQmv_start("bad.qmv")) << c.what;
        EXPECT_TRUE(Logged(std::string("ERREUR: ") + c.text)) << c.what;
        EXPECT_EQ(mem_stats().liveBlocks, before.liveBlocks) << c.what;
        EXPECT_EQ(OrvFile_OpenCount(), 0) << c.what;
        EXPECT_EQ(loopType, LOOP_WARP) << c.what;
    }
    // The largest block may be exactly the buffer.
    OrvError_ResetForTests();
    QmvContainerOptions options;
    options.largestBlock = BUFCOMPSIZE;
    WriteVideo("big.qmv", QmvWriter_Container(Blocks(), options));
    EXPECT_TRUE(OrvQmv_start("big.qmv"));
}

TEST_F(Player, BlockHeadsAndChunkChoice) {
    // Head bytes above the 24-bit length are ignored; of an "IV" and a later "IX" chunk the "IX" one is decoded.
    auto blocks = Blocks();
    blocks[1].insert(blocks[1].begin(), QmvChunk{{'I', 'V'}, FrameChunks()[3]});
    blocks[1].push_back(QmvChunk{{'X', 'Y'}, std::vector<uint8_t>(10, 0xEE)});
    blocks[1][1].tag[1] = 'X';
    QmvContainerOptions options;
    options.headHighByte = 0xA5;
    WriteVideo("heads.qmv", QmvWriter_Container(blocks, options));
    ASSERT_TRUE(OrvQmv_start("heads.qmv"));
    Tick();
    ASSERT_TRUE(OrvQmv_step());
    EXPECT_TRUE(ScreenShows(Reference()[1]));
    EXPECT_EQ(PlayToEnd(), 3);
}

TEST_F(Player, DamagedFilesEndThePlaybackCleanly) {
    const auto good = QmvWriter_Container(Blocks());
    const uint32_t firstBlock = QMV_HEADER_SIZE;
    const uint32_t secondBlock = firstBlock + (QmvRead32(&good[firstBlock]) & QMV_BLOCK_LENGTH_MASK);
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> change;
        int shown;            // pictures after the first before the end
        const char* text;     // logged text, or null
    } cases[] = {
        {"cut in the third block", [&](std::vector<uint8_t>& f) {
             f.resize(secondBlock + (QmvRead32(&f[secondBlock]) & QMV_BLOCK_LENGTH_MASK) + 100); }, 2, nullptr},
        {"block length 2", [&](std::vector<uint8_t>& f) { f[secondBlock] = 2, f[secondBlock + 1] = 0, f[secondBlock + 2] = 0; },
         1, "bloc de longueur 2"},
        {"chunk size 4", [&](std::vector<uint8_t>& f) { f[secondBlock + 4] = 4, f[secondBlock + 5] = 0, f[secondBlock + 6] = 0, f[secondBlock + 7] = 0; },
         1, "bloc 1 incorrect"},
        {"chunk past its block", [&](std::vector<uint8_t>& f) { f[secondBlock + 7] = 1; }, 1, "bloc 1 incorrect"},
        {"block over the buffer", [&](std::vector<uint8_t>& f) { f[secondBlock] = 0, f[secondBlock + 1] = 0, f[secondBlock + 2] = 0x10; },
         1, "ERREUR: Orv_Qmv:Ubb_load_one_block():len > (BUFCOMPSIZE-4) :1048572"},
        {"corrupt frame", [&](std::vector<uint8_t>& f) { f[secondBlock + 12] = 0; f[secondBlock + 13] = 0; },
         1, "image 1 illisible : qualite 0"},
    };
    for (const Case& c : cases) {
        lines.clear();
        OrvError_ResetForTests();
        auto bytes = good;
        c.change(bytes);
        WriteVideo("damaged.qmv", bytes);
        ASSERT_TRUE(OrvQmv_start("damaged.qmv")) << c.what;
        EXPECT_EQ(PlayToEnd(), c.shown) << c.what;
        if (c.text) {
            EXPECT_TRUE(Logged(c.text)) << c.what;
        }
        EXPECT_EQ(OrvFile_OpenCount(), 0) << c.what;
        EXPECT_EQ(loopType, LOOP_WARP) << c.what;
    }
}

TEST_F(Player, RandomlyDamagedFilesNeverReadOutside) {
    const auto good = QmvWriter_Container(Blocks());
    std::mt19937 rng(99);
    for (int trial = 0; trial < 40; ++trial) {
        OrvError_ResetForTests();
        auto bytes = good;
        for (int i = 0; i < 12; ++i) bytes[QMV_HEADER_SIZE + rng() % (bytes.size() - QMV_HEADER_SIZE)] = uint8_t(rng());
        if (trial % 3 == 0) bytes.resize(QMV_HEADER_SIZE + rng() % (bytes.size() - QMV_HEADER_SIZE));
        WriteVideo("random.qmv", bytes);
        if (OrvQmv_start("random.qmv")) {
            EXPECT_GT(PlayToEnd(), 0) << trial;
        }
        EXPECT_EQ(OrvFile_OpenCount(), 0);
    }
}

TEST_F(Player, TheEndRunsTheIntroChainTheDialogueHooksAndThePendingBlock) {
    WriteVideo("intro.qmv", QmvWriter_Container(Blocks()));
    OrvQmvLink link;
    link.getLoopType = [] { return loopType; };
    link.setLoopType = [](int32_t t) { return std::exchange(loopType, t); };
    link.introPending = [] { return g_introPending; };
    link.playIntro = [] {
        ++g_intros;
        g_introPending = false;
        OrvQmv_start("intro.qmv");
    };
    link.dialStartOverVideo = [](int32_t d) { g_dialogueCalls.push_back("start " + std::to_string(d)); };
    link.dialUpdateOverVideo = [] { g_dialogueCalls.push_back("update"); };
    link.dialDisplay = [](Velkrum::CDirectDrawWindow* w) { g_dialogueCalls.push_back(w ? "display" : "display null"); };
    link.dialRemoveOverVideo = [] { g_dialogueCalls.push_back("remove"); };
    OrvQmv_SetLink(link);

    // The intro flag chains the next video in place of settling the ambient noises.
    g_introPending = true;
    ASSERT_TRUE(OrvQmv_start("intro.qmv"));
    EXPECT_EQ(PlayToEnd(), 4);
    EXPECT_EQ(g_intros, 1);
    EXPECT_EQ(loopType, LOOP_QMV);
    EXPECT_FALSE(Logged("current_vue=NULL"));
    EXPECT_EQ(PlayToEnd(), 4);
    EXPECT_EQ(g_intros, 1);
    EXPECT_TRUE(Logged("OrvSound_InitBruitagesApresFli(): current_vue=NULL!!!"));
    EXPECT_TRUE(g_dialogueCalls.empty());

    // Over a dialogue: started with the video, updated and drawn every picture, removed at the end.
    loopType = LOOP_DIALOGUE;
    PendingScenarioBlock = {1, 1234};
    ASSERT_TRUE(OrvQmv_startOverDialogue("intro.qmv", 7));
    EXPECT_EQ(PlayToEnd(), 4);
    const std::vector<std::string> expected = {"start 7", "update", "display", "update", "display", "update",
                                               "display", "update", "display", "remove"};
    EXPECT_EQ(g_dialogueCalls, expected);
    EXPECT_EQ(loopType, LOOP_DIALOGUE);
    EXPECT_EQ(PendingScenarioBlock.flag, 0);
}

TEST_F(Player, SoundtrackFlagIsClearedAtTheEnd) {
    WriteVideo("intro.qmv", QmvWriter_Container(Blocks()));
    QmvSoundLoaded = 1;
    ASSERT_TRUE(OrvQmv_start("intro.qmv"));
    EXPECT_EQ(PlayToEnd(), 4);
    EXPECT_EQ(QmvSoundLoaded, 0);
}

TEST_F(Player, DemoIntroPlaysWithItsSoundtrack) {
    std::string error;
    ASSERT_TRUE(DemoVideo_Write(dir.Path(), &error)) << error;
    EXPECT_TRUE(OrvFile_Exists((dir / "datas_q2/ksn/intro.ksn").c_str()));
    ASSERT_TRUE(OrvQmv_start(DEMO_INTRO_VIDEO));
    EXPECT_EQ(OrvQmv_GetHeaderFrameCount(), DEMO_INTRO_FRAMES);
    for (int n = 1; n < 20; ++n) {
        Tick();
        ASSERT_TRUE(OrvQmv_step());
    }
    // Picture 19: the sun's centre at (80 + 19 x 11, 330 - 19 x 4) is yellow, the sky above it dark.
    Velkrum::CDirectDrawSurface& back = window.GetBackBuffer();
    const auto* px = static_cast<const uint8_t*>(back.Lock());
    auto at = [&](int x, int y) {
        uint16_t v;
        std::memcpy(&v, px + size_t(y) * size_t(back.PitchBytes()) + size_t(2 * x), 2);
        return v;
    };
    const uint16_t sun = at(80 + 19 * 11, 330 - 19 * 4), sky = at(80 + 19 * 11, 100);
    back.Unlock();
    EXPECT_GE(sun >> 11, 28);
    EXPECT_GE((sun >> 5) & 63, 44);
    EXPECT_LE(sky >> 11, 12);
    EXPECT_EQ(PlayToEnd(), DEMO_INTRO_FRAMES - 20);
}
