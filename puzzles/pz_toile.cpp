// The spider's web: cell coordinates of "pz_araig\toile.vue", rings, connections, the spiders' path
// search and their moves, turns and walks.
#include "puzzles/pz_toile.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Orv_Mem.h"
#include "engine3d/Orv3D.h"
#include "puzzles/pz_araig.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_traj.h"
#include "world/wam.h"

float coord_warps[MAX_COORD_WARPS][3] = {};
int32_t araig_player_case = 0;
int32_t araig_player_ring = 0;
int32_t araig_player_angle = 0;
CTVector3 araig_player_pos;
CTVector3 araig_centre_pos;

namespace {
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kTurnRate = 0.07f;
constexpr float kWalkStep = 0.02f;
// Fifty steps of 0.02 add up to a little less than 1 in single precision.
constexpr float kWalkEnd = 1.0f - 0.001f;
constexpr float kStrikeAt = 0.3f;
// Best distances of the path search before any neighbour.
constexpr float kFar = 999999.0f;

const char kFrame[] = "frame";
const char kIdentity[] = "1 0 0 0 1 0 0 0 1";
constexpr size_t kFrameSkip = 6;
constexpr size_t kIdentitySkip = 18;

const char* Find(const char* from, const char* end, const char* what) {
    const size_t n = std::strlen(what);
    if (from >= end || size_t(end - from) < n) return nullptr;
    return static_cast<const char*>(memmem(from, size_t(end - from), what, n));
}

// The skips of the reader stop at the end of the text.
const char* Skip(const char* p, const char* end, size_t n) { return size_t(end - p) < n ? end : p + n; }

// The (x, -z, y) triple by which the path search measures a cell.
CTVector3 Triple(int32_t c) {
    const CTVector3 v = araig_case_coords(c);
    return {v.x, -v.z, v.y};
}

float Distance(const CTVector3& a, const CTVector3& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void SetDb(ST_araig_actor& a, Orv3DDataBase* db) {
    a.db = db;
    a.frame = 0;
}

// The stun counters of the feather and the sword, advanced once; true when the move is skipped.
bool AdvanceStuns() {
    bool skip = false;
    if (araig_plume_state == 2) {
        skip = true;
        araig_plume_state = 3;
    } else if (araig_plume_state > 2) {
        araig_plume_state++;
    }
    if (araig_epee_state >= 2) {
        if (araig_epee_state <= 5) skip = true;
        araig_epee_state++;
    }
    return skip;
}

void TurnToward(int32_t actor, int32_t from, int32_t to) {
    ST_araig_actor& a = araig_actors[actor];
    const CTVector3 f = araig_case_coords(from), t = araig_case_coords(to);
    const float dx = t.x - f.x, dy = t.y - f.y;
    a.target = dx == 0.0f && dy == 0.0f ? a.heading : std::atan2(dy, dx);
    const float d = araig_wrap_angle(a.target - a.heading);
    a.rate = d > 0.0f ? kTurnRate : d < 0.0f ? -kTurnRate : 0.0f;
}

// One step around the ring on the ids alone; ring 2 is broken between 230 and 231, where a spider
// changes ring instead.
int32_t AroundRing(int32_t c, bool down) {
    const bool outer = araig_player_ring == 1;
    if (down) {
        switch (c) {
        case 201: return 216;
        case 217: return 232;
        case 233: return 248;
        case 249: return 264;
        case 231: return outer ? 214 : 248;
        default: return c - 1;
        }
    }
    switch (c) {
    case 216: return 201;
    case 232: return 217;
    case 248: return 233;
    case 264: return 249;
    case 230: return outer ? 213 : 247;
    default: return c + 1;
    }
}
}  // namespace

float araig_wrap_angle(float d) {
    if (!std::isfinite(d)) return 0.0f;
    if (std::fabs(d) > 4.0f * kTwoPi) d = std::remainder(d, kTwoPi);
    while (d > kPi) d -= kTwoPi;
    while (d < -kPi) d += kTwoPi;
    return d;
}

CTVector3 araig_case_coords(int32_t id) {
    if (!araig_is_case(id)) return {};
    const float* c = coord_warps[id - ARAIG_FIRST_CASE];
    return {c[0], c[1], c[2]};
}

int32_t araig_read_toile(const char* text, size_t size, float coords[MAX_COORD_WARPS][3]) {
    const char* end = text + size;
    int32_t count = 0;
    for (const char* p = Find(text, end, kFrame); p; p = Find(p, end, kFrame)) {
        if (count >= MAX_COORD_WARPS) break;
        p = Skip(p, end, kFrameSkip);
        const float num = read_float_traj(&p, end);
        if (!(num >= 201.0f && num <= 265.0f)) {
            OrvError_Fatal("fill_coord_warps() err num_warp(%f)", double(num));
            return -1;
        }
        const char* rotation = Find(p, end, kIdentity);
        if (!rotation) {
            OrvError_Fatal("fill_coord_warps() err '[' Point %d ", count);
            return -1;
        }
        p = Skip(rotation, end, kIdentitySkip);
        for (int axis = 0; axis < 3; axis++) {
            if (p >= end) {
                OrvError_Fatal("fill_coord_warps() err decode 1 Point %d", count);
                return -1;
            }
            coords[count][axis] = read_float_traj(&p, end);
        }
        count++;
    }
    return count;
}

void fill_coord_warps() {
    char path[ORV_PATH_MAX];
    build_path_3d(path, "pz_araig\\toile.vue");
    const int32_t size = OrvFile_GetSizeByName(path);
    if (size <= 0) {
        OrvError_Fatal("Fichier introuvable:%s", path);
        return;
    }
    char* text = static_cast<char*>(mem_alloc(size_t(size) + 4, "fill_coord_warps : adr_coord"));
    if (!text) {
        OrvError_Fatal("Memory Full");
        return;
    }
    if (OrvFile_Load(path, text, size)) {
        text[size] = 0;
        const int32_t count = araig_read_toile(text, size_t(size), coord_warps);
        if (count >= 0) debug_log("fill_coord_warps() : %d cases", count);
    } else {
        OrvError_Fatal("Fichier introuvable:%s", path);
    }
    mem_free(text, "adr_coord");
}

int32_t find_connected_cases(int32_t id, int32_t out[ARAIG_MAX_CONNECTIONS]) {
    ST_wam_vue* vue = id > 0 ? wam_cherche_vue_id(OrvWam_CurrentLieu, uint32_t(id)) : nullptr;
    if (!vue) {
        OrvError_Fatal("pz_araig : find_connected_cases() : case %d non trouvée", id);
        return 0;
    }
    int32_t n = 0;
    for (const ST_wam_destination* d = vue->destinations; d && n < ARAIG_MAX_CONNECTIONS; d = d->next)
        out[n++] = int32_t(d->vue_id);
    return n;
}

int32_t araig_case_ring(int32_t c) {
    if (c < 217) return 1;
    if (c < 233) return 2;
    if (c < 249) return 3;
    if (c <= 264) return 4;
    return 5;
}

int32_t araig_case_angle(int32_t c, int32_t ring) {
    int32_t a;
    switch (ring) {
    case 1: a = c - 201; break;
    case 2: a = c - 218; break;
    case 3: a = c - 235; break;
    case 4: a = c - 252; break;
    default: return 0;
    }
    return a < 0 ? a + 16 : a;
}

void araig_aim_actor(int32_t actor) {
    const ST_araig_actor& a = araig_actors[actor];
    TurnToward(actor, a.from, a.to);
}

void araig_face_case(int32_t actor, int32_t c) { TurnToward(actor, araig_actors[actor].from, c); }

int32_t araig_next_case(int32_t actor, int32_t excluded) {
    if (AdvanceStuns()) return -1;
    const ST_araig_actor& act = araig_actors[actor];
    const int32_t c = act.from;

    // Exits that are not cells (the ways out) have no coordinates: the spiders never take them.
    int32_t cells[ARAIG_MAX_CONNECTIONS];
    const int32_t n = find_connected_cases(c, cells);
    int32_t nearPlayer = -1, nearCentre = -1, farCentre = -1;
    float bestPlayer = kFar, bestCentre = kFar, worstCentre = 0.0f;
    for (int32_t i = 0; i < n; i++) {
        if (!araig_is_case(cells[i])) continue;
        const CTVector3 t = Triple(cells[i]);
        const float toPlayer = Distance(t, araig_player_pos), toCentre = Distance(t, araig_centre_pos);
        if (toPlayer < bestPlayer) {
            bestPlayer = toPlayer;
            nearPlayer = cells[i];
        }
        if (toCentre < bestCentre) {
            bestCentre = toCentre;
            nearCentre = cells[i];
        }
        if (toCentre > worstCentre) {
            worstCentre = toCentre;
            farCentre = cells[i];
        }
    }

    const int32_t r = araig_case_ring(c), a = araig_case_angle(c, r);
    const int32_t pr = araig_player_ring, pa = araig_player_angle;
    const int32_t d = a - pa;
    const bool down = d <= -8 || (d >= 1 && d <= 8);
    const int32_t around = std::abs(d) > 8 ? 16 - std::abs(d) : std::abs(d);

    if (c == ARAIG_CENTRE) return nearPlayer;
    if (10 - pr - r <= std::abs(r - pr) + around) return nearCentre;
    if (r < pr) {
        const int32_t p = araig_player_case;
        if (nearCentre == 231 && p >= 225 && p <= 230) return 213;
        if (nearCentre == 230 && ((p >= 231 && p <= 232) || (p >= 217 && p <= 220))) return 214;
        return nearCentre;
    }
    if (a == pa) return nearPlayer;
    const int32_t next = AroundRing(c, down);
    if (next == excluded && r > pr) return farCentre;
    return next;
}

void araig_move_spiders() {
    if (!araig_running) return;
    const int32_t p = int32_t(pz_vue_id());
    if (!araig_is_case(p)) return;
    araig_player_case = p;
    araig_player_ring = araig_case_ring(p);
    araig_player_angle = araig_case_angle(p, araig_player_ring);
    araig_player_pos = Triple(p);
    araig_centre_pos = Triple(ARAIG_CENTRE);

    int32_t last = -1;
    for (int32_t i = 0; i < araig_nb_actors; i++) {
        ST_araig_actor& a = araig_actors[i];
        if (!araig_is_spider(a)) continue;
        if (AdvanceStuns()) continue;
        int32_t next = araig_next_case(i, -1);
        if (araig_plume_case != 0 && next == araig_plume_case) araig_plume_state = 1;
        if ((araig_stage == 2 || araig_stage == 4) && i == 0 && araig_second_state == 1) {
            const int32_t other = araig_next_case(araig_second_index, -1);
            if (next == other) next = araig_next_case(0, other);
        }
        if (next != -1 && next != last) {
            a.to = next;
            araig_aim_actor(i);
            last = next;
        }
        if (araig_is_case(next) && araig_case_ring(next) == 1 && araig_player_ring == 1 && araig_second_state == 0 &&
            (araig_stage == 2 || araig_stage == 4))
            araig_second_state = 2;
        if (next == p) araig_caught = 1;
        if (a.kind == ARAIG_BIG_SPIDER) {
            a.steps--;
            SetDb(a, &db_ARmar);
        } else if (a.to != a.from) {
            SetDb(a, &db_PARmar);
        }
    }

    if (araig_second_state == 2) {
        araig_second_state = 1;
        int32_t to = ARAIG_CENTRE;
        switch (p) {
        case 212: to = 263; break;
        case 213: to = 264; break;
        case 214: to = 249; break;
        case 215: to = 250; break;
        default: break;
        }
        araig_second_index = araig_add_actor(ARAIG_SMALL_SPIDER, &db_PARstby, ARAIG_CENTRE, to, 0.0f, kPi / 2.0f, 0.0f);
    }

    if (araig_caught == 1 && araig_second_state != 0) {
        bool kept = false;
        for (int32_t i = 0; i < araig_nb_actors; i++) {
            ST_araig_actor& a = araig_actors[i];
            if (a.kind != ARAIG_SMALL_SPIDER) continue;
            if (!kept && a.to == p) {
                kept = true;
                continue;
            }
            a.to = a.from;
            SetDb(a, &db_PARstby);
        }
    }
}

void araig_animate_actors() {
    const int32_t p = int32_t(pz_vue_id());
    for (int32_t i = 0; i < araig_nb_actors; i++) {
        ST_araig_actor& a = araig_actors[i];
        if (!araig_is_spider(a)) continue;

        // A database without animation has no frames: the counter wraps at once, so a strike still ends.
        a.frame++;
        if (!a.db || float(a.frame) >= a.db->frameCount) {
            a.frame = 0;
            if (araig_caught >= 2 && (a.db == &db_ARmen || a.db == &db_PARmar)) {
                araig_lost = 1;
                araig_caught = 0;
            }
        }

        if (a.rate == 0.0f && a.from != a.to) {
            if (araig_plume_state == 1 && a.to == p && p != araig_plume_case) {
                a.to = a.from;
                araig_plume_state = 2;
                SetDb(a, &db_ARstby);
                a.steps = 0;
                araig_caught = 0;
            } else {
                if (araig_caught < 2 && !araig_lost) a.progress += kWalkStep;
                if (araig_caught == 1 && a.progress >= kStrikeAt) {
                    araig_caught = 2;
                    if (a.kind == ARAIG_BIG_SPIDER) SetDb(a, &db_ARmen);
                }
                if (a.progress >= kWalkEnd) {
                    a.from = a.to;
                    a.progress = -1.0f;
                    if (!(a.kind == ARAIG_BIG_SPIDER && a.steps > 0)) araig_face_case(i, p);
                }
            }
        } else if (a.rate != 0.0f) {
            const float d0 = araig_wrap_angle(a.target - a.heading);
            a.heading = araig_wrap_angle(a.heading + a.rate);
            const float d1 = araig_wrap_angle(a.target - a.heading);
            if (d1 == 0.0f || (d0 > 0.0f && d1 < 0.0f) || (d0 < 0.0f && d1 > 0.0f)) {
                a.rate = 0.0f;
                a.heading = a.target;
                if (a.from == a.to) SetDb(a, a.kind == ARAIG_BIG_SPIDER ? &db_ARstby : &db_PARstby);
            }
        }
        araig_place_actors(i);
    }
    for (int32_t i = 0; i < araig_nb_actors; i++) {
        ST_araig_actor& a = araig_actors[i];
        if (a.progress != -1.0f) continue;
        a.progress = 0.0f;
        if (a.kind == ARAIG_BIG_SPIDER && a.steps > 0) araig_move_spiders();
    }
}
