// The canoe puzzle's scene: the parallel camera, the cells in 3D, the ground sprites with their depth
// rectangles and the ".zb" cache, the ground z-buffer, and the drawing of a frame.
#include "puzzles/pz_pirogue_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/FloatToInt.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Orv_Mem.h"
#include "audio/Orv_Muzik.h"
#include "engine3d/Orv3D.h"
#include "framework/Window.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_pirogue_traj.h"
#include "raster/Rasterizer.h"

SprBank* pirogue_bank_sol = nullptr;
SprBank* pirogue_bank_pont = nullptr;

int32_t pirogue_offx[PIROGUE_NB_CODES];
int32_t pirogue_offy[PIROGUE_NB_CODES];
ZbufferPiece pirogue_zbuffers[PIROGUE_NB_CODES];
CSystemMemorySurface zbuffer_sol;
CSystemMemorySurface fond_pirogue;
CTVector3 pirogue_centres[PIROGUE_NB_CASES];
float pirogue_pas_x = 99.16676f;
float pirogue_pas_y = -99.16639f;
double ratio_zbuffer[8][8];
CTCamera* pirogue_camera = nullptr;

namespace {
// Back to front.
constexpr int32_t kOrder[PIROGUE_NB_CASES] = {0, 3, 1, 6, 4, 2, 7, 5, 8};
constexpr char kZbfDir[] = "pz_pirog\\zbf\\";

std::string DepthName(int32_t code, const char* extension) { return std::string(kZbfDir) + pirogue_sols[code].name + extension; }

void WriteLock(CSurface& s) {
    s.flags |= SURF_WRITE_LOCK;
    s.Lock(0);
}

void Unlock(CSurface& s) {
    s.Unlock();
    s.flags &= SURF_LOCK_CLEAR_MASK;
}

uint32_t* Cells(CSurface& s, int y) { return reinterpret_cast<uint32_t*>(s.Row(y)); }

// Only 32-bit cells carry the ground's depth.
bool Usable(const CSurface& s) { return s.pixels && s.BytesPerPixel() == 4 && s.width > 0 && s.height > 0; }

void Clear(CSurface& s) {
    if (!Usable(s)) return;
    for (int y = 0; y < s.height; y++) std::memset(s.Row(y), 0, size_t(s.width) * 4);
}

void Paste(CSurface& dst, int32_t code, int32_t x, int32_t y, int32_t cell) {
    if (code < 0 || code >= PIROGUE_NB_CODES || !Usable(dst)) return;
    const ZbufferPiece& r = pirogue_zbuffers[code];
    if (!r.pixels) return;
    const double factor = code == PIROGUE_FIXED_CODE || cell < 0 || cell > 7 ? 1.0 : ratio_zbuffer[code / 4][cell];
    const int32_t x0 = std::max(x, 0), x1 = std::min<int64_t>(int64_t(x) + r.width, dst.width);
    const int32_t y0 = std::max(y, 0), y1 = std::min<int64_t>(int64_t(y) + r.height, dst.height);
    for (int32_t row = y0; row < y1; row++) {
        const uint32_t* src = r.pixels + size_t(row - y) * size_t(r.width);
        uint32_t* out = Cells(dst, row);
        for (int32_t col = x0; col < x1; col++)
            if (const uint32_t v = src[col - x]) out[col] = pirogue_echelle_z(v, factor);
    }
}

// The rectangle of a code as its ".zbf" image holds it: its piece at home.
bool Cut(int32_t code, CSystemMemorySurface& image, const ZbufferPiece& r) {
    char path[ORV_PATH_MAX];
    build_path_3d(path, DepthName(code, ".zbf").c_str());
    if (!Load_zbuffer(path, image)) {
        OrvError_Warning("load_zbuffers_sol() : %s illisible", path);
        return false;
    }
    const int32_t x = pirogue_coupe_x(code), y = pirogue_coupe_y(code);
    if (!Usable(image) || x < 0 || y < 0 || x + r.width > image.width || y + r.height > image.height) {
        OrvError_Warning("load_zbuffers_sol() : %s ne contient pas %dx%d en (%d, %d)", path, r.width, r.height, x, y);
        return false;
    }
    WriteLock(image);
    for (int32_t j = 0; j < r.height; j++)
        std::memcpy(r.pixels + size_t(j) * size_t(r.width), Cells(image, y + j) + x, size_t(r.width) * 4);
    Unlock(image);
    return true;
}

// The cache's directories; a failure only means the rectangles are cut again next time.
void MakeCacheDirs() {
    char path[ORV_PATH_MAX];
    for (const char* dir : {"", "pz_pirog", "pz_pirog/zbf"}) {
        build_path_cache(path, dir);
        OrvFile_MakeDir(path);
    }
}

void DrawStone(int32_t i) { Orv3D_draw_DataBase(&DBpierre[i]); }
}  // namespace

void init_offsets_sol() {
    for (int32_t i = 0; i < PIROGUE_NB_CODES; i++) {
        pirogue_offx[i] = pirogue_sols[i].dx - 271;
        pirogue_offy[i] = pirogue_sols[i].dy - 107;
    }
}

void pirogue_chemin_cache(char* out, int32_t code) { build_path_cache(out, DepthName(code, ".zb").c_str()); }

bool load_zbuffers_sol() {
    CSystemMemorySurface image;
    bool dirs = false;
    for (int32_t i = 0; i < PIROGUE_NB_CODES; i++) {
        OrvMuzik_Step();
        ZbufferPiece& r = pirogue_zbuffers[i];
        int w = 0, h = 0;
        if (!OrvSpr_GetSize(pirogue_bank_sol, i, &w, &h) || w <= 0 || h <= 0) {
            OrvError_Warning("load_zbuffers_sol() : pas de sprite %d dans SolPirog.spr", i);
            return false;
        }
        const int32_t bytes = w * h * 4;
        if (int64_t(w) * h > int64_t(PIROGUE_LARGEUR) * PIROGUE_HAUTEUR) {
            OrvError_Warning("load_zbuffers_sol() : sprite %d de %dx%d", i, w, h);
            return false;
        }
        char tag[96];
        std::snprintf(tag, sizeof tag, "zbuffer pirogue (%s : %d * %d)", pirogue_sols[i].name, w, h);
        r.pixels = static_cast<uint32_t*>(mem_alloc(size_t(bytes), tag));
        if (!r.pixels) return false;
        r.width = w;
        r.height = h;
        char cache[ORV_PATH_MAX];
        pirogue_chemin_cache(cache, i);
        if (OrvFile_GetSizeByName(cache) == bytes && OrvFile_Load(cache, r.pixels, bytes)) continue;
        if (!Cut(i, image, r)) return false;
        if (!dirs) MakeCacheDirs();
        dirs = true;
        OrvFile_Save(cache, r.pixels, bytes);
    }
    CPixelFormat z;
    rasterizerTR.GetZBufferFormat(z);
    if (!zbuffer_sol.Create(PIROGUE_LARGEUR, PIROGUE_HAUTEUR, z, 0, 1)) return false;
    p_zbufTR = &Orv3D_zbuf;
    return true;
}

void pirogue_libere_zbuffers() {
    for (ZbufferPiece& r : pirogue_zbuffers) {
        if (r.pixels) mem_free(r.pixels, "zbuffer pirogue");
        r = {};
    }
}

void pirogue_place_camera() {
    if (!pirogue_camera) return;
    Orv3D_CurrentCamera = pirogue_camera;
    pirogue_cadre_camera(*pirogue_camera);
}

void calc_ratios_zbuffer() {
    pirogue_pas_x = 99.16676f;
    pirogue_pas_y = -99.16639f;
    for (int32_t n = 0; n < PIROGUE_NB_CASES; n++) pirogue_centres[n] = pirogue_centre_case(n);
    const CTVector3 eye = pirogue_camera ? pirogue_camera->frame.GetPosition(nullptr) : CTVector3{};
    float dist[PIROGUE_NB_CASES];
    for (int32_t n = 0; n < PIROGUE_NB_CASES; n++) dist[n] = std::sqrt(Vec3_Norm2(Vec3_Sub(eye, pirogue_centres[n])));
    for (int h = 0; h < 8; h++)
        for (int c = 0; c < 8; c++) ratio_zbuffer[h][c] = PIROGUE_RATIOS[h][c] < 0.0 ? double(dist[h]) / double(dist[c]) : PIROGUE_RATIOS[h][c];
}

uint32_t pirogue_echelle_z(uint32_t value, double factor) {
    const double scaled = double(value) * factor;
    if (!(scaled > 0.0)) return 0;
    if (scaled >= 4294967295.0) return 0xFFFFFFFFu;
    return uint32_t(scaled);
}

void copy_zbuffer_piece(int32_t code, int32_t x, int32_t y, int32_t cell) { Paste(zbuffer_sol, code, x, y, cell); }

void copy_zbuffer_piece_curseur(int32_t code, int32_t x, int32_t y, int32_t cell) { Paste(Orv3D_zbuf2, code, x, y, cell); }

void create_zbuffer_sol() {
    WriteLock(zbuffer_sol);
    Clear(zbuffer_sol);
    for (int32_t cell : kOrder) {
        const CasePlateau& c = pirogue_plateau[cell];
        if (c.code < 0) continue;
        copy_zbuffer_piece(c.code, c.x + pirogue_offx[c.code], c.y + pirogue_offy[c.code], cell);
    }
    Unlock(zbuffer_sol);
}

void aff_sol() {
    for (int32_t cell : kOrder) {
        const CasePlateau& c = pirogue_plateau[cell];
        if (c.code < 0) continue;
        OrvSpr_Aff(pirogue_bank_sol, c.code, c.x + pirogue_offx[c.code], c.y + pirogue_offy[c.code],
                   cell == case_survol ? SPR_MODE_TRS50 : SPR_MODE_PLAIN);
    }
    if (nb_pierres_ordre != 0) OrvSpr_Aff(pirogue_bank_pont, nb_pierres_ordre - 1, SPR_NOPOS, SPR_NOPOS, SPR_MODE_PLAIN);
}

void pierres_aff(int32_t cell, int32_t mode) {
    if (mode != 1 && mode != 2) {
        OrvError_Fatal("pierres_aff(): flag incorrect");
        return;
    }
    const int32_t piece = cell >= 0 && cell < PIROGUE_NB_CASES ? pirogue_plateau[cell].piece : -1;
    for (int32_t i = 0; i < PIROGUE_NB_PIERRES; i++) {
        if (!pirogue_pierres[i].shown || !DBpierre[i].valid) continue;
        const bool own = pirogue_pierre_piece(i) == piece;
        if (mode == 1 && !own) DrawStone(i);
        if (mode == 2 && own) {
            p_zbufTR = &Orv3D_zbuf2;
            DrawStone(i);
        }
        p_zbufTR = &Orv3D_zbuf;
    }
}

void pirogue_dessine() {
    CSurface* render = OrvDisplay_GetRenderSurface();
    if (!render || !OrvDisplay_LockSurface()) return;
    CopySurface(*render, fond_pirogue);
    OrvSpr_SetSurfaceInfo(render);
    Orv3D_CurrentCamera = pirogue_camera;
    p_zbufTR = &Orv3D_zbuf;

    WriteLock(Orv3D_zbuf);
    WriteLock(Orv3D_zbuf2);
    WriteLock(zbuffer_sol);
    const int32_t cx = OrvWarp_Cursor.x, cy = OrvWarp_Cursor.y;
    const int32_t carried = piece_en_main;
    if (carried >= 0 && carried < PIROGUE_NB_CODES) {
        Clear(Orv3D_zbuf2);
        copy_zbuffer_piece_curseur(carried, cx + pirogue_offx[carried] - PIROGUE_ANCRE_X, cy + pirogue_offy[carried] - PIROGUE_ANCRE_Y,
                                   case_origine);
    }
    if (Usable(Orv3D_zbuf) && Usable(zbuffer_sol)) {
        const int rows = std::min(Orv3D_zbuf.height, zbuffer_sol.height);
        const size_t bytes = size_t(std::min(Orv3D_zbuf.width, zbuffer_sol.width)) * 4;
        for (int y = 0; y < rows; y++) std::memcpy(Orv3D_zbuf.Row(y), zbuffer_sol.Row(y), bytes);
    }
    Unlock(zbuffer_sol);

    aff_sol();
    const bool drawn = pirogue_camera && current_anim_perso && current_anim_perso->db.valid;
    if (pirogue_camera) pierres_aff(carried >= 0 ? case_origine : 999, 1);
    if (drawn) Orv3D_draw_DataBase(&current_anim_perso->db);
    if (carried >= 0 && carried < PIROGUE_NB_CODES) {
        // The carried piece alone: the object in hand goes with the arrow.
        OrvSpr_Aff(OrvSpr_get_curseur_bank(), OrvSpr_get_curseur_sprite(), cx + pirogue_offx[carried] - PIROGUE_ANCRE_X,
                   cy + pirogue_offy[carried] - PIROGUE_ANCRE_Y, SPR_MODE_PLAIN);
        if (pirogue_camera) {
            CTCamera& cam = *pirogue_camera;
            const float sx = cam.Cx, sy = cam.Cy;
            cam.SetCenter(sx - float(pirogue_ancre_x - cx), sy - float(pirogue_ancre_y - cy));
            cam.SetFocalScale(PIROGUE_FOCALE, PIROGUE_FOCALE);
            pierres_aff(case_origine, 2);
            cam.SetCenter(sx, sy);
            cam.SetFocalScale(PIROGUE_FOCALE, PIROGUE_FOCALE);
        }
    }
    SprBank* arrows = Interface_GetBank();
    int w = 0, h = 0;
    OrvSpr_GetSize(arrows, PIROGUE_ARROW_SPRITE, &w, &h);
    int held = 0;
    if (SprBank* bank = OrvSpr_GetObjetEnMainSprite(&held)) OrvSpr_Aff(bank, held, cx + w / 2, cy + h / 2, SPR_MODE_PLAIN);
    OrvSpr_Aff(arrows, PIROGUE_ARROW_SPRITE, cx + w / 2, cy + h / 2, SPR_MODE_PLAIN);

    Unlock(Orv3D_zbuf2);
    Unlock(Orv3D_zbuf);
    OrvDisplay_AutoBlit();
    OrvDisplay_UnlockSurface();
    if (auto* window = dynamic_cast<Velkrum::CDirectDrawWindow*>(Velkrum::MainWindow())) window->Flip();
}
