// Entry of a libFuzzer program: the one target linked into it, its set-up, and its seeds written on request.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/fuzz/FuzzTarget.h"

namespace {

const FuzzTarget* g_target = nullptr;

// With QM_FUZZ_TIMES=<file>: the slowest seed and the slowest input, reported at exit (the input kept in
// the file), so that the work an input costs can be held against the work of a valid file.
const char* g_timesFile = nullptr;
double g_slowestSeed = 0, g_slowestInput = 0;
FuzzBytes g_slowest;

double Timed(const uint8_t* data, size_t size) {
    const auto start = std::chrono::steady_clock::now();
    Fuzz_RunOne(*g_target, data, size);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void ReportTimes() {
    std::fprintf(stderr, "qm-fuzz times: slowest seed %.1f ms, slowest input %.1f ms (%zu bytes)\n", g_slowestSeed,
                 g_slowestInput, g_slowest.size());
    if (FILE* f = std::fopen(g_timesFile, "wb")) {
        std::fwrite(g_slowest.data(), 1, g_slowest.size(), f);
        std::fclose(f);
    }
}

}  // namespace

// With QM_FUZZ_SEEDS=<dir> the writers' files are put into that corpus directory before the run.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Fuzz_Check(Fuzz_Targets().size() == 1, "a fuzz program links exactly one target");
    g_target = &Fuzz_Targets().front();
    Fuzz_Begin();
    g_target->setup();
    const std::vector<FuzzBytes> seeds = g_target->seeds();
    if (const char* dir = std::getenv("QM_FUZZ_SEEDS")) {
        for (size_t i = 0; i < seeds.size(); i++) {
            const std::string path = std::string(dir) + "/seed-" + std::to_string(i);
            FILE* f = std::fopen(path.c_str(), "wb");
            Fuzz_Check(f != nullptr, "cannot write a seed");
            std::fwrite(seeds[i].data(), 1, seeds[i].size(), f);
            std::fclose(f);
        }
    }
    if ((g_timesFile = std::getenv("QM_FUZZ_TIMES"))) {
        for (const FuzzBytes& s : seeds)
            for (int k = 0; k < 3; k++) g_slowestSeed = std::max(g_slowestSeed, Timed(s.data(), s.size()));
        std::atexit(ReportTimes);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!g_timesFile) {
        Fuzz_RunOne(*g_target, data, size);
        return 0;
    }
    const double ms = Timed(data, size);
    if (ms > g_slowestInput) g_slowestInput = ms, g_slowest.assign(data, data + size);
    return 0;
}
