// The plug-in loader: the file check before loading, the directory search and the environment overrides.
#include <gtest/gtest.h>

#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "app/Environment.h"
#include "app/Plugin.h"
#include "testdata/TempDir.h"
#include "tests/graphics2d/WarningCapture.h"

namespace {

std::string RealPlugin() { return ReadFileText(std::string(QM_TEST_PLUGIN_DIR) + "/blt_p6.so"); }

template <typename T>
T ReadAt(const std::string& b, size_t at) {
    T v;
    std::memcpy(&v, b.data() + at, sizeof v);
    return v;
}
template <typename T>
void WriteAt(std::string& b, size_t at, T v) {
    std::memcpy(b.data() + at, &v, sizeof v);
}

struct PluginFileTest : ::testing::Test {
    TempDir dir;
    std::string good = RealPlugin();
    std::string why;

    bool Check(const std::string& bytes) {
        const std::string path = dir / "blt_p6.so";
        EXPECT_TRUE(WriteFileBytes(path, bytes.data(), bytes.size()));
        why.clear();
        return OrvPlugin_CheckFile(path, &why);
    }
    // Offset of the first program header of that type.
    size_t Header(uint32_t type) const {
        const auto eh = ReadAt<ElfW(Ehdr)>(good, 0);
        for (unsigned i = 0; i < eh.e_phnum; i++) {
            const size_t at = eh.e_phoff + i * sizeof(ElfW(Phdr));
            if (ReadAt<ElfW(Phdr)>(good, at).p_type == type) return at;
        }
        ADD_FAILURE() << "no program header of type " << type;
        return 0;
    }
    // Where the last byte that any segment needs from the file ends.
    uint64_t SegmentsEnd() const {
        const auto eh = ReadAt<ElfW(Ehdr)>(good, 0);
        uint64_t end = 0;
        for (unsigned i = 0; i < eh.e_phnum; i++) {
            const auto ph = ReadAt<ElfW(Phdr)>(good, eh.e_phoff + i * sizeof(ElfW(Phdr)));
            end = std::max<uint64_t>(end, ph.p_offset + ph.p_filesz);
        }
        return end;
    }
};

}  // namespace

TEST_F(PluginFileTest, TheBuiltPluginPassesAndCutsBeforeItsLastSegmentByteAreRefused) {
    ASSERT_GT(good.size(), 20000u);
    EXPECT_TRUE(Check(good)) << why;
    const uint64_t end = SegmentsEnd();
    ASSERT_LE(end, good.size());
    for (uint64_t cut : {uint64_t(0), uint64_t(1), uint64_t(sizeof(ElfW(Ehdr)) - 1), uint64_t(sizeof(ElfW(Ehdr))),
                         uint64_t(1000), uint64_t(5000), uint64_t(20000), end - 1}) {
        EXPECT_FALSE(Check(good.substr(0, cut))) << cut;
        EXPECT_FALSE(why.empty());
    }
    // What lies after the segments (section headers) is not needed to load.
    EXPECT_TRUE(Check(good.substr(0, end))) << why;
}

TEST_F(PluginFileTest, ForeignOrInconsistentHeadersAreRefused) {
    const uint16_t own = ReadAt<ElfW(Ehdr)>(good, 0).e_machine;
    const size_t size = good.size(), load = Header(PT_LOAD), dynamic = Header(PT_DYNAMIC);
    const auto ph = ReadAt<ElfW(Phdr)>(good, load);
    const auto eh = ReadAt<ElfW(Ehdr)>(good, 0);
    const auto ehdr = [](std::string& b, size_t at, auto v) { WriteAt(b, at, v); };
    const auto phdr = [&](std::string& b, size_t at, auto v) { WriteAt(b, load + at, v); };
    // Each edit of the built plug-in, and a part of the reason given (empty: any).
    const std::pair<const char*, std::function<void(std::string&)>> cases[] = {
        {"architecture", [&](auto& b) { ehdr(b, offsetof(ElfW(Ehdr), e_machine), uint16_t(own == EM_AARCH64 ? EM_X86_64 : EM_AARCH64)); }},
        {"", [](auto& b) { b[EI_CLASS] = sizeof(void*) == 8 ? ELFCLASS32 : ELFCLASS64; }},
        {"", [](auto& b) { b[EI_DATA] = b[EI_DATA] == ELFDATA2LSB ? ELFDATA2MSB : ELFDATA2LSB; }},
        {"", [&](auto& b) { ehdr(b, offsetof(ElfW(Ehdr), e_type), uint16_t(ET_EXEC)); }},
        {"", [](auto& b) { b[1] = 'X'; }},
        // The program-header table: its size, count and place (the last one wraps when added).
        {"", [&](auto& b) { ehdr(b, offsetof(ElfW(Ehdr), e_phentsize), uint16_t(sizeof(ElfW(Phdr)) + 8)); }},
        {"", [&](auto& b) { ehdr(b, offsetof(ElfW(Ehdr), e_phnum), uint16_t(0)); }},
        {"", [&](auto& b) { ehdr(b, offsetof(ElfW(Ehdr), e_phoff), ElfW(Off)(size - sizeof(ElfW(Phdr)))); }},
        {"", [&](auto& b) { ehdr(b, offsetof(ElfW(Ehdr), e_phoff), ~ElfW(Off)(0) - 8); }},
        // A loadable segment that reaches past the end, wraps around, or holds less in memory than on file.
        {"hors du fichier", [&](auto& b) {
             phdr(b, offsetof(ElfW(Phdr), p_filesz), ElfW(Xword)(size + 1));
             phdr(b, offsetof(ElfW(Phdr), p_memsz), ElfW(Xword)(size + 1));
         }},
        {"", [&](auto& b) { phdr(b, offsetof(ElfW(Phdr), p_offset), ~ElfW(Off)(0) - 16); }},
        {"", [&](auto& b) { phdr(b, offsetof(ElfW(Phdr), p_memsz), ElfW(Xword)(ph.p_filesz - 1)); }},
        // Every other segment with file bytes too (the dynamic section).
        {"", [&](auto& b) { WriteAt(b, dynamic + offsetof(ElfW(Phdr), p_offset), ElfW(Off)(size)); }},
        // No loadable segment at all.
        {"", [&](auto& b) {
             for (unsigned i = 0; i < eh.e_phnum; i++) {
                 const size_t at = eh.e_phoff + i * sizeof(ElfW(Phdr));
                 if (ReadAt<ElfW(Phdr)>(b, at).p_type == PT_LOAD) WriteAt<ElfW(Word)>(b, at + offsetof(ElfW(Phdr), p_type), PT_NULL);
             }
         }},
    };
    for (size_t i = 0; i < std::size(cases); i++) {
        std::string b = good;
        cases[i].second(b);
        EXPECT_FALSE(Check(b)) << "case " << i;
        EXPECT_NE(why.find(cases[i].first), std::string::npos) << why;
    }
    EXPECT_FALSE(Check("not a library at all, just some text that is long enough for a header............."));
}

TEST_F(PluginFileTest, LoadSearchesTheDirectoriesAndReportsToItsCaller) {
    // A refused file stops the search: the user's directory is not silently passed over.
    ASSERT_TRUE(WriteFileBytes(dir / "blt_p6.so", good.data(), 1000));
    setenv("QM_PLUGIN_DIR", dir.Path().c_str(), 1);
    OrvPluginLibrary lib = OrvPlugin_Load("blt_p6.so");
    EXPECT_EQ(lib.handle, nullptr);
    EXPECT_EQ(lib.path, dir / "blt_p6.so");
    EXPECT_NE(lib.error.find("refusé"), std::string::npos) << lib.error;

    lib = OrvPlugin_Load("absent.so");
    EXPECT_EQ(lib.handle, nullptr);
    EXPECT_TRUE(lib.path.empty());
    EXPECT_NE(lib.error.find("absent.so introuvable"), std::string::npos);
    EXPECT_NE(lib.error.find(dir.Path()), std::string::npos) << lib.error;

    // An override that names no directory is warned once and left out of the search.
    setenv("QM_PLUGIN_DIR", (dir / "absent").c_str(), 1);
    {
        WarningCapture warnings;
        lib = OrvPlugin_Load("blt_p6.so");
        EXPECT_EQ(lib.error.find(dir / "absent"), std::string::npos) << lib.error;
        OrvPlugin_Dirs();
        EXPECT_EQ(std::count_if(warnings.lines.begin(), warnings.lines.end(),
                                [](const std::string& l) { return l.find("QM_PLUGIN_DIR=") != std::string::npos; }),
                  1);
    }
    setenv("QM_PLUGIN_DIR", QM_TEST_PLUGIN_DIR, 1);
    lib = OrvPlugin_Load("blt_p6.so");
    ASSERT_NE(lib.handle, nullptr) << lib.error;
    EXPECT_NE(OrvPlugin_Symbol(lib.handle, "SprDll_Init"), nullptr);
    EXPECT_EQ(OrvPlugin_Symbol(lib.handle, "NoSuchEntry"), nullptr);
    OrvPlugin_Unload(lib.handle);
}

TEST(Environment, OverridesReadStrictlyAndWarnOncePerValue) {
    WarningCapture warnings;
    const auto warned = [&](const std::string& text) {
        return std::count_if(warnings.lines.begin(), warnings.lines.end(),
                             [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    unsetenv("QM_TEST_FLAG");
    EXPECT_FALSE(OrvEnv_Flag("QM_TEST_FLAG"));
    for (const char* off : {"", "0"}) {
        setenv("QM_TEST_FLAG", off, 1);
        EXPECT_FALSE(OrvEnv_Flag("QM_TEST_FLAG"));
    }
    setenv("QM_TEST_FLAG", "1", 1);
    EXPECT_TRUE(OrvEnv_Flag("QM_TEST_FLAG"));
    EXPECT_TRUE(warnings.lines.empty());
    for (const char* bad : {"yes", "2", "1 ", "01"}) {
        setenv("QM_TEST_FLAG", bad, 1);
        EXPECT_FALSE(OrvEnv_Flag("QM_TEST_FLAG")) << bad;
        EXPECT_FALSE(OrvEnv_Flag("QM_TEST_FLAG")) << bad;
        EXPECT_EQ(warned(std::string("QM_TEST_FLAG=") + bad + " ignoré"), 1) << bad;
    }

    int value = -1;
    setenv("QM_TEST_INT", "23", 1);
    EXPECT_TRUE(OrvEnv_Int("QM_TEST_INT", 0, 23, &value));
    EXPECT_EQ(value, 23);
    setenv("QM_TEST_INT", "0", 1);
    EXPECT_TRUE(OrvEnv_Int("QM_TEST_INT", 0, 23, &value));
    EXPECT_EQ(value, 0);
    for (const char* bad : {"24", "-1", "9x", "abc", "99999999999999999999"}) {
        setenv("QM_TEST_INT", bad, 1);
        value = 7;
        EXPECT_FALSE(OrvEnv_Int("QM_TEST_INT", 0, 23, &value)) << bad;
        EXPECT_EQ(value, 7) << bad;
        EXPECT_EQ(warned(std::string("QM_TEST_INT=") + bad + " ignoré (0 à 23)"), 1) << bad;
    }
    unsetenv("QM_TEST_FLAG");
    unsetenv("QM_TEST_INT");
}
