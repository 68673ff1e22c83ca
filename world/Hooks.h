// Calls into the puzzles, the dialogue, the panorama and the main loop, filled by those modules.
#pragma once
#include <cstdint>

struct ST_wam_zclic;

// Each entry is null until its module installs it; the Call_* wrappers then do nothing and give
// the neutral answer (false, none), so the world model runs without those modules.
struct OrvWorldHooks {
    // Puzzle dispatcher.
    void (*pz_entree_vue)();
    bool (*pz_gere_clic)(ST_wam_zclic* zone);
    void (*pz_continue)();
    void (*pz_quit_all)();
    void (*pz_araig_init_after_load)(uint32_t* vue_id);
    bool (*pz_araig_gere_clic)();
    ST_wam_zclic* (*pz_araig_hit_center)();
    void (*pz_araig_draw3d)();
    bool (*pz_poulpe_aff_viseur)();
    // True while a puzzle steps the hit-shake itself (the warp pass then leaves it alone).
    bool (*pz_zoom_owned)();
    void (*pz_merle_gere_clic)();
    // The blackbirds of IR 73: true while their five-cell panel stands in for a character's subjects;
    // a click while it is shown (the puzzle hit-tests its cells); true while no zone pointer is drawn.
    bool (*pz_merle_oiseaux)();
    void (*pz_merle_clic_oiseaux)();
    bool (*pz_merle_choix)();
    void (*pz_merle_poete_gere_clic)();
    void (*pz_lucioles_autowin)();
    void (*pz_mandala_log_solution)();
    void (*BatonUp)();
    void (*BatonDown)();  // the inventory screen opens
    // Dialogue.
    void (*OrvDial_InitWorld)(const char* info, const char* com, const char* dial, int32_t world,
                              const char* subjectBank);
    void (*OrvDial_stop)();
    bool (*OrvDial_IsActive)();
    void (*OrvDial_ClearSubjects)(int32_t persoId);  // "CLEARSUJ"
    void (*DialBar_Continue)();
    void (*DialBar_Close)();
    // A click made a character of the scenery talk: its subject panel opens.
    void (*OrvDial_OpenSubjectPanel)(int32_t persoId);
    // Draws the fixed column of five subject cells (the blackbirds) and marks the panel open.
    void (*OrvDial_DrawSubjectPanel)();
    // The view's subject panel: a character's subject count, the panel of "CLICPERSO", the subject
    // clicked (-1 no click, -2 outside), the chapter's blocks after it; whether the choice strip is open.
    int32_t (*OrvDial_CountSubjects)(int32_t persoId);
    void (*OrvDial_DrawPersoSubjects)();
    int32_t (*OrvDial_HitPersoSubject)();
    void (*OrvDial_RunScenario)();
    bool (*DialBar_IsOpen)();
    // Panorama: the view-sprite slots of an element shown or hidden in the current view, the
    // re-entry of the current view after a load, and the picture behind the message screen.
    void (*OrvSpw_UpdateElem)(int32_t id, int32_t kind, bool shown);
    void (*OrvWarp_EnterView)();
    void (*OrvWarp_DrawBackground)();
    // Main loop: OrvMain_SetLoopType.
    int32_t (*SetLoopType)(int32_t type);
    // Choosing an object in the inventory; true when a module took the choice.
    bool (*Inventaire_Choose)(int32_t objectId);
};
extern OrvWorldHooks OrvHooks;

// Forgets every hook (tests).
void OrvHooks_Reset();

#define ORV_HOOK_VOID(name, params, args) \
    inline void Call_##name params {      \
        if (OrvHooks.name) OrvHooks.name args; \
    }
#define ORV_HOOK_RET(type, name, params, args, none) \
    inline type Call_##name params {                 \
        return OrvHooks.name ? OrvHooks.name args : none; \
    }
ORV_HOOK_VOID(pz_entree_vue, (), ())
ORV_HOOK_RET(bool, pz_gere_clic, (ST_wam_zclic * zone), (zone), false)
ORV_HOOK_VOID(pz_continue, (), ())
ORV_HOOK_VOID(pz_quit_all, (), ())
ORV_HOOK_VOID(pz_araig_init_after_load, (uint32_t * vue_id), (vue_id))
ORV_HOOK_RET(bool, pz_araig_gere_clic, (), (), false)
ORV_HOOK_RET(ST_wam_zclic*, pz_araig_hit_center, (), (), nullptr)
ORV_HOOK_VOID(pz_araig_draw3d, (), ())
ORV_HOOK_RET(bool, pz_poulpe_aff_viseur, (), (), false)
ORV_HOOK_RET(bool, pz_zoom_owned, (), (), false)
ORV_HOOK_VOID(pz_merle_gere_clic, (), ())
ORV_HOOK_RET(bool, pz_merle_oiseaux, (), (), false)
ORV_HOOK_VOID(pz_merle_clic_oiseaux, (), ())
ORV_HOOK_RET(bool, pz_merle_choix, (), (), false)
ORV_HOOK_VOID(pz_merle_poete_gere_clic, (), ())
ORV_HOOK_VOID(pz_lucioles_autowin, (), ())
ORV_HOOK_VOID(pz_mandala_log_solution, (), ())
ORV_HOOK_VOID(BatonUp, (), ())
ORV_HOOK_VOID(BatonDown, (), ())
ORV_HOOK_VOID(OrvDial_InitWorld, (const char* info, const char* com, const char* dial, int32_t world, const char* bank),
              (info, com, dial, world, bank))
ORV_HOOK_VOID(OrvDial_stop, (), ())
ORV_HOOK_RET(bool, OrvDial_IsActive, (), (), false)
ORV_HOOK_VOID(OrvDial_ClearSubjects, (int32_t persoId), (persoId))
ORV_HOOK_VOID(DialBar_Continue, (), ())
ORV_HOOK_VOID(DialBar_Close, (), ())
ORV_HOOK_VOID(OrvDial_OpenSubjectPanel, (int32_t persoId), (persoId))
ORV_HOOK_VOID(OrvDial_DrawSubjectPanel, (), ())
ORV_HOOK_RET(int32_t, OrvDial_CountSubjects, (int32_t persoId), (persoId), 0)
ORV_HOOK_VOID(OrvDial_DrawPersoSubjects, (), ())
ORV_HOOK_RET(int32_t, OrvDial_HitPersoSubject, (), (), -1)
ORV_HOOK_VOID(OrvDial_RunScenario, (), ())
ORV_HOOK_RET(bool, DialBar_IsOpen, (), (), false)
ORV_HOOK_VOID(OrvSpw_UpdateElem, (int32_t id, int32_t kind, bool shown), (id, kind, shown))
ORV_HOOK_VOID(OrvWarp_EnterView, (), ())
ORV_HOOK_VOID(OrvWarp_DrawBackground, (), ())
ORV_HOOK_RET(bool, Inventaire_Choose, (int32_t objectId), (objectId), false)
#undef ORV_HOOK_VOID
#undef ORV_HOOK_RET

// Sets the loop type through the main loop's setter; returns the previous type (-1 without one).
int32_t Call_SetLoopType(int32_t type);
