// Inventory bag and hand; "messages.txt" and the message screen.
#include "WorldTest.h"
#include "framework/Input.h"

namespace {
DefNamesDesc manyObjects(int count) {
    DefNamesDesc d;
    d.objets = {"RIEN"};
    for (int i = 1; i < count; i++) d.objets.push_back("OBJ" + std::to_string(i) + " " + std::to_string(100 + i));
    d.variables = DefNames_EngineVariables();
    d.variables.push_back("A");
    return d;
}
}  // namespace

TEST_F(WorldTest, TheBagHoldsNinetyObjectsInTheOrderTaken) {
    UseDefNames(manyObjects(100));
    Interp_SetEngineVar(IV_MONDE, 3);
    for (int i = 1; i <= MAX_OBJ_SAC_TOTAL; i++) ASSERT_TRUE(Inventaire_PrendObj_id_nspr(i, i)) << i;
    EXPECT_FALSE(Inventaire_PrendObj_id_nspr(91, 1));
    EXPECT_TRUE(Reported("sac plein (90 objets) : OBJ91"));
    EXPECT_TRUE(Inventaire_PrendObj_id_nspr(5, 55));  // already there: no second slot
    EXPECT_EQ(Inventaire_NbObjets, MAX_OBJ_SAC_TOTAL);
    EXPECT_EQ(Inventaire_Sac[4].nspr, 55);
    EXPECT_EQ(Inventaire_Sac[4].monde, 3);

    EXPECT_TRUE(Inventaire_EnleveObj_id(1));
    EXPECT_FALSE(Inventaire_EnleveObj_id(1));
    EXPECT_EQ(Inventaire_NbObjets, MAX_OBJ_SAC_TOTAL - 1);
    EXPECT_EQ(Inventaire_Sac[0].id, 2);
    EXPECT_EQ(Inventaire_Sac[MAX_OBJ_SAC_TOTAL - 2].id, 90);
    EXPECT_EQ(Inventaire_Sac[MAX_OBJ_SAC_TOTAL - 1].id, 0);  // the freed last slot is empty
    EXPECT_TRUE(Inventaire_PrendObj_id_nspr(91, 1));

    EXPECT_FALSE(Inventaire_PrendObj_id_nspr(0, 1));  // the placeholder is no object
    EXPECT_FALSE(Inventaire_PrendObj_id_nspr(100, 1));
    EXPECT_FALSE(Inventaire_IsObjetInSac_id(0));
    Inventaire_SetMondeObjet_id(91, 123);
    EXPECT_EQ(Inventaire_Sac[Inventaire_NbObjets - 1].monde, 123);
}

TEST_F(WorldTest, TheHandFollowsTakingDroppingAndChoosing) {
    UseDefNames(manyObjects(5));
    ASSERT_TRUE(Inventaire_PrendObjEnMain("obj2"));
    EXPECT_TRUE(Inventaire_IsObjetInSac("OBJ2"));
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 2);
    EXPECT_EQ(Inventaire_Sac[0].nspr, 102);
    Inventaire_DeposeObjEnMain_id(2);
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 0);
    EXPECT_FALSE(Inventaire_IsObjetInSac("OBJ2"));

    Inventaire_PrendObj_id_nspr(3, 103);
    Inventaire_PrendObj_id_nspr(4, 104);
    static int32_t chosen = -1;
    OrvHooks.Inventaire_Choose = [](int32_t id) {
        chosen = id;
        return id == 4;  // a module takes object 4 itself
    };
    Inventaire_Choisit(1);
    EXPECT_EQ(chosen, 4);
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 0);
    Inventaire_Choisit(0);
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 3);
    Inventaire_Choisit(7);  // no such slot: nothing happens
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 3);
    Inventaire_SetObjetEnMain_id(9);
    EXPECT_TRUE(Reported("objet 9 incorrect"));
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 3);
}

TEST_F(WorldTest, MessagesAndObjectNamesAreReadAndBadFilesRefused) {
    UseDefNames(manyObjects(3));
    MessagesDesc m;
    m.objets = {{"obj1", "Une épée, de bronze"}};
    m.messages = {{4, {"Ligne un", "", "Ligne trois", ""}}, {0, {"zéro"}}};
    ASSERT_TRUE(OrvMsg_LoadText(Messages_Make(m), "messages.txt"));
    EXPECT_EQ(OrvMsg_GetObjectName(1), "Une épée, de bronze");
    EXPECT_EQ(OrvMsg_GetObjectName(2), "OBJ2");  // no text given: its defined name
    const std::vector<std::string>* msg = OrvMsg_GetMessage(4);
    ASSERT_NE(msg, nullptr);
    EXPECT_EQ(*msg, (std::vector<std::string>{"Ligne un", "", "Ligne trois"}));
    EXPECT_EQ(OrvMsg_GetMessage(5), nullptr);

    const std::pair<std::string, std::string> bad[] = {
        {"[Messages]\r\n#4\r\nA\r\n#4\r\nB\r\n", "message 4 en double"},
        {"[Messages]\r\n#x\r\n", "numéro de message incorrect"},
        {"[Messages]\r\ntexte\r\n", "texte hors message"},
        {"[Objets]\r\nEPEE\r\n", "nom d'objet sans texte"},
        {"[Objets]\r\nA a\r\na b\r\n", "objet a en double"},
        {"bonjour\r\n", "texte hors section"},
    };
    for (const auto& [text, report] : bad) {
        ForgetReports();
        EXPECT_FALSE(OrvMsg_LoadText(text, "messages.txt")) << report;
        EXPECT_TRUE(Reported(report)) << report;
    }
    std::string tooLong = "[Messages]\r\n#1\r\n";
    for (int i = 0; i <= MAX_MESSAGE_LINES; i++) tooLong += "ligne\r\n";
    EXPECT_FALSE(OrvMsg_LoadText(tooLong, "messages.txt"));
    EXPECT_NE(OrvMsg_GetMessage(4), nullptr);  // the texts loaded before stay
}

TEST_F(WorldTest, TheMessageScreenHoldsItsBlockUntilClosed) {
    UseDefNames(manyObjects(3));
    MessagesDesc m;
    m.messages = {{1, {"Bonjour"}}};
    ASSERT_TRUE(OrvMsg_LoadText(Messages_Make(m), "messages.txt"));
    static std::vector<int32_t> loops;
    loops.clear();
    static int32_t loopType = 0;
    OrvHooks.SetLoopType = [](int32_t t) {
        loops.push_back(t);
        std::swap(loopType, t);
        return t;
    };
    ASSERT_TRUE(UseChapter(ChapterWriter().Block("A=0", {"(A=1)(MESSAGE=1)(A=2)"}).Text()));
    CtrlScenarIN();
    EXPECT_TRUE(OrvMsg_IsActive());
    EXPECT_EQ(OrvMsg_Current(), 1);
    EXPECT_EQ(loopType, 10);
    EXPECT_EQ(Var("A"), 1);
    OrvMsg_continue();  // no click yet: the screen stays (nothing to draw into without a display)
    EXPECT_TRUE(OrvMsg_IsActive());
    MouseClickFlags.click = 1;
    OrvMsg_continue();
    EXPECT_FALSE(OrvMsg_IsActive());
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(loopType, 0);
    EXPECT_EQ(Var("A"), 2);  // the block went on
    EXPECT_EQ(loops, (std::vector<int32_t>{10, 0}));

    EXPECT_TRUE(RunOneCommand("(MESSAGE=2)"));  // no such message: no screen
    EXPECT_FALSE(OrvMsg_IsActive());
    EXPECT_TRUE(Reported("message 2 absent"));
    // A load closes the screen without running the rest of its block.
    Interp_WriteVar("A", 0);
    CtrlScenarIN();
    ASSERT_TRUE(OrvMsg_IsActive());
    OrvMsg_Abort();
    EXPECT_EQ(Var("A"), 1);
    EXPECT_EQ(loopType, 0);
}
