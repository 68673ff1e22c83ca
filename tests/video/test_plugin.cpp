// The codec plug-in loader against stand-in libraries, and the project's VQ6 codec on packed faces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

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
    uint16_t Decode() {
        uint16_t pixel = 0;
        if (QmvPlugin_DecodeFrame) QmvPlugin_DecodeFrame("frame", &pixel, &pixel);
        return pixel;
    }
    TempDir dir;
};

}  // namespace

TEST_F(PluginLoader, LibraryNamesAndSearch) {
    EXPECT_EQ(QmvPlugin_LibraryFile("VQ6_512x16.DLL"), "VQ6_512x16.so");
    EXPECT_EQ(QmvPlugin_LibraryFile("VQ6_640.dll"), "VQ6_640.so");
    EXPECT_EQ(QmvPlugin_FindLibrary("VQ6_800.DLL"), std::string(QM_FAKE_PLUGIN_DIR) + "/VQ6_800.so");
    EXPECT_EQ(QmvPlugin_FindLibrary("VQ6_800x16.DLL"), "");
}

TEST_F(PluginLoader, LoadsTheX16NameFirstAndPassesDepthHeightWidthHeader) {
    const auto header = Header(640, 480);
    ASSERT_EQ(QmvPlugin_Load(header.data(), 16, 1), QMVPLUGIN_OK);
    EXPECT_TRUE(QmvPlugin_IsLoaded());
    EXPECT_EQ(QmvPlugin_GetDepth(), 16);
    EXPECT_EQ(Decode(), 0x6416);
    EXPECT_EQ(Calls(), "VQ6_640x16 init 16 480 640 header\n");

    // The same depth again: refused, the library kept.
    EXPECT_EQ(QmvPlugin_Load(header.data(), 16, 1), QMVPLUGIN_ERR_LOADED);
    EXPECT_EQ(Decode(), 0x6416);
    // The other depth: the library is cleaned up, freed and loaded again.
    EXPECT_EQ(QmvPlugin_Load(header.data(), 15, 1), QMVPLUGIN_OK);
    EXPECT_EQ(QmvPlugin_GetDepth(), 15);
    EXPECT_EQ(Calls(), "VQ6_640x16 init 16 480 640 header\nVQ6_640x16 cleanup\nVQ6_640x16 init 15 480 640 header\n");

    EXPECT_EQ(QmvPlugin_Unload(), QMVPLUGIN_OK);
    EXPECT_FALSE(QmvPlugin_IsLoaded());
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
    EXPECT_EQ(QmvPlugin_Unload(), QMVPLUGIN_ERR_NOTHING);
    EXPECT_EQ(Calls(), "VQ6_1024 init 16 768 1024 header\n");

    // A width of 320 with the other depth: the loaded library goes first, then the width is refused.
    ASSERT_EQ(QmvPlugin_Load(Header(640, 480).data(), 16, 1), QMVPLUGIN_OK);
    EXPECT_EQ(QmvPlugin_Load(Header(320, 240).data(), 16, 1), QMVPLUGIN_ERR_LOADED);
    EXPECT_TRUE(QmvPlugin_IsLoaded());
    EXPECT_EQ(QmvPlugin_Load(Header(320, 240).data(), 15, 1), QMVPLUGIN_ERR_WIDTH);
    EXPECT_FALSE(QmvPlugin_IsLoaded());
}

TEST(Vq6Codec, DecodesPackedFacesInBothDepths) {
    setenv("QM_PLUGIN_DIR", QM_TEST_PLUGIN_DIR, 1);
    // A face of two colours per 4x4 block decodes exactly; a gradient within the blocks' two-colour error.
    const int side = 512;
    std::vector<uint32_t> twoTone(size_t(side) * side), gradient(size_t(side) * side);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            twoTone[size_t(y) * side + size_t(x)] = ((x ^ y) & 2) ? 0xFF10E050u + uint32_t(x / 4) : 0xFF802000u + uint32_t(y / 4);
            gradient[size_t(y) * side + size_t(x)] = 0xFF000000u | uint32_t(x / 2) << 16 | uint32_t(y / 2) << 8 | 0x80;
        }
    const auto view = Vq6Writer_PackedView({twoTone, gradient}, side);
    QmvBlockChunks chunks[2];
    uint32_t at = QMV_HEADER_SIZE;
    for (auto& c : chunks) {
        const uint32_t length = QmvRead32(&view[at]) & QMV_BLOCK_LENGTH_MASK;
        ASSERT_TRUE(QmvBlock_ScanChunks(&view[at], length, &c));
        ASSERT_TRUE(Vq6_FrameFits(c.video.data, c.video.size, side, side));
        at += length;
    }
    // A chunk cut short or of another size is caught before the call.
    EXPECT_FALSE(Vq6_FrameFits(chunks[0].video.data, chunks[0].video.size - 1, side, side));
    EXPECT_FALSE(Vq6_FrameFits(chunks[0].video.data, chunks[0].video.size, 256, 256));

    for (int depth : {16, 15}) {
        ASSERT_EQ(QmvPlugin_Load(view.data(), depth, 1), QMVPLUGIN_OK) << depth;
        std::vector<uint16_t> face(size_t(side) * side, 0xDEAD);
        QmvPlugin_DecodeFrame(chunks[0].video.data, face.data(), face.data());
        for (size_t i = 0; i < face.size(); ++i) {
            const uint16_t c565 = Vq6Writer_Pack565(twoTone[i]);
            const uint16_t want = depth == 16 ? c565 : uint16_t((c565 >> 11) << 10 | (c565 >> 6 & 31) << 5 | (c565 & 31));
            ASSERT_EQ(face[i], want) << depth << " pixel " << i;
        }
        QmvPlugin_DecodeFrame(chunks[1].video.data, face.data(), face.data());
        int worst = 0;
        for (size_t i = 0; i < face.size(); ++i) {
            const int r = depth == 16 ? face[i] >> 11 : face[i] >> 10;
            worst = std::max(worst, std::abs(r * 255 / 31 - int(gradient[i] >> 16 & 255)));
        }
        EXPECT_LE(worst, 12) << depth;
        ASSERT_EQ(QmvPlugin_Load(view.data(), depth == 16 ? 15 : 16, 1), QMVPLUGIN_OK);
        QmvPlugin_Unload();
    }
}
