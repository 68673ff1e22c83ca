// The spider puzzle's 3D objects: its eleven databases, the actors' places in the panorama, their
// drawing with a depth buffer of their own, and the hit zones around the spiders.
#include <cmath>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "engine3d/Orv3D.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Surface.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_araig.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_dispatch.h"
#include "puzzles/pz_toile.h"
#include "world/Inventaire.h"
#include "world/wam.h"

Orv3DDataBase db_PARmar;
Orv3DDataBase db_PARstby;
Orv3DDataBase db_chenille;
Orv3DDataBase db_sauterelle;
Orv3DDataBase db_ARmar;
Orv3DDataBase db_ARstby;
Orv3DDataBase db_ARmen;
Orv3DDataBase db_ARtoil;
Orv3DDataBase db_crane;
Orv3DDataBase db_bouclier;
Orv3DDataBase db_macahuitl;

const ArDbFile araig_db_files[ARAIG_NB_DB] = {
    {&db_PARmar, "pz_araig\\PARmar.DB", 1.46f},         {&db_PARstby, "pz_araig\\PARstby.DB", 1.46f},
    {&db_chenille, "pz_araig\\chenille.DB", 3.0f},      {&db_sauterelle, "pz_araig\\sauterelle.DB", 3.0f},
    {&db_ARmar, "pz_araig\\ARmar.DB", 1.46f},           {&db_ARstby, "pz_araig\\ARstby.DB", 1.46f},
    {&db_ARmen, "pz_araig\\ARmen.DB", 1.46f},           {&db_ARtoil, "pz_araig\\ARtoil.DB", 1.46f},
    {&db_crane, "pz_araig\\crane.DB", 3.0f},            {&db_bouclier, "pz_araig\\bouclier.DB", 15.0f},
    {&db_macahuitl, "pz_araig\\macahuitl.db", 3.0f},
};

ST_wam_zclic araig_zone1;
ST_wam_zclic araig_zone2;

namespace {
constexpr float kPi = 3.1415927f;
// The middle of a spider's body above its stand.
constexpr float kBodyHeight = 20.0f;
constexpr char kSubDir[] = "pz_araig\\";

ST_wam_point g_zonePoints[2][4];

// The databases each stage shows.
bool InStage(const Orv3DDataBase* db, int32_t stage) {
    if (db == &db_PARmar || db == &db_PARstby) return stage == 1 || stage == 2 || stage == 4;
    if (db == &db_chenille) return stage == 1;
    if (db == &db_sauterelle) return stage == 2 || (stage == 4 && !Inventaire_IsObjetInSac("SAUTERELLE"));
    return stage == 3;
}

// The four corners of a hit zone around P, a square facing the camera of angular half-size a.
bool ZoneCorners(const CTVector3& p, float a, CTVector3 out[4]) {
    const CTVector3 v1{-p.z, 0.0f, p.x};
    if (v1.x == 0.0f && v1.z == 0.0f) return false;
    const CTVector3 v2{p.y * v1.z - p.z * v1.y, p.z * v1.x - p.x * v1.z, p.x * v1.y - p.y * v1.x};
    const CTVector3 v3{-v2.x, -v2.y, -v2.z};
    const CTVector3 w1{-v1.x, -v1.y, -v1.z};
    const CTMatrix3 r1 = CTMatrix3::FromAxisAngle(v1, a), rw1 = CTMatrix3::FromAxisAngle(w1, a);
    const CTMatrix3 r2 = CTMatrix3::FromAxisAngle(v2, a), r3 = CTMatrix3::FromAxisAngle(v3, a);
    out[0] = r1 * (r3 * p);
    out[1] = r1 * (r2 * p);
    out[2] = rw1 * (r2 * p);
    out[3] = rw1 * (r3 * p);
    for (int i = 0; i < 4; i++)
        if (!std::isfinite(out[i].x) || !std::isfinite(out[i].y) || !std::isfinite(out[i].z)) return false;
    return true;
}

// Zones hold world directions (y up); the actors stand in the camera's space (y down).
void BuildZone(int z, int32_t actor, float halfSize) {
    CTVector3 p = araig_actor_pos(actor);
    p.y -= kBodyHeight;
    const float len = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    CTVector3 corners[4];
    // A spider at the eye or straight below it keeps its last zone.
    if (!(len > 0.0f) || !ZoneCorners(p, -halfSize / len, corners)) return;
    for (int i = 0; i < 4; i++) {
        ST_wam_point& pt = g_zonePoints[z][i];
        pt.x = corners[i].x;
        pt.y = -corners[i].y;
        pt.z = corners[i].z;
    }
}

void ResetZone(ST_wam_zclic& zone, ST_wam_point (&points)[4]) {
    zone.type = WAM_ZONE_LIEN;
    zone.numero = 0;
    zone.name[0] = 0;
    zone.next = nullptr;
    zone.points = nullptr;
    zone.nb_points = 0;
    for (ST_wam_point& p : points) {
        p.next = nullptr;
        z3d_add_point(&zone, &p);
    }
    for (ST_wam_point& p : points) p.x = p.y = p.z = 0.0f;
}
}  // namespace

void pz_araig_load_db() {
    OrvFile_Set_DB_secondary_path(kSubDir);
    for (const ArDbFile& f : araig_db_files) {
        if (!InStage(f.db, araig_stage)) continue;
        char path[ORV_PATH_MAX];
        build_path_3d(path, f.file);
        if (!Orv3D_LoadDatabase(path, *f.db, false)) {
            pz_araig_quit();
            // The quit leaves the sub-directory set while the puzzle is not yet active.
            OrvFile_Set_DB_secondary_path(nullptr);
            return;
        }
        f.db->root.SetScale(nullptr, &f.scale);
    }
    araig_db_loaded = 1;
    OrvFile_Set_DB_secondary_path(nullptr);
}

void araig_unload_db() {
    for (Orv3DDataBase* db : {&db_ARmar, &db_ARstby, &db_ARmen, &db_ARtoil, &db_PARmar, &db_PARstby, &db_crane,
                              &db_bouclier, &db_chenille, &db_macahuitl, &db_sauterelle})
        Orv3D_clear(db);
    Orv3D_clear_caches();
    araig_clear_actors();
    araig_db_loaded = 0;
}

CTVector3 araig_actor_pos(int32_t actor) {
    const ST_araig_actor& a = araig_actors[actor];
    const CTVector3 p = araig_case_coords(int32_t(pz_vue_id()));
    auto stand = [&](int32_t cell) {
        const CTVector3 c = araig_case_coords(cell);
        return CTVector3{c.x - p.x, (p.z - c.z) + ARAIG_HEIGHT, c.y - p.y};
    };
    const CTVector3 from = stand(a.from), to = stand(a.to);
    const float k = a.progress;
    return {from.x + (to.x - from.x) * k, from.y + (to.y - from.y) * k, from.z + (to.z - from.z) * k};
}

void araig_place_actors(int32_t actor) {
    const int32_t first = actor < 0 ? 0 : actor;
    const int32_t last = actor < 0 ? araig_nb_actors - 1 : actor;
    for (int32_t i = first; i <= last && i < ARAIG_MAX_ACTORS; i++) {
        const ST_araig_actor& a = araig_actors[i];
        if (!a.db) continue;
        a.db->root.SetPosition(nullptr, araig_actor_pos(i));
        a.db->root.SetRotation(nullptr, CTQuaternion::FromAxisAngle({0.0f, 1.0f, 0.0f}, -(a.heading + a.yaw)));
        a.db->frame = float(a.frame);
    }
}

void araig_draw_actors() {
    for (int32_t i = 0; i < araig_nb_actors; i++) {
        const ST_araig_actor& a = araig_actors[i];
        araig_place_actors(i);
        if (a.kind == ARAIG_REMOVED) continue;
        // A database emptied behind the puzzle's back (the layer's caches cleared) is not drawn.
        if (!a.db || !a.db->valid) continue;
        const bool plain = a.kind == ARAIG_BIG_SPIDER || a.kind == ARAIG_SMALL_SPIDER || a.kind == ARAIG_CATERPILLAR;
        Orv3D_Opacity = plain ? 0 : 1;
        Orv3D_draw_DataBase(a.db);
    }
    Orv3D_Opacity = 0;
}

void araig_init_zones() {
    ResetZone(araig_zone1, g_zonePoints[0]);
    ResetZone(araig_zone2, g_zonePoints[1]);
}

void araig_build_zones() {
    if (araig_nb_actors <= 0) return;
    const float half = (araig_stage == 3 ? 8.0f : 6.0f) * kPi;
    BuildZone(0, 0, half);
    if ((araig_stage == 2 || araig_stage == 4) && araig_second_state == 1) BuildZone(1, araig_second_index, half);
}

void pz_araig_draw3d() {
    if (pz_actif != PZ_ARAIG || !araig_running) return;
    // The panorama's camera, whoever loaded a database with cameras since the run began.
    Orv3D_CurrentCamera = &OrvWarp_GetCamera();
    p_zbufTR = &Orv3D_zbuf;
    Orv3D_zbuf.flags |= SURF_WRITE_LOCK;
    if (Orv3D_zbuf.Lock(0)) ClearSurface(Orv3D_zbuf, 0);
    araig_draw_actors();
    araig_build_zones();
    Orv3D_zbuf.flags &= SURF_LOCK_CLEAR_MASK;
    Orv3D_zbuf.Unlock();
    araig_finish_lost_run();
}
