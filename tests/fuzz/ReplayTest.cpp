// The fuzz corpus as tests: every target's seeds must be accepted, every kept corpus file passes through.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "tests/fuzz/FuzzTarget.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> TargetNames() {
    std::vector<std::string> names;
    for (const FuzzTarget& t : Fuzz_Targets()) names.push_back(t.name);
    std::sort(names.begin(), names.end());
    return names;
}

class Replay : public ::testing::TestWithParam<std::string> {
protected:
    const FuzzTarget& Target() {
        const FuzzTarget* t = Fuzz_Find(GetParam());
        Fuzz_Begin();
        t->setup();
        return *t;
    }
};

TEST_P(Replay, SeedsAndCorpus) {
    const FuzzTarget& target = Target();
    const std::vector<FuzzBytes> seeds = target.seeds();
    ASSERT_FALSE(seeds.empty());
    for (size_t i = 0; i < seeds.size(); i++)
        EXPECT_TRUE(Fuzz_RunOne(target, seeds[i].data(), seeds[i].size())) << "seed " << i << " refused";

    const fs::path dir = fs::path(QM_FUZZ_CORPUS_DIR) / target.name;
    std::vector<fs::path> files;
    if (fs::is_directory(dir))
        for (const auto& e : fs::directory_iterator(dir))
            if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) {
        SCOPED_TRACE(f.string());
        const FuzzBytes bytes = Fuzz_ReadFile(f.string());
        Fuzz_RunOne(target, bytes.data(), bytes.size());
    }
}

INSTANTIATE_TEST_SUITE_P(Fuzz, Replay, ::testing::ValuesIn(TargetNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// A corpus directory must belong to a target, or its files would silently never run.
TEST(ReplayCorpus, EveryCorpusDirectoryNamesATarget) {
    std::set<std::string> names;
    for (const std::string& n : TargetNames()) names.insert(n);
    if (!fs::is_directory(QM_FUZZ_CORPUS_DIR)) return;
    for (const auto& e : fs::directory_iterator(QM_FUZZ_CORPUS_DIR))
        EXPECT_TRUE(e.is_directory() && names.count(e.path().filename().string())) << e.path();
}

}  // namespace

// The replay refuses what the fuzzer refuses: a reader asking for a huge block is a fault.
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=1024"; }
