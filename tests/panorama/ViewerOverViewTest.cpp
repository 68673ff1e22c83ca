// The picture viewer over the real panorama: the view's lock is the one the viewer gives back.
#include "PanoramaFixture.h"
#include "menus/Orv_MenuHooks.h"
#include "menus/ViewBigSpr.h"
#include "testdata/MenuArt.h"

TEST_F(WarpWorldTest, ThePictureViewerDrawsOverTheViewItRendered) {
    lines.clear();
    OrvMenuHooks_Reset();
    MenuHooks.Warp_Render = OrvWarp_Render;
    std::vector<SprImage> picture = {MenuArt_Sprite(40, 20, 0xFF20C040)};
    picture[0].x = picture[0].y = 0;
    ASSERT_TRUE(SprWriter_Save(dir / "spr/pic.spr", picture, SprWriterOptions{}));
    Enter(10);
    // The view alone, as the viewer will draw it under the picture.
    ASSERT_TRUE(OrvWarp_Render());
    const CSurface& render = *OrvDisplay_GetRenderSurface();
    auto row = [&](int y) { return reinterpret_cast<const uint16_t*>(render.Row(y)); };
    const std::vector<uint16_t> view(row(240), row(240) + 640);
    OrvDisplay_UnlockSurface();

    ViewBigSpr_Start("pic.spr)");
    for (int pass = 0; pass < 3; ++pass) {
        ViewBigSpr_continue();
        EXPECT_EQ(OrvDisplay_GetLockCount(), 0);
    }
    ASSERT_TRUE(OrvDisplay_LockSurface());
    const uint16_t green = uint16_t(PackColor(render.format, 0xFF20C040));
    for (int x = 0; x < 640; ++x)
        EXPECT_EQ(row(240)[x], x >= 320 && x < 360 ? green : view[size_t(x)]) << x;
    OrvDisplay_UnlockSurface();
    MouseClickFlags.click = 1;
    ViewBigSpr_continue();
    EXPECT_EQ(ViewBigSpr_GetBank(), nullptr);
    EXPECT_EQ(OrvDisplay_GetLockCount(), 0);
    EXPECT_EQ(lines, std::vector<std::string>{});
    OrvMenuHooks_Reset();
}
