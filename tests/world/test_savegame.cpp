// Save games: round trip, header scan, block registry, refused saves, interrupted writes, emergency save.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "WorldTest.h"
#include "world/ZapFile.h"

namespace {
// Everything a save must bring back.
struct Snapshot {
    std::vector<int32_t> vars, flags;
    std::vector<uint8_t> sac, persos, objets;
    int32_t chapter;
    std::string wam;
    uint32_t vue;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snap() {
    Snapshot s;
    s.vars.assign(Interp_Variables, Interp_Variables + MAX_VARIABLES);
    s.flags.assign(Interp_Flags, Interp_Flags + MAX_FLAGS);
    const uint8_t* sac = reinterpret_cast<const uint8_t*>(Inventaire_Sac);
    s.sac.assign(sac, sac + sizeof Inventaire_Sac);
    s.sac.push_back(uint8_t(Inventaire_NbObjets));
    int32_t n = 0;
    uint8_t* t = Interp_ElemTable(1, &n);
    s.persos.assign(t, t + n);
    t = Interp_ElemTable(2, &n);
    s.objets.assign(t, t + n);
    s.chapter = Interp_GetChapter();
    s.wam = OrvWam_GetName();
    s.vue = OrvWam_CurrentVue ? OrvWam_CurrentVue->id : 0;
    return s;
}

uint8_t g_subjects[50176];
void saveSubjects(std::vector<uint8_t>& out) { out.assign(g_subjects, g_subjects + sizeof g_subjects); }
void loadSubjects(const uint8_t* d, uint32_t n) { std::memcpy(g_subjects, d, n); }

std::vector<std::string> g_events;
}  // namespace

class SaveTest : public WorldTest {
protected:
    char path[ORV_PATH_MAX];

    void SetUp() override {
        WorldTest::SetUp();
        StartDemo();
        ASSERT_TRUE(Interp_RunInit());
        Jump();  // the initialisation asked for IR 1
        g_events.clear();
        OrvHooks.pz_quit_all = [] { g_events.push_back("pz_quit_all"); };
        OrvHooks.pz_araig_init_after_load = [](uint32_t* v) { g_events.push_back("araig " + std::to_string(*v)); };
        OrvHooks.OrvWarp_EnterView = [] { g_events.push_back("enter " + std::to_string(OrvWam_CurrentVue->id)); };
        OrvSaveGame_SetPlayer(2);
        OrvSaveGame_BuildPath(path, 2, 5);
    }

    // A game well away from a fresh start: another view, variables, flags, bag, hand, hidden elements.
    void Play() {
        OrvWam_RequestVue(3);
        Jump();
        Interp_WriteVar("VISITES_YU", -7);
        Interp_Flags[1023] = 42;
        Inventaire_PrendObjEnMain("CLE");
        Inventaire_PrendObj_id_nspr(2, 2);
        Elem_Hide(1, 1, 1);
        Elem_Hide(1, 2, 1);
    }
    // Something else entirely: the other world, other values.
    void Wander() {
        ASSERT_TRUE(RunOneCommand("(CHANGEWAM=yucatan.wam,2)"));
        Jump();
        Interp_WriteVar("VISITES_YU", 3);
        Interp_Flags[1023] = 0;
        Interp_Flags[5] = 1;
        Inventaire_Reset();
        Elem_Show(1, 1, 1);
    }
    std::vector<uint8_t> FileBytes() {
        std::string t = ReadFileText(path);
        return std::vector<uint8_t>(t.begin(), t.end());
    }
    void WriteBytes(const std::vector<uint8_t>& b) { WriteFileBytes(path, b.data(), b.size()); }
    // Rewrites the save with one block's data changed (CRCs made right again).
    void EditBlock(const std::vector<uint8_t>& good, const char* name, void (*edit)(std::vector<uint8_t>&)) {
        ZapFile in, out;
        ASSERT_TRUE(in.Parse(good.data(), good.size(), nullptr));
        for (const ZapFile::Block& b : in.Blocks()) {
            std::vector<uint8_t> data = b.data;
            if (b.name == name) edit(data);
            ASSERT_TRUE(out.AddBlock(b.name.c_str(), data.data(), data.size()));
        }
        WriteBytes(out.Build());
    }
};

TEST_F(SaveTest, LoadBringsBackTheSavedGame) {
    Play();
    Snapshot saved = snap();
    ASSERT_TRUE(OrvSaveGame_Save(5));
    ASSERT_TRUE(OrvSaveGame_ScanSlot(5));
    EXPECT_EQ(OrvSaveGame_Header.picture, 1);
    EXPECT_EQ(OrvSaveGame_Header.chapter, 1);
    EXPECT_STREQ(OrvSaveGame_Header.wam, "bigile1.wam");
    EXPECT_EQ(OrvSaveGame_Header.vue_id, 3u);
    EXPECT_GE(OrvSaveGame_Header.time.wYear, 2000);
    EXPECT_FALSE(OrvSaveGame_ScanSlot(6));

    Wander();
    ASSERT_NE(snap(), saved);
    g_events.clear();
    ASSERT_TRUE(OrvSaveGame_Load(5));
    EXPECT_EQ(snap(), saved);
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), DefName_GetIdName(DEFNAME_OBJETS, "CLE"));
    EXPECT_TRUE(Interp_is_perso_hidden("GARDIEN"));
    EXPECT_EQ(g_events, (std::vector<std::string>{"pz_quit_all", "araig 3", "enter 3"}));
    // The saved view's place is current and the game goes on from there.
    ASSERT_NE(OrvWam_CurrentLieu, nullptr);
    OrvWam_RequestVue(1);
    Jump();
    EXPECT_EQ(Interp_GetEngineVar(IV_LASTVUE), 3);

    EXPECT_TRUE(OrvSaveGame_Delete(5));
    EXPECT_FALSE(OrvSaveGame_ScanSlot(5));
    EXPECT_FALSE(OrvSaveGame_Load(5));
    EXPECT_FALSE(OrvSaveGame_BuildPath(path, 10, 0));
    EXPECT_FALSE(OrvSaveGame_ScanSlot(SAVE_MAX_SLOTS));
}

TEST_F(SaveTest, APuzzleMayMoveTheResumedGameToAnotherViewOfThePlace) {
    Play();
    ASSERT_TRUE(OrvSaveGame_Save(5));
    Wander();
    // The hook sends the game to view 4 of the saved place and clears the current view meanwhile.
    OrvHooks.pz_araig_init_after_load = [](uint32_t* v) {
        g_events.push_back("araig " + std::to_string(*v));
        *v = 4;
        OrvWam_CurrentVue = nullptr;
    };
    g_events.clear();
    ASSERT_TRUE(OrvSaveGame_Load(5));
    EXPECT_EQ(g_events, (std::vector<std::string>{"pz_quit_all", "araig 3", "enter 4"}));
    EXPECT_EQ(OrvWam_CurrentVue->id, 4u);
    EXPECT_EQ(Vars("VUE LASTVUE"), "4 0");
    // A view the place lacks keeps the saved one.
    OrvHooks.pz_araig_init_after_load = [](uint32_t* v) { *v = 77; };
    g_events.clear();
    ASSERT_TRUE(OrvSaveGame_Load(5));
    EXPECT_EQ(g_events, (std::vector<std::string>{"pz_quit_all", "enter 3"}));
    EXPECT_EQ(OrvWam_CurrentVue->id, 3u);
}

TEST_F(SaveTest, RegisteredBlocksJoinTheSave) {
    ASSERT_TRUE(OrvSaveGame_Save(5));  // written before the block exists
    for (size_t i = 0; i < sizeof g_subjects; i++) g_subjects[i] = uint8_t(i * 7);
    ASSERT_TRUE(OrvSaveGame_RegisterBlock({"SUJETS", 50176, saveSubjects, nullptr, loadSubjects}));
    EXPECT_FALSE(OrvSaveGame_RegisterBlock({"HEADER", 4, saveSubjects, nullptr, loadSubjects}));
    EXPECT_FALSE(OrvSaveGame_RegisterBlock({"MOTS-PZ", 4, saveSubjects, nullptr, loadSubjects}));
    EXPECT_FALSE(OrvSaveGame_Load(5));  // the older save lacks the block
    EXPECT_TRUE(Reported("bloc SUJETS absent ou incorrect"));
    ASSERT_TRUE(OrvSaveGame_Save(4));
    std::vector<uint8_t> before(g_subjects, g_subjects + sizeof g_subjects);
    std::memset(g_subjects, 0, sizeof g_subjects);
    ASSERT_TRUE(OrvSaveGame_Load(4));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), g_subjects));
    OrvSaveGame_UnregisterBlock("SUJETS");
    EXPECT_TRUE(OrvSaveGame_Load(4));  // a block nobody registered is left aside
}

TEST_F(SaveTest, BadSavesAreRefusedBeforeAnythingChanges) {
    Play();
    ASSERT_TRUE(OrvSaveGame_Save(5));
    const std::vector<uint8_t> good = FileBytes();
    Wander();
    const Snapshot current = snap();
    auto refused = [&](const std::string& what) {
        EXPECT_FALSE(OrvSaveGame_Load(5)) << what;
        EXPECT_EQ(snap(), current) << what;
        EXPECT_TRUE(g_events.empty()) << what;
    };

    for (size_t len = 0; len < good.size(); len += 97) {
        WriteBytes(std::vector<uint8_t>(good.begin(), good.begin() + long(len)));
        refused("truncated to " + std::to_string(len));
    }
    for (size_t at = 0; at < good.size(); at += 61) {
        std::vector<uint8_t> b = good;
        b[at] ^= 0x5A;
        WriteBytes(b);
        refused("byte " + std::to_string(at) + " flipped");
    }
    const std::pair<const char*, void (*)(std::vector<uint8_t>&)> edits[] = {
        {"HEADER", [](std::vector<uint8_t>& d) { d[0] = 2; }},
        {"HEADER", [](std::vector<uint8_t>& d) { std::memcpy(d.data() + 28, "absent.wam", 11); }},
        {"HEADER", [](std::vector<uint8_t>& d) { d[64] = 77; }},     // view
        {"HEADER", [](std::vector<uint8_t>& d) { d[24] = 9; }},      // chapter without a script
        {"HEADER", [](std::vector<uint8_t>& d) { d.push_back(0); }},
        {"VARS", [](std::vector<uint8_t>& d) { d.resize(d.size() - 4); }},
        {"FLAGS", [](std::vector<uint8_t>& d) { d.push_back(1); }},
        {"SAC", [](std::vector<uint8_t>& d) { d[0] = 91; }},         // count
        {"SAC", [](std::vector<uint8_t>& d) { d[8 + 4] = 200; }},    // first object id: none such
        {"SAC", [](std::vector<uint8_t>& d) { d[8 + 12 + 4] = 1; }}, // the same object twice
        {"SAC", [](std::vector<uint8_t>& d) { d[8 + 12 * 5 + 4] = 1; }},  // a free slot in use
        {"SAC", [](std::vector<uint8_t>& d) { d[4] = 200; }},        // hand: no such object
        {"ELEMS", [](std::vector<uint8_t>& d) { d[0] = 3; }},
        {"ELEMS", [](std::vector<uint8_t>& d) { d.back() = 2; }},
        {"INTERP", [](std::vector<uint8_t>& d) { d[0] = 1, d[4] = 3; }},  // waiting mid-word
    };
    for (const auto& [block, edit] : edits) {
        EditBlock(good, block, edit);
        refused(std::string("edited ") + block);
    }
    ZapFile z;
    ASSERT_TRUE(z.Parse(good.data(), good.size(), nullptr));
    ZapFile noVars;
    for (const ZapFile::Block& b : z.Blocks())
        if (b.name != "VARS") noVars.AddBlock(b.name.c_str(), b.data.data(), b.data.size());
    WriteBytes(noVars.Build());
    refused("no VARS");
    EXPECT_EQ(fatals, 0);

    WriteBytes(good);
    EXPECT_TRUE(OrvSaveGame_Load(5));  // the control: the untouched file loads
}

TEST_F(SaveTest, AFailedWriteLeavesThePreviousSaveWhole) {
    Play();
    ASSERT_TRUE(OrvSaveGame_Save(5));
    const Snapshot saved = snap();
    const std::string previous = ReadFileText(path);
    Wander();
    std::string tmp = std::string(path) + ORV_TEMP_SUFFIX;
    ASSERT_EQ(::mkdir(tmp.c_str(), 0755), 0);  // the temporary file cannot be written
    EXPECT_FALSE(OrvSaveGame_Save(5));
    EXPECT_FALSE(OrvSaveGame_DiskWasFull());
    EXPECT_EQ(ReadFileText(path), previous);
    ::rmdir(tmp.c_str());
    // A full device is told apart from other failures.
    OrvFile_SetWriteFailure(ENOSPC);
    EXPECT_FALSE(OrvSaveGame_Save(5));
    EXPECT_TRUE(OrvSaveGame_DiskWasFull());
    OrvFile_SetWriteFailure(0);
    EXPECT_EQ(ReadFileText(path), previous);
    WriteFileText(tmp, "ZAPFILE 1.0 partial");  // what a crash in the middle of a write leaves
    EXPECT_TRUE(OrvSaveGame_ScanSlot(5));
    ASSERT_TRUE(OrvSaveGame_Load(5));
    EXPECT_EQ(snap(), saved);
    Wander();
    ASSERT_TRUE(OrvSaveGame_Save(5));  // the stale temporary file is simply replaced
    ASSERT_TRUE(OrvSaveGame_Load(5));
    EXPECT_EQ(Interp_Flags[5], 1);
}

TEST_F(SaveTest, AFatalErrorSavesTheGameAsPlayerNineSlotEight) {
    Play();
    OrvError_Fatal("panne");
    EXPECT_EQ(fatals, 1);
    OrvSaveGame_SetPlayer(SAVE_EMERGENCY_PLAYER);
    ASSERT_TRUE(OrvSaveGame_ScanSlot(SAVE_EMERGENCY_SLOT));
    EXPECT_EQ(OrvSaveGame_Header.vue_id, 3u);
    ForgetReports();
    OrvSaveGame_Delete(SAVE_EMERGENCY_SLOT);
    OrvWam_RestoreCurrentVue(nullptr);  // no view: nothing to save
    OrvError_Fatal("panne");
    EXPECT_FALSE(OrvSaveGame_ScanSlot(SAVE_EMERGENCY_SLOT));
}

TEST_F(SaveTest, AWaitingBlockIsSavedAndResumedAfterTheLoad) {
    ASSERT_TRUE(RunOneCommand("(CHANGEWAM=yucatan.wam,3)"));
    Jump();
    Interp_WriteVar("VISITES_YU", 1);
    Interp_SetEngineVar(IV_ARRIVEEVUE, 0);
    ASSERT_TRUE(RunOneCommand("(CLICZONE=ZONE_SORTIE)"));
    Interp_ScenarioFrame();  // the farewell message waits; EXIT follows it in the block
    ASSERT_TRUE(OrvMsg_IsActive());
    ASSERT_EQ(PendingScenarioBlock.flag, 1);
    ASSERT_TRUE(OrvSaveGame_Save(5));
    const std::vector<uint8_t> withMessage = FileBytes();
    OrvMsg_Abort();
    PendingScenarioBlock.flag = 0;
    EXPECT_EQ(quitqu2, 0);
    // The message the block waits on comes back; the rest of the block runs when it closes.
    ASSERT_TRUE(OrvSaveGame_Load(5));
    EXPECT_EQ(OrvMsg_Current(), 8);
    EXPECT_EQ(PendingScenarioBlock.flag, 1);
    EXPECT_EQ(quitqu2, 0);
    OrvMsg_Close();
    EXPECT_EQ(PendingScenarioBlock.flag, 0);
    EXPECT_EQ(quitqu2, 1);

    // A message whose block does not wait on it comes back alone.
    quitqu2 = 0;
    EditBlock(withMessage, "MESSAGE", [](std::vector<uint8_t>& d) { d[4] = 0; });
    ASSERT_TRUE(OrvSaveGame_Load(5));
    EXPECT_EQ(OrvMsg_Current(), 8);
    EXPECT_EQ(quitqu2, 1);
    OrvMsg_Abort();
    // A message the texts no longer hold refuses the load.
    EditBlock(withMessage, "MESSAGE", [](std::vector<uint8_t>& d) { d[0] = 99; });
    EXPECT_FALSE(OrvSaveGame_Load(5));

    // A save written before messages were saved resumes the block at once, as it did then.
    ZapFile in, out;
    ASSERT_TRUE(in.Parse(withMessage.data(), withMessage.size(), nullptr));
    for (const ZapFile::Block& b : in.Blocks()) {
        if (b.name != "MESSAGE") ASSERT_TRUE(out.AddBlock(b.name.c_str(), b.data.data(), b.data.size()));
    }
    WriteBytes(out.Build());
    quitqu2 = 0;
    ASSERT_TRUE(OrvSaveGame_Load(5));
    EXPECT_FALSE(OrvMsg_IsActive());
    EXPECT_EQ(quitqu2, 1);
}

TEST_F(SaveTest, ALoadWaitsForTheCDOfItsWorld) {
    ASSERT_TRUE(OrvSaveGame_Save(5));
    WamFileDesc ir = DemoWorld_Ir();
    ir.cd = 3;
    ASSERT_TRUE(WamWriter_Save(dir / "wam/bigile1.wam", ir));
    static int requested = 0;
    cd_set_change_hook([](int cd, int) { requested = cd; });
    Wander();
    EXPECT_FALSE(OrvSaveGame_ResumeLoad());
    EXPECT_FALSE(OrvSaveGame_LoadPending());
    EXPECT_FALSE(OrvSaveGame_Load(5));
    EXPECT_EQ(requested, 3);
    EXPECT_TRUE(OrvSaveGame_LoadPending());
    EXPECT_STREQ(OrvWam_GetName(), "yucatan.wam");
    EXPECT_FALSE(OrvSaveGame_ResumeLoad());  // still missing: waits again
    EXPECT_TRUE(OrvSaveGame_LoadPending());
    WriteFileText(dir / cd_probe_name(3), "cd3");
    EXPECT_TRUE(OrvSaveGame_ResumeLoad());
    EXPECT_FALSE(OrvSaveGame_LoadPending());
    EXPECT_STREQ(OrvWam_GetName(), "bigile1.wam");
    EXPECT_FALSE(OrvSaveGame_ResumeLoad());
    cd_set_change_hook(nullptr);
    cd_request(1, 0);
}
