// Tests of the picture viewer: the bank named by the command, the pass over the view, the close on a click.
#include "MenuFlowUtil.h"
#include "menus/ViewBigSpr.h"
#include "testdata/MenuArt.h"

namespace {

constexpr uint32_t kPicture = 0xFF20C040;
constexpr uint16_t kView = 0x1111;

}  // namespace

class ViewBigSprTest : public MenuFlowTest {
protected:
    void SetUp() override {
        MenuFlowTest::SetUp();
        std::vector<SprImage> sprites = {MenuArt_Sprite(40, 20, kPicture)};
        SprImage& s = sprites[0];
        s.x = s.y = 0;  // the viewer centres by its point, so the hot spot decides
        ASSERT_TRUE(SprWriter_Save(Data().Path() + "spr/pic.spr", sprites, SprWriterOptions{}));
        MenuHooks.Warp_Render = [] {
            if (!OrvDisplay_LockSurface()) return false;
            ClearView();
            return true;
        };
    }
    void TearDown() override {
        while (ViewBigSpr_GetBank()) {
            MouseClickFlags.click = 1;
            ViewBigSpr_continue();
        }
        MenuFlowTest::TearDown();
    }
    static void ClearView() {
        CSurface& s = *OrvDisplay_GetRenderSurface();
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) reinterpret_cast<uint16_t*>(s.Row(y))[x] = kView;
    }
};

TEST_F(ViewBigSprTest, ShowsThePictureOverTheViewUntilAClick) {
    game.loopType = 0;
    ViewBigSpr_Start("pic.spr)");
    EXPECT_EQ(game.loopType, 11);
    ASSERT_NE(ViewBigSpr_GetBank(), nullptr);
    for (int pass = 0; pass < 3; ++pass) ViewBigSpr_continue();
    EXPECT_EQ(OrvDisplay_GetLockCount(), 0);
    const uint16_t picture = uint16_t(PackColor(window.GetPixelFormat(), kPicture));
    EXPECT_EQ(At(320, 240), picture);
    EXPECT_EQ(At(359, 259), picture);
    EXPECT_EQ(At(319, 240), kView);
    // A second start frees the bank left over, with a warning.
    ViewBigSpr_Start("pic.spr\r\n");
    EXPECT_TRUE(Logged("ViewBigSpr_Start() : bank non NULL="));
    EXPECT_NE(ViewBigSpr_GetBank(), nullptr);

    MouseClickFlags.click = 1;
    ViewBigSpr_continue();
    EXPECT_EQ(game.loopType, 0);
    EXPECT_EQ(ViewBigSpr_GetBank(), nullptr);
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_TRUE(game.Called("look stop"));
}

TEST_F(ViewBigSprTest, ALongNameIsCutAndAMissingPictureLeavesTheView) {
    const std::string longName(70, 'n');
    ViewBigSpr_Start(longName.c_str());
    EXPECT_EQ(ViewBigSpr_GetBank(), nullptr);
    char path[ORV_PATH_MAX];
    build_path_spr(path, longName.substr(0, 63).c_str());
    EXPECT_TRUE(Logged(std::string("fichier non trouvé: ") + path));
    EXPECT_FALSE(Logged(longName.substr(0, 64)));
    ViewBigSpr_continue();
    EXPECT_EQ(At(320, 240), kView);
    MouseClickFlags.click = 1;
    ViewBigSpr_continue();
    EXPECT_EQ(game.loopType, 0);
}
