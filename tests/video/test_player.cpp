// The video player: one picture per tick, skip by click, the end and its follow-ups, refused and damaged files.
#include <functional>
#include <random>

#include "VideoTestUtil.h"
#include "app/Clock.h"
#include "app/Orv_Mem.h"
#include "app/Timer.h"
#include "audio/Orv_Sound.h"
#include "video/QmvFormat.h"
#include "world/Interp.h"

class Player : public VideoFixture {
protected:
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
    // Head bytes above the 24-bit length are ignored; of an "IV" and a later "IX" chunk the "IX" one is decoded.
    auto blocks = Blocks();
    blocks[1] = {{{'I', 'V'}, frames[3]}, {{'I', 'X'}, frames[1]}, {{'X', 'Y'}, std::vector<uint8_t>(10, 0xEE)}};
    QmvContainerOptions options;
    options.headHighByte = 0xA5;
    WriteVideo("intro.qmv", QmvWriter_Container(blocks, options));
    loopType = LOOP_MENU;
    QmvSoundLoaded = 1;
    ASSERT_TRUE(OrvQmv_start("intro.qmv"));
    EXPECT_EQ(loopType, LOOP_QMV);
    EXPECT_TRUE(ScreenShows(reference[0]));
    EXPECT_FALSE(OrvQmv_start("intro.qmv"));
    EXPECT_TRUE(Logged("OrvQmv_start(intro.qmv): deja en OrvMain_loop_QMV!!"));
    // Without a tick nothing moves.
    EXPECT_TRUE(OrvQmv_step());
    EXPECT_EQ(OrvQmv_GetFrameCount(), 1);
    for (size_t i = 1; i < 4; ++i) {
        Tick();
        ASSERT_TRUE(OrvQmv_step());
        EXPECT_TRUE(ScreenShows(reference[i])) << i;
    }
    // The fifth picture is the last: shown, then the video ends.
    Tick();
    EXPECT_FALSE(OrvQmv_step());
    EXPECT_TRUE(ScreenShows(reference[4]));
    EXPECT_EQ(loopType, LOOP_MENU);
    EXPECT_FALSE(OrvQmv_IsOpen());
    EXPECT_EQ(QmvSoundLoaded, 0);
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
    for (int pass = 0; pass < 60; ++pass) {
        const double t = 0.004 + pass / 60.0;
        clock.Set(t);
        Scheduler_RunPass(t);
        ASSERT_TRUE(OrvQmv_step());
    }
    EXPECT_EQ(OrvQmv_GetFrameCount(), 1 + 15);
    frame_timer_reset();
    Scheduler_Clear();
}

TEST_F(Player, ClickOrDoubleClickEndsTheVideoAtTheNextTick) {
    WriteVideo("intro.qmv", QmvWriter_Container(Blocks()));
    for (uint8_t* flag : {&MouseClickFlags.click, &MouseClickFlags.doubleClick}) {
        ASSERT_TRUE(OrvQmv_start("intro.qmv"));
        *flag = 1;
        EXPECT_TRUE(OrvQmv_step());  // no tick yet
        Tick();
        EXPECT_FALSE(OrvQmv_step());
        EXPECT_EQ(*flag, 0);
        EXPECT_EQ(loopType, LOOP_WARP);
    }
}

TEST_F(Player, RefusedAndDamagedFilesEndCleanly) {
    const auto good = QmvWriter_Container(Blocks());
    const uint32_t second = QMV_HEADER_SIZE + (QmvRead32(&good[QMV_HEADER_SIZE]) & QMV_BLOCK_LENGTH_MASK);
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> change;
        int shown;         // pictures after the first before the end; -1: refused at the start
        const char* text;  // logged text, or null
    } cases[] = {
        {"magic", [](auto& f) { f[3] = '5'; }, -1, "ERREUR: Erreur Qmv Version incorrecte"},
        {"largest 0", [](auto& f) { Set32(f, QMV_HDR_LARGEST, 0); }, -1, "ERREUR: Erreur Qmv Header incorrect"},
        {"largest past the buffer", [](auto& f) { Set32(f, QMV_HDR_LARGEST, BUFCOMPSIZE + 1); }, -1,
         "ERREUR: Erreur Qmv Header incorrect"},
        {"largest the buffer", [](auto& f) { Set32(f, QMV_HDR_LARGEST, BUFCOMPSIZE); }, 4, nullptr},
        {"short header", [](auto& f) { f.resize(40); }, -1, "ERREUR: Erreur Qmv Header incorrect"},
        {"cut in the third block", [&](auto& f) { f.resize(second + (QmvRead32(&f[second]) & QMV_BLOCK_LENGTH_MASK) + 100); },
         2, nullptr},
        {"block length 2", [&](auto& f) { Set32(f, second, 2); }, 1, "bloc de longueur 2"},
        {"chunk size 4", [&](auto& f) { Set32(f, second + 4, 4); }, 1, "bloc 1 incorrect"},
        {"chunk past its block", [&](auto& f) { f[second + 7] = 1; }, 1, "bloc 1 incorrect"},
        {"block over the buffer", [&](auto& f) { Set32(f, second, 0x100000); }, 1,
         "ERREUR: Orv_Qmv:Ubb_load_one_block():len > (BUFCOMPSIZE-4) :1048572"},
        {"corrupt frame", [&](auto& f) { f[second + 12] = 0, f[second + 13] = 0; }, 1, "image 1 illisible : qualite 0"},
    };
    for (const Case& c : cases) {
        lines.clear();
        OrvError_ResetForTests();
        auto bytes = good;
        c.change(bytes);
        WriteVideo("damaged.qmv", bytes);
        const MemStats before = mem_stats();
        ASSERT_EQ(OrvQmv_start("damaged.qmv"), c.shown >= 0) << c.what;
        if (c.shown >= 0) {
            EXPECT_EQ(PlayToEnd(), c.shown) << c.what;
        }
        if (c.text) {
            EXPECT_TRUE(Logged(c.text)) << c.what;
        }
        EXPECT_EQ(mem_stats().liveBlocks, before.liveBlocks) << c.what;
        EXPECT_EQ(OrvFile_OpenCount(), 0) << c.what;
        EXPECT_EQ(loopType, LOOP_WARP) << c.what;
    }
    // A missing file, and no dialogue started over it.
    EXPECT_FALSE(OrvQmv_start("absent.qmv"));
    EXPECT_FALSE(OrvQmv_startOverDialogue("absent.qmv", 3));
    EXPECT_FALSE(OrvQmv_IsOverDialogue());
    EXPECT_EQ(OrvFile_OpenCount(), 0);
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
    static int intros;
    static std::vector<std::string> calls;
    intros = 0, calls.clear();
    WriteVideo("intro.qmv", QmvWriter_Container(Blocks()));
    OrvQmvLink link = Link();
    link.introPending = [] { return intros == 0; };
    link.playIntro = [] { ++intros, OrvQmv_start("intro.qmv"); };
    link.dialStartOverVideo = [](int32_t d) { calls.push_back("start " + std::to_string(d)); };
    link.dialUpdateOverVideo = [] { calls.push_back("update"); };
    link.dialDisplay = [](Velkrum::CDirectDrawWindow* w) { calls.push_back(w ? "display" : "display null"); };
    link.dialRemoveOverVideo = [] { calls.push_back("remove"); };
    OrvQmv_SetLink(link);
    // The intro flag chains the next video in place of settling the ambient noises.
    auto settled = [this] {
        return ReadFileText(dir / "quillmar2.log").find("OrvSound_InitBruitagesApresFli()") != std::string::npos;
    };
    ASSERT_TRUE(OrvQmv_start("intro.qmv"));
    EXPECT_EQ(PlayToEnd(), 4);
    EXPECT_EQ(intros, 1);
    EXPECT_FALSE(settled());
    EXPECT_EQ(PlayToEnd(), 4);
    EXPECT_TRUE(settled());
    EXPECT_FALSE(Logged("current_vue=NULL")) << "nothing to settle before the first view";
    EXPECT_TRUE(calls.empty());
    // Over a dialogue: started with the video, updated and drawn every picture, removed at the end.
    loopType = LOOP_DIALOGUE;
    PendingScenarioBlock = {1, 1234};
    ASSERT_TRUE(OrvQmv_startOverDialogue("intro.qmv", 7));
    EXPECT_EQ(PlayToEnd(), 4);
    std::vector<std::string> expected = {"start 7"};
    for (int i = 0; i < 4; ++i) expected.insert(expected.end(), {"update", "display"});
    expected.push_back("remove");
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(loopType, LOOP_DIALOGUE);
    EXPECT_EQ(PendingScenarioBlock.flag, 0);
}
