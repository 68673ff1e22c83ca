// The canoe puzzle's river: the points of "traj_pirog.txt", their chaining into one path, the pieces'
// turns and moves, the seven stones, and the canoe's run along the path.
#include "puzzles/pz_pirogue_traj.h"

#include <cmath>
#include <cstring>
#include <string>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Orv_Mem.h"
#include "audio/Orv_Muzik.h"
#include "engine3d/Matrix.h"
#include "puzzles/pz_pirogue.h"
#include "puzzles/pz_pirogue_scene.h"
#include "puzzles/pz_traj.h"
#include "world/Interp.h"

PointTrajet pirogue_trajet[MAX_COORD_TRAJET];
int32_t nb_points_trajet = 0;
bool pirogue_trajet_casse = false;

Pierre pirogue_pierres[PIROGUE_NB_PIERRES];
Orv3DDataBase DBpierre[PIROGUE_NB_PIERRES];

PirogueAnim pirogue_anims[PIROGUE_NB_ANIMS];
PirogueAnim* current_anim_perso = nullptr;

uint8_t pirogue_en_marche = 0;
uint8_t pirogue_finie = 0;
int32_t pirogue_reussie = 0;
int32_t index_trajet = 0;
uint8_t lettre_courante = 'A';
int32_t nb_pierres_prises = 0;
int32_t nb_pierres_ordre = 0;

namespace {
constexpr char kTrajFile[] = "pz_pirog\\traj_pirog.txt";
constexpr char kEndName[] = "W9A279";
constexpr char kFirstName[] = "X9E1";
constexpr char kMesh[] = "$Mesh:";
constexpr size_t kMeshLen = sizeof kMesh - 1;
// Nothing farther than this joins two stretches.
constexpr float kFarthest = 9999.0f;

char* g_text = nullptr;
PointTrajet g_scratch[MAX_COORD_TRAJET];

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsEnd(char letter) { return letter == 'E' || letter == 'S'; }

std::string Name(const PointTrajet& p) { return std::string(p.name, strnlen(p.name, sizeof p.name)); }

const char* Find(const char* from, const char* end, const char* what, size_t len) {
    if (!from || end - from < ptrdiff_t(len)) return nullptr;
    const void* hit = memmem(from, size_t(end - from), what, len);
    return static_cast<const char*>(hit);
}

float Distance(const PointTrajet& a, const PointTrajet& b) {
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

float Length(const CTVector3& v) { return std::sqrt(Vec3_Norm2(v)); }

// The digit that names a piece's points and stones.
char Digit(int32_t piece) { return char('1' + piece); }

// The river cannot be used: the fatal report ends the program; the start fails where it returns.
void Broken() { pirogue_trajet_casse = true; }

bool GapAt(int32_t index) { return index >= 0 && index < nb_points_trajet && pirogue_trajet[index].gap != 0; }

void DumpTable(const PointTrajet* table, int32_t count) {
    std::string between;
    for (int32_t i = 0; i < count; i++) {
        const PointTrajet& p = table[i];
        const std::string name = Name(p);
        if (!IsEnd(p.name[2])) {
            between += (between.empty() ? "" : " - ") + name;
            continue;
        }
        if (!between.empty()) debug_log("%s", between.c_str());
        between.clear();
        debug_log("%d : %s", i, name.c_str());
        if (p.name[2] == 'S') debug_log("%s", "");
    }
    if (!between.empty()) debug_log("%s", between.c_str());
}

// A stretch that cannot be joined: the points and the n records chained so far to the log, then the
// fatal report.
bool ChainBreaks(const PointTrajet& last, int32_t n, int32_t direction) {
    OrvError_Warning("----err-----");
    DumpTable(pirogue_trajet, nb_points_trajet);
    DumpTable(g_scratch, n);
    Broken();
    OrvError_Fatal("recalc_trajet(): p_trajet = NULL pour last_trajet=%s n=%d ", Name(last).c_str(), direction);
    return false;
}

// Walks the stretches from point 0, each joined to the nearest free stretch end, copying them in path
// order into the scratch table and marking them used. False for a broken chain.
bool Chain() {
    const int32_t count = nb_points_trajet;
    int32_t n = 0, direction = 1, p = 0;
    for (;;) {
        const char letter = pirogue_lettre(p);
        if (!IsEnd(letter)) {
            Broken();
            OrvError_Fatal("recalc_trajet() err Debut de sequence %s", Name(pirogue_trajet[p]).c_str());
            return false;
        }
        if (p == 0) {
            direction = 1;
        } else if (IsEnd(pirogue_lettre(p + 1)) || pirogue_lettre(p + 1) == 0) {
            direction = -1;
        } else if (IsEnd(pirogue_lettre(p - 1))) {
            direction = 1;
        } else {
            Broken();
            OrvError_Fatal("recalc_trajet() err Direction Debut de sequence %s case %c", Name(pirogue_trajet[p]).c_str(),
                           pirogue_trajet[p].name[1]);
            return false;
        }
        const char target = letter == 'E' ? 'S' : 'E';
        for (;;) {
            // A walk that leaves the table, copies more than was read or comes back onto a point already
            // used: the stretch has no far end of its own.
            if (p < 0 || p >= count || n >= count || pirogue_trajet[p].name[0] == '_')
                return ChainBreaks(n > 0 ? g_scratch[n - 1] : pirogue_trajet[0], n, direction);
            g_scratch[n] = pirogue_trajet[p];
            pirogue_trajet[p].name[0] = '_';
            const char copied = g_scratch[n].name[2];
            p += direction;
            n++;
            if (copied == target) break;
        }
        if (n == count) return true;
        const PointTrajet& last = g_scratch[n - 1];
        int32_t found = -1;
        float best = kFarthest;
        for (int32_t i = 0; i < count; i++) {
            const PointTrajet& q = pirogue_trajet[i];
            if (q.name[0] == '_' || !IsEnd(q.name[2])) continue;
            const float d = Distance(q, last);
            if (d < best) {
                best = d;
                found = i;
            }
        }
        if (found < 0) return ChainBreaks(last, n, direction);
        pirogue_trajet[found].gap = best >= PIROGUE_GAP ? 1 : 0;
        p = found;
    }
}
}  // namespace

char pirogue_lettre(int32_t index) {
    return index >= 0 && index < nb_points_trajet ? pirogue_trajet[index].name[2] : 0;
}

CTVector3 pirogue_point(int32_t index) {
    if (index < 0 || index >= nb_points_trajet) return {};
    const PointTrajet& p = pirogue_trajet[index];
    return {p.x, p.y, p.z};
}

bool pirogue_nom_est(const PointTrajet& p, const char* text) { return Name(p) == text; }

bool pirogue_lit_trajet(const char* text, size_t size) {
    std::memset(pirogue_trajet, 0, sizeof pirogue_trajet);
    nb_points_trajet = 0;
    const char* end = text + size;
    const char* p = Find(text, end, kMesh, kMeshLen);
    if (!p) {
        Broken();
        OrvError_Fatal("read_coord_traj() err thirst Mesh");
        return false;
    }
    while (p < end && nb_points_trajet < MAX_COORD_TRAJET) {
        p += kMeshLen;
        PointTrajet& point = pirogue_trajet[nb_points_trajet];
        for (size_t i = 0; i < sizeof point.name && p < end && !IsBlank(*p); i++) point.name[i] = *p++;
        const char* bracket = Find(p, end, "[", 1);
        if (!bracket) {
            Broken();
            OrvError_Fatal("read_coord_traj() err '[' Point %d :%s", nb_points_trajet, Name(point).c_str());
            return false;
        }
        p = bracket + 1;
        point.x = read_float_traj(&p, end);
        point.y = read_float_traj(&p, end);
        // The number reader moves on to the next number, which may lie in the next point's name: the
        // next point is looked for from z itself.
        const char* z = p;
        point.z = read_float_traj(&p, end);
        point.gap = 0;
        nb_points_trajet++;
        p = Find(z, end, kMesh, kMeshLen);
        if (!p) break;
    }
    if (nb_points_trajet == MAX_COORD_TRAJET) OrvError_Warning("read_coord_traj(): MAX_COORD_TRAJET overflow");
    return true;
}

bool read_coord_traj() {
    char path[ORV_PATH_MAX];
    build_path_3d(path, kTrajFile);
    const int32_t size = OrvFile_GetSizeByName(path);
    if (size <= 0) {
        Broken();
        OrvError_Fatal("Fichier introuvable:%s", path);
        return false;
    }
    pirogue_libere_trajet();
    g_text = static_cast<char*>(mem_alloc(size_t(size) + 4, "read_coord_traj"));
    if (!g_text) {
        Broken();
        OrvError_Fatal("Memory Full");
        return false;
    }
    if (!OrvFile_Load(path, g_text, size)) {
        Broken();
        OrvError_Fatal("Fichier introuvable:%s", path);
        return false;
    }
    g_text[size] = 0;
    return pirogue_lit_trajet(g_text, size_t(size));
}

void pirogue_libere_trajet() {
    if (g_text) mem_free(g_text, "adr_trajet");
    g_text = nullptr;
}

bool recalc_trajet() {
    const int32_t count = nb_points_trajet;
    if (count <= 0) return false;
    // A broken chain leaves the points as they were.
    static PointTrajet before[MAX_COORD_TRAJET];
    std::memcpy(before, pirogue_trajet, sizeof(PointTrajet) * size_t(count));
    std::memset(g_scratch, 0, sizeof g_scratch);
    for (int32_t i = 0; i < count; i++) pirogue_trajet[i].gap = 0;
    if (!Chain()) {
        std::memcpy(pirogue_trajet, before, sizeof(PointTrajet) * size_t(count));
        return false;
    }
    std::memcpy(pirogue_trajet, g_scratch, sizeof(PointTrajet) * size_t(count));
    if (!pirogue_nom_est(pirogue_trajet[0], kFirstName)) {
        Broken();
        OrvError_Fatal("recalc_trajet() : premier point déplacé!!");
        return false;
    }
    place_pierres();
    return true;
}

void dump_trajet() { DumpTable(pirogue_trajet, nb_points_trajet); }

void rotate_trajet_piece(int32_t cell, float angle) {
    if (cell < 0 || cell >= PIROGUE_NB_CASES) return;
    const char digit = Digit(pirogue_plateau[cell].piece);
    const CTVector3 c = pirogue_centres[cell];
    const CTMatrix3 m = CTMatrix3::FromAxisAngle({0.0f, 0.0f, 1.0f}, angle);
    for (int32_t i = 0; i < nb_points_trajet; i++) {
        PointTrajet& p = pirogue_trajet[i];
        if (p.name[1] != digit) continue;
        const CTVector3 r = m * CTVector3{c.x - p.x, c.y - p.y, c.z - p.z};
        p.x = c.x + r.x;
        p.y = c.y + r.y;
    }
    recalc_trajet();
}

void swap_trajet_pieces(int32_t a, int32_t b) {
    if (a == b || a < 0 || b < 0 || a >= PIROGUE_NB_CASES || b >= PIROGUE_NB_CASES) return;
    const char pa = Digit(pirogue_plateau[a].piece), pb = Digit(pirogue_plateau[b].piece);
    const float dx = float(pirogue_grille[b][0]) * pirogue_pas_x - float(pirogue_grille[a][0]) * pirogue_pas_x;
    const float dy = float(pirogue_grille[b][1]) * pirogue_pas_y - float(pirogue_grille[a][1]) * pirogue_pas_y;
    for (int32_t i = 0; i < nb_points_trajet; i++) {
        PointTrajet& p = pirogue_trajet[i];
        if (p.name[1] == pa) {
            p.x += dx;
            p.y += dy;
        } else if (p.name[1] == pb) {
            p.x -= dx;
            p.y -= dy;
        }
    }
    recalc_trajet();
}

int32_t find_mesh_name(const char* name) {
    for (int32_t i = 0; i < nb_points_trajet; i++)
        if (pirogue_nom_est(pirogue_trajet[i], name)) return i;
    Broken();
    OrvError_Fatal("find_mesh_name(): %s non trouvé", name);
    return -1;
}

int32_t find_pierre(const char* name) {
    for (int32_t i = 0; i < PIROGUE_NB_PIERRES; i++)
        if (std::string(pirogue_pierres[i].name, strnlen(pirogue_pierres[i].name, 8)) == name) return i;
    return -1;
}

int32_t pirogue_pierre_piece(int32_t stone) {
    if (stone < 0 || stone >= PIROGUE_NB_PIERRES) return -1;
    return pirogue_pierre_points[stone][1] - '1';
}

bool load_pierres() {
    for (int32_t i = 0; i < PIROGUE_NB_PIERRES; i++) {
        OrvMuzik_Step();
        char path[ORV_PATH_MAX];
        build_path_3d(path, (std::string("pz_pirog\\") + pirogue_pierre_files[i]).c_str());
        if (!Orv3D_LoadDatabase(path, DBpierre[i], false)) {
            pz_pirogue_quit();
            return false;
        }
        DBpierre[i].root.SetPosition(nullptr, {});
        if (!DBpierre[i].instances.empty()) DBpierre[i].instances.front()->frame.SetPosition(nullptr, {});
        std::memset(pirogue_pierres[i].name, 0, sizeof pirogue_pierres[i].name);
        std::strncpy(pirogue_pierres[i].name, pirogue_pierre_points[i], sizeof pirogue_pierres[i].name);
    }
    reset_pierres();
    return true;
}

void place_pierres() {
    for (int32_t i = 0; i < PIROGUE_NB_PIERRES; i++) {
        const int32_t at = find_mesh_name(std::string(pirogue_pierres[i].name, strnlen(pirogue_pierres[i].name, 8)).c_str());
        if (at >= 0) DBpierre[i].root.SetPosition(nullptr, pirogue_point(at));
    }
    reset_pierres();
}

void reset_pierres() {
    nb_pierres_ordre = 0;
    nb_pierres_prises = 0;
    pirogue_reussie = 0;
    for (Pierre& p : pirogue_pierres) p.shown = 1;
}

namespace {
PirogueAnim& C1() { return pirogue_anims[PIROGUE_C1]; }

void Launch(uint8_t running) {
    pirogue_en_marche = running;
    index_trajet = 0;
    current_anim_perso = &C1();
    C1().db.frame = 1.0f;
    reset_pierres();
    place_pirogue();
}
}  // namespace

void oriente_pirogue() {
    if (!current_anim_perso) return;
    Orv3DDataBase& db = current_anim_perso->db;
    pirogue_vise(db.root, db.root.GetPosition(nullptr), pirogue_point(index_trajet + 1));
}

void place_pirogue() {
    if (!current_anim_perso) return;
    current_anim_perso->db.root.SetPosition(nullptr, pirogue_point(index_trajet));
    oriente_pirogue();
}

void lance_pirogue() { Launch(1); }
void reset_pirogue() { Launch(0); }

void stop_pirogue() {
    pirogue_en_marche = 0;
    current_anim_perso = &C1();
    C1().db.frame = 1.0f;
}

void change_anim_pirogue(PirogueAnim* anim) {
    if (!anim || anim == current_anim_perso) return;
    anim->db.frame = 1.0f;
    current_anim_perso = anim;
    anim->delai = PIROGUE_DELAI;
}

void arrivee_point() {
    const int32_t k = index_trajet + 1;
    const char l = pirogue_lettre(k), l2 = pirogue_lettre(k + 1);
    if (!IsEnd(l) && l != char(lettre_courante)) {
        PirogueAnim* to = nullptr;
        const char cur = char(lettre_courante);
        if (cur == 'A') {
            if (l == 'B') to = &pirogue_anims[PIROGUE_G1];
            else if (l == 'C') to = &pirogue_anims[PIROGUE_A1];
            else if (l == 'D') to = &pirogue_anims[PIROGUE_H1];
            else if (l == 'G' && l2 == 'H') to = &pirogue_anims[PIROGUE_G1];
            else if (l == 'H' && l2 == 'G') to = &pirogue_anims[PIROGUE_A1];
        } else {
            const bool back = l == 'A' && (cur == 'B' || cur == 'C' || cur == 'D' || cur == 'G' || cur == 'H');
            if (back || (cur == 'G' && l == 'H') || (cur == 'H' && l == 'G')) to = &C1();
        }
        if (to && to != current_anim_perso) change_anim_pirogue(to);
        lettre_courante = uint8_t(l);
    }
    if (k < 0 || k >= nb_points_trajet) return;
    const PointTrajet& point = pirogue_trajet[k];
    const int32_t stone = find_pierre(Name(point).c_str());
    if (stone >= 0) {
        pirogue_pierres[stone].shown = 0;
        if (nb_pierres_prises < PIROGUE_NB_PIERRES && ordre_pierres[nb_pierres_prises] == stone) nb_pierres_ordre++;
        nb_pierres_prises++;
        int32_t sound = nb_pierres_prises + 106;
        if (sound > 109) sound -= 4;
        RunOneCommandf("(NewSound=%d)", sound);
        if (nb_pierres_ordre == PIROGUE_NB_PIERRES) pirogue_reussie = 1;
    }
    if (pirogue_nom_est(point, kEndName) && pirogue_reussie == 0) stop_pirogue();
}

void avance_pirogue() {
    PirogueAnim* anim = current_anim_perso;
    if (!anim || !anim->db.valid) return;
    if (anim->delai != 0) {
        anim->delai--;
        return;
    }
    Orv3D_next_frame(&anim->db);
    if (anim == &C1() && anim->db.frame == 0.0f) anim->db.frame = 6.0f;
    const CTVector3 t0 = pirogue_point(index_trajet);
    const CTVector3 p = anim->db.root.GetPosition(nullptr);
    for (;;) {
        const CTVector3 n = pirogue_point(index_trajet + 1);
        const CTVector3 toward = Vec3_Sub(n, p);
        const float len = Length(toward);
        // A point at the canoe's own place is passed at once.
        if (len > 0.0f) {
            const CTVector3 np = Vec3_Add(p, Vec3_Scale(toward, PIROGUE_PAS / len));
            if (Length(Vec3_Sub(n, t0)) - Length(Vec3_Sub(np, t0)) >= 0.0f) {
                Orv3DDataBase& db = current_anim_perso->db;
                db.root.SetPosition(nullptr, np);
                pirogue_vise(db.root, p, np);
                return;
            }
        }
        if (index_trajet >= nb_points_trajet || GapAt(index_trajet + 2)) {
            stop_pirogue();
            return;
        }
        arrivee_point();
        // Stopped at the end without the stones in order: nothing further this frame.
        if (!pirogue_en_marche) return;
        index_trajet++;
        if (index_trajet >= nb_points_trajet - 1) {
            fin_pirogue();
            return;
        }
    }
}
