// The canoe's river without the screen: the reader, the chaining, the pieces' turns and moves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/Orv_Log.h"
#include "puzzles/pz_pirogue.h"
#include "puzzles/pz_pirogue_scene.h"
#include "puzzles/pz_pirogue_traj.h"
#include "testdata/CanoeRiver.h"

namespace {

void Board() {
    init_plateau();
    calc_ratios_zbuffer();
    for (int32_t n = 0; n < PIROGUE_NB_CASES; n++) {
        pirogue_grille[n][0] = n % 3;
        pirogue_grille[n][1] = n / 3;
    }
}

bool Read(const std::string& text) { return pirogue_lit_trajet(text.data(), text.size()); }

TEST(CanoeTraj, Debug) {
    Board();
    ASSERT_TRUE(Read(CanoeRiver_Text(CanoeRiver_Points())));
    std::printf("count %d\n", nb_points_trajet);
    for (int i = 100; i < 125; i++) std::printf("%d %.8s %c\n", i, pirogue_trajet[i].name, pirogue_lettre(i));
    ASSERT_TRUE(recalc_trajet());
    for (int32_t cell : {0, 0, 0, 1, 1, 2, 4, 4, 4, 5, 5, 6}) {
        pirogue_plateau[cell].code = pirogue_tourne_code(pirogue_plateau[cell].code);
        rotate_trajet_piece(cell, 3.14159265f / 2);
        std::printf("turn %d casse %d\n", cell, pirogue_trajet_casse);
        if (pirogue_trajet_casse) { dump_trajet(); break; }
    }
}

}  // namespace
