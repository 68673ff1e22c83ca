// Entry of a libFuzzer program: the one target linked into it, its set-up, and its seeds written on request.
#include <cstdlib>
#include <string>

#include "tests/fuzz/FuzzTarget.h"

namespace {
const FuzzTarget* g_target = nullptr;
}

// With QM_FUZZ_SEEDS=<dir> the writers' files are put into that corpus directory before the run.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Fuzz_Check(Fuzz_Targets().size() == 1, "a fuzz program links exactly one target");
    g_target = &Fuzz_Targets().front();
    Fuzz_Begin();
    g_target->setup();
    if (const char* dir = std::getenv("QM_FUZZ_SEEDS")) {
        const std::vector<FuzzBytes> seeds = g_target->seeds();
        for (size_t i = 0; i < seeds.size(); i++) {
            const std::string path = std::string(dir) + "/seed-" + std::to_string(i);
            FILE* f = std::fopen(path.c_str(), "wb");
            Fuzz_Check(f != nullptr, "cannot write a seed");
            std::fwrite(seeds[i].data(), 1, seeds[i].size(), f);
            std::fclose(f);
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz_RunOne(*g_target, data, size);
    return 0;
}
