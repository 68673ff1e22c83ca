// Click routing in the panorama: what a recorded click on the zone under the pointer does.
#include "panorama/GereClic.h"

#include "framework/Input.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/wam.h"

void OrvMain_GereClic() {
    if (!MouseClickFlags.click && !OrvWarp_PanelClick) return;
    char code[3];
    OrvWam_WorldCode(OrvWam_CurrentVue, code);
    // The poet hears every click, the one that chose a subject of his panel included.
    if (code[0] == 'I' && code[1] == 'R' && OrvWam_CurrentVue->id == 73) Call_pz_merle_poete_gere_clic();
    if (!MouseClickFlags.click) return;
    if (Inventaire_Shown) {
        Inventaire_GereClic();
        return;
    }
    if (OrvWarp_SubjectPanelOpen || Call_OrvDial_IsActive()) return;
    if (Call_pz_araig_gere_clic()) {
        MouseClickFlags.click = 0;
        return;
    }
    ST_wam_zclic* zone = OrvWarp_ZoneSouris;
    if (!zone) return;
    if (OrvSpw_ClickedIndex >= 0) {
        Interp_SetEngineVar(IV_CLICZONE, int32_t(zone->numero));
        Call_pz_gere_clic(zone);
        return;
    }
    const int32_t kind = zone->type;
    const bool move = kind == WAM_ZONE_NEXTVUE || kind == WAM_ZONE_LIEN;
    if (move) {
        Interp_SetEngineVar(IV_DEPARTVUE, int32_t(zone->numero));
        CtrlScenarOUT();
        Interp_SetEngineVar(IV_DEPARTVUE, 0);
    }
    if (Interp_GetEngineVar(IV_ABORTDEPART) != 0 || !MouseClickFlags.click) return;
    if (Call_pz_gere_clic(zone)) {
        MouseClickFlags.click = 0;
        return;
    }
    if (kind >= WAM_ZONE_SCENARIO && kind < WAM_ZONE_DISABLED) Interp_SetEngineVar(IV_CLICZONE, int32_t(zone->numero));
    else if (kind == WAM_ZONE_NEXTVUE) OrvWam_RequestVue(zone->numero);
    else if (kind == WAM_ZONE_LIEN) OrvWam_RequestLien(zone->numero);
}
