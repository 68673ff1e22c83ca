// The canoe puzzle of YU 402: its own screen (loop type 9), the board of river pieces, the moves and the
// input, the start, the frame and the end.
#include "puzzles/pz_pirogue.h"

#include <string>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "audio/Orv_Muzik.h"
#include "engine3d/Orv3D.h"
#include "framework/Input.h"
#include "framework/KeyCodes.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_pirogue_scene.h"
#include "puzzles/pz_pirogue_traj.h"
#include "raster/Rasterizer.h"
#include "world/Interp.h"

CasePlateau pirogue_plateau[PIROGUE_NB_CASES];
int32_t pirogue_grille[PIROGUE_NB_CASES][2];
int32_t case_survol = -1;
int32_t piece_en_main = -1;
int32_t case_origine = -1;
int32_t pirogue_ancre_x = 0;
int32_t pirogue_ancre_y = 0;
int32_t pirogue_initialise = 0;

namespace {
constexpr float kQuarterTurn = 3.14159265f / 2.0f;
constexpr int32_t kGrid[PIROGUE_NB_CASES * 2] = {0, 0, 1, 0, 2, 0, 0, 1, 1, 1, 2, 1, 0, 2, 1, 2, 2, 2};

// What a start holds, so that the quit gives back only that.
bool g_holds = false;
bool g_display640 = false;

// +1 when P lies on the positive side of the line from A to B.
int Side(int32_t ax, int32_t ay, int32_t bx, int32_t by, int32_t px, int32_t py) {
    const int64_t v = int64_t(ax - px) * int64_t(by - py) - int64_t(bx - px) * int64_t(ay - py);
    return v > 0 ? 1 : -1;
}

int RowSide(int k, int32_t x, int32_t y) { return Side(270 - 89 * k, 86 + 63 * k, 633 - 89 * k, 224 + 63 * k, x, y); }
int ColumnSide(int k, int32_t x, int32_t y) { return Side(270 + 121 * k, 86 + 46 * k, 3 + 121 * k, 275 + 46 * k, x, y); }

void Anchor(int32_t cell) {
    pirogue_ancre_x = pirogue_plateau[cell].x + PIROGUE_ANCRE_X;
    pirogue_ancre_y = pirogue_plateau[cell].y + PIROGUE_ANCRE_Y;
}

void Arrow() { OrvSpr_set_curseur(Interface_GetBank(), PIROGUE_ARROW_SPRITE); }

void Turn(int32_t cell) {
    pirogue_plateau[cell].code = pirogue_tourne_code(pirogue_plateau[cell].code);
    rotate_trajet_piece(cell, kQuarterTurn);
}

void SwapPieces(int32_t a, int32_t b) {
    const int32_t piece = pirogue_plateau[a].piece;
    pirogue_plateau[a].piece = pirogue_plateau[b].piece;
    pirogue_plateau[b].piece = piece;
}

// 800-pixel rendering and the 3D layer's size as they were before the start.
void RestoreDisplay() {
    if (!g_display640) return;
    g_display640 = false;
    OrvDisplay_EnableRenderWarp800(1, "pz_pirogue_quit()");
    if (OrvDisplay_GetScreenWidth() == 800) Orv3D_SetNewScreenSize(800, 600);
}

bool LoadDatabases() {
    for (int i = 0; i < PIROGUE_NB_ANIMS; i++) {
        OrvMuzik_Step();
        char path[ORV_PATH_MAX];
        build_path_3d(path, pirogue_anim_files[i]);
        const size_t cameras = Orv3D_Cameras.size();
        if (!Orv3D_LoadDatabase(path, pirogue_anims[i].db, i == PIROGUE_C1)) return false;
        pirogue_anims[i].delai = 0;
        if (i != PIROGUE_C1) continue;
        // The load puts a default camera before the file's own.
        if (Orv3D_Cameras.size() < cameras + 2) {
            OrvError_Warning("pz_pirogue_init() : %s sans caméra", path);
            return false;
        }
        pirogue_camera = &Orv3D_Cameras[cameras + 1];
    }
    return true;
}

bool Fail() {
    pz_pirogue_quit();
    return false;
}
}  // namespace

int32_t pirogue_tourne_code(int32_t code) { return code % 4 == 3 ? code - 3 : code + 1; }

void init_plateau() {
    for (int32_t n = 0; n < PIROGUE_NB_CASES; n++) {
        CasePlateau& c = pirogue_plateau[n];
        c.col = n % 3;
        c.row = n / 3;
        c.x = pirogue_coin_x(c.col, c.row);
        c.y = pirogue_coin_y(c.col, c.row);
        c.code = 4 * n;
        c.piece = n;
    }
}

void melange_plateau() {
    for (int32_t cell : {0, 0, 0, 1, 1, 2, 4, 4, 4, 5, 5, 6}) Turn(cell);
    constexpr int32_t kSwaps[5][2] = {{1, 2}, {0, 3}, {7, 4}, {5, 3}, {6, 4}};
    for (const auto& s : kSwaps) {
        const int32_t a = s[0], b = s[1];
        if (a < 0 || a > 7 || b < 0 || b > 7) {
            OrvError_Fatal("melange_plateau(): swap(%d,%d)", a, b);
            return;
        }
        const int32_t code = pirogue_plateau[a].code;
        pirogue_plateau[a].code = pirogue_plateau[b].code;
        pirogue_plateau[b].code = code;
        swap_trajet_pieces(a, b);
        SwapPieces(a, b);
    }
}

int32_t case_sous_souris(int32_t x, int32_t y) {
    int32_t row = -1;
    if (RowSide(0, x, y) == 1) {
        row = 0;
        if (RowSide(1, x, y) == 1) {
            row = 1;
            if (RowSide(2, x, y) == 1) {
                row = 2;
                if (RowSide(3, x, y) == 1) row = -1;
            }
        }
    }
    int32_t col;
    if (ColumnSide(0, x, y) == 1) return -1;
    if (ColumnSide(1, x, y) == 1) col = 0;
    else if (ColumnSide(2, x, y) == 1) col = 1;
    else if (ColumnSide(3, x, y) == 1) col = 2;
    else return -1;
    return row >= 0 ? 3 * row + col : -1;
}

void repose_piece() {
    if (piece_en_main < 0) return;
    pirogue_plateau[case_origine].code = piece_en_main;
    piece_en_main = -1;
    create_zbuffer_sol();
}

void pz_pirogue_clic() {
    MouseClickFlags.click = 0;
    const int32_t cell = case_survol;
    if (cell == PIROGUE_FIXED_CELL) {
        repose_piece();
        lance_pirogue();
        return;
    }
    if (cell < 0) {
        repose_piece();
        return;
    }
    CasePlateau& c = pirogue_plateau[cell];
    if (piece_en_main < 0) {
        if (c.code < 0) {
            Arrow();
            return;
        }
        reset_pirogue();
        case_origine = cell;
        piece_en_main = c.code;
        c.code = -1;
        Anchor(cell);
        OrvSpr_set_curseur(pirogue_bank_sol, piece_en_main);
        return;
    }
    reset_pirogue();
    if (c.code < 0) {
        c.code = piece_en_main;
    } else {
        const int32_t there = c.code;
        c.code = piece_en_main;
        swap_trajet_pieces(cell, case_origine);
        SwapPieces(cell, case_origine);
        Anchor(case_origine);
        pirogue_plateau[case_origine].code = there;
    }
    piece_en_main = -1;
    create_zbuffer_sol();
    Arrow();
}

void pz_pirogue_clic_droit() {
    MouseClickFlags.rightClick = 0;
    if (piece_en_main < 0) {
        const int32_t cell = case_survol;
        if (cell < 0 || cell == PIROGUE_FIXED_CELL) return;
        reset_pirogue();
        Turn(cell);
        create_zbuffer_sol();
        return;
    }
    if (piece_en_main == PIROGUE_FIXED_CODE) return;
    reset_pirogue();
    piece_en_main = pirogue_tourne_code(piece_en_main);
    OrvSpr_set_curseur(pirogue_bank_sol, piece_en_main);
    rotate_trajet_piece(case_origine, kQuarterTurn);
}

void fin_pirogue() {
    Interp_WriteVar("finpirogue", 1);
    if (Interp_ReadVar("Pirogue_JustFinished") == 0) {
        Interp_WriteVar("Pirogue_JustFinished", 1);
        CtrlScenarIN();
    }
    pirogue_finie = 1;
    stop_pirogue();
}

bool pz_pirogue_init() {
    piece_en_main = case_origine = case_survol = -1;
    index_trajet = 0;
    pirogue_en_marche = 0;
    pirogue_initialise = 0;
    lettre_courante = 'A';
    pirogue_reussie = 0;
    pirogue_finie = 0;
    pirogue_trajet_casse = false;
    current_anim_perso = nullptr;
    g_holds = true;

    RunOneCommand("(flag103=1)");
    for (PirogueAnim& a : pirogue_anims) Orv3D_clear(&a.db);
    for (Orv3DDataBase& db : DBpierre) Orv3D_clear(&db);
    Orv3D_clear_caches();

    OrvDisplay_EnableRenderWarp800(0, "pz_pirogue_init()");
    g_display640 = true;
    Orv3D_SetNewScreenSize(PIROGUE_LARGEUR, PIROGUE_HAUTEUR);
    rasterizerTR.SetTarget(OrvDisplay_GetRenderTarget());

    OrvWarp_CentrePointer();

    OrvSpr_LoadBank("SolPirog.spr", &pirogue_bank_sol, 0);
    OrvSpr_LoadBank("ponPirog.spr", &pirogue_bank_pont, 0);
    if (!Interface_GetBank() || !pirogue_bank_sol || !pirogue_bank_pont) {
        // Nothing of the scene exists yet: the banks and the display go back as they were.
        if (pirogue_bank_sol) OrvSpr_LibereBank(&pirogue_bank_sol);
        if (pirogue_bank_pont) OrvSpr_LibereBank(&pirogue_bank_pont);
        RestoreDisplay();
        g_holds = false;
        return false;
    }
    Arrow();
    piece_en_main = -1;

    OrvFile_Set_DB_secondary_path("pz_pirog\\");
    if (!LoadDatabases()) return Fail();
    current_anim_perso = &pirogue_anims[PIROGUE_C1];
    if (!load_zbuffers_sol()) return Fail();
    init_offsets_sol();
    init_plateau();
    if (!read_coord_traj()) return Fail();

    pirogue_place_camera();
    Orv3DDataBase& c1 = pirogue_anims[PIROGUE_C1].db;
    c1.root.SetRotation(&c1.root, CTQuaternion::FromAxisAngle({1.0f, 0.0f, 0.0f}, -kQuarterTurn));

    place_pirogue();
    calc_ratios_zbuffer();
    if (!load_pierres()) return false;
    OrvFile_Set_DB_secondary_path(nullptr);
    if (!recalc_trajet()) return Fail();

    for (int32_t n = 0; n < PIROGUE_NB_CASES; n++) {
        pirogue_grille[n][0] = kGrid[2 * n];
        pirogue_grille[n][1] = kGrid[2 * n + 1];
    }
    CPixelFormat format = OrvDisplay_GetRenderSurface()->format;
    if (!fond_pirogue.Create(PIROGUE_LARGEUR, PIROGUE_HAUTEUR, format)) return Fail();
    ClearSurface(fond_pirogue, 0);
    char path[ORV_PATH_MAX];
    build_path_3d(path, "pz_pirog\\fdpuzzle.tga");
    OrvWarp_LoadTga(path, &fond_pirogue);

    pirogue_initialise = 1;
    melange_plateau();
    if (pirogue_trajet_casse) return Fail();
    OrvMuzik_Step();
    create_zbuffer_sol();
    KeyboardState.lastKey = 0;
    return true;
}

int32_t pz_pirogue_continue() {
    if (!pirogue_initialise) {
        pz_pirogue_quit();
        return 0;
    }
    case_survol = case_sous_souris(OrvWarp_Cursor.x, OrvWarp_Cursor.y);
    if (MouseClickFlags.click) pz_pirogue_clic();
    if (MouseClickFlags.rightClick) pz_pirogue_clic_droit();
    pirogue_dessine();
    if (KeyboardState.lastKey == DIK_ESCAPE) {
        KeyboardState.lastKey = 0;
        pz_pirogue_quit();
        return 0;
    }
    if (pirogue_en_marche) avance_pirogue();
    if (pirogue_finie == 1) {
        pz_pirogue_quit();
        return 0;
    }
    return 1;
}

int32_t pz_pirogue_quit() {
    if (!g_holds) return 0;
    g_holds = false;
    OrvSpr_set_curseur(nullptr, 0);
    if (pirogue_bank_sol) OrvSpr_LibereBank(&pirogue_bank_sol);
    if (pirogue_bank_pont) OrvSpr_LibereBank(&pirogue_bank_pont);
    pirogue_libere_trajet();
    for (PirogueAnim& a : pirogue_anims) Orv3D_clear(&a.db);
    for (Orv3DDataBase& db : DBpierre) Orv3D_clear(&db);
    pirogue_libere_zbuffers();
    pirogue_initialise = 0;
    p_zbufTR = nullptr;
    Orv3D_clear_caches();
    RestoreDisplay();
    OrvFile_Set_DB_secondary_path(nullptr);
    return 0;
}

void pz_pirogue_close() {
    zbuffer_sol.Free();
    fond_pirogue.Free();
}
