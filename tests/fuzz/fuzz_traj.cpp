// The canoe's river ("traj_pirog.txt"): read into the point table, chained into one path, its pieces
// turned and moved, and every point of the path arrived at.
#include <cstring>

#include "puzzles/pz_pirogue.h"
#include "puzzles/pz_pirogue_scene.h"
#include "puzzles/pz_pirogue_traj.h"
#include "testdata/CanoeRiver.h"
#include "testdata/CanoeScene.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

const char* const kFile = "datas_q2/3d/pz_pirog/traj_pirog.txt";

void Setup() {
    Fuzz_Dir();
    static CTCamera camera = CanoeScene_Camera();
    pirogue_camera = &camera;
    calc_ratios_zbuffer();
    for (int32_t i = 0; i < PIROGUE_NB_PIERRES; i++) {
        std::memset(pirogue_pierres[i].name, 0, sizeof pirogue_pierres[i].name);
        std::strncpy(pirogue_pierres[i].name, pirogue_pierre_points[i], sizeof pirogue_pierres[i].name);
    }
}

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile(kFile, data, size);
    init_plateau();
    for (int32_t n = 0; n < PIROGUE_NB_CASES; n++) {
        pirogue_grille[n][0] = n % 3;
        pirogue_grille[n][1] = n / 3;
    }
    pirogue_trajet_casse = false;
    const bool read = read_coord_traj();
    if (read) {
        Fuzz_Check(nb_points_trajet >= 1 && nb_points_trajet <= MAX_COORD_TRAJET, "a point count outside the table");
        if (recalc_trajet()) {
            Fuzz_Check(pirogue_nom_est(pirogue_trajet[0], "X9E1"), "a chained river that does not start at X9E1");
            rotate_trajet_piece(4, 3.14159265f / 2);
            swap_trajet_pieces(0, 7);
            lettre_courante = 'A';
            reset_pierres();
            for (int32_t k = 0; k + 1 < nb_points_trajet; k++) {
                index_trajet = k;
                arrivee_point();
            }
            Fuzz_Check(nb_pierres_prises <= nb_points_trajet, "more stones taken than points");
        }
    }
    pirogue_libere_trajet();
    return read;
}

std::vector<FuzzBytes> Seeds() {
    CanoeRiverOptions last;
    last.endAtLast = true;
    return {Fuzz_Text(CanoeRiver_Text(CanoeRiver_Points())), Fuzz_Text(CanoeRiver_Text(CanoeRiver_Points(last))),
            Fuzz_Text("$Mesh:X9E1 [0,0,0]$Mesh:W9A001 [1e1 0 0] $Mesh:W9S002 {x} [2,-3.5,0]")};
}

}  // namespace

QM_FUZZ_TARGET(traj, Setup, Run, Seeds);
