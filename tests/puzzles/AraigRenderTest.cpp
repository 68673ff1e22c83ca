// The spider's actors drawn into the panorama frame: golden pictures in 5-6-5 and 5-5-5, and a depth
// buffer of their own, cleared for every frame.
#include <cstring>

#include "testdata/TgaWriter.h"
#include "tests/puzzles/AraigFixture.h"

namespace {

class AraigRender : public InPixelFormat<AraigTest> {
protected:
    // The panorama of the current view drawn with the actors; its pixels.
    static std::vector<uint8_t> Frame(uint64_t* sum = nullptr) {
        EXPECT_TRUE(OrvDisplay_LockSurface());
        OrvWarp_Render();
        const CSurface& s = *OrvDisplay_GetRenderSurface();
        std::vector<uint8_t> px;
        for (int y = 0; y < s.height; ++y) px.insert(px.end(), s.Row(y), s.Row(y) + s.width * 2);
        if (sum) *sum = Checksum(s);
        OrvDisplay_UnlockSurface();
        return px;
    }
    static void Stand(int32_t actor, int32_t cell) {
        ST_araig_actor& a = araig_actors[actor];
        a.from = a.to = cell;
        a.progress = 0;
    }
    // The big spider on 230 facing the player on 213, the feather behind it on 247 (its picture's black is
    // keyed out), a skull on 264, the sword on 265.
    void Scene() {
        StartAtStage(3);
        EnterWeb();
        ASSERT_EQ(araig_nb_actors, 4);
        Stand(0, 230);
        araig_face_case(0, 213);
        araig_actors[0].heading = araig_actors[0].target;
        araig_actors[0].rate = 0;
        araig_actors[0].frame = 5;
        Stand(1, 264);
        Stand(2, 257);
        Stand(3, ARAIG_CENTRE);
        araig_add_actor(ARAIG_FEATHER, &db_bouclier, 247, 247, 0, 0, 0);
        float yaw, pitch;
        SpiderWeb_AimToward(213, 247, &yaw, &pitch);
        OrvWarp_SetViewAngles(yaw, pitch + 0.1f);
    }
};

TEST_P(AraigRender, ASpiderAndObjectsMatchTheirGoldenPicture) {
    Scene();
    uint64_t sum = 0;
    const std::vector<uint8_t> with = Frame(&sum);
    ExpectGolden("web", sum, 0xb53a88b89bba5ee6ull, 0x1bf283b989ccd993ull);
    // The actors cover a good part of the frame; the opacity switch is left off.
    araig_running = 0;
    const std::vector<uint8_t> without = Frame();
    araig_running = 1;
    size_t changed = 0;
    for (size_t i = 0; i < with.size(); i += 2) changed += std::memcmp(&with[i], &without[i], 2) != 0;
    EXPECT_GT(changed, 3000u);
    EXPECT_EQ(Orv3D_Opacity, 0u);
    EXPECT_EQ(Orv3D_zbuf.flags & (SURF_LOCKED | SURF_WRITE_LOCK), 0u);
    EXPECT_EQ(Reports(), "");
}

TEST_P(AraigRender, DepthIsComparedOnlyAmongTheActorsOfTheFrame) {
    Scene();
    // The skull alone in front of the spider, drawn first fresh, then after a frame where the spider
    // stood nearer: a depth buffer kept between frames would hide part of it.
    Stand(1, 247);
    Stand(0, 264);
    const std::vector<uint8_t> fresh = Frame();
    Stand(0, 230);
    Frame();
    Stand(0, 264);
    EXPECT_EQ(Frame(), fresh);
    EXPECT_EQ(Reports(), "");
}

TEST_P(AraigRender, TheCaterpillarKeepsTheBlackOfItsPicture) {
    // A caterpillar striped with black: drawn without the opacity switch, its black stays on screen.
    Start([this] {
        TgaImage stripes;
        stripes.width = stripes.height = 32;
        for (int y = 0; y < 32; y++)
            for (int x = 0; x < 32; x++) stripes.pixels.push_back((x + y) % 4 < 2 ? 0xFF000000u : 0xFF40A030u);
        ASSERT_TRUE(TgaWriter_Save(dir / "datas_q2/3d/pz_araig/chenille.tga", stripes));
    });
    EnterWeb();
    ASSERT_EQ(araig_nb_actors, 2);
    ASSERT_EQ(araig_actors[1].kind, ARAIG_CATERPILLAR);
    araig_actors[0].kind = ARAIG_REMOVED;  // the spider out of the picture
    Stand(1, 230);                        // the caterpillar near
    float yaw, pitch;
    SpiderWeb_AimToward(View(), 230, &yaw, &pitch);
    OrvWarp_SetViewAngles(yaw, pitch);
    const std::vector<uint8_t> with = Frame();
    araig_running = 0;
    const std::vector<uint8_t> without = Frame();
    araig_running = 1;
    size_t changed = 0, black = 0;
    for (size_t i = 0; i < with.size(); i += 2)
        if (std::memcmp(&with[i], &without[i], 2) != 0) {
            changed++;
            black += with[i] == 0 && with[i + 1] == 0;
        }
    EXPECT_GT(changed, 100u);
    EXPECT_GT(black * 5, changed) << black << " black of " << changed;
    EXPECT_EQ(Reports(), "");
}

INSTANTIATE_TEST_SUITE_P(PixelFormats, AraigRender, ::testing::Values(false, true), PixelFormatName);

}  // namespace
