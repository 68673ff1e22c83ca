// The octopus of QU 1 to 19: a shooting game in the panorama.
#include "puzzles/pz_poulpe.h"

#include <strings.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Random.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_dispatch.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/wam.h"

ST_poulpe tbl_poulpe[MAX_PLP + 1];
int32_t poulpe_count = 0;
int32_t poulpe_crystal = 0;
SprBank* viseur_bank = nullptr;
int32_t poulpe_big = 0;
const char* poulpe_prefix = "PTP_";
const char* poulpe_body_name = "PTP_CORPS_V";
uint8_t poulpe_enabled[MAX_PLP] = {};

namespace {
constexpr uint32_t kBigVue = 16;
// The idle movement loops on frames 0 to 43; from 44 a tentacle attacks and strikes at 62.
constexpr int32_t kLoopFrame = 44;
constexpr int32_t kStrikeFrame = 62;
constexpr int32_t kAttackClick = 5;
// A small octopus takes five shots, blinks for eight passes after each but the last, and is gone
// when its flight reaches this frame.
constexpr int32_t kSmallBlink = 8;
constexpr int32_t kFledFrame = 35;
// The kind of the zones that lead on once every small octopus of the view has fled.
constexpr int32_t kFledZone = 1967;
const char* const kCrystal = "CRISTAL_ENGLOUTI";

int32_t DiedVar(int k) {
    char name[32];
    std::snprintf(name, sizeof name, "BigTenta%dDied", k + 1);
    return Interp_ReadVar(name);
}

void SetDied(int k) {
    char name[32];
    std::snprintf(name, sizeof name, "BigTenta%dDied", k + 1);
    Interp_WriteVar(name, 1);
}

// The octopus number ending a name, 0 when the last character is not a digit 1 to 4.
int32_t NameNumber(const char* name) {
    const size_t n = strnlen(name, 32);
    if (n == 0) return 0;
    const char c = name[n - 1];
    return c >= '1' && c <= '0' + MAX_PLP ? c - '0' : 0;
}

ST_spw_visible* SlotOf(const ST_wam_animation* anim) {
    for (int i = 0; i < OrvSpw_NbVisibles; i++)
        if (OrvSpw_Visibles[i].anim == anim) return &OrvSpw_Visibles[i];
    return nullptr;
}

// The slot bound to the animation, loaded when none is; null when it cannot be.
ST_spw_visible* LoadAnimation(ST_wam_perso* perso, ST_wam_animation* anim) {
    if (ST_spw_visible* s = SlotOf(anim)) {
        OrvError_Warning("load_poulpes() ! spw_deja_loaded");
        return s;
    }
    char name[32];
    char path[ORV_PATH_MAX];
    wam_build_spw_name(name, perso, anim);
    build_path_spw(path, name);
    if (!OrvSpw_load(path, perso, anim)) return nullptr;
    return &OrvSpw_Visibles[OrvSpw_NbVisibles - 1];
}

// Loads one octopus record into the entry; false when none of its tentacles has a slot.
bool LoadOctopus(ST_poulpe& p, ST_wam_perso* perso) {
    int k = 0;
    for (ST_wam_animation* a = perso->animations; a; a = a->next) {
        if (k == PLP_TENTACLES) {
            OrvError_Warning("load_poulpes() %s : plus de %d tentacules", perso->name, PLP_TENTACLES);
            break;
        }
        ST_spw_visible* s = LoadAnimation(perso, a);
        // A tentacle without a slot keeps its place (its number names its variable) but is left out.
        if (s) {
            s->shown = 1;
            s->playing = 1;
            if (poulpe_big == 1 && DiedVar(k) == 1) {
                s->shown = 0;
                s->playing = 0;
            } else {
                p.NbTentacles++;
            }
            p.IsLoaded = 1;
            s->frame = poulpe_random(39);
            p.TentacleHits[k] = 6;
            p.Tentacle[k] = s;
        }
        k++;
    }
    return p.IsLoaded != 0;
}

void LoadBody(ST_wam_perso* perso) {
    for (ST_wam_animation* a = perso->animations; a; a = a->next)
        if (ST_spw_visible* s = LoadAnimation(perso, a)) {
            s->shown = 1;
            s->playing = 1;
        }
}

void Show(ST_spw_visible* s, bool shown) {
    if (s) s->shown = shown ? 1 : 0;
}

// The body and the six tentacles.
void ShowOctopus(ST_poulpe& p, bool shown) {
    Show(p.Body1, shown);
    for (ST_spw_visible* t : p.Tentacle) Show(t, shown);
}

void Hide(ST_poulpe& p) {
    if (p.Body1 && p.Body1->shown) ShowOctopus(p, false);
}

// Every small octopus of the view has fled: its way on opens.
void OpenFledZones() {
    if (!OrvWam_CurrentVue) return;
    for (ST_wam_zclic* z = OrvWam_CurrentVue->zclic; z; z = z->next)
        if (z->type == kFledZone) z->type = WAM_ZONE_NEXTVUE;
}

void Flee(ST_poulpe& p) {
    if (p.State != PLP_FLEE || !p.Body2 || p.Body2->frame != kFledFrame) return;
    char name[32];
    std::snprintf(name, sizeof name, "PoulpeWarp%u", pz_vue_id());
    Interp_WriteVar(name, 1);
    p.Body2->shown = 0;
    p.State = PLP_GONE;
    if (--poulpe_count == 0) OpenFledZones();
}

// Outcome of one entry's pass.
enum class Step { Go, End };

// A small octopus needs no crystal: each shot drives it back, the fifth makes it flee.
void SmallShot(ST_poulpe& p) {
    p.State = PLP_IDLE;
    pz_new_sound(301);
    ShowOctopus(p, false);
    if (--p.HitsToFlee > 0) {
        p.BlinkSmall = kSmallBlink;
        p.State = PLP_BLINK;
    } else if (p.Body2) {
        p.Body2->shown = 1;
        p.State = PLP_FLEE;
        pz_new_sound(302);
    } else {
        p.State = PLP_GONE;
    }
}

Step Shot(ST_poulpe& p) {
    if (OrvSpw_ClickedIndex == -1 || (p.State != PLP_ATTACK && p.State != PLP_RECOVER)) return Step::Go;
    if (poulpe_big != 1) {
        SmallShot(p);
        return Step::Go;
    }
    if (!Inventaire_IsObjetInSac(kCrystal)) return Step::Go;
    p.State = PLP_IDLE;
    pz_new_sound(301);
    const int k = p.AttackIdx;
    if (--p.TentacleHits[k] > 0) {
        p.BlinkBig = 6;
        p.State = PLP_BLINK;
        return Step::Go;
    }
    SetDied(k);
    if (ST_spw_visible* t = p.Tentacle[k]) {
        t->shown = 0;
        t->clic_type = 0;
    }
    if (--p.NbTentacles <= 0) {
        Hide(p);
        pz_poulpe_quit();
        RunOneCommand("(chapter=200)");
        CtrlScenarIN();
        return Step::End;
    }
    pz_new_sound(304);
    return Step::Go;
}

Step Strike(ST_poulpe& p) {
    ST_spw_visible* t = p.Tentacle[p.AttackIdx];
    if (p.State != PLP_ATTACK || !t || t->frame != kStrikeFrame || t->clic_type == 0) return Step::Go;
    OrvWarp_ZoomStart(2);
    pz_new_sound(303);
    t->clic_type = 0;
    if (Interp_ReadVar("EnergieJoueur") < 1) {
        pz_poulpe_quit();
        RunOneCommand("(chapter=201)");
        CtrlScenarIN();
        return Step::End;
    }
    Interp_AddVar("EnergieJoueur", -1);
    return Step::Go;
}

void LoopPoint(ST_poulpe& p, bool attackRunning) {
    for (int k = 0; k < PLP_TENTACLES; k++) {
        ST_spw_visible* t = p.Tentacle[k];
        if (!t || !t->shown || t->frame != kLoopFrame) continue;
        if (p.State == PLP_IDLE || p.State == PLP_RECOVER || (p.State == PLP_ATTACK && k != p.AttackIdx)) {
            t->frame = 0;
        } else if (p.State == PLP_ARMED) {
            if (attackRunning || !p.Faced) {
                t->frame = 0;
            } else {
                p.State = PLP_ATTACK;
                p.AttackIdx = k;
                t->clic_type = kAttackClick;
            }
        }
    }
}

Step Entry(ST_poulpe& p, bool attackRunning) {
    if (p.State == PLP_BLINK && poulpe_big == 1) {
        --p.BlinkBig;
        Show(p.Tentacle[p.AttackIdx], p.BlinkBig % 2 == 0);
        if (p.BlinkBig == 0) p.State = PLP_RECOVER;
    } else if (p.State == PLP_BLINK) {
        --p.BlinkSmall;
        ShowOctopus(p, p.BlinkSmall % 2 == 0);
        if (p.BlinkSmall == 0) p.State = PLP_RECOVER;
    }
    Flee(p);
    if (p.AttackTimer != 0 && p.State == PLP_IDLE && p.Faced && p.NbTentacles >= 1 && --p.AttackTimer == 0) {
        p.State = PLP_ARMED;
        p.AttackTimer = uint32_t(10 + poulpe_random(50));
    }
    if (Shot(p) == Step::End || Strike(p) == Step::End) return Step::End;
    if (p.State == PLP_ATTACK || p.State == PLP_RECOVER) {
        ST_spw_visible* t = p.Tentacle[p.AttackIdx];
        if (t && t->frame < kLoopFrame) {
            p.State = PLP_IDLE;
            t->clic_type = 0;
        }
    }
    LoopPoint(p, attackRunning);
    return Step::Go;
}
}  // namespace

float poulpe_angle_normalise(float a) {
    if (!std::isfinite(a)) return 0.0f;
    if (std::fabs(a) > 1e6f) a = std::fmod(a, 360.0f);
    while (a > 180.0f) a -= 360.0f;
    while (a < -180.0f) a += 360.0f;
    return a;
}

int32_t poulpe_random(int32_t n) { return int32_t(int64_t(orv_rand()) * (int64_t(n) + 1) / ORV_RAND_MAX); }

bool poulpe_angle_in_sector(float angle, float hi, float lo) {
    angle = poulpe_angle_normalise(angle);
    hi = poulpe_angle_normalise(hi);
    lo = poulpe_angle_normalise(lo);
    if (angle > 0 && lo > 0 && hi < 0) hi += 360.0f;
    else if (angle < 0 && hi < 0 && lo > 0) lo -= 360.0f;
    return lo < angle && angle < hi;
}

int32_t poulpe_sector_of_yaw(float yaw) {
    if (poulpe_angle_in_sector(yaw, 40, -40)) return 4;
    if (poulpe_angle_in_sector(yaw, 130, 50)) return 2;
    if (poulpe_angle_in_sector(yaw, 220, 140)) return 3;
    if (poulpe_angle_in_sector(yaw, -50, -130)) return 1;
    return 0;
}

void load_poulpes() {
    std::memset(poulpe_enabled, 0, sizeof poulpe_enabled);
    if (poulpe_big == 1) poulpe_enabled[0] = 1;
    poulpe_count = 0;
    int entry = 0;
    ST_wam_world* world = OrvWam_GetWorld();
    if (!world) return;
    const size_t bodyLen = std::strlen(poulpe_body_name);
    for (ST_wam_perso* perso = world->persos; perso; perso = perso->next) {
        const int32_t number = NameNumber(perso->name);
        if (number == 0 || !poulpe_enabled[number - 1] || strncasecmp(perso->name, poulpe_prefix, 4) != 0) continue;
        if (strncasecmp(perso->name, poulpe_body_name, bodyLen) == 0) {
            LoadBody(perso);
            continue;
        }
        if (entry == MAX_PLP) {
            OrvError_Fatal("load_poulpes(): tbl_poulpe[MAX_PLP].IsLoaded ");
            return;
        }
        ST_poulpe& p = tbl_poulpe[entry];
        if (!LoadOctopus(p, perso)) {
            p = ST_poulpe{};
            continue;
        }
        p.HitsToFlee = 5;
        p.AttackTimer = uint32_t(10 + poulpe_random(50));
        p.Number = number;
        entry++;
        poulpe_count++;
    }
    poulpe_bind_bodies();
}

void poulpe_bind_bodies() {
    for (ST_poulpe& p : tbl_poulpe) {
        if (!p.IsLoaded) break;
        char body[32];
        std::snprintf(body, sizeof body, "%s%d", poulpe_body_name, p.Number);
        const int32_t id = pz_perso_id(body);
        p.Body1 = pz_slot(OrvSpw_find_index_anum(id, WAM_PERSO, 1));
        p.Body2 = poulpe_big == 1 ? nullptr : pz_slot(OrvSpw_FindSlotAnum(id, WAM_PERSO, 2));
        if (p.Body2) p.Body2->shown = 0;
    }
}

void pz_poulpe_entree() {
    pz_actif = PZ_POULPE;
    if (!viseur_bank) OrvSpr_LoadBank("viseur.spr", &viseur_bank, 0);
    OrvWarp_ZoomStop();
    pz_poulpe_forget();
    poulpe_big = pz_vue_id() == kBigVue ? 1 : 0;
    poulpe_prefix = poulpe_big ? "GDP_" : "PTP_";
    poulpe_body_name = poulpe_big ? "GDP_CORPS_V" : "PTP_CORPS_V";
    // The crosshair of the first frame follows the bag, not what it held at the last visit.
    poulpe_crystal = Inventaire_IsObjetInSac(kCrystal) ? 1 : 0;
    load_poulpes();
}

void pz_poulpe_continue() {
    // The world code is tested too: a view of the same id elsewhere holds other sprites.
    if (!pz_vue_in("QU", 1, 19)) {
        pz_poulpe_quit();
        return;
    }
    float yawRad = 0.0f;
    OrvWarp_GetViewAngles(&yawRad, nullptr);
    const float yaw = yawRad * 180.0f / 3.1415927f;
    bool attackRunning = false;
    for (const ST_poulpe& p : tbl_poulpe) {
        if (!p.IsLoaded) break;
        if (p.State == PLP_ATTACK) attackRunning = true;
    }
    const int32_t sector = poulpe_sector_of_yaw(yaw);
    if (!attackRunning && sector != 0)
        for (ST_poulpe& p : tbl_poulpe) {
            if (!p.IsLoaded) break;
            p.Faced = p.Number == sector ? 1 : 0;
        }
    for (ST_poulpe& p : tbl_poulpe) {
        if (!p.IsLoaded) break;
        if (Entry(p, attackRunning) == Step::End) return;
    }
    OrvWarp_ZoomStep();
    if (Inventaire_IsObjetInSac(kCrystal)) {
        Inventaire_SetMondeObjet_id(pz_objet_id(kCrystal), 123);
        poulpe_crystal = 1;
    } else {
        poulpe_crystal = 0;
    }
}

void pz_poulpe_quit() {
    if (pz_actif != PZ_POULPE) return;
    pz_actif = PZ_NONE;
    if (viseur_bank) OrvSpr_LibereBank(&viseur_bank);
    OrvWarp_ZoomStop();
}

bool pz_poulpe_owns_zoom() { return pz_actif == PZ_POULPE; }

void pz_poulpe_forget() { std::memset(tbl_poulpe, 0, sizeof tbl_poulpe); }

bool pz_poulpe_aff_viseur() {
    if (pz_actif != PZ_POULPE) return false;
    if (Inventaire_Shown) return true;
    if (OrvSpw_PointerOver == 1) {
        Interface_SetCurseurZone(0, 1);
        OrvSpr_Aff_curseur_centre();
        return true;
    }
    int32_t cx, cy;
    OrvWarp_GetScreenCentre(&cx, &cy);
    if (OrvSpw_PointerOver != 0 && poulpe_crystal == 1) {
        OrvSpr_Aff(viseur_bank, poulpe_big == 1 ? 2 : 1, cx, cy, 0);
        return true;
    }
    if (OrvWarp_ZoneSouris && OrvWarp_ZoneSouris->type == WAM_ZONE_NEXTVUE) {
        OrvSpr_SetObjetEnMainSprite(0, nullptr);
        Interface_SetCurseurZone(WAM_ZONE_NEXTVUE, 0);
        OrvSpr_Aff_curseur_centre();
        return true;
    }
    OrvSpr_Aff(viseur_bank, poulpe_crystal, cx, cy, 0);
    return true;
}
