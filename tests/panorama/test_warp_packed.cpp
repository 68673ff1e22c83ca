// Packed panorama views decoded through the codec plug-in, and bad packed files refused.
#include <gtest/gtest.h>

#include <vector>

#include "app/Orv_Log.h"
#include "graphics2d/PixelFormat.h"
#include "graphics2d/Surface.h"
#include "panorama/WarpCube.h"
#include "panorama/WarpPacked.h"
#include "testdata/PanoramaWriter.h"
#include "testdata/TempDir.h"
#include "testdata/Vq6Writer.h"

namespace {
struct PackedFixture : ::testing::Test {
    TempDir dir;
    CSystemMemorySurface faces[WARP_NB_FACES];
    std::vector<std::vector<uint32_t>> pictures;
    std::vector<std::string> warnings;

    void SetUp() override {
        DebugOut().SetHook([this](const std::string& l) { warnings.push_back(l); });
        for (int f = 0; f < WARP_NB_FACES; f++) {
            ASSERT_TRUE(faces[f].Create(WARP_FACE_SIZE, WARP_FACE_SIZE, PixelFormatOf(PFID_R5G6B5)));
            faces[f].Lock();
            pictures.push_back(PanoramaWriter_Face(f, FaceStyle::Demo, 0x102030u));
        }
    }
    void TearDown() override {
        WarpPacked_Close();
        DebugOut().ResetHook();
    }
    std::string Write(const std::vector<uint8_t>& bytes) {
        std::string path = dir / "IR001.qmv";
        EXPECT_TRUE(WriteFileBytes(path, bytes.data(), bytes.size()));
        return path;
    }
};
}  // namespace

TEST_F(PackedFixture, DemoFacesDecodeToTheSamePixelsAsTheirPictures) {
    const std::string path = Write(Vq6Writer_PackedView(pictures, WARP_FACE_SIZE));
    ASSERT_TRUE(WarpPacked_Load(path.c_str(), faces, WARP_NB_FACES));
    const CPixelFormat f565 = PixelFormatOf(PFID_R5G6B5);
    for (int f = 0; f < WARP_NB_FACES; f++) {
        const uint16_t* px = static_cast<const uint16_t*>(faces[f].pixels);
        int bad = 0;
        for (size_t i = 0; i < pictures[f].size(); i++) bad += px[i] != PackColor(f565, pictures[f][i]);
        EXPECT_EQ(bad, 0) << "face " << f;
    }
}

TEST_F(PackedFixture, BadFilesAreRefusedWithAWarning) {
    const std::vector<uint8_t> good = Vq6Writer_PackedView(pictures, WARP_FACE_SIZE);
    // Cut inside the header, inside a block head, and inside the last face's frame.
    for (size_t cut : {size_t(10), size_t(66), good.size() - 7}) {
        warnings.clear();
        const std::string path = Write(std::vector<uint8_t>(good.begin(), good.begin() + long(cut)));
        EXPECT_FALSE(WarpPacked_Load(path.c_str(), faces, WARP_NB_FACES)) << cut;
        EXPECT_FALSE(warnings.empty()) << cut;
    }
    // Faces of another size than the cube's.
    std::vector<std::vector<uint32_t>> small(WARP_NB_FACES, std::vector<uint32_t>(64 * 64, 0xFF808080u));
    const std::string path = Write(Vq6Writer_PackedView(small, 64));
    EXPECT_FALSE(WarpPacked_Load(path.c_str(), faces, WARP_NB_FACES));
}
