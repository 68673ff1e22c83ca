// Dialogues played with the whole program, headless on the demo: subjects chosen on the guardian's panel,
// the view arranged for each speaker, every way a dialogue ends, dialogues over a video.
#include <cmath>
#include <memory>

#include "ProgramRun.h"
#include "app/main/Orv_Main.h"
#include "audio/Orv_Muzik.h"
#include "dialogue/Orv_Dial.h"
#include "dialogue/Orv_DialSujets.h"
#include "dialogue/dlg_Dialog.h"
#include "framework/Input.h"
#include "framework/KeyCodes.h"
#include "graphics2d/Orv_Display.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "testdata/DemoDialogue.h"
#include "testdata/DemoWorld.h"
#include "testdata/TempDir.h"
#include "tests/support/LookTurn.h"
#include "tests/support/ZoneAim.h"
#include "video/Orv_Qmv.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/wam.h"

namespace {

constexpr float kHalfTurn = WARP_PI;
constexpr float kTilt = 0.356163f;
constexpr float kDegree = WARP_PI / 180.0f;

// White pixels of the subtitle area (the bottom 60 rows) of the presented frame.
int SubtitlePixels() {
    const std::vector<uint32_t> f = PresentedFrame();
    int n = 0;
    for (size_t i = f.size() >= 60 * 640 ? f.size() - 60 * 640 : 0; i < f.size(); ++i) n += f[i] == 0xFFFFFFFFu;
    return n;
}

// Angles of the view, radians, and its field of view, degrees.
struct View {
    float yaw = 0, pitch = 0, fov = 0;
};
View Now() {
    View v;
    OrvWarp_GetViewAngles(&v.yaw, &v.pitch);
    v.fov = OrvWarp_GetFieldOfView() / kDegree;
    return v;
}
// Two yaws name one direction.
float YawApart(float a, float b) { return std::fabs(std::remainder(a - b, 2.0f * WARP_PI)); }

dlg_Dialog& Dialog() { return *dlg_TheDialog(); }
// The current reply's index, -1 when none.
int Reply() {
    dlg_Dialog* d = dlg_TheDialog();
    const dlg_Replique* r = d ? d->GetCurrentReplique() : nullptr;
    for (size_t i = 0; r && i < d->GetRepliqueCount(); ++i)
        if (d->GetRepliqueAt(i) == r) return int(i);
    return -1;
}
int32_t Var(const char* name) { return Interp_ReadVar(name); }

// The guardian's sprite in YU 2 and its slot.
int GuardianSlot() {
    const int32_t id = DefName_GetIdName(DEFNAME_PERSONNAGES, DEMO_GUARDIAN_ID);
    for (int i = 0; i < OrvSpw_NbVisibles; ++i)
        if (OrvSpw_Visibles[i].type == 1 && OrvSpw_Visibles[i].elem_id == id) return i;
    return -1;
}
bool GuardianShown() { return GuardianSlot() >= 0 && OrvSpw_Visibles[GuardianSlot()].shown; }

// Turns towards the guardian until his panel opens, as a player moves onto him.
Step PointAtGuardian() {
    return [] {
        if (OrvWarp_SubjectPanelOpen) return true;
        float yaw, pitch;
        if (Loop() != LOOP_WARP || GuardianSlot() < 0 || !SpriteMiddle(OrvSpw_Visibles[GuardianSlot()], &yaw, &pitch))
            return false;
        if (!TurnViewTowards(yaw, pitch)) return false;
        return OrvWarp_SubjectPanelOpen != 0;
    };
}

// The test dialogues of both worlds, in place of the demo's: no voices, so each reply waits for a click
// (cinema replies count to 100000).
//  20: guardian, hero, guardian, hero, guardian   21: guardian, hero
//  22: guardian, DS, guardian                      23: hero, guardian
//  24: DS   28: guardian, DS                       25: guardian's voice-over twice, then on screen
//  26: hero, guardian in voice-over without turn, guardian on screen
//  27, 81 and 82: one voice-over of the hero each
void WriteTestScripts(const std::string& dir) {
    for (auto [code, hero, mesh] : {std::tuple{"IR", "H1", "h1"}, std::tuple{"YU", "Heros", "he"}}) {
        DlgScriptDesc d;
        DlgPersoDesc h, g, ds;
        h.name = hero;
        h.mesh = mesh;
        g.name = DEMO_GUARDIAN;
        g.mesh = "ga";
        g.idTexts = {DEMO_GUARDIAN_ID};
        g.focals[0] = {58.0f};
        ds.name = "DS";
        ds.mesh = "ga";
        d.persos = {h, g, ds};
        auto add = [&](int dial, std::vector<std::pair<std::string, std::string>> replies) {
            for (size_t i = 0; i < replies.size(); ++i)
                d.lines.push_back(DlgScript_Reply(dial, int(i + 1), replies[i].first, replies[i].second,
                                                  "Réplique " + std::to_string(i + 1) + " du dialogue " + std::to_string(dial) + "."));
        };
        const std::pair<std::string, std::string> G{DEMO_GUARDIAN, "stand1 camera1"}, H{hero, "stand1 camera1"},
            DS{"DS", "cinema to100000"};
        add(20, {G, H, G, H, G});
        add(21, {G, H});
        add(22, {G, DS, G});
        add(23, {H, G});
        add(24, {DS});
        add(28, {G, DS});
        add(25, {{DEMO_GUARDIAN, "voixoff"}, {DEMO_GUARDIAN, "voixoff"}, G});
        add(26, {H, {DEMO_GUARDIAN, "voixoff0"}, G});
        add(27, {{hero, "voixoff"}});
        add(81, {{hero, "voixoff"}});
        add(82, {{hero, "voixoff"}});
        add(30, {{DEMO_GUARDIAN, "cinema from5 to15"}, {hero, "cinema from20 to30"}});
        ASSERT_TRUE(DlgScript_Save(dir, code, d));
    }
}

// YU 2's blocks that wait for test dialogues, each started by its flag.
void WriteTestChapter(const std::string& dir) {
    std::string text = DemoWorld_Chapter1();
    text += "/vue YU 2\n";
    for (auto [flag, dial] : {std::pair{60, 20}, {62, 23}, {64, 22}, {66, 24}, {68, 21}})
        text += "/con flag" + std::to_string(flag) + "=1\n/set (flag" + std::to_string(flag) + "=0)(DIAL=" +
                std::to_string(dial) + ")(flag" + std::to_string(flag + 1) + "=1)\n";
    // Two dialogues one after the other: the block waits again when it resumes.
    text += "/con flag70=1\n/set (flag70=0)(DIAL=21)(DIAL=28)(flag71=1)\n";
    ASSERT_TRUE(WriteFileText(dir + "scenar/chapi001.con", text));
}

// Runs the blocks of a flag, as a click on a subject does.
Step Trigger(int flag) {
    return Do([flag] {
        Interp_Flags[flag] = 1;
        CtrlScenarIN();
    });
}
Step WaitReply(int i) {
    return WaitFor([i] { return Loop() == LOOP_DIALOGUE && Reply() == i; });
}
Step WaitView() {
    return WaitFor([] { return Loop() == LOOP_WARP; });
}

// The view was turned from `from` by `turn`.
void ExpectTurned(const View& from, float turn, const char* why = "") {
    EXPECT_NEAR(YawApart(Now().yaw, from.yaw + turn), 0.0f, 1e-4f) << why;
}
void ExpectLevel(float pitch, const char* why = "") { EXPECT_NEAR(Now().pitch, pitch, 1e-4f) << why; }
void ExpectFocal(float fov) { EXPECT_NEAR(Now().fov, fov, 1e-3f); }

// The subjects of the guardian, each as number x 10 + enabled.
std::vector<int32_t> GuardianSubjects() {
    const int32_t id = DefName_GetIdName(DEFNAME_PERSONNAGES, DEMO_GUARDIAN_ID);
    std::vector<int32_t> out;
    for (int i = 0; i < OrvDial_CountSubjects(id); ++i)
        out.push_back(ST_perso_sujets_table[id].entries[i].number * 10 + ST_perso_sujets_table[id].entries[i].enabled);
    return out;
}

}  // namespace

TEST(DialogueFlows, TheGuardiansSubjectsStartHisDialoguesWhichSpeakAndGiveTheViewBack) {
    ProgramRun run;
    run.maxPasses = 6000;
    struct Seen {
        int facePixels = 0, mouthFrames = 0, subtitled = 0, musicDuring = -1, musicMax = 0;
        std::vector<uint32_t> lastFace;
    };
    auto seen = std::make_shared<Seen>();
    const std::vector<int32_t> sky = {DEMO_SUBJECT_GREETING * 10 + 1, DEMO_SUBJECT_TEMPLE * 10, DEMO_SUBJECT_SKY * 10 + 1};
    Append(run.steps, NewGameTo(DEMO_WAM_YU, 2, "YU2"));
    // Pointing at the guardian opens his panel: greeting and temple, the list of two from y 242.
    Append(run.steps, {Do([] { EXPECT_FALSE(OrvWarp_SubjectPanelOpen); }), PointAtGuardian(),
                       // A click outside closes it; it stays closed while the pointer is still on him.
                       ClickPoint(100, 100), WaitFor([] { return OrvWarp_SubjectPanelOpen == 0; })});
    auto waited = std::make_shared<int>(0);
    run.steps.push_back(WaitFor([waited] {
        EXPECT_FALSE(OrvWarp_SubjectPanelOpen);
        return ++*waited > 30;
    }));
    // Back on him, the greeting: the first cell.
    Append(run.steps, {Turn(0.5f, 0), PointAtGuardian(), ClickPoint(465, 257),
                       WaitFor([] { return Loop() == LOOP_DIALOGUE; })});
    // While he speaks: his sprite is hidden, his face moves with the voice and its eyes blink, subtitles.
    run.steps.push_back(WaitFor([seen] {
        if (Loop() != LOOP_DIALOGUE) return true;
        if (Reply() == 0) {
            EXPECT_FALSE(GuardianShown());
            const std::vector<uint32_t> frame = PresentedFrame();
            std::vector<uint32_t> face;
            for (int y = 150; y < 340; ++y)
                for (int x = 230; x < 410; ++x) face.push_back(frame[size_t(y) * 640 + size_t(x)]);
            if (!seen->lastFace.empty() && face != seen->lastFace) seen->mouthFrames++;
            seen->lastFace = face;
            int skin = 0;
            for (uint32_t p : face) skin += (p >> 16 & 255) > 150 && (p >> 8 & 255) > 100 && (p & 255) < 140;
            seen->facePixels = std::max(seen->facePixels, skin);
            seen->subtitled += SubtitlePixels() > 50;
            seen->musicDuring = OrvMuzik_GetCurrentVol();
            seen->musicMax = OrvMuzik_GetMaxVol();
        }
        return false;
    }));
    run.steps.push_back(Do([] {
        EXPECT_TRUE(GuardianShown());
        EXPECT_EQ(Var("CLICPERSO"), 0);
        EXPECT_EQ(Var("SUJET"), -2);
        EXPECT_EQ(Loop(), LOOP_WARP);
        EXPECT_NEAR(Now().fov, 76.0f, 0.01f);
    }));
    // The temple: a voice-over of the hero and the guardian; the waiting block then grants the sky and greys
    // the temple. The music comes back up.
    Append(run.steps, {Turn(0.5f, 0), PointAtGuardian(), ClickPoint(465, 319),
                       WaitFor([] { return Loop() == LOOP_DIALOGUE; }), WaitView(),
                       WaitFor([] { return OrvMuzik_GetCurrentVol() == OrvMuzik_GetMaxVol(); }),
                       Do([sky] { EXPECT_EQ(GuardianSubjects(), sky); })});
    // The lists go with the game: saved, emptied, loaded back.
    Append(run.steps, SaveGame());
    // Loaded over his open panel: the panel goes with the world it was opened in.
    Append(run.steps, {Turn(0.5f, 0), PointAtGuardian(), Do([] {
                           OrvDial_ClearSubjects(DefName_GetIdName(DEFNAME_PERSONNAGES, DEMO_GUARDIAN_ID));
                       })});
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Arrive("YU2"), Do([sky] {
                           EXPECT_FALSE(OrvWarp_SubjectPanelOpen);
                           EXPECT_EQ(GuardianSubjects(), sky);
                       })});
    run.PlayToTheEnd();

    EXPECT_GT(seen->facePixels, 5000) << "the face is drawn";
    EXPECT_GT(seen->mouthFrames, 10) << "the face moves as he speaks";
    EXPECT_GT(seen->subtitled, 20);
    EXPECT_EQ(seen->musicDuring, seen->musicMax * 16 / 100) << "the music is lowered while he speaks";
    const std::string log = run.Log();
    EXPECT_NE(log.find("DIALOG: Initialisation (dial:1)"), std::string::npos);
    EXPECT_NE(log.find("DIALOG: Initialisation (dial:2)"), std::string::npos);
    EXPECT_NE(log.find("DIALOG: Fermeture du mode dialogue."), std::string::npos);
}

// The passage behind the guardian opens only once he has spoken, and he stands aside only while the player
// stays: at the next arrival he is back at his post, a save and a load between included, and talks again.
TEST(DialogueFlows, TheGuardianKeepsHisPassageUntilHeHasSpokenAndIsBackAtTheNextArrival) {
    ProgramRun run;
    run.maxPasses = 8000;
    auto greeting = [] {
        return std::vector<Step>{PointAtGuardian(), ClickPoint(465, 257), WaitFor([] { return Loop() == LOOP_DIALOGUE; }),
                                 WaitView()};
    };
    Append(run.steps, NewGameTo(DEMO_WAM_YU, 2, "YU2"));
    Append(run.steps, ClickZone(ZoneNamed("ZONE_GARDIEN")));
    run.steps.push_back(Read(DEMO_GUARDIAN_BARS_MESSAGE));
    Append(run.steps, greeting());
    Append(run.steps, ClickZone(ZoneNamed("ZONE_GARDIEN")));
    Append(run.steps, {Read(7), WaitFor([] { return Idle() && !GuardianShown(); })});
    Append(run.steps, SaveGame());
    Append(run.steps, LoadNewestGame());
    run.steps.push_back(Arrive("YU2"));
    Append(run.steps, ClickZone(MoveTo(1)));
    run.steps.push_back(Arrive("YU1"));
    Append(run.steps, ClickZone(MoveTo(2)));
    Append(run.steps, {Arrive("YU2"), Do([] { EXPECT_FALSE(Interp_is_perso_hidden(DEMO_GUARDIAN_ID)) << "back at his post"; }),
                       WaitFor(GuardianShown)});
    Append(run.steps, greeting());
    run.PlayToTheEnd();

    EXPECT_EQ(run.messages, (std::vector<int32_t>{1, DEMO_GUARDIAN_BARS_MESSAGE, 7}));
}

TEST(DialogueFlows, AHalfTurnIsUndoneInAViewWithLimitsAndVoiceOversKeepMouseLook) {
    ProgramRun run;
    run.maxPasses = 6000;
    WriteTestScripts(run.dir.Path());
    auto at = std::make_shared<View>();
    auto mark = [at] { return Do([at] { *at = Now(); }); };
    auto moves = std::make_shared<int>(0);
    Append(run.steps, NewGameTo(DEMO_WAM_IR, 4, "IR4"));
    // 20 in a view with limits: the half-turns are undone, back where it began.
    Append(run.steps, {Turn(1.2f, 0.0f), Do([at] {
                           *at = Now();
                           EXPECT_NEAR(at->yaw, 1.2f, 0.02f);
                           RunOneCommand("(DIAL=20)");
                       })});
    for (int i = 0; i < 5; ++i) Append(run.steps, {WaitReply(i), Click()});
    Append(run.steps, {WaitView(), Do([at] { EXPECT_NEAR(Now().yaw, at->yaw, 1e-4f); })});
    // 25: the mouse turns the view during a voice-over, not while he is on screen.
    Append(run.steps, {Do([] { RunOneCommand("(DIAL=25)"); }), WaitReply(0), mark(),
                       WaitFor([moves] {
                           Input_InjectMouseMove(-20, 0);
                           return ++*moves > 10;
                       }),
                       WaitFor([moves] { return ++*moves > 40; }),
                       Do([at] { EXPECT_LT(Now().yaw, at->yaw - 0.05f) << "free look during a voice-over"; }), Click(),
                       WaitReply(1), Click(), WaitReply(2), mark(),
                       WaitFor([moves] {
                           Input_InjectMouseMove(-20, 0);
                           return ++*moves > 60;
                       }),
                       WaitFor([moves] { return ++*moves > 90; }),
                       Do([at] { EXPECT_NEAR(Now().yaw, at->yaw, 1e-5f) << "no look while he is on screen"; }), Click(),
                       WaitView()});
    // 26: the hero, the guardian's voice-over without a picture of its own turns back from him, the guardian.
    Append(run.steps, {Do([] { RunOneCommand("(DIAL=26)"); }), WaitReply(0), mark(), Click(), WaitReply(1),
                       Do([at] {
                           ExpectTurned(*at, kHalfTurn);
                           *at = Now();
                       }),
                       Click(), WaitReply(2), Do([at] { ExpectTurned(*at, 0); }), Click(), WaitView()});
    // 27: Escape during the hero's voice-over: his view was not turned, so it is not turned back.
    Append(run.steps, {mark(), Do([] { RunOneCommand("(DIAL=27)"); }), WaitReply(0), Key(DIK_ESCAPE), WaitView(),
                       Do([at] { ExpectTurned(*at, 0); })});
    run.PlayToTheEnd();
}

TEST(DialogueFlows, ADialogueDuringADialogueStopsItAndResumesItsBlockFirst) {
    ProgramRun run;
    run.maxPasses = 6000;
    WriteTestScripts(run.dir.Path());
    WriteTestChapter(run.dir.Path());
    Append(run.steps, NewGameTo(DEMO_WAM_YU, 2, "YU2"));
    // 22 waits in its block; 24 starts in another block while 22 runs.
    Append(run.steps, {Trigger(64), WaitReply(0), Trigger(66), WaitReply(0), Do([] {
                           EXPECT_EQ(Interp_Flags[65], 1) << "the first dialogue's block went on when it was stopped";
                           EXPECT_EQ(Interp_Flags[67], 0);
                           EXPECT_EQ(Dialog().GetRepliqueCount(), 1u) << "the second dialogue runs";
                       }),
                       Click(), WaitView(), Do([] { EXPECT_EQ(Interp_Flags[67], 1); })});
    // A block of two dialogues: the second starts when the first ends, the rest of the block after it.
    Append(run.steps, {Trigger(70), WaitReply(0), Click(), WaitReply(1), Click(),
                       WaitFor([] { return Loop() == LOOP_DIALOGUE && Dialog().GetRepliqueCount() == 2 && Reply() == 0 &&
                                           Dialog().GetCurrentPersoName() == DEMO_GUARDIAN; }),
                       Do([] { EXPECT_EQ(Interp_Flags[71], 0); }), Click(), WaitReply(1), Click(), WaitView(),
                       Do([] { EXPECT_EQ(Interp_Flags[71], 1); })});
    run.PlayToTheEnd({"SetVariables(): OrvDial_start() sans stop prealable!!"});
    EXPECT_NE(run.Log().find("DIALOG: Initialisation (dial:24)"), std::string::npos);
}

TEST(DialogueFlows, TheViewTurnsForEachSpeakerAndEveryEndGivesItBack) {
    ProgramRun run;
    run.maxPasses = 8000;
    WriteTestScripts(run.dir.Path());
    WriteTestChapter(run.dir.Path());
    auto at = std::make_shared<View>();
    Append(run.steps, NewGameTo(DEMO_WAM_YU, 2, "YU2"));
    // Looking a little down and right, away from the guardian (turns below him never meet him).
    Append(run.steps, {Turn(0.6f, -0.3f), Do([at] {
                           *at = Now();
                           EXPECT_NEAR(at->pitch, -0.3f, 0.02f);
                           Interp_SetEngineVar(IV_CLICPERSO, 7);
                           Interp_SetEngineVar(IV_SUJET, 3);
                       })});
    // 20: the guardian and the hero by turns; the view turns by a half-turn at each change of side. The first
    // arranged reply levels the view; the guardian's focal, the hero's none (76).
    run.steps.push_back(Trigger(60));
    for (int i = 0; i < 5; ++i)
        Append(run.steps, {WaitReply(i), Do([at, i] {
                               SCOPED_TRACE(i);
                               ExpectTurned(*at, i % 2 ? kHalfTurn : 0);
                               ExpectLevel(0);
                               ExpectFocal(i % 2 ? 76.0f : 58.0f);
                               EXPECT_EQ(GuardianShown(), i % 2 == 1) << "hidden while he speaks";
                           }),
                           Click()});
    Append(run.steps, {WaitView(), Do([at] {
                           ExpectTurned(*at, 0);
                           ExpectLevel(0);
                           ExpectFocal(76.0f);  // every end gives 76 degrees back
                           EXPECT_TRUE(GuardianShown());
                           EXPECT_EQ(Var("CLICPERSO"), 0);
                           EXPECT_EQ(Var("SUJET"), -2);
                           EXPECT_EQ(Loop(), LOOP_WARP);
                           EXPECT_EQ(Interp_Flags[61], 1);
                       })});
    // 21 ends on the hero: the half-turn stays.
    Append(run.steps, {Trigger(68), WaitReply(0), Click(), WaitReply(1), Click(), WaitView(), Do([at] {
                           ExpectTurned(*at, kHalfTurn);
                           ExpectFocal(76.0f);
                           EXPECT_EQ(Interp_Flags[69], 1);
                           *at = Now();
                       })});
    // 23: Escape while the hero speaks turns the view back.
    Append(run.steps, {Trigger(62), WaitReply(0), Do([at] { ExpectTurned(*at, kHalfTurn); }), Key(DIK_ESCAPE),
                       WaitView(), Do([at] {
                           ExpectTurned(*at, 0, "Escape turns the hero's view back");
                           ExpectFocal(76.0f);
                           EXPECT_EQ(Interp_Flags[63], 1);
                       })});
    // 22: "DS" tilts the view while he speaks; the guardian after him tilts it back.
    Append(run.steps, {Turn(0.6f, -0.3f), Trigger(64)});
    for (int i = 0; i < 3; ++i) Append(run.steps, {WaitReply(i), Do([i] { ExpectLevel(i == 1 ? kTilt : 0); }), Click()});
    Append(run.steps, {WaitView(), Do([] {
                           ExpectLevel(0);
                           ExpectFocal(76.0f);
                           EXPECT_EQ(Interp_Flags[65], 1);
                       })});
    // 24: Escape while "DS" speaks undoes his tilt.
    Append(run.steps, {Turn(0.6f, -0.3f), Trigger(66), WaitReply(0), Do([] { ExpectLevel(kTilt); }), Key(DIK_ESCAPE),
                       WaitView(), Do([] {
                           ExpectLevel(0, "Escape undoes the tilt");
                           ExpectFocal(76.0f);
                           EXPECT_EQ(Interp_Flags[67], 1);
                       })});
    // 28 ends on "DS": his tilt is undone at the end.
    Append(run.steps, {Turn(0.6f, -0.3f), Do([] { RunOneCommand("(DIAL=28)"); }), WaitReply(0), Click(), WaitReply(1),
                       Do([] { ExpectLevel(kTilt); }), Click(), WaitView(),
                       Do([] { ExpectLevel(0, "the end undoes the tilt"); })});
    run.PlayToTheEnd();
}

TEST(DialogueFlows, ADialogueOverAVideoStepsWithItsFramesAndShowsOnlyItsSubtitles) {
    ProgramRun run;
    run.maxPasses = 6000;
    WriteTestScripts(run.dir.Path());
    struct Frame {
        int video, counter, subtitle;
    };
    auto frames = std::make_shared<std::vector<Frame>>();
    Append(run.steps, NewGameTo(DEMO_WAM_YU, 2, "YU2"));
    Append(run.steps, {Do([] { ASSERT_TRUE(OrvQmv_startOverDialogue("intro.qmv", 30)); }), WaitFor([frames] {
                           if (Loop() != LOOP_QMV) return true;
                           const int video = OrvQmv_GetFrameCount();
                           if (frames->empty() || frames->back().video != video)
                               frames->push_back({video, Dialog().GetFrameCounter(), SubtitlePixels()});
                           return false;
                       }),
                       Do([] { EXPECT_FALSE(Dialog().IsInitialised()) << "taken down with the video"; })});
    run.PlayToTheEnd();
    ASSERT_GT(frames->size(), 35u);
    EXPECT_EQ(frames->back().counter, 31) << "the last reply ended past its to";
    // The first step starts the first reply without counting; the count stops with the last reply.
    for (size_t i = 2; i < frames->size(); ++i) {
        const Frame& f = (*frames)[i];
        SCOPED_TRACE(f.video);
        if ((*frames)[i - 1].counter < 31) {
            EXPECT_EQ(f.counter - (*frames)[i - 1].counter, f.video - (*frames)[i - 1].video) << "one step a video frame";
        }
        const bool first = f.counter > 5 && f.counter < 15, second = f.counter > 20 && f.counter < 30;
        if (first || second) {
            EXPECT_GT(f.subtitle, 30);
        } else {
            EXPECT_EQ(f.subtitle, 0);
        }
    }
}

TEST(DialogueFlows, DialoguesOfTheStripUseTheWholeEightHundredPixelPanorama) {
    ProgramRun run;
    run.maxPasses = 6000;
    WriteTestScripts(run.dir.Path());
    run.AskScreenSize(800, 600);
    Append(run.steps, NewGameTo(DEMO_WAM_YU, 2, "YU2"));
    Append(run.steps, {Do([] { RunOneCommand("(DIAL=81)"); }), WaitReply(0), Do([] {
                           EXPECT_FALSE(OrvDisplay_IsRenderWarp800());
                           EXPECT_EQ(OrvDisplay_GetRenderWidth(), 640);
                       }),
                       WaitFor([] { return OrvWarp_GetCamera().clip.right != 0; }),
                       Do([] { EXPECT_EQ(OrvWarp_GetCamera().clip.right, 639); }), Click(), WaitView()});
    Append(run.steps, {Do([] { RunOneCommand("(DIAL=82)"); }), WaitReply(0), Do([] {
                           EXPECT_TRUE(OrvDisplay_IsRenderWarp800());
                           EXPECT_EQ(OrvDisplay_GetRenderWidth(), 800);
                       }),
                       WaitFor([] { return OrvWarp_GetCamera().clip.right == 799; }), Click(), WaitView(),
                       Do([] { EXPECT_TRUE(OrvDisplay_IsRenderWarp800()) << "the view is wide again"; })});
    run.PlayToTheEnd();
}
