// The spider web's coordinates ("toile.vue"): the reader on the bytes alone, without a terminator, then the
// file read as a run of the puzzle reads it; every entry read is a finite number.
#include <cmath>

#include "puzzles/pz_toile.h"
#include "testdata/SpiderWeb.h"
#include "testdata/ToileWriter.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

void Setup() { Fuzz_Dir(); }

bool Run(const uint8_t* data, size_t size) {
    float coords[MAX_COORD_WARPS][3];
    const int32_t n = araig_read_toile(reinterpret_cast<const char*>(data), size, coords);
    Fuzz_Check(n >= -1 && n <= MAX_COORD_WARPS, "an entry count out of range");
    for (int32_t i = 0; i < n; i++)
        for (float v : coords[i]) Fuzz_Check(std::isfinite(v), "an entry that is not a finite number");
    Fuzz_WriteFile("datas_q2/3d/pz_araig/toile.vue", data, size);
    fill_coord_warps();
    return n > 0;
}

std::vector<FuzzBytes> Seeds() {
    return {Fuzz_Text(ToileWriter_Text(SpiderWeb_ToileBlocks())),
            Fuzz_Text(ToileWriter_Text({{"203", 1.5f, -2.25f, 3}, {"201", 0, 0, -7}})),
            Fuzz_Text("frame 230 [1 0 0 0 1 0 0 0 1 1e2 -5 7] 1 frame 231 [1 0 0 0 1 0 0 0 1 4 5 6] 1")};
}

}  // namespace

QM_FUZZ_TARGET(toile, Setup, Run, Seeds);
