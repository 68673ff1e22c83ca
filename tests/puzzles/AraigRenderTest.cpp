// The spider's actors drawn into the panorama frame: golden pictures in 5-6-5 and 5-5-5, and a depth
// buffer of their own, cleared for every frame.
#include <cstring>

#include "tests/puzzles/AraigFixture.h"

namespace {

// The frames' checksums, one per pixel format. To regenerate them after a change of the rasterisers or of
// the generated web, run the test with QM_PRINT_GOLDENS=1 and copy the printed values here.
struct Golden {
    bool is555;
    uint64_t frame;
};
constexpr Golden kGoldens[] = {
    {false, 0xb53a88b89bba5ee6ull},
    {true, 0x1bf283b989ccd993ull},
};

uint64_t Checksum(const CSurface& s) {
    uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* row = s.Row(y);
        for (int i = 0; i < s.width * 2; ++i) h = (h ^ row[i]) * 1099511628211ull;
    }
    return h;
}

class AraigRender : public AraigTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        if (GetParam()) setenv("QM_PIXEL555", "1", 1);
        else unsetenv("QM_PIXEL555");
        AraigTest::SetUp();
    }
    void TearDown() override {
        AraigTest::TearDown();
        unsetenv("QM_PIXEL555");
    }
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
    if (std::getenv("QM_PRINT_GOLDENS")) std::printf("golden %s: 0x%016llxull\n", GetParam() ? "5-5-5" : "5-6-5", (unsigned long long)sum);
    for (const Golden& g : kGoldens)
        if (g.is555 == GetParam()) EXPECT_EQ(sum, g.frame) << std::hex << sum;
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

INSTANTIATE_TEST_SUITE_P(PixelFormats, AraigRender, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "x555" : "x565"; });

}  // namespace
