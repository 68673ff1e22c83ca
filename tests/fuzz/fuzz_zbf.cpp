// Depth maps (".zbf"): read into a z-buffer of the map's size, every row then read back.
#include "engine3d/Orv3D.h"
#include "testdata/ZbfWriter.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

void Setup() { Fuzz_Dir(); }

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile("datas_q2/3d/fuzz.zbf", data, size);
    CSystemMemorySurface zbuffer;
    const bool loaded = Load_zbuffer(Fuzz_Path("datas_q2/3d/fuzz.zbf").c_str(), zbuffer);
    if (loaded) {
        Fuzz_Check(zbuffer.pixels && zbuffer.width > 0 && zbuffer.height > 0, "a depth map without depths");
        uint32_t sum = 0;
        for (int y = 0; y < zbuffer.height; y++) sum += zbuffer.Row(y)[zbuffer.PitchBytes() - 1];
        (void)sum;
    }
    return loaded;
}

std::vector<FuzzBytes> Seeds() {
    std::vector<uint32_t> depths;
    for (int i = 0; i < 40 * 30; i++) depths.push_back(ZbfWriter_DepthAt(1.0f + float(i % 40)));
    std::vector<uint32_t> shorter(depths.begin(), depths.begin() + 100);
    return {ZbfWriter_Encode(40, 30, depths), ZbfWriter_Encode(40, 30, shorter), ZbfWriter_Encode(1, 1, {7})};
}

}  // namespace

QM_FUZZ_TARGET(zbf, Setup, Run, Seeds);
