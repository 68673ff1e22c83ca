// The inventory: the bag of carried objects and the object in the player's hand.
#include "world/Inventaire.h"

#include <cstring>

#include "app/Orv_Log.h"
#include "graphics2d/Orv_Spr.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"

const char* const INVENTAIRE_BANK_NAME = "objets.spr";
ST_sac_objet Inventaire_Sac[MAX_OBJ_SAC_TOTAL];
int32_t Inventaire_NbObjets = 0;
uint8_t Inventaire_Shown = 0;

namespace {
SprBank* g_bank = nullptr;

int32_t slotOf(int32_t id) {
    for (int32_t i = 0; i < Inventaire_NbObjets; i++)
        if (Inventaire_Sac[i].id == id) return i;
    return -1;
}

bool validObject(int32_t id, const char* who) {
    if (id > 0 && id < DefName_GetCount(DEFNAME_OBJETS)) return true;
    OrvError_Warning("%s() objet %d incorrect", who, id);
    return false;
}

// The pointer was reset by the sprite layer: the hand is empty.
void onCursorReset() { Interp_SetEngineVar(IV_OBJETENMAIN, 0); }
}  // namespace

void Inventaire_Init() {
    if (!g_bank) OrvSpr_LoadBank(INVENTAIRE_BANK_NAME, &g_bank, 0);
    OrvSpr_SetResetHook(onCursorReset);
    Inventaire_Reset();
}

void Inventaire_Close() {
    OrvSpr_SetResetHook(nullptr);
    OrvSpr_SetObjetEnMainSprite(0, nullptr);
    if (g_bank) OrvSpr_LibereBank(&g_bank);
    Inventaire_Reset();
}

void Inventaire_Reset() {
    std::memset(Inventaire_Sac, 0, sizeof Inventaire_Sac);
    Inventaire_NbObjets = 0;
    Inventaire_Shown = 0;
    Inventaire_SetObjetEnMain_id(0);
}

SprBank* Inventaire_GetBank() { return g_bank; }

bool Inventaire_PrendObj_id_nspr(int32_t id, int32_t nspr) {
    if (!validObject(id, "Inventaire_PrendObj_id_nspr")) return false;
    int32_t slot = slotOf(id);
    if (slot >= 0) {
        Inventaire_Sac[slot].nspr = nspr;
        return true;
    }
    if (Inventaire_NbObjets >= MAX_OBJ_SAC_TOTAL) {
        OrvError_Warning("Inventaire_PrendObj_id_nspr() sac plein (%d objets) : %s", MAX_OBJ_SAC_TOTAL,
                         DefName_GetName(DEFNAME_OBJETS, id));
        return false;
    }
    Inventaire_Sac[Inventaire_NbObjets++] = ST_sac_objet{nspr, id, Interp_GetEngineVar(IV_MONDE)};
    return true;
}

bool Inventaire_EnleveObj_id(int32_t id) {
    int32_t slot = slotOf(id);
    if (slot < 0) return false;
    std::memmove(&Inventaire_Sac[slot], &Inventaire_Sac[slot + 1],
                 size_t(Inventaire_NbObjets - slot - 1) * sizeof(ST_sac_objet));
    Inventaire_Sac[--Inventaire_NbObjets] = ST_sac_objet{};
    return true;
}

bool Inventaire_PrendObjEnMain_id(int32_t id) {
    const char* name = DefName_GetName(DEFNAME_OBJETS, id);
    if (!Inventaire_PrendObj_id_nspr(id, DefName_GetParamInt(DEFNAME_OBJETS, name))) return false;
    Inventaire_SetObjetEnMain_id(id);
    return true;
}

bool Inventaire_PrendObjEnMain(const char* name) {
    int32_t id = DefName_GetIdName(DEFNAME_OBJETS, name);
    return id >= 0 && Inventaire_PrendObjEnMain_id(id);
}

void Inventaire_DeposeObjEnMain_id(int32_t id) {
    Inventaire_SetObjetEnMain_id(0);
    Inventaire_EnleveObj_id(id);
}

void Inventaire_SetObjetEnMain_id(int32_t id) {
    if (id != 0 && !validObject(id, "Inventaire_SetObjetEnMain_id")) return;
    Interp_SetEngineVar(IV_OBJETENMAIN, id);
    if (id == 0) {
        OrvSpr_SetObjetEnMainSprite(0, nullptr);
        return;
    }
    int32_t slot = slotOf(id);
    int32_t nspr = slot >= 0 ? Inventaire_Sac[slot].nspr
                             : DefName_GetParamInt(DEFNAME_OBJETS, DefName_GetName(DEFNAME_OBJETS, id));
    OrvSpr_SetObjetEnMainSprite(nspr, g_bank);
}

void Inventaire_SetObjetEnMain(const char* name) {
    int32_t id = DefName_GetIdName(DEFNAME_OBJETS, name);
    if (id >= 0) Inventaire_SetObjetEnMain_id(id);
}

bool Inventaire_IsObjetInSac_id(int32_t id) { return id > 0 && slotOf(id) >= 0; }

bool Inventaire_IsObjetInSac(const char* name) {
    int32_t id = DefName_GetIdName(DEFNAME_OBJETS, name);
    return id >= 0 && Inventaire_IsObjetInSac_id(id);
}

void Inventaire_SetMondeObjet_id(int32_t id, int32_t monde) {
    int32_t slot = slotOf(id);
    if (slot >= 0) Inventaire_Sac[slot].monde = monde;
}

void Inventaire_Choisit(int32_t slot) {
    if (slot < 0 || slot >= Inventaire_NbObjets) return;
    int32_t id = Inventaire_Sac[slot].id;
    if (!Call_Inventaire_Choose(id)) Inventaire_SetObjetEnMain_id(id);
}

void Inventaire_Dump() {
    debug_log("Sac : %d objets, en main %d", Inventaire_NbObjets, Interp_GetEngineVar(IV_OBJETENMAIN));
    for (int32_t i = 0; i < Inventaire_NbObjets; i++)
        debug_log("  %s (sprite %d, monde %d)", DefName_GetName(DEFNAME_OBJETS, Inventaire_Sac[i].id),
                  Inventaire_Sac[i].nspr, Inventaire_Sac[i].monde);
}
