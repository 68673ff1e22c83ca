// Ambient noises of the current view: slots, random starts, level and pan from the listener, transitions.
#include <cmath>
#include <cstring>
#include <strings.h>

#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_Log.h"
#include "app/Random.h"
#include "audio/Orv_Sound.h"

namespace {

// Worlds whose views have listener positions; a world not named here has no ambient noises.
const char* const kWorldNames[] = {"bigile1.wam", "yucatan.wam", "Xibalba.wam",  "Riviere.wam", "Miniature.wam",
                                   "Chine.wam",   "Pyratez.wam", "SalleRoi.wam", "Rhea.wam",    "Quillmar.wam"};

struct ListenerRecord {
    int32_t world;
    uint32_t view;
    float x, y, z;
};

// Where the player stands in each view that has one; other views listen from 0, 0, 0.
const ListenerRecord kListeners[] = {
    {0, 1, 1093.7f, 593.859f, 324.556f}, {0, 2, 1250.0f, 600.0f, 300.0f}, {0, 3, 1400.0f, 450.0f, 280.0f},
    {0, 4, 900.0f, 700.0f, 310.0f},      {9, 1, 0.0f, 0.0f, 150.0f},      {9, 2, 400.0f, 0.0f, 150.0f},
};

struct Slot {
    int ids[4] = {-1, -1, -1, -1};
    ST_wam_bruitage* ref = nullptr;
    int choice = -1;
    int32_t nextStart = 0;
};

// The noise slots; slot k plays on voice k + 3.
Slot tbl_bruits_du_warp[MAX_BRUIT_PAR_WARP];
float g_listener[3];
float g_previous[3];
float g_increment[3];
float g_transitionFrames = 0.0f;
float g_transitionStep = 0.0f;
OrvSoundWorldLink g_link;

ST_wam_vue* currentView() { return g_link.currentView ? g_link.currentView() : nullptr; }

int worldIndex() {
    const char* name = g_link.worldName ? g_link.worldName() : nullptr;
    if (!name) return -1;
    for (const char* p = name; *p; ++p)
        if (*p == '/' || *p == '\\') name = p + 1;
    for (int i = 0; i < int(sizeof kWorldNames / sizeof kWorldNames[0]); ++i)
        if (strcasecmp(name, kWorldNames[i]) == 0) return i;
    return -1;
}

ST_wam_son* findSound(uint32_t id) {
    for (ST_wam_son* s = g_link.sounds ? g_link.sounds() : nullptr; s; s = s->next)
        if (s->id == id) return s;
    return nullptr;
}

void releaseSlot(int k, bool afterVideo) {
    Slot& s = tbl_bruits_du_warp[k];
    for (int i = 0; i < 4; ++i) {
        if (s.ids[i] == -1) continue;
        if (afterVideo)
            debug_log("**Bruitage OrvSound_InitBruitagesApresFli() : free: No %d", k);
        else
            debug_log("**Bruitage free: No %d, wav %d", k, i);
        OrvSound_free(s.ids[i], VOICE_BRUITAGE + k);
        s.ids[i] = -1;
    }
    s = Slot{};
}

// Level and pan of every playing noise from the listener; in a transition (fadeOthers) noises the new
// view lacks fade out over the last two thirds of it.
void updateSlots(const float listener[3], bool fadeOthers) {
    float yaw = 0.0f, pitch = 0.0f;
    if (g_link.getViewAngles) g_link.getViewAngles(&yaw, &pitch);
    for (int k = 0; k < MAX_BRUIT_PAR_WARP; ++k) {
        Slot& s = tbl_bruits_du_warp[k];
        const int voice = VOICE_BRUITAGE + k;
        if (!OrvSound_get_voice_state(voice)) {
            if (s.choice != -1) {
                OrvSound_stop_voice(voice);
                s.choice = -1;
            }
        } else if (s.ref && s.ref->son) {
            ST_wam_son_pos& pos = s.ref->son->pos;
            if (g_link.soundDirection)
                g_link.soundDirection(&pos, listener[0], listener[1], listener[2], s.ref->direction[0], s.ref->direction[1],
                                      s.ref->direction[2], yaw + float(M_PI), pitch);
            float left = float(pos.leftLevel), right = float(pos.rightLevel);
            if (fadeOthers && !OrvSound_BruitageInView(s.ref)) {
                float f = g_transitionFrames > 0.0f
                              ? (g_transitionFrames - g_transitionStep) / (0.66f * g_transitionFrames)
                              : 0.0f;
                if (f < 0.0f) f = 0.0f;
                if (f < 1.0f) {
                    left *= f;
                    right *= f;
                }
            }
            int attenuation = 0, pan = 0;
            OrvSound_LevelsToVolumePan(left, right, &attenuation, &pan);
            const SoundHandle h = OrvSound_GetVoiceHandle(voice);
            SysSnd_SetSoundPan(h, pan);
            SysSnd_SetSoundVolume(h, attenuation);
        }
        tst_start_new_bruitage(k);
    }
}

}  // namespace

void OrvSound_SetWorldLink(const OrvSoundWorldLink& link) { g_link = link; }

void OrvSound_ResetBruitages() {
    for (Slot& s : tbl_bruits_du_warp) s = Slot{};
    for (int i = 0; i < 3; ++i) g_listener[i] = g_previous[i] = g_increment[i] = 0.0f;
    g_transitionFrames = g_transitionStep = 0.0f;
}

void OrvSound_InitBruitagesWarp() {
    ST_wam_vue* view = currentView();
    if (!view) {
        OrvError_Warning("OrvSound_InitBruitagesWarp(): current_vue=NULL!!!");
        return;
    }
    for (int i = 0; i < 3; ++i) {
        g_previous[i] = g_listener[i];
        g_listener[i] = 0.0f;
    }
    const int world = worldIndex();
    if (world < 0) return;
    for (const ListenerRecord& r : kListeners) {
        if (r.world == world && r.view == view->id) {
            g_listener[0] = r.x;
            g_listener[1] = r.y;
            g_listener[2] = r.z;
            break;
        }
    }
    for (ST_wam_bruitage* ref = view->bruitages; ref; ref = ref->next) {
        ST_wam_son* son = findSound(ref->son_id);
        ref->son = son;
        if (!son) continue;
        int k = 0;
        while (k < MAX_BRUIT_PAR_WARP && !(tbl_bruits_du_warp[k].ref && tbl_bruits_du_warp[k].ref->son == son)) ++k;
        if (k < MAX_BRUIT_PAR_WARP) {
            // Still playing from the last view; from now on it is heard with this view's factors.
            tbl_bruits_du_warp[k].ref = ref;
            continue;
        }
        k = 0;
        while (k < MAX_BRUIT_PAR_WARP && tbl_bruits_du_warp[k].ref) ++k;
        if (k == MAX_BRUIT_PAR_WARP) {
            OrvError_Warning("OrvSound_InitBruitagesWarp(vue %d) : tbl_bruits_du_warp OVERFLOW", int(view->id));
            return;
        }
        Slot& s = tbl_bruits_du_warp[k];
        for (int i = 0; i < 4; ++i) {
            char name[17];
            std::memcpy(name, son->recording[i], 16);
            name[16] = '\0';
            if (!name[0]) break;
            debug_log("**Bruitage %.*s :Load: %s No %d wav No %d", int(strnlen(son->name, sizeof son->name)), son->name,
                      name, k, i);
            s.ids[i] = OrvSound_load(name, &son->pos);
            if (s.ids[i] != -1) OrvSound_SetLoop(s.ids[i], 0);
        }
        s.ref = ref;
        s.nextStart = 0;
    }
}

void tst_start_new_bruitage(int k) {
    if (k < 0 || k >= MAX_BRUIT_PAR_WARP) return;
    Slot& s = tbl_bruits_du_warp[k];
    if (!s.ref || !s.ref->son) return;
    const int voice = VOICE_BRUITAGE + k;
    if (OrvSound_get_voice_state(voice)) return;
    ST_wam_son& son = *s.ref->son;
    if (s.nextStart == 0) {
        // 0..99, so that percentages adding up to 100 always choose a recording.
        const int threshold = orv_rand() * 100 / (ORV_RAND_MAX + 1);
        int total = 0, choice = -1;
        for (int i = 0; i < 4; ++i) {
            total += son.percent[i];
            if (total > threshold) {
                choice = i;
                break;
            }
        }
        if (choice >= 0 && s.ids[choice] != -1) {
            s.choice = choice;
            if (son.percent[0] == 100) {
                OrvSound_SetLoop(s.ids[choice], 1);
                if (choice != 0) OrvError_Warning("tst_start_new_bruitage() :100%% != wav 0!!");
            }
            son.pos.leftLevel = son.pos.rightLevel = 0;
            OrvSound_play(s.ids[choice], voice);
        } else {
            const int sum = son.percent[0] + son.percent[1] + son.percent[2] + son.percent[3];
            const int32_t delay = orv_rand() * (100 - sum) / ORV_RAND_MAX + 15;
            s.nextStart = static_cast<int32_t>(static_cast<uint32_t>(FrameCount) + static_cast<uint32_t>(delay));
        }
    } else if (FrameCount >= s.nextStart) {
        s.nextStart = 0;
    }
}

void OrvSound_GereBruitagesWarp() { updateSlots(g_listener, false); }

void OrvSound_SetBruitagesTransition(int frames) {
    g_transitionStep = 0.0f;
    g_transitionFrames = float(frames);
    for (int i = 0; i < 3; ++i) g_increment[i] = frames > 0 ? (g_listener[i] - g_previous[i]) / float(frames) : 0.0f;
}

void OrvSound_GereBruitagesFli() {
    if (!currentView()) return;
    updateSlots(g_previous, true);
    for (int i = 0; i < 3; ++i) g_previous[i] += g_increment[i];
    g_transitionStep += 1.0f;
}

void OrvSound_InitBruitagesApresFli() {
    if (!currentView()) {
        // Before the first view (the intros) no slot holds a noise, and there is nothing to settle.
        for (const Slot& s : tbl_bruits_du_warp)
            if (s.ref) {
                OrvError_Warning("OrvSound_InitBruitagesApresFli(): current_vue=NULL!!!");
                return;
            }
        debug_log("OrvSound_InitBruitagesApresFli() : aucune vue, aucun bruitage");
        return;
    }
    for (int k = 0; k < MAX_BRUIT_PAR_WARP; ++k)
        if (tbl_bruits_du_warp[k].ref && !OrvSound_BruitageInView(tbl_bruits_du_warp[k].ref)) releaseSlot(k, true);
}

void OrvSound_FreeBruitages() {
    for (int k = 0; k < MAX_BRUIT_PAR_WARP; ++k) releaseSlot(k, false);
    OrvSound_DropPositions();
}

bool OrvSound_BruitageInView(const ST_wam_bruitage* ref) {
    ST_wam_vue* view = currentView();
    if (!view || !ref || !ref->son) return false;
    for (const ST_wam_bruitage* r = view->bruitages; r; r = r->next)
        if (r->son == ref->son) return true;
    return false;
}

BruitageSlotInfo OrvSound_GetBruitageSlot(int k) {
    BruitageSlotInfo info{{-1, -1, -1, -1}, nullptr, -1, 0};
    if (k < 0 || k >= MAX_BRUIT_PAR_WARP) return info;
    const Slot& s = tbl_bruits_du_warp[k];
    std::memcpy(info.ids, s.ids, sizeof info.ids);
    info.ref = s.ref;
    info.choice = s.choice;
    info.nextStart = s.nextStart;
    return info;
}

void OrvSound_GetListener(float current[3], float previous[3]) {
    for (int i = 0; i < 3; ++i) {
        current[i] = g_listener[i];
        previous[i] = g_previous[i];
    }
}
