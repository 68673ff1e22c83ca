// The souls maze of LA 1 to 60: souls seen from the player's cell come and go.
#include "puzzles/pz_ames.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Random.h"
#include "panorama/Orv_Spw.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_dispatch.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/wam.h"

namespace {
constexpr int kLines = 13;
constexpr int kColumns = 11;
// Drawing 1 serves views 31 to 60, drawing 2 views 1 to 30.
const char* const kDrawing1[kLines] = {
    "a----------", "b. . .|. .|", "c   +-+   |", "d.|.|. .|.|", "e-+   +-+ |", "f. . .|. .|", "g  -+-+---|",
    "h. .|.|. .|", "i     +-+ |", "j.|. . .|.|", "k +-+  -+ |", "l. .|. . .|", "m----------",
};
const char* const kDrawing2[kLines] = {
    "a----------", "b. .|. . .|", "c   +-+   |", "d.|. .|.|.|", "e +-+   +-|", "f. .|. . .|", "g---+-+-  |",
    "h. .|.|. .|", "i +-+     |", "j.|. . .|.|", "k +-+  -+ |", "l. . .|. .|", "m----------",
};

constexpr int kSouls = 4;
const char* const kSoulNames[kSouls] = {"AME1", "AME2", "AME3", "AME4"};

PzAmesCase g_case = {2, 11, 9};
int32_t g_candidates = 0;
int32_t g_souls = 0;

char At(int dx, int dy) {
    const int line = g_case.line + dy, column = g_case.column + dx;
    if (line < 0 || line >= kLines || column < 0 || column >= kColumns) return '#';
    return (g_case.drawing == 1 ? kDrawing1 : kDrawing2)[line][column];
}

bool O(int dx, int dy) { return pz_ames_ouvert(dx, dy); }
bool W(int dx, int dy) { return pz_ames_mur(dx, dy); }

struct Rule {
    bool (*holds)();
    const char* prefix;
    uint32_t numero;
    uint32_t vue;
};
bool Ahead1() { return O(0, -1) && O(1, -2) && (W(1, 0) || W(2, -1)); }
bool Ahead2() { return O(-1, 0) && O(-2, -1) && (W(0, -1) || W(-1, -2)); }
bool Ahead3() { return O(0, 1) && O(-1, 2) && (W(-1, 0) || W(-2, 1)); }
bool Ahead4() { return O(1, 0) && O(2, 1) && (W(0, 1) || W(1, 2)); }
bool Aside1() { return (W(-2, -1) || W(-1, 0)) && O(0, -1) && O(-1, -2); }
bool Aside2() { return (W(-1, 2) || W(0, 1)) && O(-1, 0) && O(-2, 1); }
bool Aside3() { return (W(2, 1) || W(1, 0)) && O(0, 1) && O(1, 2); }
bool Aside4() { return (W(1, -2) || W(0, -1)) && O(1, 0) && O(2, -1); }
bool Near1() { return W(-1, 0) && O(-1, -2) && O(-1, 2) && O(0, -1) && O(0, 1); }
bool Near2() { return W(0, -1) && O(-2, -1) && O(2, -1) && O(-1, 0) && O(1, 0); }
bool Near3() { return W(1, 0) && O(1, -2) && O(1, 2) && O(0, -1) && O(0, 1); }
bool Near4() { return W(0, 1) && O(-2, 1) && O(2, 1) && O(-1, 0) && O(1, 0); }

// In the order they are tried.
const Rule kRules[] = {
    {Ahead1, "1c", 3, 510}, {Ahead2, "1b", 3, 510}, {Ahead3, "1a", 3, 510}, {Ahead4, "1d", 3, 510},
    {Ahead1, "1c", 2, 510}, {Ahead2, "1b", 2, 510}, {Ahead3, "1a", 2, 510}, {Ahead4, "1d", 2, 510},
    {Aside1, "1c", 1, 509}, {Aside2, "1b", 1, 509}, {Aside3, "1a", 1, 509}, {Aside4, "1d", 1, 509},
    {Aside1, "1c", 2, 509}, {Aside2, "1b", 2, 509}, {Aside3, "1a", 2, 509}, {Aside4, "1d", 2, 509},
    {Near1, "1a", 1, 510},  {Near2, "1b", 1, 510},  {Near3, "1c", 1, 510},  {Near4, "1d", 1, 510},
};

// From views 1 to 30 the maze is seen from the other end: each side becomes the opposite one.
const char* SidePrefix(const char* prefix) {
    if (pz_vue_id() > 30) return prefix;
    static const char* const kSwap[][2] = {{"1a", "1c"}, {"1b", "1d"}, {"1c", "1a"}, {"1d", "1b"}};
    for (const auto& s : kSwap)
        if (std::strcmp(prefix, s[0]) == 0) return s[1];
    return prefix;
}

bool pz_ames_anim_ok(const ST_wam_perso* perso, const ST_wam_animation* anim, const Rule& r) {
    const size_t len = strnlen(perso->prefix, 4);
    const char* prefix = SidePrefix(r.prefix);
    return len == std::strlen(prefix) && strncasecmp(perso->prefix, prefix, len) == 0 &&
           std::toupper(static_cast<unsigned char>(anim->lettre)) == 'A' && anim->numero == r.numero &&
           anim->vue_id == r.vue;
}

bool IsSoulSlot(const ST_spw_visible& s) {
    if (s.type % 2 != WAM_PERSO % 2) return false;
    for (const char* name : kSoulNames)
        if (s.elem_id == DefName_FindId(DEFNAME_PERSONNAGES, name)) return true;
    return false;
}

// A soul's countdown is kept in its slot's first-frame field.
int32_t& Countdown(ST_spw_visible& s) { return s.first_frame; }

int32_t SlotShowing(const ST_wam_animation* anim) {
    for (int i = 0; i < OrvSpw_NbVisibles; i++)
        if (OrvSpw_Visibles[i].anim == anim) return i;
    return -1;
}

struct Candidate {
    ST_wam_perso* perso;
    ST_wam_animation* anim;
    bool kept;
};

int32_t DropCount(size_t n) { return n < 3 ? 0 : n <= 4 ? 1 : n <= 7 ? 2 : 3; }

void Thin(std::vector<Candidate>& candidates) {
    const int32_t n = int32_t(candidates.size());
    int32_t drop = DropCount(candidates.size()), failures = 0;
    while (drop > 0 && failures < 100) {
        const int32_t r = pz_ames_rand(n);
        // A draw of n (only from the generator's largest value) names no candidate.
        if (r >= n || !candidates[size_t(r)].kept) {
            failures++;
            continue;
        }
        candidates[size_t(r)].kept = false;
        drop--;
    }
}
}  // namespace

PzAmesCase pz_ames_case_vue(uint32_t v) {
    PzAmesCase c{};
    if (v >= 1 && v <= 30) {
        c.drawing = 2;
        c.line = 11 - 2 * int((v - 1) / 5);
    } else {
        c.drawing = 1;
        c.line = 2 * int((v - 31) / 5) + 1;
    }
    const int k = int((v - 1) % 5);
    c.column = (c.line & 3) == 3 ? 1 + 2 * k : 1 + 2 * (4 - k);
    return c;
}

bool pz_ames_ouvert(int dx, int dy) { return At(dx, dy) == ' '; }
bool pz_ames_mur(int dx, int dy) { return !pz_ames_ouvert(dx, dy); }
void pz_ames_set_case(const PzAmesCase& cell) { g_case = cell; }

bool pz_ames_voit(const ST_wam_perso* perso, const ST_wam_animation* anim) {
    for (const Rule& r : kRules)
        if (r.holds() && pz_ames_anim_ok(perso, anim, r)) return true;
    return false;
}

int32_t pz_ames_rand(int32_t n) { return int32_t(int64_t(orv_rand()) * n / ORV_RAND_MAX); }

int32_t pz_ames_nb_souls() { return g_souls; }

void pz_ames_arme(int32_t slot) {
    ST_spw_visible* s = pz_slot(slot);
    if (!s) return;
    const int32_t base = std::max(0, (150 - s->last_frame) * 5);
    int32_t countdown = 10 + pz_ames_rand(base + 45);
    auto clashes = [&] {
        for (int i = 0; i < OrvSpw_NbVisibles; i++) {
            ST_spw_visible& other = OrvSpw_Visibles[i];
            if (i == slot || !IsSoulSlot(other) || Countdown(other) == 0) continue;
            if (std::abs(Countdown(other) - countdown) < 45) return true;
        }
        return false;
    };
    for (int tries = 0; tries < 10 && clashes(); tries++) countdown = 10 + pz_ames_rand(base + 105);
    Countdown(*s) = countdown;
}

void pz_ames_entree_warp() {
    pz_actif = PZ_AMES;
    g_case = pz_ames_case_vue(pz_vue_id());
    g_candidates = g_souls = 0;
    ST_wam_world* world = OrvWam_GetWorld();
    if (!world) return;

    std::vector<Candidate> candidates;
    for (ST_wam_perso* p = world->persos; p; p = p->next)
        for (ST_wam_animation* a = p->animations; a; a = a->next) {
            if (!pz_ames_voit(p, a)) continue;
            candidates.push_back({p, a, true});
            if (candidates.size() >= size_t(MAX_SPW_VISIBLES)) {
                OrvError_Fatal("pz_ames_entree_warp spw overflow");
                return;
            }
        }
    g_candidates = int32_t(candidates.size());
    Thin(candidates);

    for (const Candidate& c : candidates) {
        if (!c.kept) continue;
        int32_t slot = SlotShowing(c.anim);
        if (slot >= 0) {
            OrvError_Warning("pz_ames_entree_warp() ! spw_deja_loaded");
        } else {
            char name[32];
            char path[ORV_PATH_MAX];
            wam_build_spw_name(name, c.perso, c.anim);
            build_path_spw(path, name);
            if (!OrvSpw_load(path, c.perso, c.anim)) continue;
            slot = OrvSpw_NbVisibles - 1;
        }
        ST_spw_visible& s = OrvSpw_Visibles[slot];
        s.shown = 0;
        s.playing = 0;
        pz_ames_arme(slot);
        g_souls++;
    }
}

void pz_ames_continue() {
    const uint32_t vue = pz_vue_id();
    if (vue < 1 || vue > 60) {
        pz_ames_quit();
        return;
    }
    for (int i = 0; i < OrvSpw_NbVisibles; i++) {
        ST_spw_visible& s = OrvSpw_Visibles[i];
        if (!IsSoulSlot(s)) continue;
        int32_t& countdown = Countdown(s);
        if (countdown > 0) {
            if (--countdown == 0) {
                s.shown = 1;
                s.frame = 0;
                s.playing = 1;
                pz_new_sound(220);
            }
        } else if (s.frame == s.last_frame - 1 || s.frame == -1) {
            // Past its last frame (-1) counts as having reached it.
            s.shown = 0;
            s.playing = 0;
            pz_ames_arme(i);
            pz_new_sound(221);
        } else if (s.playing && s.anim && std::toupper(static_cast<unsigned char>(s.anim->lettre)) == 'A' &&
                   s.anim->numero == 3) {
            s.clic_type = 0;
        }
    }
}

void pz_ames_quit() {
    if (pz_actif == PZ_AMES) pz_actif = PZ_NONE;
}
