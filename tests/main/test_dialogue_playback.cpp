// Dialogue playback with the whole program, headless on the demo: a voice-over in a view with turning limits
// after the hero's half-turn, the text of a missing dialogue as the fonts draw it, the mouth's clock across
// an inactive window, and the hero's first missing stand.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "ProgramRun.h"
#include "app/Clock.h"
#include "app/main/Orv_Main.h"
#include "audio/Orv_Sound.h"
#include "audio/SysSnd.h"
#include "dialogue/dlg_Dialog.h"
#include "framework/Input.h"
#include "menus/Orv_Font.h"
#include "panorama/Orv_Warp.h"
#include "testdata/DemoDialogue.h"
#include "testdata/DemoWorld.h"
#include "testdata/DialogueWriter.h"
#include "tests/support/LookTurn.h"
#include "world/Interp.h"
#include "world/wam.h"

namespace fs = std::filesystem;

namespace {

constexpr float kHalfTurn = WARP_PI;

float Yaw() {
    float yaw, pitch;
    OrvWarp_GetViewAngles(&yaw, &pitch);
    return yaw;
}
// How far apart two yaws point.
float YawsApart(float a, float b) { return std::fabs(std::remainder(a - b, 2.0f * WARP_PI)); }

// Reply i of the running dialogue is the current one.
Step OnReply(size_t i) {
    return WaitFor([i] {
        const dlg_Dialog* d = dlg_TheDialog();
        return Loop() == LOOP_DIALOGUE && d->GetCurrentReplique() && d->GetCurrentReplique() == d->GetRepliqueAt(i);
    });
}

// The text drawn in the dialogue's font on a surface of its own.
std::vector<uint16_t> Drawn(const std::string& text) { return DrawnText("OrvFT_Dialog", text, 1400); }

}  // namespace

// The hero's half-turn and the voice-over after it in IR 4, whose view turns within limits: the voice-over's
// mouse look keeps the turn and holds the player's own look within the limits.
TEST(DialoguePlayback, AVoiceOverInAViewWithLimitsKeepsTheHerosTurn) {
    ProgramRun run;
    run.maxPasses = 12000;
    DlgScriptDesc d;
    DlgPersoDesc hero, guardian;
    hero.name = "H1";
    hero.mesh = "h1";
    guardian.name = DEMO_GUARDIAN;
    guardian.mesh = "ga";
    d.persos = {hero, guardian};
    for (int dial : {40, 41}) {
        d.lines.push_back(DlgScript_Reply(dial, 1, "H1", "stand1 camera1", "Le heros parle."));
        d.lines.push_back(DlgScript_Reply(dial, 2, DEMO_GUARDIAN, "voixoff", "Le gardien parle sans paraitre."));
        d.lines.push_back(DlgScript_Reply(dial, 3, DEMO_GUARDIAN, "stand1 camera1", "Le gardien parait."));
    }
    ASSERT_TRUE(DlgScript_Save(run.dir.Path(), "IR", d));
    const ST_wam_vue* ir4 = nullptr;
    auto start = std::make_shared<float>(0.0f);
    Append(run.steps, NewGameTo(DEMO_WAM_IR, 4, "IR4"));
    // Without a look of the player's, the view ends where it began.
    Append(run.steps, {Turn(1.2f, 0.0f), Do([&ir4, start] {
                           ir4 = OrvWam_CurrentVue;
                           ASSERT_LT(ir4->yaw_min, ir4->yaw_max);
                           *start = Yaw();
                           RunOneCommand("(DIAL=40)");
                       }),
                       OnReply(0), Click(), OnReply(1)});
    auto passes = std::make_shared<int>(0);
    Append(run.steps, {WaitFor([start, passes] {
                           EXPECT_NEAR(YawsApart(Yaw(), *start + kHalfTurn), 0.0f, 1e-4f) << "the hero's turn stays";
                           return ++*passes > 30;
                       }),
                       Click(), OnReply(2), Click(), WaitFor([] { return Loop() == LOOP_WARP; }),
                       Do([start] { EXPECT_NEAR(YawsApart(Yaw(), *start), 0.0f, 1e-4f); })});
    // The player looks far right during the voice-over: his look stops at the limit, the turn stays on top.
    Append(run.steps, {Do([] { RunOneCommand("(DIAL=41)"); }), OnReply(0), Click(), OnReply(1),
                       WaitFor([passes] {
                           Input_InjectMouseMove(40, 0);
                           return ++*passes > 90;
                       }),
                       WaitFor([] { return OrvWarp_MouseLookSpeeds.yaw == 0.0f; }), Do([&ir4] {
                           EXPECT_NEAR(YawsApart(Yaw(), ir4->yaw_max + kHalfTurn), 0.0f, 1e-4f);
                       }),
                       Click(), OnReply(2), Click(), WaitFor([] { return Loop() == LOOP_WARP; }),
                       Do([&ir4] { EXPECT_NEAR(YawsApart(Yaw(), ir4->yaw_max), 0.0f, 1e-4f); })});
    run.PlayToTheEnd();
}

// A dialogue the scripts lack plays the missing-dialogue reply, whose text the dialogue's font draws as the
// accented letters it names, not as pairs of bytes.
TEST(DialoguePlayback, TheMissingDialoguesTextIsDrawnInTheFontsCodePage) {
    ProgramRun run;
    const std::string expected = OrvFont_FromUtf8(
        "dlg_Dialog::Initialise(unsigned long) ERROR: Le numéro de dialogue demandé n'existe pas dans le scipt");
    Append(run.steps, NewGameTo(DEMO_WAM_IR, 1, "IR1"));
    Append(run.steps, {Do([] { RunOneCommand("(DIAL=77)"); }), OnReply(0), Do([expected] {
                           const std::string& text = dlg_TheDialog()->GetCurrentReplique()->GetText();
                           EXPECT_EQ(text, expected);
                           const std::vector<uint16_t> shown = Drawn(text), right = Drawn(expected);
                           ASSERT_FALSE(shown.empty());
                           EXPECT_TRUE(shown == right) << "drawn as the single-byte text";
                           EXPECT_FALSE(Drawn(
                                            "dlg_Dialog::Initialise(unsigned long) ERROR: Le numéro de dialogue demandé "
                                            "n'existe pas dans le scipt") == right)
                               << "its UTF-8 bytes would draw other letters";
                       }),
                       Click(), WaitFor([] { return Loop() == LOOP_WARP; })});
    run.PlayToTheEnd({"n'existe pas dans le scipt (NoDialog=77)."});
}

// The window goes inactive in the middle of the guardian's voiced reply: the sound stops, and so does the
// clock of his mouth, which stays with the voice once the window is back.
TEST(DialoguePlayback, TheMouthKeepsInStepWithTheVoiceAcrossAnInactiveWindow) {
    ProgramRun run;
    run.maxPasses = 12000;
    // The voice's time as the mouth reads it, less the time the voice has played.
    const auto behind = [] {
        int play = 0, write = 0;
        SysSnd_GetSoundPosition(OrvSound_GetVoiceHandle(1), &play, &write);
        return dlg_TheDialog()->GetVoiceTime() - double(play) / (2.0 * 22050.0);
    };
    auto passes = std::make_shared<int>(0);
    const auto wait = [passes](int n) {
        return WaitFor([passes, n] { return ++*passes % n == 0; });
    };
    Append(run.steps, NewGameTo(DEMO_WAM_YU, 2, "YU2"));
    Append(run.steps, {Do([] { RunOneCommand("(DIAL=1)"); }), OnReply(0),
                       WaitFor([] { return dlg_TheDialog()->IsVoiceOpen(); }), wait(30),
                       Do([behind] { EXPECT_NEAR(behind(), 0.0, 0.05); }), Do([] { Input_InjectActivate(false); }),
                       wait(120), Do([] { Input_InjectActivate(true); }), wait(30), Do([behind] {
                           ASSERT_EQ(Loop(), LOOP_DIALOGUE);
                           ASSERT_EQ(OrvSound_get_voice_state(1), 1) << "the reply still speaks";
                           EXPECT_NEAR(behind(), 0.0, 0.05) << "the two seconds away count for neither";
                       }),
                       WaitFor([] { return Loop() == LOOP_WARP; })});
    run.PlayToTheEnd();
}

// The hero of IR lacks his fourth stand: his first three load, and the missing file is reported at each
// world change that makes him resident.
TEST(DialoguePlayback, TheHerosFirstMissingStandIsReported) {
    ProgramRun run;
    fs::remove(run.dir / "datas_q2/3d/dial/h1s4.db");
    Append(run.steps, ChoosePlayer(0));
    Append(run.steps, {Read(1), Arrive("IR1")});
    run.steps.push_back(Do([] {
        const dlg_Dialog* d = dlg_TheDialog();
        ASSERT_EQ(d->GetPersoCount(), 1u);
        const dlg_Perso* hero = d->GetPersoAt(0);
        EXPECT_TRUE(hero->IsResident());
        EXPECT_NE(hero->GetAnime(2), nullptr);
        for (int stand = 3; stand < 8; ++stand) EXPECT_EQ(hero->GetAnime(stand), nullptr) << stand;
    }));
    run.PlayToTheEnd({"bool dlg_Perso::AddAnime(const long p_lStand) ERREUR: impossible de trouver le fichier "});
    const std::vector<std::string> reports = run.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("h1s4.db."), std::string::npos) << reports[0];
}
