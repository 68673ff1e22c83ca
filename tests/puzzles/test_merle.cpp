// The blackbirds and the poet of IR 73: the draw, the poet's line, the songs, the answers, the panel.
#include "ViewPuzzleTest.h"
#include "audio/Adpcm.h"
#include "dialogue/Orv_DialSujets.h"
#include "puzzles/pz_merle.h"
#include "testdata/DemoDialogue.h"
#include "testdata/KsnWriter.h"

namespace {
// The poet's subject numbers, the first being the one of his cell 0.
constexpr int32_t kSubject0 = PUZZLE_POET_SUBJECT_FIRST;

// The poet of IR 73 sits a quarter turn to the right; his zone lies straight ahead.
class MerleTest : public ViewPuzzleTest {
protected:
    uint32_t StartView() const override { return 73; }
    void SetUp() override {
        ViewPuzzleTest::SetUp();
        // The subject icons of the world (its world change loads them when the dialogue runs).
        OrvDial_LoadSubjectBank("sujeire.spr");
        ASSERT_NE(OrvDial_GetSubjectBank(), nullptr);
    }
    void TearDown() override {
        OrvDial_FreeSubjectBank();
        ViewPuzzleTest::TearDown();
    }
    static int32_t Poet() { return DefName_GetIdName(DEFNAME_PERSONNAGES, "POETE_ASSIS"); }
    // Pointing at the poet opens his panel.
    void OpenPoetPanel() {
        Look(kQuarter);
        // The pointer finds the character once his sprite's frame has been laid (a main frame).
        for (int i = 0; i < 8 && !OrvWarp_SubjectPanelOpen; i++) Pass();
        ASSERT_EQ(OrvWarp_SubjectPanelOpen, 1);
        ASSERT_EQ(Interp_GetEngineVar(IV_CLICPERSO), Poet());
    }
    // The pointer on cell i of the panel's column (the poet's three subjects or the five birds).
    void PointAtCell(int i) { MoveMouseTo(450, 180 + 62 * i); }
    void ClickCell(int i) {
        PointAtCell(i);
        Pass(true);
    }
    // The poet speaks: his first subject arms the game, the next one starts the line.
    void PoetSpeaks() {
        OpenPoetPanel();
        if (merle_etat == MERLE_ATTENTE) {
            ClickCell(0);
            ASSERT_EQ(merle_etat, MERLE_POETE);
            OpenPoetPanel();
        }
        ASSERT_EQ(merle_etat, MERLE_POETE);
        ClickCell(1);
        ASSERT_EQ(merle_etat, MERLE_ECOUTE);
    }
    // The panel comes back on the poet with the birds; a click on the right one or another.
    void Answer(bool right) {
        OpenPoetPanel();
        ClickCell(right ? bonne : (bonne + 2) % MERLE_OISEAUX);
    }
    // The centre of cell i as drawn, and the centre of subject icon n.
    static uint32_t CellCentre(int i) { return Pixel(475, 205 + 62 * i); }
    static uint32_t IconCentre(int n) {
        const SprImage icon = DemoDialogue_SubjectIcon(n);
        return Packed(icon.pixels[size_t(icon.height / 2) * size_t(icon.width) + size_t(icon.width / 2)]);
    }

    // The samples of a sound file as decoded.
    std::vector<int16_t> Decoded(const std::string& name) const {
        const std::string bytes = ReadFileText(dir / ("datas_q2/ksn/" + name));
        const auto* file = reinterpret_cast<const uint8_t*>(bytes.data());
        uint32_t pcm = 0, freq = 0, stereo = 0;
        if (Adpcm_GetPcmSize(file, bytes.size(), &pcm, &freq, &stereo) != ADPCM_OK) return {};
        std::vector<int16_t> out(pcm / 2);
        Adpcm_Decode(file, bytes.size(), out.data(), pcm);
        return out;
    }
    // The next `frames` of the sound device's left channel.
    static std::vector<int16_t> Heard(int frames) {
        std::vector<int16_t> out(size_t(frames) * 2), left;
        SysSnd_OfflineRender(out.data(), frames);
        for (int i = 0; i < frames; i++) left.push_back(out[size_t(2 * i)]);
        return left;
    }
    std::vector<int16_t> Part(const std::string& name, size_t from, size_t count) const {
        const std::vector<int16_t> all = Decoded(name);
        return std::vector<int16_t>(all.begin() + long(from), all.begin() + long(from + count));
    }
    static std::string Song(int i) { return "merle" + std::to_string(soluce[i]) + ".ksn"; }
    static void PlayOut() {
        for (int i = 0; i < 100 && OrvSound_get_voice_state(2); i++) Heard(441);
    }
};
}  // namespace

TEST_F(MerleTest, TheDrawGivesFiveDifferentBirds) {
    EXPECT_TRUE(SoundLoaded("merlem.ksn"));
    EXPECT_TRUE(SoundLoaded("merleb.ksn"));
    EXPECT_EQ(OrvSpr_get_curseur_bank(), Interface_GetBank());
    EXPECT_EQ(MousePosition.x, 320);
    EXPECT_EQ(MousePosition.y, 240);
    for (uint32_t seed : {1u, 7u, 99u, SeedForFirstDraw(ORV_RAND_MAX)}) {
        orv_srand(seed);
        pz_merle_tirage();
        std::vector<int32_t> birds(soluce, soluce + MERLE_OISEAUX);
        for (int32_t n : birds) {
            EXPECT_GE(n, 1);
            EXPECT_LE(n, 10);
        }
        std::sort(birds.begin(), birds.end());
        EXPECT_EQ(std::unique(birds.begin(), birds.end()), birds.end()) << seed;
    }
    // The generator's largest value gives the last bird, not an eleventh.
    EXPECT_EQ(soluce[0], 10);
}

TEST_F(MerleTest, ThePoetSpeaksABirdsLineAndTheBirdsSing) {
    Look(0);  // the poet's zone lies under the centre
    Pass();
    EXPECT_EQ(Interface_GetCurseurKind(), WAM_ZONE_SCENARIO);
    EXPECT_EQ(OrvWarp_SubjectPanelOpen, 0);
    // Pointing at him shows his three subjects.
    OpenPoetPanel();
    Pass();
    for (int i = 0; i < 3; i++) EXPECT_EQ(CellCentre(i), IconCentre(kSubject0 + i)) << i;
    // Before the poet is chosen a subject only arms the game; a click beside his subjects does nothing more.
    ClickCell(0);
    EXPECT_EQ(merle_etat, MERLE_POETE);
    OpenPoetPanel();
    ClickCell(3);
    EXPECT_EQ(merle_etat, MERLE_POETE);
    EXPECT_EQ(OrvWarp_SubjectPanelOpen, 0);
    EXPECT_TRUE(Commands().empty());
    // The generator's largest value names the last bird, not a sixth.
    Look(0);
    Pass();
    OpenPoetPanel();
    orv_srand(SeedForFirstDraw(ORV_RAND_MAX));
    ClickCell(1);
    EXPECT_EQ(bonne, 4);
    EXPECT_EQ(merle_etat, MERLE_ECOUTE);
    EXPECT_EQ(merle_choix, 1);
    EXPECT_EQ(Commands(), std::vector<std::string>{"dial=" + std::to_string(89 + soluce[4])});
    // The subject reached the scenario too.
    EXPECT_EQ(Var("POEME_ENTENDU"), 1);
    EXPECT_EQ(MousePosition.x, 320);
    EXPECT_EQ(MousePosition.y, 240);
    for (int i = 0; i < MERLE_OISEAUX; i++) EXPECT_TRUE(SoundLoaded(Song(i))) << Song(i);

    // The five birds stand in for the poet's subjects, and no zone pointer is shown.
    OpenPoetPanel();
    for (int i = 0; i < MERLE_OISEAUX; i++) EXPECT_EQ(CellCentre(i), IconCentre(26 + i)) << i;
    EXPECT_EQ(Interface_GetCurseurKind(), 0);
    EXPECT_EQ(OrvSound_get_voice_state(2), 0);
    // Pointing at a bird plays its song; another bird waits until the voice is free.
    PointAtCell(3);
    Pass();
    EXPECT_EQ(Heard(300), Part(Song(3), 0, 300));
    EXPECT_EQ(merle_etat, MERLE_ECOUTE);
    PointAtCell(0);
    Pass();
    EXPECT_EQ(Heard(300), Part(Song(3), 300, 300));
    PlayOut();
    Pass();
    EXPECT_EQ(Heard(300), Part(Song(0), 0, 300));
    // A click beside the birds changes nothing.
    MoveMouseTo(200, 200);
    Pass(true);
    EXPECT_EQ(merle_etat, MERLE_ECOUTE);
    EXPECT_EQ(merle_choix, 0);
    Look(0);
    Pass();
    EXPECT_EQ(Interface_GetCurseurKind(), WAM_ZONE_SCENARIO);
}

TEST_F(MerleTest, ThreeRightAnswersInARowSolveIt) {
    PoetSpeaks();
    PlayOut();
    Answer(true);
    EXPECT_EQ(merle_nb_bonnes, 1);
    EXPECT_EQ(Heard(300), Part("merleb.ksn", 0, 300));
    // A judged answer arms the next round at once while the poet's panel stays open.
    EXPECT_EQ(merle_etat, MERLE_POETE);
    PoetSpeaks();
    PlayOut();
    Answer(true);
    EXPECT_EQ(merle_nb_bonnes, 2);
    PoetSpeaks();
    PlayOut();
    Answer(false);
    EXPECT_EQ(merle_nb_bonnes, 0);
    EXPECT_EQ(Heard(300), Part("merlem.ksn", 0, 300));
    EXPECT_EQ(Var("FINMERLE"), 0);
    for (int i = 0; i < 3; i++) {
        PoetSpeaks();
        Answer(true);
    }
    EXPECT_EQ(merle_nb_bonnes, 3);
    EXPECT_EQ(Var("FINMERLE"), 1);
    // Solved: the poet no longer starts the game.
    EXPECT_EQ(merle_etat, MERLE_ATTENTE);
    OpenPoetPanel();
    ClickCell(0);
    EXPECT_EQ(merle_etat, MERLE_ATTENTE);
    for (const std::string& c : Commands()) EXPECT_EQ(c.rfind("dial=", 0), 0u) << c;
    EXPECT_EQ(Commands().size(), 6u);
}

// A panel up when the panorama closes is not up when it starts again; pointing at the poet opens his.
TEST_F(MerleTest, APanelUpAtTheCloseIsGoneAtTheNextStart) {
    OpenPoetPanel();
    Interp_SetEngineVar(IV_CLICPERSO, 0);
    OrvWarp_Close();
    ASSERT_TRUE(OrvWarp_Init());
    EXPECT_EQ(OrvWarp_SubjectPanelOpen, 0);
    ASSERT_TRUE(OrvWarp_start());
    OpenPoetPanel();
}

TEST_F(MerleTest, LeavingGivesTheSoundsBackAndANewVisitStartsAgain) {
    PoetSpeaks();
    Answer(true);
    PoetSpeaks();
    // The player turns from the poet and leaves through the move zone.
    ClickAt(2 * kQuarter);
    EXPECT_EQ(OrvSpr_get_curseur_bank(), nullptr);
    Pass();
    ASSERT_TRUE(pz_vue_is("IR", 6));
    EXPECT_EQ(merle_choix, 0);
    for (int32_t id : merle_son) EXPECT_EQ(id, -1);
    for (const char* name : {"merlem.ksn", "merleb.ksn"}) EXPECT_FALSE(SoundLoaded(name)) << name;
    // Back again: a new draw, the count and the game start afresh.
    GoTo(73);
    EXPECT_EQ(merle_nb_bonnes, 0);
    EXPECT_EQ(merle_etat, MERLE_ATTENTE);
    EXPECT_TRUE(SoundLoaded("merleb.ksn"));
    // A jump away lets go of them as the move zone does; the quit acts in its own view only.
    GoTo(6);
    EXPECT_FALSE(SoundLoaded("merleb.ksn"));
    OrvSpr_set_curseur(Interface_GetBank(), 2);
    pz_merle_quit();
    EXPECT_EQ(OrvSpr_get_curseur_bank(), Interface_GetBank());
    GoTo(73);
    // Entered again without leaving through a zone, the sounds are not taken twice.
    ASSERT_TRUE(OrvWarp_start());
    OrvSoundInfo info;
    for (int id = 0; id < ORVSOUND_MAX_SOUNDS; id++)
        if (OrvSound_GetInfo(id, &info) && info.name == "merleb.ksn") {
            EXPECT_EQ(info.shares, 1);
        }
}

TEST_F(MerleTest, LeavingBringsTheMusicBackToFullVolume) {
    // A music playing, lowered as a dialogue lowers it under the voices.
    std::filesystem::create_directories(dir / "music");
    ASSERT_TRUE(KsnWriter_Save(dir / "music/muzik01.ksn", KsnWriter_TestSignal(22050 * 6, 2, 3), 2, 22050));
    ASSERT_TRUE(OrvMuzik_Play("muzik01.ksn"));
    Passes(10);
    const int full = OrvMuzik_GetMaxVol();
    ASSERT_EQ(OrvMuzik_GetCurrentVol(), full);
    OrvMuzik_SetVolumePercent(16);
    Passes(120);
    ASSERT_EQ(OrvMuzik_GetCurrentVol(), full * 16 / 100);
    PoetSpeaks();
    // Out through the move zone: the music rises back to its full volume and keeps playing.
    ClickAt(2 * kQuarter);
    Pass();
    ASSERT_TRUE(pz_vue_is("IR", 6));
    Passes(120);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), full);
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_PLAYING);
}
