// The codec plug-in loader against stand-in libraries, and the project's VQ6 codec on packed faces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/Plugin.h"
#include "testdata/QmvWriter.h"
#include "testdata/TempDir.h"
#include "testdata/Vq6Writer.h"
#include "video/QmvFormat.h"
#include "video/QmvPlugin.h"
#include "video/Vq6Format.h"

namespace {

std::vector<uint8_t> Header(int width, int height) {
    QmvContainerOptions options;
    options.width = uint16_t(width);
    options.height = uint16_t(height);
    return QmvWriter_Container({}, options);
}

class PluginLoader : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("QM_PLUGIN_DIR", QM_FAKE_PLUGIN_DIR, 1);
        setenv("FAKE_VQ6_LOG", (dir / "calls.txt").c_str(), 1);
    }
    void TearDown() override {
        QmvPlugin_Unload();
        unsetenv("FAKE_VQ6_LOG");
        setenv("QM_PLUGIN_DIR", QM_TEST_PLUGIN_DIR, 1);
    }
    std::string Calls() const { return ReadFileText(dir / "calls.txt"); }
    TempDir dir;
};

}  // namespace

TEST_F(PluginLoader, LoadsTheX16NameFirstAndReloadsForTheOtherDepth) {
    EXPECT_EQ(QmvPlugin_LibraryFile("VQ6_512x16.DLL"), "VQ6_512x16.so");
    EXPECT_EQ(OrvPlugin_Find(QmvPlugin_LibraryFile("VQ6_800.DLL")), std::string(QM_FAKE_PLUGIN_DIR) + "/VQ6_800.so");
    const auto header = Header(640, 480);
    ASSERT_EQ(QmvPlugin_Load(header.data(), 16, 1), QMVPLUGIN_OK);
    uint16_t pixel = 0;
    QmvPlugin_DecodeFrame("frame", &pixel, &pixel);
    EXPECT_EQ(pixel, 0x6416);
    // The same depth again is refused; the other depth cleans the library up, frees and loads it again.
    EXPECT_EQ(QmvPlugin_Load(header.data(), 16, 1), QMVPLUGIN_ERR_LOADED);
    EXPECT_EQ(QmvPlugin_Load(header.data(), 15, 1), QMVPLUGIN_OK);
    EXPECT_EQ(QmvPlugin_GetDepth(), 15);
    EXPECT_EQ(Calls(), "VQ6_640x16 init 16 480 640 header\nVQ6_640x16 cleanup\nVQ6_640x16 init 15 480 640 header\n");
    EXPECT_EQ(QmvPlugin_Unload(), QMVPLUGIN_OK);
    EXPECT_EQ(QmvPlugin_DecodeFrame, nullptr);
    EXPECT_EQ(QmvPlugin_Unload(), QMVPLUGIN_ERR_NOTHING);
}

TEST_F(PluginLoader, Refusals) {
    // Unsupported widths, before any library is touched.
    for (int width : {320, 0, -512, 513}) EXPECT_EQ(QmvPlugin_Load(Header(width, 480).data(), 16, 1), QMVPLUGIN_ERR_WIDTH);
    EXPECT_EQ(QmvPlugin_Load(nullptr, 16, 1), QMVPLUGIN_ERR_WIDTH);
    // No library of that width in the directory.
    EXPECT_EQ(QmvPlugin_Load(Header(512, 512).data(), 16, 1), QMVPLUGIN_ERR_NOLIB);
    // A library without its clean-up entry point is freed again.
    EXPECT_EQ(QmvPlugin_Load(Header(800, 600).data(), 16, 1), QMVPLUGIN_ERR_ENTRY);
    EXPECT_EQ(QmvPlugin_DecodeFrame, nullptr);
    // A failing initialisation, or none asked for, leaves nothing loaded.
    EXPECT_EQ(QmvPlugin_Load(Header(1024, 768).data(), 16, 1), QMVPLUGIN_ERR_INIT);
    EXPECT_FALSE(QmvPlugin_IsLoaded());
    EXPECT_EQ(QmvPlugin_DecodeFrame, nullptr);
    EXPECT_EQ(QmvPlugin_Load(Header(640, 480).data(), 16, 0), QMVPLUGIN_ERR_INIT);
    EXPECT_EQ(QmvPlugin_DecodeFrame, nullptr);
    EXPECT_EQ(Calls(), "VQ6_1024 init 16 768 1024 header\n");
    // A width of 320 with the other depth: the loaded library goes first, then the width is refused.
    ASSERT_EQ(QmvPlugin_Load(Header(640, 480).data(), 16, 1), QMVPLUGIN_OK);
    EXPECT_EQ(QmvPlugin_Load(Header(320, 240).data(), 15, 1), QMVPLUGIN_ERR_WIDTH);
    EXPECT_FALSE(QmvPlugin_IsLoaded());
}

TEST(Vq6Codec, DecodesPackedFacesInBothDepths) {
    setenv("QM_PLUGIN_DIR", QM_TEST_PLUGIN_DIR, 1);
    // A face of two colours per 4x4 block decodes exactly.
    const int side = 512;
    std::vector<uint32_t> face(size_t(side) * side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            face[size_t(y) * side + size_t(x)] = ((x ^ y) & 2) ? 0xFF10E050u + uint32_t(x / 4) : 0xFF802000u + uint32_t(y / 4);
    const auto view = Vq6Writer_PackedView({face}, side);
    QmvBlockChunks chunks;
    ASSERT_TRUE(QmvBlock_ScanChunks(&view[QMV_HEADER_SIZE], QmvRead32(&view[QMV_HEADER_SIZE]) & QMV_BLOCK_LENGTH_MASK, &chunks));
    // A chunk cut short or of another size is caught before the call.
    EXPECT_TRUE(Vq6_FrameFits(chunks.video.data, chunks.video.size, side, side));
    EXPECT_FALSE(Vq6_FrameFits(chunks.video.data, chunks.video.size - 1, side, side));
    EXPECT_FALSE(Vq6_FrameFits(chunks.video.data, chunks.video.size, 256, 256));
    for (int depth : {16, 15}) {
        ASSERT_EQ(QmvPlugin_Load(view.data(), depth, 1), QMVPLUGIN_OK) << depth;
        std::vector<uint16_t> out(size_t(side) * side, 0xDEAD);
        QmvPlugin_DecodeFrame(chunks.video.data, out.data(), out.data());
        for (size_t i = 0; i < out.size(); ++i) {
            const uint16_t c = Vq6Writer_Pack565(face[i]);
            ASSERT_EQ(out[i], depth == 16 ? c : uint16_t((c >> 11) << 10 | (c >> 6 & 31) << 5 | (c & 31))) << depth << " " << i;
        }
        QmvPlugin_Unload();
    }
}
