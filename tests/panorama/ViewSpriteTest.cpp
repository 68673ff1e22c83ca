// View sprites painted into the faces and restored, and their frame lists.
#include <cstring>
#include <tuple>

#include "PanoramaFixture.h"
#include "graphics2d/PixelFormat.h"

namespace {
constexpr uint32_t kBlock = 0xFFE04010u;

class SpwTest : public WarpWorldTest {
protected:
    void SetUp() override {
        WarpWorldTest::SetUp();
        Enter(10);
        for (int f = 0; f < 6; f++) faces[f] = OrvWarp_GetFace(f);
        vase = DefName_GetIdName(DEFNAME_OBJETS, "VASE");
        // Three frames of 64 x 64, transparent but for an 8 x 8 block at x = 8 + 16 k in frame k.
        std::vector<SprImage> frames(3);
        for (int k = 0; k < 3; k++) {
            frames[k].width = frames[k].height = 64;
            frames[k].pixels.assign(64 * 64, 0);
            for (int y = 8; y < 16; y++)
                for (int x = 8 + 16 * k; x < 16 + 16 * k; x++) frames[k].pixels[size_t(y) * 64 + x] = kBlock;
        }
        ASSERT_TRUE(PanoramaWriter_WriteSpw(dir / "blocks.SPW", frames));
        OrvSpw_FreeAll();
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
    bool FaceIsOriginal() const { return std::memcmp(faces[0]->pixels, original.data(), original.size() * 2) == 0; }
    // The frames painted by one pass, then the faces restored.
    std::vector<bool> Painted(int pass = 1) {
        OrvSpw_Paint(faces, pass);
        std::vector<bool> shown = {BlockShown(0), BlockShown(1), BlockShown(2)};
        OrvSpw_Restore();
        EXPECT_TRUE(FaceIsOriginal());
        return shown;
    }

    CSurface* faces[6];
    int32_t vase = 0;
    ST_wam_perso perso{};
    ST_wam_animation anim;
    std::vector<uint16_t> original;
    uint16_t block = 0;
};
using Shown = std::vector<bool>;
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
    // The frame's whole 64 x 64 rectangle is hit, its last column and row included.
    for (auto [x, y, hit] : {std::tuple{100, 50, 0}, {163, 113, 0}, {163, 80, 0}, {130, 113, 0}, {164, 80, -1},
                             {130, 114, -1}, {130, 49, -1}})
        EXPECT_EQ(OrvSpw_HitAt(0, x, y), hit) << x << "," << y;
    OrvSpw_Restore();
    EXPECT_TRUE(FaceIsOriginal());
    // A whole render leaves the faces as loaded, whatever it painted.
    ASSERT_TRUE(OrvWarp_Render());
    OrvDisplay_UnlockSurface();
    EXPECT_TRUE(FaceIsOriginal());
    // Flickering shows on odd passes only; hidden or inactive slots are not painted nor hit.
    OrvSpw_Visibles[0].flicker = 1;
    EXPECT_EQ(Painted(2), (Shown{false, false, false}));
    EXPECT_EQ(Painted(3), (Shown{true, false, false}));
    OrvSpw_Visibles[0].flicker = 0;
    Elem_Hide(vase, 2, 0);
    EXPECT_EQ(Painted(), (Shown{false, false, false}));
    EXPECT_EQ(OrvSpw_HitAt(0, 130, 80), -1);
    Elem_Show(vase, 2, 0);
    OrvSpw_Visibles[0].active = 0;
    EXPECT_EQ(Painted(), (Shown{false, false, false}));
}

TEST_F(SpwTest, FrameListsDrawEveryListedFrame) {
    AddSpwToFrameTab(vase, WAM_OBJET, 0);
    AddSpwToFrameTab(vase, WAM_OBJET, SPW_FRAME_NONE);
    AddSpwToFrameTab(vase, WAM_OBJET, 2);
    EXPECT_EQ(TestSpwFrameTab(vase, WAM_OBJET, 2), 2);
    EXPECT_EQ(TestSpwFrameTab(vase, WAM_OBJET, 1), -1);
    EXPECT_EQ(OrvSpw_IsAnimInFrame(vase, WAM_OBJET, 0), 1);
    EXPECT_EQ(Painted(), (Shown{true, false, true}));
    // Removing frame 0 moves the last used entry into its place.
    SubSpwToFrameTab(vase, WAM_OBJET, 0);
    EXPECT_EQ(OrvSpw_Visibles[0].frame_tab[0], 2);
    EXPECT_EQ(OrvSpw_Visibles[0].frame_tab[1], SPW_FRAME_NONE);
    EXPECT_EQ(OrvSpw_Visibles[0].frame_tab[2], SPW_FRAME_FREE);
    EXPECT_EQ(Painted(), (Shown{false, false, true}));
    // Cleared, the sprite shows its current frame again.
    ClearSpwFrameTab(vase, WAM_OBJET);
    OrvSpw_Visibles[0].frame = 1;
    EXPECT_EQ(Painted(), (Shown{false, true, false}));
}

// Past its last frame a playing sprite's frame is -1 for one tick, in which the last frame stays drawn.
TEST_F(SpwTest, APlayingSpriteKeepsItsLastFrameForTheTickAfterIt) {
    ST_spw_visible& s = OrvSpw_Visibles[0];
    s.shown = s.playing = 1;
    s.frame = 0;
    std::vector<Shown> seen;
    for (int tick = 0; tick < 5; ++tick) {
        seen.push_back(Painted());
        OrvSpw_Advance();
    }
    const Shown last{false, false, true};
    EXPECT_EQ(seen, (std::vector<Shown>{{true, false, false}, {false, true, false}, last, last, {true, false, false}}));
    EXPECT_EQ(s.frame, 1);
    // Held (not playing) or hidden, it keeps its frame.
    s.playing = 0;
    OrvSpw_Advance();
    EXPECT_EQ(s.frame, 1);
    s.playing = 1;
    s.shown = 0;
    OrvSpw_Advance();
    EXPECT_EQ(s.frame, 1);
}

// "(ANIM_THE_FRAME=ELEMENT,n)" holds the element's frame n through every tick; a negative n lets it play again.
TEST_F(SpwTest, AnimTheFrameHoldsAFrameUntilTheElementPlaysAgain) {
    ST_spw_visible& s = OrvSpw_Visibles[0];
    EXPECT_TRUE(OrvSpw_AnimTheFrame("vase,2"));  // names are matched without regard to case
    std::vector<Shown> seen;
    for (int tick = 0; tick < 4; ++tick) {
        seen.push_back(Painted());
        OrvSpw_Advance();
    }
    EXPECT_EQ(seen, std::vector<Shown>(4, Shown{false, false, true})) << "no empty tick while held";
    EXPECT_TRUE(OrvSpw_AnimTheFrame("VASE,-1"));
    OrvSpw_Advance();
    EXPECT_EQ(s.frame, -1);
    OrvSpw_Advance();
    EXPECT_EQ(s.frame, 0);

    // A frame past the animation's last, an element the view does not show, a value without its frame: each a
    // warning that leaves the sprite as it was.
    EXPECT_FALSE(OrvSpw_AnimTheFrame("VASE,3"));
    EXPECT_TRUE(Reported("ANIM_THE_FRAME=VASE,3 : image 3"));
    EXPECT_FALSE(OrvSpw_AnimTheFrame("VEILLEUR,0"));
    EXPECT_TRUE(Reported("élément absent de la vue"));
    EXPECT_FALSE(OrvSpw_AnimTheFrame("VASE"));
    EXPECT_FALSE(OrvSpw_AnimTheFrame("VASE,x"));
    EXPECT_TRUE(Reported("élément,image attendus"));
    EXPECT_EQ(s.playing, 1);
    EXPECT_EQ(s.frame, 0);
}

// An element shown in two slots, the second with a shorter animation: a frame the second lacks holds
// neither; one both have holds both.
TEST_F(SpwTest, AnimTheFrameHoldsEverySlotOfTheElementOrNone) {
    ST_wam_animation shorter = anim;
    shorter.numero = 2;
    shorter.last_frame = 1;
    ASSERT_EQ(OrvSpw_load((dir / "blocks.SPW").c_str(), &perso, &shorter), 1);
    ASSERT_EQ(OrvSpw_NbVisibles, 2);
    EXPECT_FALSE(OrvSpw_AnimTheFrame("VASE,2"));
    EXPECT_TRUE(Reported("ANIM_THE_FRAME=VASE,2 : image 2 au-delà de 1"));
    EXPECT_EQ(OrvSpw_Visibles[0].playing, 1) << "the first slot held all the same";
    EXPECT_EQ(OrvSpw_Visibles[0].frame, 0);
    EXPECT_TRUE(OrvSpw_AnimTheFrame("VASE,1"));
    EXPECT_EQ(OrvSpw_Visibles[1].playing, 0) << "the second slot left playing";
    EXPECT_EQ(OrvSpw_Visibles[1].frame, 1);
}
