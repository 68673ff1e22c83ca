// The save container's directory: a directory whose blocks overlap is refused before any block is summed.
#include <gtest/gtest.h>

#include <cstring>

#include "world/ZapFile.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

TEST(ZapFileDirectory, OverlapsAreRefusedBeforeAnyBlockIsRead) {
    ZapFile z;
    const uint8_t a[40] = {1, 2, 3}, b[24] = {4, 5};
    ASSERT_TRUE(z.AddBlock("A", a, sizeof a));
    ASSERT_TRUE(z.AddBlock("B", b, sizeof b));
    std::vector<uint8_t> file = z.Build();
    const size_t entryA = ZAPFILE_HEADER_SIZE, entryB = ZAPFILE_HEADER_SIZE + ZAPFILE_ENTRY_SIZE;
    const size_t dirEnd = ZAPFILE_HEADER_SIZE + 2 * ZAPFILE_ENTRY_SIZE;
    auto sealDirectory = [&] { Put32(file, 20, Zap_Crc32(file.data() + ZAPFILE_HEADER_SIZE, dirEnd - ZAPFILE_HEADER_SIZE)); };
    std::string why;
    ZapFile in;
    ASSERT_TRUE(in.Parse(file.data(), file.size(), &why)) << why;

    // B starts inside A, and A's sum is wrong as well: the overlap is what the reader sees first.
    Put32(file, entryB + 16, Get32(file, entryA + 16) + 8);
    Put32(file, entryA + 24, Get32(file, entryA + 24) ^ 1);
    sealDirectory();
    EXPECT_FALSE(in.Parse(file.data(), file.size(), &why));
    EXPECT_EQ(why, "blocs qui se chevauchent");
    EXPECT_TRUE(in.Blocks().empty());

    // Apart again, the wrong sum is found.
    Put32(file, entryB + 16, Get32(file, entryA + 16) + 40);
    sealDirectory();
    EXPECT_FALSE(in.Parse(file.data(), file.size(), &why));
    EXPECT_EQ(why, "bloc A corrompu (CRC)");
}

}  // namespace
