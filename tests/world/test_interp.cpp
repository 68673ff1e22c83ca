// Scenario interpreter: conditions, commands, blocks that wait and resume, chapters, clocks, elements.
#include <cstring>

#include "WorldTest.h"
#include "world/ChapterScript.h"

namespace {
DefNamesDesc names() {
    DefNamesDesc d;
    d.personnages = {"PERSONNE", "GARDIEN"};
    d.objets = {"RIEN", "EPEE 12", "CLE 3"};
    d.sujets = {"AUCUN"};
    d.variables = DefNames_EngineVariables();
    for (const char* v : {"A", "B", "C", "D", "E", "R1", "R2", "R3", "R4", "R5", "R6", "R7", "flag7"})
        d.variables.push_back(v);
    d.zones = {"AUCUNE", "PORTE"};
    return d;
}

std::vector<std::string> g_calls;
int waitCmd(const char* v) {
    g_calls.push_back(std::string("WAIT:") + v);
    return CMD_WAIT;
}
int soundCmd(const char* v) {
    g_calls.push_back(std::string("SOUND:") + v);
    return CMD_DONE;
}
}  // namespace

class InterpTest : public WorldTest {
protected:
    ST_wam_vue view{};
    void SetUp() override {
        WorldTest::SetUp();
        UseDefNames(names());
        g_calls.clear();
    }
    void Enter(const char* name, uint32_t id) {
        std::strcpy(view.name, name);
        view.id = id;
        OrvWam_RestoreCurrentVue(&view);
    }
};

TEST_F(InterpTest, BlocksRunInOrderAndSeeWhatEarlierBlocksDid) {
    ChapterWriter c;
    c.Init("(A=5)(B=A)");
    c.Block("A=5 & B>=5", {"(C=1)"});
    c.Block("A!=5", {"(C=99)"});
    c.Block("C=1 & flag8=0", {"(flag8=3)(sacados=EPEE)"});
    c.Block("sacados=EPEE & flag8=3 & sacados!=CLE", {"(D=CLE)"});
    c.Vue("IR", 1).Block("", {"(E=1)"});
    c.Vue("YU", 1).Block("", {"(E=2)"});
    ASSERT_TRUE(UseChapter(c.Text()));
    Interp_RunBlock(0);
    EXPECT_EQ(Vars("A B"), "5 5");
    Enter("IR001", 1);
    CtrlScenarIN();
    EXPECT_EQ(Var("C"), 1);
    EXPECT_EQ(Interp_Flags[8], 3);
    EXPECT_TRUE(Inventaire_IsObjetInSac("epee"));
    EXPECT_EQ(Inventaire_Sac[0].nspr, 12);  // sprite from the object's parameter
    EXPECT_EQ(Var("D"), 2);                 // an object name stands for its id
    EXPECT_EQ(Var("E"), 1);                 // only the current view's section ran
    Enter("yu001", 1);
    CtrlScenarIN();
    EXPECT_EQ(Var("E"), 2);
    Enter("YU002", 2);
    Interp_WriteVar("E", 0);
    CtrlScenarIN();
    EXPECT_EQ(Var("E"), 0);
}

TEST_F(InterpTest, ComparisonOperatorsAgainstConstantsAndVariables) {
    ChapterWriter c;
    c.Init("(A=3)(B=5)");
    // Each comparison at its boundary (A = 3), so that a strict one taken for a loose one shows.
    c.Block("A<B", {"(R1=1)"}).Block("A<3", {"(R2=1)"}).Block("A<=3", {"(R3=1)"});
    c.Block("A>3", {"(R4=1)"}).Block("A!=B", {"(R5=1)"}).Block("A=B", {"(R6=1)"});
    c.Block("A>-1 & A>=3 & flag7=0 & flag7<1", {"(R7=1)(flag7=4)"});
    ASSERT_TRUE(UseChapter(c.Text()));
    Interp_RunBlock(0);
    CtrlScenarIN();
    EXPECT_EQ(Vars("R1 R2 R3 R4 R5 R6 R7"), "1 0 1 0 1 0 1");
    // "flag7" is a defined variable, so it is that variable and not flag number 7.
    EXPECT_EQ(Var("flag7"), 4);
    EXPECT_EQ(Interp_Flags[7], 0);
}

TEST_F(InterpTest, AWaitingCommandSuspendsItsBlockAndTheRestResumes) {
    ASSERT_TRUE(Interp_RegisterCommand("Attente", waitCmd));
    ChapterWriter c;
    c.Block("", {"(A=1)(attente=7)(B=2)", "(C=3)"});
    c.Block("", {"(D=4)"});
    ASSERT_TRUE(UseChapter(c.Text()));
    CtrlScenarIN();
    EXPECT_EQ(Vars("A B D"), "1 0 0");  // the pass ended with the waiting block
    ASSERT_EQ(PendingScenarioBlock.flag, 1);
    const ChapterScript* s = Interp_CurrentScript();
    EXPECT_EQ(s->text.compare(size_t(PendingScenarioBlock.block), 5, "(B=2)"), 0);
    Interp_ResumePending();
    EXPECT_EQ(PendingScenarioBlock.flag, 0);
    EXPECT_EQ(Vars("B C D"), "2 3 0");  // resuming runs the rest of that block only
    EXPECT_EQ(g_calls, std::vector<std::string>{"WAIT:7"});
    // A wait outside any block (a puzzle's command) leaves nothing pending.
    EXPECT_TRUE(RunOneCommand("(ATTENTE=1)"));
    EXPECT_EQ(PendingScenarioBlock.flag, 0);
}

TEST_F(InterpTest, ExitAndViewJumpsEndThePass) {
    ChapterWriter c;
    c.Block("A=0", {"(A=1)(NextVue=3)(B=1)"});
    c.Block("", {"(C=1)"});
    c.Block("A=2", {"(exit=1)(D=1)"});
    ASSERT_TRUE(UseChapter(c.Text()));
    CtrlScenarIN();
    EXPECT_EQ(Vars("B C"), "1 0");  // the block that asked for the jump ends, no block after it runs
    ASSERT_TRUE(OrvWam_Jump.pending);
    EXPECT_EQ(OrvWam_Jump.vue_id, 3u);
    // A jump already pending before the pass does not stop it.
    CtrlScenarIN();
    EXPECT_EQ(Var("C"), 1);
    OrvWam_CancelJump();
    Interp_WriteVar("A", 2);
    CtrlScenarIN();
    EXPECT_EQ(quitqu2, 1);
    EXPECT_EQ(Var("D"), 0);
}

TEST_F(InterpTest, CommandWordsRegistryAndVariablesIgnoreCase) {
    ASSERT_TRUE(Interp_RegisterCommand("NewSound", soundCmd));
    EXPECT_TRUE(RunOneCommand("(newsound=203)"));
    EXPECT_TRUE(RunOneCommand(" ( NEWSOUND = 7 ) "));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"SOUND:203", "SOUND:7"}));
    EXPECT_FALSE(Interp_RegisterCommand("exit", soundCmd));  // the interpreter's own word
    EXPECT_TRUE(RunOneCommand("(a=-12)"));
    EXPECT_EQ(Var("A"), -12);
    EXPECT_TRUE(RunOneCommand("(b=a)"));
    EXPECT_EQ(Var("B"), -12);
    EXPECT_TRUE(RunOneCommand("(c=porte)"));
    EXPECT_EQ(Var("C"), 1);
    EXPECT_TRUE(RunOneCommand("(FLAG1023=5)"));
    EXPECT_EQ(Interp_Flags[1023], 5);
    EXPECT_TRUE(RunOneCommand("(sacados=Cle)"));
    EXPECT_TRUE(RunOneCommand("(OBJETENMAIN=cle)"));
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 2);
    EXPECT_TRUE(RunOneCommand("(sacados=not_CLE)"));  // removing the object in hand empties the hand
    EXPECT_FALSE(Inventaire_IsObjetInSac_id(2));
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 0);
    EXPECT_TRUE(RunOneCommandf("(D=%d)", 41));
    EXPECT_EQ(Var("D"), 41);

    EXPECT_FALSE(RunOneCommand("(INCONNU=1)"));
    EXPECT_TRUE(Reported("commande inconnue"));
    EXPECT_FALSE(RunOneCommand("(flag1024=1)"));
    EXPECT_TRUE(RunOneCommand("(A=ZORGLUB)"));  // known word, unknown value: refused, A kept
    EXPECT_TRUE(Reported("valeur inconnue"));
    EXPECT_EQ(Var("A"), -12);
    for (const char* bad : {"A=1", "(A1)", "(=1)", "(A=(1))", "((A=1)", ""}) EXPECT_FALSE(RunOneCommand(bad)) << bad;
    std::string body = "(A=" + std::string(250, '1') + ")";  // 254 characters: the longest
    EXPECT_TRUE(RunOneCommand(body.c_str()));
    body = "(A=" + std::string(251, '1') + ")";
    EXPECT_FALSE(RunOneCommand(body.c_str()));
    EXPECT_FALSE(RunOneCommandf("(A=%s)", std::string(251, '1').c_str()));
    EXPECT_EQ(fatals, 0);
}

TEST_F(InterpTest, CommandsAfterDisplayRunInOrderAtTheNextDisplay) {
    EXPECT_TRUE(RunOneCommand_AfterDisplay("(A=1)"));
    EXPECT_TRUE(RunOneCommand_AfterDisplay("(B=A)"));
    EXPECT_EQ(Var("A"), 0);
    Interp_RunAfterDisplay();
    EXPECT_EQ(Var("B"), 1);
    for (int i = 0; i < MAX_CMD_AFTER_DISPLAY; i++) EXPECT_TRUE(RunOneCommand_AfterDisplay("(C=C)"));
    EXPECT_FALSE(RunOneCommand_AfterDisplay("(D=1)"));
    EXPECT_TRUE(Reported("plus de 16 commandes"));
    Interp_RunAfterDisplay();
    EXPECT_FALSE(RunOneCommand_AfterDisplay("(D"));
    Interp_RunAfterDisplay();
    EXPECT_EQ(Var("D"), 0);
}

TEST_F(InterpTest, BadScriptsAreRefusedWithTheirLine) {
    ASSERT_TRUE(UseChapter(ChapterWriter().Block("", {"(A=1)"}).Text()));
    std::string cmd254 = "(MUSIQUE=" + std::string(244, 'x') + ")";  // a module's word, 254 characters
    struct Case {
        std::string text;
        std::string report;
    };
    const Case cases[] = {
        {"/set (A=1)\n", "/FININIT absent"},
        {"/FININIT\n/FININIT\n", "ligne 2 : /FININIT en double"},
        {"/con A=1\n/FININIT\n", "ligne 1 : /con avant /FININIT"},
        {"/FININIT\n/set (A=1)\n", "ligne 2 : /set hors d'un bloc"},
        {"/FININIT\n/vue IR 1\n/set (A=1)\n", "ligne 3 : /set hors d'un bloc"},
        {"/FININIT\n/con ZZZ=1\n", "ligne 2 : variable inconnue : ZZZ"},
        {"/FININIT\n/con A=ZZZ\n", "ligne 2 : nom inconnu : ZZZ"},
        {"/FININIT\n/con flag1024=1\n", "variable inconnue : flag1024"},
        {"/FININIT\n/con sacados<EPEE\n", "sacados se compare"},
        {"/FININIT\n/con sacados=ZZZ\n", "objet inconnu"},
        {"/FININIT\n/con A=1 & \n", "condition incorrecte"},
        {"/FININIT\n/con A\n", "condition incorrecte"},
        {"/FININIT\n/vue IRL 1\n", "/vue attend"},
        {"/FININIT\n/vue IR -1\n", "/vue attend"},
        {"/FININIT\n/con\n/set (A=1\n", "parenthèse non fermée"},
        {"/FININIT\n/con\n/set A=1\n", "commande attendue"},
        {"/FININIT\n/con\n/set (A=(1)\n", "commande incorrecte"},
        {"/FININIT\n/con\n/set (A=" + std::string(251, '1') + ")\n", "(254 au plus)"},
        {"/FININIT\n/con\n/set\n", "/set sans commande"},
        {"/FININIT\n/conx\n", "directive inconnue"},
        {"/FININIT\nA=1\n", "directive inconnue"},
        {"/FININIT\n/con\n/set (sacados=NOT_ZZZ)\n", "objet inconnu : (sacados=NOT_ZZZ)"},
        {"/FININIT\n/con\n/set (HIDEPERSO=EPEE)\n", "personnage inconnu"},
        {"/FININIT\n/con\n/set (showobj=GARDIEN)\n", "objet inconnu"},
        {"/FININIT\n/con\n/set (OBJETENMAIN=ZZZ)\n", "objet inconnu"},
        {"/FININIT\n/con\n/set (NEXTVUE=ZZZ)\n", "valeur inconnue"},
        {"/FININIT\n/con\n/set (CHANGEWAM=x.wam,ZZZ)\n", "vue inconnue"},
        {"/FININIT\n/con\n/set (CHANGEWAM=,1)\n", "fichier absent"},
        {"/FININIT\n/con\n/set (A=ZZZ)\n", "valeur inconnue : (A=ZZZ)"},
        {"/set (flag12=ZZZ)\n/FININIT\n", "ligne 1 : valeur inconnue"},
    };
    for (const Case& c : cases) {
        ForgetReports();
        EXPECT_FALSE(UseChapter(c.text, 2)) << c.report;
        EXPECT_TRUE(Reported(c.report)) << c.report;
        EXPECT_EQ(Interp_GetChapter(), 1) << "the current script was replaced: " << c.report;
    }
    EXPECT_TRUE(UseChapter("// commentaire\r\n  /set " + cmd254 + "\r\n/fininit\r\n\r\n/CON a=1\r\n/Set (b=2)\r\n", 2));
    EXPECT_EQ(Interp_GetChapter(), 2);
    EXPECT_FALSE(Interp_LoadChapter(3));
    EXPECT_TRUE(Reported("chapi003.con"));
}

TEST_F(InterpTest, AChapterChangeInsideAPassStopsTheOldScript) {
    WriteFileText(dir / "scenar/chapi002.con", ChapterWriter().Init("(B=9)").Block("", {"(C=5)"}).Text());
    ASSERT_TRUE(UseChapter(ChapterWriter().Block("", {"(chapter=2)(A=7)", "(A=8)"}).Block("", {"(D=1)"}).Text()));
    CtrlScenarIN();
    EXPECT_EQ(Interp_GetChapter(), 2);
    EXPECT_EQ(Vars("B A D C"), "9 0 0 0");  // the new chapter's initialisation ran, nothing else
    WriteFileText(dir / "scenar/chapi003.con", ChapterWriter().Init("(chapter=3)").Text());
    EXPECT_TRUE(RunOneCommand("(chapter=3)"));  // an initialisation that loads itself again ends
    EXPECT_TRUE(Reported("changements de chapitre en boucle"));
    EXPECT_EQ(Interp_GetChapter(), 3);
    ASSERT_TRUE(Interp_LoadChapter(2));
    EXPECT_TRUE(RunOneCommand("(chapter=5)"));  // missing chapter: reported, the current one stays
    EXPECT_EQ(Interp_GetChapter(), 2);
    EXPECT_TRUE(Reported("chapi005.con"));
}

TEST_F(InterpTest, NewGameRestartsTheFirstChapterFromAClearState) {
    WriteFileText(dir / "scenar/chapi002.con", ChapterWriter().Block("", {"(C=5)"}).Text());
    ASSERT_TRUE(UseChapter(ChapterWriter().Init("(A=1)").Block("", {"(B=2)"}).Text()));
    ASSERT_TRUE(Interp_LoadChapter(2));
    Interp_WriteVar("C", 3);
    Interp_Flags[4] = 1;
    Inventaire_PrendObj_id_nspr(1, 1);
    Elem_Hide(1, 1, 1);
    ASSERT_TRUE(Interp_RunInit());
    EXPECT_EQ(Interp_GetChapter(), INTERP_FIRST_CHAPTER);
    EXPECT_EQ(Vars("A C"), "1 0");
    EXPECT_EQ(Interp_Flags[4], 0);
    EXPECT_EQ(Inventaire_NbObjets, 0);
    EXPECT_FALSE(Interp_is_perso_hidden("gardien"));
    std::remove((dir / "scenar/chapi001.con").c_str());
    ASSERT_TRUE(Interp_LoadChapter(2));
    EXPECT_FALSE(Interp_RunInit());
}

TEST_F(InterpTest, ScenarioFrameRunsOnClicksAndArrivalsOnly) {
    ASSERT_TRUE(UseChapter(ChapterWriter().Block("", {"(A=A)(B=1)"}).Text()));
    Interp_ScenarioFrame();
    EXPECT_EQ(Var("B"), 0);
    Interp_SetEngineVar(IV_ARRIVEEVUE, 4);
    Interp_ScenarioFrame();
    EXPECT_EQ(Var("B"), 1);
    EXPECT_EQ(Interp_GetEngineVar(IV_ARRIVEEVUE), 0);
    Interp_WriteVar("B", 0);
    Interp_SetEngineVar(IV_CLICZONE, 1);
    Interp_ScenarioFrame();
    EXPECT_EQ(Var("B"), 1);
}

TEST_F(InterpTest, ClocksCountSecondsAndDrawRandomPercentages) {
    Interp_SetEngineVar(IV_TIME2, 100);
    for (int i = 0; i < 50; i++) {
        Interp_ClockSecond();
        int32_t r = Interp_GetEngineVar(IV_RANDOM);
        EXPECT_GE(r, 0);
        EXPECT_LT(r, 100);
    }
    EXPECT_EQ(Vars("TIME1 TIME2"), "50 150");
    Interp_WriteVar("A", INT32_MAX);
    Interp_AddVar("a", 1);  // wraps without undefined behaviour
    EXPECT_EQ(Var("A"), INT32_MIN);
}

TEST_F(InterpTest, ElementVisibilityIsRememberedAndReachesTheViewSprites) {
    static std::vector<std::string> updates;
    updates.clear();
    OrvHooks.OrvSpw_UpdateElem = [](int32_t id, int32_t kind, bool shown) {
        updates.push_back(std::to_string(id) + "/" + std::to_string(kind) + (shown ? "+" : "-"));
    };
    EXPECT_TRUE(RunOneCommand("(HIDEPERSO=gardien)"));
    EXPECT_TRUE(Interp_is_perso_hidden("GARDIEN"));
    Elem_Hide(2, 2, 5);  // with an animation number the sprites are not touched
    EXPECT_TRUE(Interp_IsElemHidden(2, 2));
    EXPECT_TRUE(Interp_IsElemHidden(2, 4));  // scenery objects share the object table
    EXPECT_TRUE(RunOneCommand("(showobj=CLE)"));
    EXPECT_FALSE(Interp_IsElemHidden(2, 2));
    Elem_Show(7, 1, 0);
    EXPECT_TRUE(Reported("élément 7 de type 1 inconnu"));
    EXPECT_EQ(updates, (std::vector<std::string>{"1/1-", "2/2+"}));
}
