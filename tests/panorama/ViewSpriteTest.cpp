// View sprites painted into the faces and restored, frame lists, animation steps; faces from bad files.
#include <cstring>
#include <filesystem>

#include "PanoramaFixture.h"
#include "graphics2d/PixelFormat.h"
#include "panorama/WarpFaceNames.h"
#include "testdata/TgaWriter.h"

namespace {
constexpr uint32_t kBlock = 0xFFE04010u;

// Three frames of 64 x 64, transparent but for an 8 x 8 block at x = 8 + 16 k in frame k.
std::vector<SprImage> BlockFrames() {
    std::vector<SprImage> frames;
    for (int k = 0; k < 3; k++) {
        SprImage img;
        img.width = img.height = 64;
        img.pixels.assign(64 * 64, 0);
        for (int y = 8; y < 16; y++)
            for (int x = 8 + 16 * k; x < 16 + 16 * k; x++) img.pixels[size_t(y) * 64 + x] = kBlock;
        frames.push_back(img);
    }
    return frames;
}

class SpwTest : public WarpWorldTest {
protected:
    void SetUp() override {
        WarpWorldTest::SetUp();
        Enter(10);
        for (int f = 0; f < 6; f++) faces[f] = OrvWarp_GetFace(f);
        vase = DefName_GetIdName(DEFNAME_OBJETS, "VASE");
        ASSERT_TRUE(PanoramaWriter_WriteSpw(dir / "blocks.SPW", BlockFrames()));
        OrvSpw_FreeAll();
        perso = ST_wam_perso{};
        std::strcpy(perso.name, "VASE");
        perso.type = 2;
        perso.id = vase;
        anim = ST_wam_animation{'b', 2, 10, 1, 0, 2, 0, 100, 50, nullptr};
        ASSERT_EQ(OrvSpw_load((dir / "blocks.SPW").c_str(), &perso, &anim), 1);
        const CSurface& f = *faces[0];
        original.assign(static_cast<const uint16_t*>(f.pixels), static_cast<const uint16_t*>(f.pixels) + size_t(f.pitch) * f.height);
        block = uint16_t(PackColor(f.format, kBlock));
    }
    uint16_t At(int x, int y) const { return static_cast<const uint16_t*>(faces[0]->pixels)[y * faces[0]->pitch + x]; }
    // Whether frame k's block shows at the sprite's corner (100, 50).
    bool BlockShown(int k) const { return At(100 + 8 + 16 * k + 3, 50 + 10) == block; }
    bool FaceIsOriginal() const {
        return std::memcmp(faces[0]->pixels, original.data(), original.size() * 2) == 0;
    }

    CSurface* faces[6];
    int32_t vase = 0;
    ST_wam_perso perso;
    ST_wam_animation anim;
    std::vector<uint16_t> original;
    uint16_t block = 0;
};
}  // namespace

TEST_F(SpwTest, PaintingSavesAndRestoresThePixelsUnderTheSprite) {
    OrvSpw_Paint(faces, 1);
    EXPECT_TRUE(BlockShown(0));
    EXPECT_FALSE(BlockShown(1));
    EXPECT_EQ(At(100, 50), original[50 * 512 + 100]) << "transparent pixels leave the face";
    EXPECT_EQ(At(99, 58), original[58 * 512 + 99]);
    EXPECT_EQ(OrvSpw_HitAt(0, 130, 80), 0);
    EXPECT_EQ(OrvSpw_HitAt(0, 99, 80), -1);
    EXPECT_EQ(OrvSpw_HitAt(1, 130, 80), -1);
    OrvSpw_Restore();
    EXPECT_TRUE(FaceIsOriginal());
    // A whole render leaves the faces as loaded, whatever it painted.
    ASSERT_TRUE(OrvDisplay_LockSurface());
    OrvWarp_Render();
    OrvDisplay_UnlockSurface();
    EXPECT_TRUE(FaceIsOriginal());
}

TEST_F(SpwTest, HiddenFlickeringAndInactiveSlotsAreNotPainted) {
    OrvSpw_Visibles[0].flicker = 1;
    OrvSpw_Paint(faces, 2);
    EXPECT_FALSE(BlockShown(0));
    OrvSpw_Paint(faces, 3);
    EXPECT_TRUE(BlockShown(0));
    OrvSpw_Visibles[0].flicker = 0;
    Elem_Hide(vase, 2, 0);
    EXPECT_EQ(OrvSpw_Visibles[0].shown, 0);
    OrvSpw_Paint(faces, 1);
    EXPECT_TRUE(FaceIsOriginal());
    EXPECT_EQ(OrvSpw_HitAt(0, 130, 80), -1);
    Elem_Show(vase, 2, 0);
    OrvSpw_Visibles[0].active = 0;
    OrvSpw_Paint(faces, 1);
    EXPECT_TRUE(FaceIsOriginal());
    OrvSpw_Restore();
}

TEST_F(SpwTest, FrameListsDrawEveryListedFrame) {
    AddSpwToFrameTab(vase, 0);
    AddSpwToFrameTab(vase, SPW_FRAME_NONE);
    AddSpwToFrameTab(vase, 2);
    EXPECT_EQ(TestSpwFrameTab(vase, 2), 2);
    EXPECT_EQ(TestSpwFrameTab(vase, 1), -1);
    EXPECT_EQ(OrvSpw_IsAnimInFrame(vase, 0), 1);
    OrvSpw_Paint(faces, 1);
    EXPECT_TRUE(BlockShown(0));
    EXPECT_FALSE(BlockShown(1));
    EXPECT_TRUE(BlockShown(2));
    OrvSpw_Restore();
    // Removing frame 0 moves the last used entry into its place.
    SubSpwToFrameTab(vase, 0);
    EXPECT_EQ(OrvSpw_Visibles[0].frame_tab[0], 2);
    EXPECT_EQ(OrvSpw_Visibles[0].frame_tab[1], SPW_FRAME_NONE);
    EXPECT_EQ(OrvSpw_Visibles[0].frame_tab[2], SPW_FRAME_FREE);
    OrvSpw_Paint(faces, 1);
    EXPECT_FALSE(BlockShown(0));
    EXPECT_TRUE(BlockShown(2));
    OrvSpw_Restore();
    // Cleared, the sprite shows its current frame again.
    ClearSpwFrameTab(vase);
    OrvSpw_Visibles[0].frame = 1;
    OrvSpw_Paint(faces, 1);
    EXPECT_TRUE(BlockShown(1));
    EXPECT_FALSE(BlockShown(0));
    OrvSpw_Restore();
    EXPECT_TRUE(FaceIsOriginal());
}

TEST_F(SpwTest, FrameListsReportOverflowAndUnknownElements) {
    for (int i = 0; i < MAX_FRAME_TAB; i++) AddSpwToFrameTab(vase, i % 3);
    EXPECT_FALSE(Logged("liste pleine"));
    AddSpwToFrameTab(vase, 1);
    EXPECT_TRUE(Logged("liste pleine"));
    lines.clear();
    AddSpwToFrameTab(vase + 7, 1);
    EXPECT_TRUE(Logged("absent"));
    lines.clear();
    AddSpwToFrameTab(vase, 300);
    EXPECT_TRUE(Logged("AddSpwToFrameTab"));
    EXPECT_EQ(OrvSpw_find_index(vase), 0);
    EXPECT_EQ(OrvSpw_find_index(vase + 7), -1);
    EXPECT_TRUE(OrvError_InFatal()) << "a missing element is fatal";
    OrvError_ResetForTests();
    EXPECT_EQ(OrvSpw_find_index_anum(vase, 2), -1) << "an object's slot is not a character's";
    OrvError_ResetForTests();
}

TEST_F(SpwTest, FramesStepWhileShownAndPlaying) {
    ST_spw_visible& s = OrvSpw_Visibles[0];
    const int32_t expected[] = {1, 2, -1, 0, 1};
    for (int32_t e : expected) {
        OrvSpw_Advance();
        EXPECT_EQ(s.frame, e);
    }
    s.playing = 0;
    OrvSpw_Advance();
    EXPECT_EQ(s.frame, 1);
    s.playing = 1;
    Elem_Hide(vase, 2, 0);
    EXPECT_EQ(s.frame, 0) << "hiding resets the frame";
    OrvSpw_Advance();
    EXPECT_EQ(s.frame, 0);
}

TEST_F(SpwTest, SlotsAreLimitedAndBadFilesRefused) {
    OrvSpw_FreeAll();
    for (int i = 0; i < MAX_SPW_VISIBLES; i++) ASSERT_EQ(OrvSpw_load((dir / "blocks.SPW").c_str(), &perso, &anim), 1);
    EXPECT_EQ(OrvSpw_load((dir / "blocks.SPW").c_str(), &perso, &anim), 0);
    EXPECT_EQ(OrvSpw_NbVisibles, MAX_SPW_VISIBLES);
    OrvSpw_FreeAll();
    // Missing, truncated, and a first frame the file lacks.
    EXPECT_EQ(OrvSpw_load((dir / "none.SPW").c_str(), &perso, &anim), 0);
    const std::string bytes = ReadFileText(dir / "blocks.SPW");
    ASSERT_TRUE(WriteFileBytes(dir / "cut.SPW", bytes.data(), bytes.size() / 2));
    EXPECT_EQ(OrvSpw_load((dir / "cut.SPW").c_str(), &perso, &anim), 0);
    ST_wam_animation late = anim;
    late.first_frame = 5;
    late.last_frame = 9;
    EXPECT_EQ(OrvSpw_load((dir / "blocks.SPW").c_str(), &perso, &late), 0);
    EXPECT_EQ(OrvSpw_load((dir / "blocks.SPW").c_str(), nullptr, &anim), 0);
    EXPECT_EQ(OrvSpw_NbVisibles, 0);
    OrvError_ResetForTests();
}

TEST_F(WarpWorldTest, MissingOrBadFacesBecomeCheckerboards) {
    namespace fs = std::filesystem;
    const std::string warp = dir / "datas_q2/warp/";
    fs::remove(warp + WarpFace_FileName("IR011", 2));
    const std::string front = ReadFileText(warp + WarpFace_FileName("IR011", 0));
    ASSERT_TRUE(WriteFileBytes(warp + WarpFace_FileName("IR011", 0), front.data(), 200));
    TgaImage small;
    small.width = small.height = 64;
    small.pixels.assign(64 * 64, 0xFF808080u);
    const std::vector<uint8_t> smallBytes = TgaWriter_Encode(small);
    ASSERT_TRUE(WriteFileBytes(warp + WarpFace_FileName("IR011", 4), smallBytes.data(), smallBytes.size()));
    Enter(11);
    EXPECT_TRUE(Logged("face 0"));
    EXPECT_TRUE(Logged("face 2"));
    EXPECT_TRUE(Logged("face 4"));
    EXPECT_TRUE(Logged("64x64"));
    EXPECT_FALSE(Logged("face 1 "));
    // A checkerboard of 32-pixel cells; the good faces are as written.
    const auto* back = static_cast<const uint16_t*>(OrvWarp_GetFace(2)->pixels);
    EXPECT_NE(back[0], back[32]);
    EXPECT_EQ(back[0], back[64]);
    const auto* right = static_cast<const uint16_t*>(OrvWarp_GetFace(1)->pixels);
    EXPECT_EQ(PanoramaWriter_DecodeCoded565(right[100 * 512 + 300]).face, 1);
    // The view still draws.
    ASSERT_TRUE(OrvDisplay_LockSurface());
    OrvWarp_Render();
    OrvDisplay_UnlockSurface();
    OrvError_ResetForTests();
}
