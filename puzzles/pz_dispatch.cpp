// The puzzle dispatcher: which world code and view id lead to which puzzle, at view entry, click and pass.
#include "puzzles/pz_dispatch.h"

#include "graphics2d/Orv_Spr.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_ames.h"
#include "puzzles/pz_anneau.h"
#include "puzzles/pz_araig.h"
#include "puzzles/pz_baton.h"
#include "puzzles/pz_coffre.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_crane.h"
#include "puzzles/pz_dragon.h"
#include "puzzles/pz_etoile.h"
#include "puzzles/pz_mandala.h"
#include "puzzles/pz_maya.h"
#include "puzzles/pz_merle.h"
#include "puzzles/pz_ogham.h"
#include "puzzles/pz_pirogue.h"
#include "puzzles/pz_poulpe.h"
#include "puzzles/pz_roue.h"
#include "puzzles/pz_save.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/wam.h"

int32_t pz_actif = PZ_NONE;
int32_t pz_pirogue_en_cours = 0;
int32_t pz_pirogue_old_looptype = 0;

namespace {
// The click-zone kinds that reach the scenario-zone handlers.
bool ScenarioKind(int32_t kind) { return kind == 3 || kind == 4 || kind == 50; }
bool MoveKind(int32_t kind) { return kind == WAM_ZONE_NEXTVUE || kind == WAM_ZONE_LIEN; }

// YU 122: the statue of Tez answers a click on its zone as a character would.
void ClicTezStatue(const ST_wam_zclic* zone) {
    if (zone->numero != uint32_t(pz_zone_id("ClicTezStatue")) || Interp_is_perso_hidden("TEZ_STATUE")) return;
    const int32_t tez = pz_perso_id("TEZ_STATUE");
    Interp_SetEngineVar(IV_CLICPERSO, tez);
    OrvSpr_set_curseur(Interface_GetBank(), INTERFACE_ARROW_SPRITE);
    Call_OrvDial_OpenSubjectPanel(tez);
}

bool GereClicMove(ST_wam_zclic* zone) {
    if (pz_vue_is("YU", 55)) pz_maya_check1();
    if (pz_vue_is("YU", 64)) pz_maya_check2();
    if (pz_vue_is("YU", 75)) pz_maya_check3();
    if (pz_world_is("YU") && pz_actif == PZ_ARAIG) return pz_araig_gere_clic_zone(zone);
    if (pz_vue_is("IR", 42)) pz_crane_quit();
    if (pz_vue_is("IR", 6)) pz_ogham_quit();
    if (pz_vue_is("IR", 2)) pz_croix_quit();
    if (pz_vue_is("IR", 73)) pz_merle_quit();
    if (pz_vue_is("SH", 1)) pz_lucioles_gere_clic(zone);
    if (pz_vue_is("SS", 31)) pz_dragon_quit();
    return false;
}

bool GereClicScenario(ST_wam_zclic* zone) {
    if (zone->type == 50) {
        if (pz_vue_is("YU", 55)) pz_maya_gere_clic1(zone);
        if (pz_vue_is("YU", 64)) pz_maya_gere_clic2(zone);
        if (pz_vue_is("YU", 75)) pz_maya_gere_clic3(zone);
        if (pz_vue_is("YU", 121)) pz_etoile_gere_clic(zone);
    }
    if (pz_vue_is("YU", 402)) {
        if (Interp_ReadVar("enable_pz_pirog") != 1) return true;
        pz_pirogue_start(1);
    }
    if (pz_vue_is("YU", 122)) ClicTezStatue(zone);
    if (pz_vue_is("IR", 42)) pz_crane_gere_clic(zone);
    if (pz_vue_is("IR", 6) && Interp_GetEngineVar(IV_OBJETENMAIN) == pz_objet_id("COUTEAU_AILILL"))
        pz_oghamgereclic(zone);
    if (pz_vue_is("IR", 2)) pz_croix_gere_clic(zone);
    if (pz_vue_is("IR", 73)) pz_merle_poete_gere_clic();
    if (pz_vue_in("CH", 40, 64)) pz_tortue_gere_clic(zone);
    if (pz_vue_is("SS", 31)) pz_dragon_gere_clic(zone);
    if (pz_vue_is("SS", 13)) pz_roue_gere_clic(zone);
    if (pz_vue_is("TI", 10)) pz_mandala_gere_clic(zone);
    return false;
}
}  // namespace

void pz_entree_vue() {
    // Left by a jump: the blackbirds let go before another view's puzzle sets its own pointer.
    if (!pz_vue_is("IR", 73)) pz_merle_forget();
    if (pz_actif == PZ_ARAIG) pz_araig_update();
    if (pz_vue_is("YU", 55)) pz_maya_entree1();
    if (pz_vue_is("YU", 64)) pz_maya_entree2();
    if (pz_vue_is("YU", 75)) pz_maya_entree3();
    if (pz_vue_is("YU", 198) && pz_actif != PZ_ARAIG) pz_araig_entree();
    if (pz_vue_is("YU", 121)) pz_etoile_entree();
    if (pz_vue_in("IR", 40, 42)) pz_crane_entree();
    if (pz_vue_is("IR", 6)) pz_ogham_entree();
    if (pz_vue_is("IR", 2)) pz_croix_entree();
    if (pz_vue_is("IR", 73)) pz_merle_entree();
    if (pz_vue_in("CH", 40, 64)) pz_anneau_entree();
    if (pz_vue_in("LA", 1, 60)) pz_ames_entree_warp();
    if (pz_vue_in("QU", 1, 19)) pz_poulpe_entree();
    if (pz_vue_is("SS", 31)) pz_dragon_entree();
    if (pz_vue_in("SS", 1, 7)) pz_coffre_entree();
    if (pz_vue_in("SS", 12, 13)) pz_roue_entree();
    if (pz_vue_in("SS", 1, 7)) pz_statue_entree();
}

bool pz_gere_clic(ST_wam_zclic* zone) {
    if (!zone) return false;
    if (pz_vue_in("SS", 1, 7)) {
        pz_coffre_gere_clic(zone);
        if (pz_vue_is("SS", 6)) pz_statue_gere_clic(zone);
        return false;
    }
    if (pz_world_is("SS") && pz_actif == PZ_COFFRE) {
        pz_actif = PZ_NONE;
        return false;
    }
    if (MoveKind(zone->type)) return GereClicMove(zone);
    if (ScenarioKind(zone->type)) return GereClicScenario(zone);
    return false;
}

void pz_continue() {
    if (pz_actif == PZ_ARAIG) pz_araig_continue();
    if (pz_actif == PZ_ANNEAU) pz_anneau_continue();
    if (pz_actif == PZ_AMES) pz_ames_continue();
    if (pz_actif == PZ_POULPE) pz_poulpe_continue();
    if (pz_actif == PZ_DRAGON) pz_dragon_continue();
    if (pz_actif == PZ_MAYA) set_curseur_billes();
}

void pz_quit_all() {
    // The canoe's run ends with every puzzle; the caller sets the loop type that follows.
    pz_pirogue_en_cours = 0;
    // Without a game's names no puzzle has run, and their variables cannot be named.
    if (!DefName_IsLoaded()) {
        pz_actif = PZ_NONE;
        return;
    }
    pz_maya_check1();
    pz_maya_check2();
    pz_maya_check3();
    pz_anneau_quit();
    pz_pirogue_quit();
    pz_araig_quit();
    pz_ames_quit();
    pz_poulpe_quit();
    pz_merle_forget();
    pz_baton_reset();
}

void pz_init_after_load(uint32_t* vueId) {
    // The saved "SOURCIER" may say the rod is up.
    pz_baton_reset();
    pz_araig_init_after_load(vueId);
}

bool pz_pirogue_start(int32_t n) {
    if (OrvWarp_GetLoopType() == PZ_LOOP_PIROGUE && pz_pirogue_en_cours == n) return false;
    if (n != 1) return false;
    if (!pz_pirogue_init()) return false;
    pz_pirogue_old_looptype = Call_SetLoopType(PZ_LOOP_PIROGUE);
    pz_pirogue_en_cours = 1;
    return true;
}

bool pz_pirogue_frame() {
    if (pz_pirogue_en_cours != 1) return false;
    if (pz_pirogue_continue() != 0) return true;
    Call_SetLoopType(pz_pirogue_old_looptype);
    pz_pirogue_en_cours = 0;
    return false;
}

void pz_new_game() {
    pz_quit_all();
    pz_save_reset();
}
