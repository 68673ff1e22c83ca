// The demo chapter played through at the world level, from the new game to EXIT.
#include "WorldTest.h"
#include "graphics2d/Orv_Spr.h"

namespace {
// The warp pass's scenario side, as the panorama drives it: scenario work, then the view jump,
// then CLICZONE back to 0. Messages are read and dismissed as a player would.
struct Session {
    std::vector<std::string> trace;

    void pass() {
        Interp_ScenarioFrame();
        while (OrvMsg_IsActive()) {
            trace.push_back("msg " + std::to_string(OrvMsg_Current()));
            OrvMsg_Close();
        }
        OrvWamJumpResult r{};
        if (OrvWam_DoJump(&r) == WAM_JUMP_DONE) {
            char code[3];
            OrvWam_WorldCode(r.to, code);
            trace.push_back(std::string("vue ") + code + std::to_string(r.to->id));
        }
        Interp_SetEngineVar(IV_CLICZONE, 0);
    }

    // A click on the zone of the current view of that kind leading to / named `target`.
    void click(int32_t kind, uint32_t numero) {
        ST_wam_zclic* zone = nullptr;
        for (ST_wam_zclic* z = OrvWam_CurrentVue->zclic; z; z = z->next)
            if (z->numero == numero && (z->type == kind || z->type == kind + WAM_ZONE_DISABLED)) zone = z;
        ASSERT_NE(zone, nullptr) << "kind " << kind << " id " << numero;
        if (zone->type == WAM_ZONE_NEXTVUE || zone->type == WAM_ZONE_LIEN) {
            Interp_SetEngineVar(IV_DEPARTVUE, int32_t(zone->numero));
            CtrlScenarOUT();
            Interp_SetEngineVar(IV_DEPARTVUE, 0);
            // The routing decides at once; a message the leaving pass showed is read in the passes after.
            const bool abort = Interp_GetEngineVar(IV_ABORTDEPART) != 0;
            while (OrvMsg_IsActive()) {
                trace.push_back("msg " + std::to_string(OrvMsg_Current()));
                OrvMsg_Close();
            }
            if (!abort) {
                if (zone->type == WAM_ZONE_NEXTVUE) OrvWam_RequestVue(zone->numero);
                else OrvWam_RequestLien(zone->numero);
            }
        } else if (zone->type < WAM_ZONE_DISABLED) {
            Interp_SetEngineVar(IV_CLICZONE, int32_t(zone->numero));
        }
        pass();
        pass();  // the arrival pass
    }
    void zone(const char* name) { click(3, uint32_t(DefName_GetIdName(DEFNAME_ZONES_CLIC, name))); }
};
}  // namespace

TEST_F(WorldTest, TheDemoChapterPlaysFromTheStartToExit) {
    ASSERT_TRUE(OrvSpr_MainInit());  // the demo's object bank loads through the sprite plug-in
    // The program registers the music word; here it only records what the new game asks for.
    static std::string music;
    music.clear();
    Interp_RegisterCommand("MUSIQUE", [](const char* value) {
        music = value;
        return int(CMD_DONE);
    });
    // The dialogue's subject words; the demo's dialogues are not reached here.
    static std::vector<std::string> subjects;
    subjects.clear();
    Interp_RegisterCommand("ENABLESUJ", [](const char* value) {
        subjects.push_back(value);
        return int(CMD_DONE);
    });
    // The panorama's and the menus' words the demo uses: recorded in the order asked.
    static std::vector<std::string> others;
    others.clear();
    Interp_RegisterCommand("ANIM_THE_FRAME", [](const char* value) {
        others.push_back(std::string("ANIM_THE_FRAME=") + value);
        return int(CMD_DONE);
    });
    Interp_RegisterCommand("CREDITS", [](const char* value) {
        others.push_back(std::string("CREDITS=") + value);
        return int(CMD_DONE);
    });
    StartDemo();
    EXPECT_NE(Inventaire_GetBank(), nullptr);
    ASSERT_TRUE(Interp_RunInit());
    EXPECT_EQ(music, "1");
    EXPECT_EQ(subjects, (std::vector<std::string>{"GARDIEN,SALUT,TEMPLE"}));
    Session s;
    s.pass();  // the initialisation's CHANGEWAM
    s.pass();  // arrival in IR 1
    s.zone("ZONE_COFFRE");                        // locked
    s.click(3, uint32_t(DefName_GetIdName(DEFNAME_ZONES_CLIC, "ZONE_MORTE")));  // disabled: nothing
    s.click(1, 4);
    s.click(2, DEMO_LIEN_TO_YU);                  // too dark: the departure is refused
    s.click(1, 1);
    s.click(1, 3);
    s.zone("ZONE_CLE");
    EXPECT_TRUE(Interp_IsElemHidden(DefName_GetIdName(DEFNAME_OBJETS, "CLE"), WAM_OBJET));
    s.click(1, 1);
    s.zone("ZONE_COFFRE");                        // opens with the key
    s.click(1, 4);
    s.click(2, DEMO_LIEN_TO_YU);
    EXPECT_EQ(Interp_GetEngineVar(IV_MONDE), 2);
    s.click(1, 2);
    s.zone("ZONE_GARDIEN");                       // kept until he has spoken
    EXPECT_FALSE(Interp_is_perso_hidden("GARDIEN"));
    s.click(1, 3);
    EXPECT_EQ(quitqu2, 0);
    s.click(4, uint32_t(DefName_GetIdName(DEFNAME_ZONES_CLIC, "ZONE_SORTIE")));
    EXPECT_EQ(quitqu2, 1);
    // The key lies still until taken; the farewell ends through the credits.
    EXPECT_EQ(others, (std::vector<std::string>{"ANIM_THE_FRAME=CLE,0", "CREDITS=1"}));
    const std::vector<std::string> expected = {
        "vue IR1", "msg 1", "msg 2", "vue IR4", "msg 5", "vue IR1", "vue IR3", "msg 4", "vue IR1", "msg 3",
        "vue IR4", "vue YU1", "vue YU2", "msg " + std::to_string(DEMO_GUARDIAN_BARS_MESSAGE), "vue YU3", "msg 8",
    };
    EXPECT_EQ(s.trace, expected);
    EXPECT_TRUE(Inventaire_IsObjetInSac("CLE"));
    EXPECT_TRUE(Inventaire_IsObjetInSac("LANTERNE"));
    EXPECT_EQ(Interp_ReadVar("VISITES_YU"), 1);
    EXPECT_EQ(Interp_GetEngineVar(IV_LASTVUE), 2);
    EXPECT_EQ(fatals, 0);
    for (const std::string& l : lines) EXPECT_EQ(l.rfind("erreur", 0), std::string::npos) << l;
    for (const char* word : {"MUSIQUE", "ENABLESUJ", "ANIM_THE_FRAME", "CREDITS"}) Interp_UnregisterCommand(word);
    OrvWorld_Close();
    OrvSpr_MainClose();
}
