// The skulls of IR 40 to 42 and the cross of IR 2.
#include "puzzles/pz_crane.h"

#include <cstring>

#include "app/Orv_Log.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Orv_Spw.h"
#include "puzzles/pz_common.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/wam.h"

const char* const CRANE_INITIAL = "0199999";
char crane_etat[8] = "0199999";
int32_t croix_etat = 0;

namespace {
constexpr int kSkullFrames = 7;
// The objects laid on the skull zone and the frame each adds.
struct SkullObject {
    const char* name;
    int32_t frame;
};
constexpr SkullObject kSkullObjects[] = {
    {"CRANE_CROIX", 2}, {"CRANE_RUCHE", 3}, {"CRANE_PUIT", 4}, {"CRANE_CHAPELLE", 5}, {"CRANE_W18", 6},
};

int32_t SkullSprite() { return pz_objet_id("CRANE_SPRITE"); }
int32_t CrossSprite() { return pz_objet_id("CROIXBRIGIT_SPRITE"); }
// Frame z - 1 shows the cross on zone z. A zone whose id reads negative (2^31 and more, as an unnamed zone
// may carry) has no frame a frame list could hold: the cross lies there unseen, reported when laid.
void ShowCross(int32_t z) {
    if (z < 0) {
        OrvError_Warning("pz_croix_gere_clic() : zone %u sans image de la croix", uint32_t(z));
        return;
    }
    AddSpwToFrameTab(CrossSprite(), WAM_OBJET, z - 1);
}
}  // namespace

void pz_crane_entree() {
    const int32_t sprite = SkullSprite();
    for (int32_t f = 0; f < kSkullFrames; f++) SubSpwToFrameTab(sprite, WAM_OBJET, f);
    for (int i = 0; i < kSkullFrames; i++)
        if (crane_etat[i] >= '0' && crane_etat[i] <= '8') AddSpwToFrameTab(sprite, WAM_OBJET, crane_etat[i] - '0');
}

void pz_crane_gere_clic(ST_wam_zclic* zone) {
    const int32_t sprite = SkullSprite();
    for (const SkullObject& o : kSkullObjects) {
        if (zone->numero != uint32_t(pz_zone_id("CRANE_ZONE")) ||
            Interp_GetEngineVar(IV_OBJETENMAIN) != pz_objet_id(o.name))
            continue;
        // A picture already shown is not listed twice.
        if (!OrvSpw_IsAnimInFrame(sprite, WAM_OBJET, o.frame)) AddSpwToFrameTab(sprite, WAM_OBJET, o.frame);
        OrvSpr_set_curseur(nullptr, 0);
        crane_etat[o.frame] = char('0' + o.frame);
        pz_new_sound(7);
    }
}

void pz_crane_quit() {
    if (pz_vue_is("IR", 42)) OrvSpr_set_curseur(nullptr, 0);
}

void pz_croix_entree() {
    const int32_t sprite = CrossSprite();
    if (OrvSpw_IsAnimInFrame(sprite, WAM_OBJET, 0)) SubSpwToFrameTab(sprite, WAM_OBJET, 0);
    if (croix_etat > 0) ShowCross(croix_etat);
}

void pz_croix_gere_clic(ST_wam_zclic* zone) {
    const int32_t z = int32_t(zone->numero);
    const int32_t cross = pz_objet_id("CROIX_BRIGID");
    const int32_t sprite = CrossSprite();
    if (Interp_GetEngineVar(IV_OBJETENMAIN) == cross) {
        Interp_SetEngineVar(IV_OBJETENMAIN, 0);
        OrvSpr_SetObjetEnMainSprite(0, nullptr);
        OrvSpr_reset_curseur();
        Inventaire_EnleveObj_id(cross);
        croix_etat = z;
        ShowCross(z);
        if (z == 1) {
            Interp_WriteVar("FINCROIX", 1);
            CtrlScenarIN();
        }
        pz_new_sound(8);
        pz_new_sound(9);
        return;
    }
    // Only a cross that lies somewhere can be taken back.
    if (croix_etat != 0 && z == croix_etat) {
        if (z > 0) SubSpwToFrameTab(sprite, WAM_OBJET, z - 1);
        const int32_t nspr = DefName_GetParamInt(DEFNAME_OBJETS, "CROIX_BRIGID");
        OrvSpr_set_curseur(Inventaire_GetBank(), nspr);
        Inventaire_SetObjetEnMain_id(cross);
        Inventaire_PrendObj_id_nspr(cross, nspr);
        croix_etat = 0;
    }
    pz_new_sound(9);
}

void pz_croix_quit() { OrvSpr_set_curseur(nullptr, 0); }
