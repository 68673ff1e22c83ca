// Conversation subjects: the script commands on a character's list, the panel's cells and hits, the
// blackbirds' column, the choice strip and the lists' block of the save game.
#include <gtest/gtest.h>

#include "dialogue/Orv_Dial.h"
#include "dialogue/Orv_DialSujets.h"
#include "world/OrvSaveGame.h"
#include "panorama/Orv_Warp.h"
#include "testdata/DemoDialogue.h"
#include "testdata/MenuArt.h"
#include "testdata/SprWriter.h"
#include "tests/dialogue/DialogueTestUtil.h"

namespace {

constexpr uint32_t kPanelBackground = 0xFF102030;
constexpr uint32_t kFrameColour = 0xFFE0C040;

// Icon n's colour: distinct for every number the tests use.
uint32_t IconColour(int n) { return 0xFF000000u | uint32_t(40 + 7 * n) << 16 | uint32_t(250 - 9 * n) << 8 | uint32_t(30 + 5 * n); }

SprImage Solid(int w, int h, uint32_t colour)
{
    SprImage s = MenuArt_Sprite(w, h, colour);
    s.x = s.y = 0;
    return s;
}

class Subjects : public DialogueScreenTest {
protected:
    int32_t veilleur = 0, gardien = 0;
    std::vector<std::string> queued;

    void SetUp() override
    {
        DialogueScreenTest::SetUp();
        OrvDial_ResetSubjects();
        Interp_ClearCommands();
        Interp_ClearQueue();
        OrvDial_RegisterSubjects();
        OrvHooks.OrvDial_ClearSubjects = OrvDial_ClearSubjects;
        veilleur = DefName_GetIdName(DEFNAME_PERSONNAGES, "VEILLEUR");
        gardien = DefName_GetIdName(DEFNAME_PERSONNAGES, "GARDIEN");
        // The cell frame: a ring of two pixels round 62 x 62; the icons: squares of 20 of their own colour.
        SprImage frame = Solid(62, 62, 0);
        for (int y = 0; y < 62; ++y)
            for (int x = 0; x < 62; ++x)
                if (std::min({x, y, 61 - x, 61 - y}) < 2) frame.pixels[size_t(y) * 62 + size_t(x)] = kFrameColour;
        std::vector<SprImage> bank = {frame};
        for (int n = 1; n <= 30; ++n) bank.push_back(Solid(20, 20, IconColour(n)));
        ASSERT_TRUE(SprWriter_Save(dir / "spr/sujtest.spr", bank, SprWriterOptions{}));
        ASSERT_TRUE(SprWriter_Save(dir / "spr/parchem.spr", {Solid(640, 150, 0xFFC0A080)}, SprWriterOptions{}));
        OrvDial_LoadSubjectBank("sujtest.spr");
        ASSERT_NE(OrvDial_GetSubjectBank(), nullptr);
    }
    void TearDown() override
    {
        DialBar_Close();
        OrvDial_FreeSubjectBank();
        OrvDial_ResetSubjects();
        OrvSaveGame_UnregisterBlock(DLG_SUBJECT_BLOCK_NAME);
        Interp_ClearCommands();
        Interp_ClearQueue();
        OrvWarp_SubjectPanelOpen = 0;
        MouseClickFlags = MouseClicks{};
        DialogueScreenTest::TearDown();
    }
    static bool Run(const std::string& command) { return RunOneCommand(command.c_str()); }
    // A character's list, each subject as number x 10 + enabled.
    static std::vector<int32_t> List(int32_t id)
    {
        std::vector<int32_t> out;
        for (int i = 0; i < ST_perso_sujets_table[id].count; ++i)
            out.push_back(ST_perso_sujets_table[id].entries[i].number * 10 + ST_perso_sujets_table[id].entries[i].enabled);
        return out;
    }
    // The watcher with subjects S1..Sn (numbers 11..10 + n).
    void GiveWatcher(int n)
    {
        OrvDial_ClearSubjects(veilleur);
        std::string command = "(ENABLESUJ=VEILLEUR";
        for (int i = 1; i <= n; ++i) command += ",S" + std::to_string(i);
        ASSERT_TRUE(Run(command + ")"));
        ASSERT_EQ(OrvDial_CountSubjects(veilleur), n);
        Interp_SetEngineVar(IV_CLICPERSO, veilleur);
    }
    // The render surface cleared to the panel's background, then drawn on.
    static void DrawOn(void (*draw)())
    {
        Clear(kPanelBackground);
        ASSERT_TRUE(OrvDisplay_LockSurface());
        draw();
        OrvDisplay_UnlockSurface();
    }
    static void DrawPanel() { DrawOn(OrvDial_DrawPersoSubjects); }
    static int32_t HitAt(int x, int y)
    {
        MousePosition.x = x;
        MousePosition.y = y;
        MouseClickFlags.click = 1;
        const int32_t hit = OrvDial_HitPersoSubject();
        MouseClickFlags.click = 0;
        return hit;
    }
    // The corner of subject i's cell among n.
    static std::pair<int, int> Corner(int i, int n)
    {
        const int column = i / 4, row = i % 4;
        const int top = column == 0 && n < 5 ? 366 - 62 * n : 180;
        return {450 + 62 * column, top + 62 * row};
    }
    void RecordDialCommands()
    {
        static std::vector<std::string>* sink;
        sink = &queued;
        Interp_RegisterCommand("dial", [](const char* v) {
            sink->push_back(v);
            return int(CMD_DONE);
        });
    }
};

TEST_F(Subjects, CommandsGrantGreyAndWithdrawSubjectsMatchedByNumber)
{
    ASSERT_TRUE(Run("(ENABLESUJ=GARDIEN,SALUT,TEMPLE)"));
    EXPECT_EQ(List(gardien), (std::vector<int32_t>{31, 51}));
    EXPECT_EQ(ST_perso_sujets_table[gardien].entries[1].id, DefName_GetIdName(DEFNAME_SUJETS, "TEMPLE"));
    ASSERT_TRUE(Run("(DISABLESUJ=GARDIEN,SALUT,CIEL)"));  // CIEL is not listed: ignored
    EXPECT_EQ(List(gardien), (std::vector<int32_t>{30, 51}));
    // Granted again while greyed: enabled, no second entry; a name of the same number matches it.
    ASSERT_TRUE(Run("(ENABLESUJ=GARDIEN, BONJOUR ,CIEL)"));
    EXPECT_EQ(List(gardien), (std::vector<int32_t>{31, 51, 71}));
    // The first of three withdrawn: the others move down in order.
    ASSERT_TRUE(Run("(KILLSUJ=GARDIEN,SALUT,ETOILE)"));
    EXPECT_EQ(List(gardien), (std::vector<int32_t>{51, 71}));
    EXPECT_EQ(ST_perso_sujets_table[gardien].entries[0].id, DefName_GetIdName(DEFNAME_SUJETS, "TEMPLE"));
    // A name without a list, a trailing separator.
    ASSERT_TRUE(Run("(ENABLESUJ=GARDIEN)"));
    ASSERT_TRUE(Run("(ENABLESUJ=GARDIEN,)"));
    EXPECT_EQ(List(gardien), (std::vector<int32_t>{51, 71}));
    EXPECT_TRUE(Warnings().empty());
    EXPECT_TRUE(Fatals().empty());
    // The lists of other characters are their own.
    EXPECT_EQ(OrvDial_CountSubjects(veilleur), 0);
    // An unknown name is the name definitions' fatal error; nothing changes.
    ASSERT_TRUE(Run("(ENABLESUJ=GARDIEN,LUNE)"));
    ASSERT_TRUE(Run("(KILLSUJ=PERSONNE_INCONNUE,TEMPLE)"));
    EXPECT_EQ(Fatals().size(), 2u);
    EXPECT_EQ(List(gardien), (std::vector<int32_t>{51, 71}));
    // The interpreter's own CLEARSUJ empties the list; the slots keep their entries.
    ASSERT_TRUE(Run("(CLEARSUJ=GARDIEN)"));
    EXPECT_EQ(OrvDial_CountSubjects(gardien), 0);
    EXPECT_EQ(ST_perso_sujets_table[gardien].entries[0].number, 5);
}

TEST_F(Subjects, ASeventeenthSubjectIsRefusedAndIdsOutsideTheTablesHaveNone)
{
    GiveWatcher(15);
    ASSERT_TRUE(Run("(ENABLESUJ=VEILLEUR,SALUT,TEMPLE,S1)"));
    EXPECT_EQ(OrvDial_CountSubjects(veilleur), 16);
    EXPECT_EQ(List(veilleur).back(), 31);
    ASSERT_EQ(Warnings().size(), 1u);
    EXPECT_NE(Warnings()[0].find("plus de 16 sujets"), std::string::npos);
    for (int32_t id : {-1, 256, 1000}) {
        EXPECT_EQ(OrvDial_CountSubjects(id), 0);
        OrvDial_ClearSubjects(id);  // nothing to clear, nothing written
        Interp_SetEngineVar(IV_CLICPERSO, id);
        DrawPanel();
        EXPECT_EQ(HitAt(460, 300), -2);
    }
}

TEST_F(Subjects, ThePanelDrawsColumnsOfFourFromTheRight)
{
    for (int n : {1, 2, 3, 4, 5, 9, 16}) {
        SCOPED_TRACE(n);
        GiveWatcher(n);
        if (n == 9) {
            ASSERT_TRUE(Run("(DISABLESUJ=VEILLEUR,S9)"));
        }
        DrawPanel();
        int32_t x, y;
        OrvDial_GetPanelOrigin(&x, &y);
        EXPECT_EQ(x, 450);
        EXPECT_EQ(y, n < 5 ? 366 - 62 * n : 180);
        for (int i = 0; i < n; ++i) {
            const auto [cx, cy] = Corner(i, n);
            // A fourth column lies past a 640-pixel render: it is clipped away.
            if (cx + 62 > 640) continue;
            const uint32_t icon = Pixel(cx + 25, cy + 25);
            if (n == 9 && i == 8) {
                // Greyed: drawn half transparent over the view.
                EXPECT_NE(icon & 0xFFF8FCF8u, IconColour(11 + i) & 0xFFF8FCF8u);
                EXPECT_NE(icon, Pixel(cx - 20, cy + 25));
            } else {
                EXPECT_EQ(icon & 0xFFF8FCF8u, IconColour(11 + i) & 0xFFF8FCF8u) << i;
            }
            // The frame's ring round the cell, the icon's edges inside it.
            EXPECT_EQ(Pixel(cx, cy + 31) & 0xFFF8FCF8u, kFrameColour & 0xFFF8FCF8u) << i;
            EXPECT_EQ(Pixel(cx + 61, cy + 31) & 0xFFF8FCF8u, kFrameColour & 0xFFF8FCF8u) << i;
            EXPECT_NE(Pixel(cx + 15, cy + 15), Pixel(cx + 14, cy + 14)) << i;
        }
        if (n == 5) {
            EXPECT_EQ(Pixel(512 + 25, 180 + 62 + 25), Pixel(20, 20)) << "nothing below the fifth";
        }
        if (n < 4) {
            EXPECT_EQ(Pixel(475, 304 + 62 + 25), Pixel(20, 20)) << "nothing below the last";
        }
    }
}

TEST_F(Subjects, HitsCountDownEachColumnSixteenPixelsUpAndLeftOfTheCells)
{
    for (int n : {3, 5, 9}) {
        SCOPED_TRACE(n);
        GiveWatcher(n);
        DrawPanel();
        int32_t ox, oy;
        OrvDial_GetPanelOrigin(&ox, &oy);
        ox -= 16;
        oy -= 16;
        const int rows = std::min(n, 4), columns = (n + 3) / 4;
        for (int column = 0; column < columns; ++column)
            for (int row = 0; row < rows; ++row) {
                const int cell = column * rows + row;
                const int32_t expected = cell < n ? 11 + cell : 0;
                const int x0 = ox + 62 * column, y0 = oy + 62 * row;
                EXPECT_EQ(HitAt(x0, y0), expected) << cell;
                EXPECT_EQ(HitAt(x0 + 61, y0), expected) << cell;
                EXPECT_EQ(HitAt(x0, y0 + 61), expected) << cell;
                EXPECT_EQ(HitAt(x0 + 61, y0 + 61), expected) << cell;
            }
        // Just outside each side.
        EXPECT_EQ(HitAt(ox - 1, oy), -2);
        EXPECT_EQ(HitAt(ox, oy - 1), -2);
        EXPECT_EQ(HitAt(ox + 62 * columns, oy), -2);
        EXPECT_EQ(HitAt(ox, oy + 62 * rows), -2);
        // No click: nothing.
        MousePosition = {ox + 5, oy + 5};
        EXPECT_EQ(OrvDial_HitPersoSubject(), -1);
    }
    // A withdrawn subject cannot be chosen: its cell is past the count even though the slot holds it.
    GiveWatcher(6);
    DrawPanel();
    ASSERT_TRUE(Run("(KILLSUJ=VEILLEUR,S6)"));
    EXPECT_EQ(ST_perso_sujets_table[veilleur].entries[5].number, 16);
    EXPECT_EQ(HitAt(434 + 62, 164 + 62), 0);
    EXPECT_EQ(HitAt(434 + 62, 164), 15);
}

TEST_F(Subjects, TheBlackbirdsColumnStandsAtTheTopAndOpensThePanel)
{
    DrawOn(OrvDial_DrawSubjectPanel);
    EXPECT_EQ(OrvWarp_SubjectPanelOpen, 1);
    int32_t x, y;
    OrvDial_GetPanelOrigin(&x, &y);
    EXPECT_EQ(x, 450);
    EXPECT_EQ(y, 180);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Pixel(450 + 25, 180 + 62 * i + 25) & 0xFFF8FCF8u, IconColour(26 + i) & 0xFFF8FCF8u) << i;
        EXPECT_EQ(Pixel(450, 180 + 62 * i + 31) & 0xFFF8FCF8u, kFrameColour & 0xFFF8FCF8u) << i;
    }
    EXPECT_EQ(Pixel(450 + 62 + 25, 180 + 25), Pixel(20, 20)) << "one column";
}

TEST_F(Subjects, TheStripQueuesItsDialoguesButNotDuringOne)
{
    RecordDialCommands();
    EXPECT_FALSE(DialBar_Choose(DefName_GetIdName(DEFNAME_OBJETS, "GARDIEN")));
    EXPECT_FALSE(DialBar_IsOpen());
    ASSERT_TRUE(DialBar_Choose(DefName_GetIdName(DEFNAME_OBJETS, "PARCHEMIN")));
    ASSERT_TRUE(DialBar_IsOpen());
    OrvWarp_SubjectPanelOpen = 1;
    auto frame = [](int x, int y, bool click) {
        MousePosition = {x, y};
        MouseClickFlags.click = click;
        DrawOn(DialBar_Continue);
    };
    frame(10, 10, false);
    EXPECT_EQ(OrvWarp_SubjectPanelOpen, 0) << "the strip closes the subject panel";
    EXPECT_EQ(Pixel(5, 205) & 0xFFF8FCF8u, 0xFFC0A080u & 0xFFF8FCF8u);
    EXPECT_EQ(Pixel(5, 195), Pixel(600, 20));
    // A click on each cell queues its dialogue; each click is taken.
    const char* const expected[8] = {"44", "82", "83", "84", "85", "86", "87", "88"};
    for (int cell = 0; cell < 8; ++cell) {
        frame(80 * cell + (cell % 2 ? 79 : 0), cell % 2 ? 349 : 200, true);
        EXPECT_EQ(MouseClickFlags.click, 0) << cell;
        Interp_RunAfterDisplay();
        ASSERT_EQ(queued.size(), size_t(cell + 1));
        EXPECT_EQ(queued.back(), expected[cell]);
        EXPECT_TRUE(DialBar_IsOpen());
    }
    // While a dialogue runs, a click queues nothing and is taken all the same.
    DlgScriptDesc desc;
    desc.persos = {Perso("Lia")};
    desc.lines = {DlgScript_Reply(44, 1, "Lia", "voixoff", "a")};
    ASSERT_TRUE(DlgScript_Save(dir.Path(), "IR", desc));
    dial_maininit();
    OrvDial_InitWorld("dialIR.txt", "comIR.txt", "infoIR.txt", 1);
    ASSERT_TRUE(OrvDial_start(44));
    frame(40, 300, true);
    EXPECT_EQ(MouseClickFlags.click, 0);
    Interp_RunAfterDisplay();
    EXPECT_EQ(queued.size(), 8u);
    OrvDial_stop();
    // A click outside closes the strip.
    frame(40, 199, true);
    EXPECT_FALSE(DialBar_IsOpen());
    EXPECT_EQ(MouseClickFlags.click, 0);
    frame(40, 300, true);
    EXPECT_EQ(MouseClickFlags.click, 1) << "a closed strip takes nothing";
    Interp_RunAfterDisplay();
    EXPECT_EQ(queued.size(), 8u);
    OrvDial_close();
}

TEST_F(Subjects, TheListsAreOneSavedBlockOfFixedLayoutAndBadCountsAreRefused)
{
    ASSERT_TRUE(Run("(ENABLESUJ=GARDIEN,SALUT,TEMPLE)"));
    ASSERT_TRUE(Run("(DISABLESUJ=GARDIEN,TEMPLE)"));
    GiveWatcher(16);
    ST_perso_sujets_table[255].count = 1;
    ST_perso_sujets_table[255].entries[0] = {-2, 0x01020304, 1};
    std::vector<uint8_t> block;
    OrvDial_SaveSubjects(block);
    ASSERT_EQ(block.size(), 50176u);
    auto at = [&](size_t table, size_t entry) { return size_t(table) * 196 + 4 + entry * 12; };
    const std::vector<uint8_t> head(block.begin() + 196 * gardien, block.begin() + 196 * gardien + 4);
    EXPECT_EQ(head, (std::vector<uint8_t>{2, 0, 0, 0}));
    const std::vector<uint8_t> salut(block.begin() + at(gardien, 0), block.begin() + at(gardien, 2));
    const int32_t salutId = DefName_GetIdName(DEFNAME_SUJETS, "SALUT"), templeId = DefName_GetIdName(DEFNAME_SUJETS, "TEMPLE");
    EXPECT_EQ(salut, (std::vector<uint8_t>{3, 0, 0, 0, uint8_t(salutId), 0, 0, 0, 1, 0, 0, 0,  //
                                           5, 0, 0, 0, uint8_t(templeId), 0, 0, 0, 0, 0, 0, 0}));
    const std::vector<uint8_t> last(block.begin() + at(255, 0) - 4, block.begin() + at(255, 1));
    EXPECT_EQ(last, (std::vector<uint8_t>{1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 1, 0, 0, 0}));
    EXPECT_EQ(block[size_t(196) * veilleur], 16);
    ASSERT_TRUE(OrvDial_CheckSubjects(block.data(), uint32_t(block.size())));

    const std::vector<uint8_t> saved = block;
    OrvDial_ResetSubjects();
    OrvDial_LoadSubjects(saved.data(), uint32_t(saved.size()));
    std::vector<uint8_t> again;
    OrvDial_SaveSubjects(again);
    EXPECT_EQ(again, saved);
    EXPECT_EQ(List(gardien), (std::vector<int32_t>{31, 50}));

    // A count outside 0..16 anywhere, or another size, refuses the whole block and changes nothing.
    for (int32_t bad : {-1, 17, 0x7FFFFFFF}) {
        std::vector<uint8_t> broken = saved;
        for (int i = 0; i < 4; ++i) broken[size_t(196) * 200 + size_t(i)] = uint8_t(uint32_t(bad) >> (8 * i));
        EXPECT_FALSE(OrvDial_CheckSubjects(broken.data(), uint32_t(broken.size()))) << bad;
        OrvDial_ResetSubjects();
        OrvDial_LoadSubjects(broken.data(), uint32_t(broken.size()));
        EXPECT_EQ(OrvDial_CountSubjects(gardien), 0) << bad;
    }
    std::vector<uint8_t> edge = saved;
    edge[size_t(196) * 200] = 16;
    EXPECT_TRUE(OrvDial_CheckSubjects(edge.data(), uint32_t(edge.size())));
    edge[size_t(196) * 200] = 0;
    EXPECT_TRUE(OrvDial_CheckSubjects(edge.data(), uint32_t(edge.size())));
    EXPECT_FALSE(OrvDial_CheckSubjects(saved.data(), uint32_t(saved.size() - 1)));
    EXPECT_FALSE(OrvDial_CheckSubjects(nullptr, 50176));
}

}  // namespace

namespace {

class WorldChange : public DialogueScreenTest {};

TEST_F(WorldChange, EveryWorldOfAGeneratedInstallationHasItsScriptsHeroAndBank)
{
    // Nothing before the dialogue's start-up.
    OrvDial_WorldChange("infoYU.txt", "comYU.txt", "dialYU.txt", 2, "sujyuc.spr");
    EXPECT_EQ(OrvDial_GetSubjectBank(), nullptr);
    EXPECT_TRUE(Fatals().empty());
    dial_maininit();
    const std::pair<const char*, int> worlds[] = {{"IR", 1}, {"YU", 2}, {"CH", 3}, {"SH", 4}, {"TI", 5}};
    const char* const banks[] = {"sujeire.spr", "sujyuc.spr", "sujchine.spr", "sujshamb.spr", "sujtibet.spr"};
    for (int i = 0; i < 5; ++i) {
        const auto [code, number] = worlds[i];
        SCOPED_TRACE(code);
        ASSERT_TRUE(DemoDialogue_WriteWorld(dir.Path(), code));
        const std::string c = code;
        OrvDial_WorldChange(("info" + c + ".txt").c_str(), ("com" + c + ".txt").c_str(), ("dial" + c + ".txt").c_str(),
                            number, banks[i]);
        EXPECT_NE(OrvDial_GetSubjectBank(), nullptr);
        dlg_Dialog& d = *dlg_TheDialog();
        ASSERT_EQ(d.GetPersoCount(), 1u);
        EXPECT_EQ(d.GetPersoAt(0)->name, number == 1 ? "H1" : "Heros");
        EXPECT_TRUE(d.GetPersoAt(0)->IsResident());
        EXPECT_NE(d.GetPersoAt(0)->GetAnime(0), nullptr);
    }
    EXPECT_TRUE(Warnings().empty());
    EXPECT_TRUE(Fatals().empty());
    EXPECT_FALSE(DemoDialogue_WriteWorld(dir.Path(), "XX"));
    OrvDial_close();
    EXPECT_EQ(dlg_TheDialog(), nullptr);
    EXPECT_EQ(OrvDial_GetSubjectBank(), nullptr);
}

}  // namespace
