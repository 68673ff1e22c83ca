// World files: records of the demo worlds, refused bad files, current view and view jumps.
#include <cmath>
#include <cstring>

#include "WorldTest.h"
#include "app/Orv_Mem.h"

namespace {
struct DialCall {
    std::string info, com, dial, bank;
    int32_t world;
    bool operator==(const DialCall&) const = default;
};
std::vector<DialCall> g_dial;
}  // namespace

class WamTest : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        StartDemo();
        g_dial.clear();
        OrvHooks.OrvDial_InitWorld = [](const char* i, const char* c, const char* d, int32_t w, const char* b) {
            g_dial.push_back(DialCall{i, c, d, b, w});
        };
    }
    ST_wam_world* Read(const WamFileDesc& d) {
        std::vector<uint8_t> bytes = WamWriter_Build(d);
        return wam_read_memory(bytes.data(), uint32_t(bytes.size()), "test.wam");
    }
};

TEST_F(WamTest, DemoWorldHoldsEveryRecordInOneBlock) {
    int64_t blocks = mem_stats().liveBlocks;
    ASSERT_TRUE(wam_load_game(DEMO_WAM_IR));
    EXPECT_EQ(mem_stats().liveBlocks, blocks + 1);
    EXPECT_STREQ(OrvWam_GetName(), "bigile1.wam");
    ST_wam_world* w = OrvWam_GetWorld();
    EXPECT_EQ(w->monde, 1);
    ST_wam_lieu* lieu = wam_cherche_lieu_id(1);
    ASSERT_NE(lieu, nullptr);
    EXPECT_STREQ(lieu->name, "Rivage");
    ST_wam_vue* v1 = wam_cherche_vue_id(lieu, 1);
    ASSERT_NE(v1, nullptr);
    EXPECT_EQ(v1->lieu, lieu);
    EXPECT_NEAR(v1->pitch_max, 0.785398f, 1e-5f);
    char code[3];
    OrvWam_WorldCode(v1, code);
    EXPECT_STREQ(code, "IR");

    std::vector<int32_t> kinds;
    for (ST_wam_zclic* z = v1->zclic; z; z = z->next) kinds.push_back(z->type);
    EXPECT_EQ(kinds, (std::vector<int32_t>{1, 1, 3, 3 + WAM_ZONE_DISABLED}));
    ST_wam_zclic* coffre = v1->zclic->next->next;
    EXPECT_STREQ(coffre->name, "ZONE_COFFRE");
    EXPECT_EQ(coffre->numero, uint32_t(DefName_GetIdName(DEFNAME_ZONES_CLIC, "ZONE_COFFRE")));
    ASSERT_EQ(coffre->nb_points, 4);
    int n = 0;
    for (ST_wam_point* p = coffre->points; p; p = p->next, n++) EXPECT_EQ(p->z, 1.0f);
    EXPECT_EQ(n, 4);

    ST_wam_destination* d = wam_cherche_destination(v1, 4);
    ST_wam_son* son = wam_cherche_son(1);
    ST_wam_lien* lien = wam_cherche_lien(DEMO_LIEN_TO_YU);
    ASSERT_TRUE(d && v1->bruitages && son && lien);
    EXPECT_STREQ(d->video, "ir001_4");
    EXPECT_EQ(v1->bruitages->son_id, 1u);
    EXPECT_STREQ(son->recording[0], "vent.ksn");
    EXPECT_EQ(son->percent[0], 100);
    EXPECT_STREQ(lien->wam, "yucatan.wam");
    ST_wam_perso* cle = wam_cherche_perso(WAM_OBJET, DefName_GetIdName(DEFNAME_OBJETS, "CLE"));
    ASSERT_TRUE(cle && cle->animations);
    EXPECT_EQ(cle->animations->vue_id, 3u);
    char spw[16];
    wam_build_spw_name(spw, cle, cle->animations);
    EXPECT_STREQ(spw, "CLE_a001.SPW");

    // Building lists by hand goes through the same checks.
    wam_add_vue(lieu, nullptr);
    z3d_add_point(nullptr, coffre->points);
    EXPECT_TRUE(Reported("wam_add_vue() p=NULL"));
    EXPECT_TRUE(Reported("z3d_add_point() p=NULL"));
    EXPECT_EQ(coffre->nb_points, 4);
}

TEST_F(WamTest, TruncatedFilesAreRefusedAtEveryLength) {
    std::vector<uint8_t> bytes = WamWriter_Build(DemoWorld_Ir());
    ASSERT_NE(wam_read_memory(bytes.data(), uint32_t(bytes.size()), "x.wam"), nullptr) << "control";
    for (size_t len = 0; len < bytes.size(); len++) {
        // Heap copies of exactly len bytes, so that any read past the end is caught.
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(len));
        if (len >= 20) {
            uint32_t l = uint32_t(len);
            std::memcpy(cut.data() + 16, &l, 4);  // a header that agrees with the cut
        }
        ST_wam_world* w = wam_read_memory(cut.data(), uint32_t(cut.size()), "x.wam");
        EXPECT_EQ(w, nullptr) << "length " << len;
        wam_free_world(&w);
    }
}

TEST_F(WamTest, ViewIdsAreUniqueWithinTheirPlaceOnly) {
    WamFileDesc d = DemoWorld_Ir();
    d.lieux.push_back(d.lieux[0]);
    d.lieux[1].id = 2;
    ST_wam_world* w = Read(d);
    ASSERT_NE(w, nullptr);
    ASSERT_NE(w->lieux->next, nullptr);
    EXPECT_EQ(w->lieux->next->id, 2u);
    EXPECT_EQ(w->lieux->next->vues->id, w->lieux->vues->id);
    EXPECT_EQ(w->lieux->next->vues->lieu, w->lieux->next);
    wam_free_world(&w);
}

TEST_F(WamTest, CorruptFilesAreRefusedWithAClearReport) {
    struct Case {
        const char* report;
        void (*edit)(WamFileDesc&);
    };
    const Case cases[] = {
        {"vue 3 en double", [](WamFileDesc& f) { f.lieux[0].vues[2].id = 3; }},
        {"lieu 1 en double", [](WamFileDesc& f) { f.lieux.push_back(f.lieux[0]); }},
        {"nom sans code de monde", [](WamFileDesc& f) { f.lieux[0].vues[0].name = "I"; }},
        {"angle non fini", [](WamFileDesc& f) { f.lieux[0].vues[0].yawStart = NAN; }},
        {"limites d'angle inversées", [](WamFileDesc& f) { f.lieux[0].vues[0].pitchMin = 1; }},
        {"type 0", [](WamFileDesc& f) { f.lieux[0].vues[0].zones[0].type = 0; }},
        {"type 88888", [](WamFileDesc& f) { f.lieux[0].vues[0].zones[0].type = 88888; }},
        {"point non fini", [](WamFileDesc& f) { f.lieux[0].vues[0].zones[0].points[1].x = INFINITY; }},
        {"absente de #ZONES_CLIC#", [](WamFileDesc& f) { f.lieux[0].vues[0].zones[2].name = "ZONE_X"; }},
        {"numéro 9, 1 dans #ZONES_CLIC#", [](WamFileDesc& f) { f.lieux[0].vues[0].zones[2].numero = 9; }},
        {"bruitage du son 7 absent", [](WamFileDesc& f) { f.lieux[0].vues[0].bruits[0].son = 7; }},
        {"élément PIERRE absent de #OBJETS#", [](WamFileDesc& f) { f.persos[0].name = "PIERRE"; }},
        {"élément CLE absent de #PERSONNAGES#", [](WamFileDesc& f) { f.persos[0].type = 3; }},
        {"type 5", [](WamFileDesc& f) { f.persos[0].type = 5; }},
        {"face 6", [](WamFileDesc& f) { f.persos[0].anims[0].face = 6; }},
        {"images 4 à 3", [](WamFileDesc& f) { f.persos[0].anims[0].first = 4; }},
        {"lien 50 en double", [](WamFileDesc& f) { f.liens.push_back(f.liens[0]); }},
        {"lien 9 : nom de fichier vide", [](WamFileDesc& f) { f.liens.push_back({9, "", 1}); }},
        {"son 1 en double", [](WamFileDesc& f) { f.sons.push_back(f.sons[0]); }},
        {"numéro de CD 5", [](WamFileDesc& f) { f.cd = 5; }},
        {"aucune vue", [](WamFileDesc& f) { f.lieux[0].vues.clear(); }},
    };
    for (const Case& c : cases) {
        ForgetReports();
        WamFileDesc d = DemoWorld_Ir();
        c.edit(d);
        EXPECT_EQ(Read(d), nullptr) << c.report;
        EXPECT_TRUE(Reported(c.report)) << c.report;
    }

    struct Patch {
        const char* report;
        void (*edit)(std::vector<uint8_t>&);
    };
    auto put = [](std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); };
    static decltype(put) s_put = put;
    const Patch patches[] = {
        {"signature incorrecte", [](std::vector<uint8_t>& b) { b[0] = 'X'; }},
        {"version 207", [](std::vector<uint8_t>& b) { s_put(b, 8, 207); }},
        {"taille d'entête 36", [](std::vector<uint8_t>& b) { s_put(b, 12, 36); }},
        {"blocs annoncés", [](std::vector<uint8_t>& b) { s_put(b, 20, 0x40000000); }},
        {"octets après le dernier bloc", [](std::vector<uint8_t>& b) { s_put(b, 20, 1); }},
        {"dépasse la fin du fichier", [](std::vector<uint8_t>& b) { s_put(b, 36, 0x7FFFFFF0); }},
        {"(LIEU) de taille 37", [](std::vector<uint8_t>& b) { s_put(b, 36, 37); }},
        {"(LIEU) de 32 octets, 36 attendus", [](std::vector<uint8_t>& b) { s_put(b, 36, 32); }},
        {"étiquette inconnue", [](std::vector<uint8_t>& b) { b[32] = 'l'; }},
        {"nom de vue sans fin", [](std::vector<uint8_t>& b) {
             long v = WamWriter_FindChunk(b, "VUE ");
             std::memset(b.data() + v + 12, 'A', 16);
         }},
        {"points pour un bloc", [](std::vector<uint8_t>& b) {
             long z = WamWriter_FindChunk(b, "ZCLI");
             s_put(b, size_t(z) + 8 + 40, 0x40000001);  // 12 x count wraps 32 bits
         }},
        {"zone avant toute vue", [](std::vector<uint8_t>& b) {
             long v = WamWriter_FindChunk(b, "VUE ");
             std::memcpy(b.data() + v, "ZCLI", 4);
         }},
    };
    std::vector<uint8_t> good = WamWriter_Build(DemoWorld_Ir());
    for (const Patch& p : patches) {
        ForgetReports();
        std::vector<uint8_t> b = good;
        p.edit(b);
        EXPECT_EQ(wam_read_memory(b.data(), uint32_t(b.size()), "x.wam"), nullptr) << p.report;
        EXPECT_TRUE(Reported(p.report)) << p.report;
    }
    EXPECT_FALSE(wam_load_game("absent.wam"));
    EXPECT_TRUE(Reported("fichier absent"));
    EXPECT_EQ(fatals, 0);
}

TEST_F(WamTest, JumpsWithinAWorldSetTheViewVariables) {
    ASSERT_TRUE(wam_load_game(DEMO_WAM_IR));
    OrvWam_SetCurrentVue(OrvWam_FindVue(1));
    EXPECT_EQ(Interp_GetEngineVar(IV_VUE), 1);
    OrvWam_RequestVue(4);
    OrvWamJumpResult r{};
    ASSERT_EQ(OrvWam_DoJump(&r), WAM_JUMP_DONE);
    EXPECT_FALSE(OrvWam_Jump.pending);
    EXPECT_EQ(r.from_id, 1u);
    EXPECT_EQ(r.to, OrvWam_CurrentVue);
    EXPECT_STREQ(r.video, "ir001_4");
    EXPECT_FALSE(r.world_changed);
    EXPECT_EQ(Vars("VUE LASTVUE ARRIVEEVUE"), "4 1 4");
    EXPECT_EQ(OrvWam_DoJump(&r), WAM_JUMP_NONE);

    OrvWam_RequestVue(99);
    EXPECT_EQ(OrvWam_DoJump(&r), WAM_JUMP_NO_VIEW);
    EXPECT_EQ(OrvWam_CurrentVue->id, 4u);
    EXPECT_FALSE(OrvWam_Jump.pending);

    OrvWam_SetCurrentVue(nullptr);
    EXPECT_EQ(fatals, 1);
    EXPECT_TRUE(Reported("OrvWam_SetCurrentVue() vue NULL", true));
}

TEST_F(WamTest, WorldChangesLoadTheFileAndTellTheDialogue) {
    ASSERT_TRUE(wam_load_game(DEMO_WAM_IR));
    OrvWam_SetCurrentVue(OrvWam_FindVue(4));
    ASSERT_TRUE(OrvWam_RequestLien(DEMO_LIEN_TO_YU));
    OrvWamJumpResult r{};
    ASSERT_EQ(OrvWam_DoJump(&r), WAM_JUMP_DONE);
    EXPECT_TRUE(r.world_changed);
    EXPECT_EQ(r.from_id, 4u);
    EXPECT_STREQ(OrvWam_GetName(), "yucatan.wam");
    EXPECT_EQ(Vars("MONDE LASTVUE VUE"), "2 4 1");
    EXPECT_EQ(g_dial, (std::vector<DialCall>{{"infoYU.txt", "comYU.txt", "dialYU.txt", "sujyuc.spr", 2}}));

    // Naming the loaded file again is only a view change; a case difference does not matter.
    ASSERT_TRUE(RunOneCommand("(CHANGEWAM=YUCATAN.WAM,3)"));
    ASSERT_EQ(OrvWam_DoJump(&r), WAM_JUMP_DONE);
    EXPECT_FALSE(r.world_changed);
    EXPECT_EQ(OrvWam_CurrentVue->id, 3u);

    ST_wam_vue* before = OrvWam_CurrentVue;
    ASSERT_TRUE(RunOneCommand("(CHANGEWAM=absent.wam,1)"));
    EXPECT_EQ(OrvWam_DoJump(&r), WAM_JUMP_NO_WORLD);
    ASSERT_TRUE(RunOneCommand("(CHANGEWAM=bigile1.wam,77)"));
    EXPECT_EQ(OrvWam_DoJump(&r), WAM_JUMP_NO_VIEW);
    EXPECT_EQ(OrvWam_CurrentVue, before);
    EXPECT_STREQ(OrvWam_GetName(), "yucatan.wam");
    EXPECT_FALSE(OrvWam_RequestLien(1234));

    ASSERT_TRUE(RunOneCommand("(CHANGEWAM=bigile1.wam)"));  // no view: the first one
    ASSERT_EQ(OrvWam_DoJump(&r), WAM_JUMP_DONE);
    EXPECT_EQ(OrvWam_CurrentVue->id, 1u);
    EXPECT_EQ(g_dial.back().world, 1);
    EXPECT_EQ(g_dial.back().bank, "sujeire.spr");
}

TEST_F(WamTest, AWorldOnAMissingCDWaitsForIt) {
    WamFileDesc yu = DemoWorld_Yu();
    yu.cd = 2;
    ASSERT_TRUE(WamWriter_Save(dir / "wam/yucatan.wam", yu));
    ASSERT_TRUE(wam_load_game(DEMO_WAM_IR));
    OrvWam_SetCurrentVue(OrvWam_FindVue(4));
    static int requested = 0;
    cd_set_change_hook([](int cd, int) { requested = cd; });
    ASSERT_TRUE(OrvWam_RequestLien(DEMO_LIEN_TO_YU));
    EXPECT_EQ(OrvWam_DoJump(nullptr), WAM_JUMP_WAIT_CD);
    EXPECT_EQ(requested, 2);
    EXPECT_TRUE(OrvWam_Jump.pending);
    EXPECT_STREQ(OrvWam_GetName(), "bigile1.wam");
    WriteFileText(dir / cd_probe_name(2), "cd2");
    EXPECT_EQ(OrvWam_DoJump(nullptr), WAM_JUMP_DONE);
    EXPECT_EQ(cd_get_current(), 2);
    cd_set_change_hook(nullptr);
    cd_request(1, 0);
}

namespace {
// What each world-replaced callback saw: its name and the world file still loaded then.
std::vector<std::string> g_replaced;
void ReplacedA() { g_replaced.push_back(std::string("a ") + OrvWam_GetName()); }
void ReplacedB() { g_replaced.push_back(std::string("b ") + (OrvWam_CurrentVue ? "view" : "none")); }
}  // namespace

TEST_F(WamTest, TheWorldReplacedCallbacksRunBeforeTheWorldGoes) {
    g_replaced.clear();
    OrvWam_AddReplacedCallback(ReplacedA);
    OrvWam_AddReplacedCallback(ReplacedB);
    OrvWam_AddReplacedCallback(ReplacedA);  // kept once
    ASSERT_TRUE(Interp_RunInit());  // no world yet: nothing to let go of
    EXPECT_TRUE(g_replaced.empty());
    Jump();
    EXPECT_TRUE(g_replaced.empty()) << "the first world replaces none";

    // A jump inside the world keeps the block; one into another world file replaces it.
    OrvWam_RequestVue(4);
    Jump();
    EXPECT_TRUE(g_replaced.empty());
    ASSERT_TRUE(OrvWam_RequestLien(DEMO_LIEN_TO_YU));
    Jump();
    EXPECT_EQ(g_replaced, (std::vector<std::string>{"a bigile1.wam", "b view"}));

    // A load replaces the block even for the same world file.
    ASSERT_TRUE(OrvSaveGame_Save(0));
    g_replaced.clear();
    ASSERT_TRUE(OrvSaveGame_Load(0));
    EXPECT_EQ(g_replaced, (std::vector<std::string>{"a yucatan.wam", "b view"}));
    EXPECT_STREQ(OrvWam_GetName(), "yucatan.wam");

    // A new game lets the world go; its first jump reads the file again.
    g_replaced.clear();
    OrvWam_RemoveReplacedCallback(ReplacedB);
    OrvWam_RemoveReplacedCallback(ReplacedB);
    ASSERT_TRUE(Interp_RunInit());
    EXPECT_EQ(g_replaced, std::vector<std::string>{"a yucatan.wam"});
    EXPECT_EQ(OrvWam_GetWorld(), nullptr);
    EXPECT_EQ(OrvWam_CurrentVue, nullptr);
    Jump();
    EXPECT_STREQ(OrvWam_GetName(), "bigile1.wam");
    OrvWam_RemoveReplacedCallback(ReplacedA);
    g_replaced.clear();
    OrvWam_Free();
    EXPECT_TRUE(g_replaced.empty());
}
