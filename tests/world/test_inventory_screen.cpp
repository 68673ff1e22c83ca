// The inventory screen: grid layout, clicks on it and its drawing over the render surface.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "WorldTest.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_Font.h"
#include "testdata/MenuTextWriter.h"

namespace {
constexpr int32_t kMargin = 16;

void clickAt(int32_t x, int32_t y) {
    MousePosition = {x, y};
    MouseClickFlags.click = 1;
    Inventaire_GereClic();
}

// Clicks the middle of a cell of the screen as laid out at the default 640x480 render size.
void clickCell(int32_t cell) {
    const InventaireGrid g = Inventaire_GetGrid(Inventaire_NbObjets, 640, 480);
    clickAt(g.x0 + (cell % g.columns) * g.cellWidth + g.cellWidth / 2,
            g.y0 + (cell / g.columns) * g.cellHeight + g.cellHeight / 2);
}
}  // namespace

TEST(InventoryGrid, EveryBagSizeFitsInsideTheMarginsWithoutEmptyRows) {
    for (auto [w, h] : {std::pair{640, 480}, {800, 600}}) {
        for (int32_t n = 1; n <= MAX_OBJ_SAC_TOTAL; n++) {
            const InventaireGrid g = Inventaire_GetGrid(n, w, h);
            SCOPED_TRACE(testing::Message() << w << "x" << h << ", " << n << " objets");
            ASSERT_GE(g.columns * g.rows, n);
            EXPECT_LT((g.rows - 1) * g.columns, n);
            EXPECT_GE(std::min(g.cellWidth, g.cellHeight), 40);  // still a usable target with a full bag
            EXPECT_GE(g.x0, kMargin);
            EXPECT_GE(g.y0, kMargin);
            EXPECT_LE(g.x0 + g.cellWidth * g.columns, w - kMargin);
            EXPECT_LE(g.y0 + g.cellHeight * g.rows, h - kMargin);
        }
    }
    // A small bag stands on one centred row of full cells.
    const InventaireGrid two = Inventaire_GetGrid(2, 640, 480);
    EXPECT_EQ(two.rows, 1);
    EXPECT_EQ(two.x0 * 2 + two.cellWidth * 2, 640);
    EXPECT_EQ(two.y0 * 2 + two.cellHeight, 480);
    // Degenerate sizes give an empty grid, never a division by zero.
    EXPECT_EQ(Inventaire_GetGrid(0, 10, 10).cellWidth, 0);
    EXPECT_EQ(Inventaire_GetGrid(-5, -1, 480).cellWidth, 0);
}

TEST_F(WorldTest, ClicksOnTheScreenChooseObjectsAndCloseElsewhere) {
    DefNamesDesc d;
    d.objets = {"RIEN 0", "CLE 1", "LANTERNE 2", "BATON_SOURCE 3", "A 4", "B 5", "C 6", "D 7"};
    d.variables = DefNames_EngineVariables();
    UseDefNames(d);
    for (int32_t id = 1; id <= 7; id++) ASSERT_TRUE(Inventaire_PrendObj_id_nspr(id, id));
    static int closes = 0;
    closes = 0;
    OrvHooks.DialBar_Close = [] { closes++; };
    OrvHooks.Inventaire_Choose = [](int32_t id) { return id == DefName_GetIdName(DEFNAME_OBJETS, "BATON_SOURCE"); };

    clickCell(1);  // closed: the click is the panorama's
    EXPECT_EQ(MouseClickFlags.click, 1);
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 0);

    Inventaire_Show();
    ASSERT_EQ(Inventaire_GetGrid(7, 640, 480).columns * Inventaire_GetGrid(7, 640, 480).rows, 12);
    clickCell(1);
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 2);
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(Inventaire_Shown, 1) << "choosing leaves the screen open";
    clickCell(2);  // the rod takes its own object: the hand keeps the lantern
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 2);
    clickCell(6);  // second row
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 7);
    EXPECT_EQ(closes, 0);

    clickCell(8);  // a cell of the grid that holds no object
    EXPECT_EQ(Inventaire_Shown, 0);
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(closes, 1);
    Inventaire_Hide();  // already closed: the strip is not closed twice
    EXPECT_EQ(closes, 1);

    Inventaire_Show();
    clickAt(0, 0);
    EXPECT_EQ(Inventaire_Shown, 0);
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 7);
    EXPECT_EQ(closes, 2);
    // An emptied bag shows an empty screen that any click closes.
    Inventaire_Reset();
    Inventaire_Show();
    clickCell(0);
    EXPECT_EQ(Inventaire_Shown, 0);
}

namespace {
class InventoryDrawTest : public WorldTest {
protected:
    Velkrum::CDirectDrawWindow window;
    CSurface* render = nullptr;

    void SetUp() override {
        WorldTest::SetUp();
        setenv("QM_HEADLESS", "1", 1);
        ASSERT_TRUE(OrvSpr_MainInit());
        window.Open(640, 480, false);
        ASSERT_TRUE(OrvDisplay_Init(&window));
        OrvSpr_SetScreenFormat(window.GetPixelFormat());
        render = OrvDisplay_GetRenderSurface();
        ASSERT_NE(render, nullptr);
        const std::string ttf = ReadFileText(ORV_FALLBACK_FONT_FILE);
        ASSERT_TRUE(WriteFileBytes(dir / "loc/Sans.ttf", ttf.data(), ttf.size()));
        ASSERT_TRUE(WriteFileText(dir / "loc/Font.txt", FontTxt_Make(FontTxt_StandardBlocks("Sans.ttf"), {}, false)));
        OrvFont_MainInit();
        StartDemo();
    }
    void TearDown() override {
        OrvWorld_Close();
        OrvFont_RemoveFonts();
        OrvDisplay_Close();
        window.Close();
        OrvSpr_MainClose();
        WorldTest::TearDown();
    }

    void draw() {
        ASSERT_TRUE(OrvDisplay_LockSurface());
        ClearSurface(*render, 0);
        Inventaire_Draw();
        OrvDisplay_UnlockSurface();
        EXPECT_EQ(OrvDisplay_GetLockCount(), 0);
    }
    uint32_t pixel(int32_t x, int32_t y) const {
        uint32_t v = 0;
        std::memcpy(&v, render->Row(y) + size_t(x) * size_t(render->BytesPerPixel()), size_t(render->BytesPerPixel()));
        return v;
    }
    // Lit pixels inside a rectangle.
    int lit(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
        int n = 0;
        for (int32_t y = y0; y < y1; y++)
            for (int32_t x = x0; x < x1; x++) n += pixel(x, y) != 0;
        return n;
    }
};
}  // namespace

TEST_F(InventoryDrawTest, CellsShowSpritesNamesAndTheHandAndSkipBadSprites) {
    ASSERT_NE(Inventaire_GetBank(), nullptr);
    ASSERT_TRUE(Inventaire_PrendObjEnMain("CLE"));
    ASSERT_TRUE(Inventaire_PrendObj_id_nspr(DefName_GetIdName(DEFNAME_OBJETS, "LANTERNE"), 2));
    draw();
    EXPECT_EQ(lit(0, 0, 640, 480), 0) << "closed: nothing drawn";

    Inventaire_Show();
    draw();
    const InventaireGrid g = Inventaire_GetGrid(2, 640, 480);
    const int32_t keyX = g.x0, lanternX = g.x0 + g.cellWidth, y = g.y0;
    // Sprites (24 pixels, distinct colours) lie in the upper part of their cells, names under them.
    const uint32_t key = pixel(keyX + g.cellWidth / 2, y + g.cellHeight / 3);
    const uint32_t lantern = pixel(lanternX + g.cellWidth / 2, y + g.cellHeight / 3);
    EXPECT_NE(key, 0u);
    EXPECT_NE(lantern, 0u);
    EXPECT_NE(key, lantern);
    EXPECT_GT(lit(keyX + 1, y + g.cellHeight * 2 / 3, keyX + g.cellWidth - 1, y + g.cellHeight - 1), 0);
    EXPECT_GT(lit(lanternX + 1, y + g.cellHeight * 2 / 3, lanternX + g.cellWidth - 1, y + g.cellHeight - 1), 0);
    // Only the object in hand is framed.
    const uint32_t white = PackColor(render->format, 0xFFFFFFFFu);
    EXPECT_EQ(pixel(keyX, y), white);
    EXPECT_EQ(pixel(keyX + g.cellWidth - 1, y + g.cellHeight - 1), white);
    EXPECT_EQ(pixel(lanternX + g.cellWidth - 1, y), 0u);
    // Nothing strays outside the two cells.
    EXPECT_EQ(lit(0, 0, 640, 480), lit(keyX, y, keyX + 2 * g.cellWidth, y + g.cellHeight));

    // Sprite numbers outside the bank (a bad save) draw no sprite and are reported once per object.
    Inventaire_Sac[0].nspr = 99;
    Inventaire_Sac[1].nspr = -3;
    draw();
    draw();
    EXPECT_EQ(pixel(keyX + g.cellWidth / 2, y + g.cellHeight / 3), 0u);
    EXPECT_GT(lit(keyX + 1, y + 1, keyX + g.cellWidth - 1, y + g.cellHeight - 1), 0) << "the name is still shown";
    int reports = 0;
    for (const std::string& l : lines) reports += l.find("hors de objets.spr") != std::string::npos;
    EXPECT_EQ(reports, 2);
    EXPECT_TRUE(Reported("objet CLE : sprite 99"));
    EXPECT_TRUE(Reported("objet LANTERNE : sprite -3"));
}

TEST_F(InventoryDrawTest, TheMessageScreenReadsOverTheBrightestPicture) {
    // The view behind the message is white.
    OrvHooks.OrvWarp_DrawBackground = [] {
        CSurface* r = OrvDisplay_GetRenderSurface();
        if (!OrvDisplay_LockSurface()) return;
        ClearSurface(*r, PackColor(r->format, 0xFFFFFFFFu));
        OrvDisplay_UnlockSurface();
    };
    ASSERT_TRUE(OrvMsg_Show(1));
    const int32_t lineCount = int32_t(OrvMsg_GetMessage(1)->size());
    ASSERT_GE(lineCount, 2);
    OrvMsg_continue();
    EXPECT_EQ(OrvDisplay_GetLockCount(), 0);
    const uint32_t white = PackColor(render->format, 0xFFFFFFFFu);
    // The white view as the box behind the lines leaves it: darkened twice.
    uint16_t dim = uint16_t(white);
    CBufferSurface one(&dim, 1, 1, 1, render->format);
    ASSERT_TRUE(DarkenRect(one, ClipRect{0, 0, 0, 0}) && DarkenRect(one, ClipRect{0, 0, 0, 0}));
    int top = 480, bottom = -1, outline = 0, text = 0;
    for (int32_t y = 0; y < 480; y++)
        for (int32_t x = 0; x < 640; x++) {
            if (pixel(x, y) == white || pixel(x, y) == dim) continue;
            if (std::abs(x - 320) < 16 && std::abs(y - 240) < 16) continue;  // the pointer
            top = std::min(top, int(y));
            bottom = std::max(bottom, int(y));
            outline += pixel(x, y) == 0;
        }
    // The glyphs are white strokes ringed with black: short white runs between dark pixels.
    for (int32_t y = top; y <= bottom; y++)
        for (int32_t x = 1, run = 0; x < 640; x++) {
            if (pixel(x, y) == white) {
                run += pixel(x - 1, y) != white || run > 0 ? 1 : 0;
                continue;
            }
            text += run > 0 && run <= 4;
            run = 0;
        }
    EXPECT_GT(outline, 500);
    EXPECT_GT(text, 50) << "white strokes between black edges";
    // Lines of the big font: taller than as many lines of the default one could be.
    int32_t bigHeight = 0, defaultHeight = 0;
    OrvFont_PrintBegin(nullptr, "OrvFT_Big_Default", 0);
    bigHeight = OrvFont_GetHeight();
    OrvFont_PrintEnd();
    OrvFont_PrintBegin(nullptr, "OrvFT_Default", 0);
    defaultHeight = OrvFont_GetHeight();
    OrvFont_PrintEnd();
    ASSERT_GT(bigHeight, defaultHeight + 4);
    EXPECT_GT(bottom - top + 1, lineCount * defaultHeight + 2);
    EXPECT_LE(bottom - top + 1, lineCount * bigHeight + 2);
    OrvMsg_Abort();
}
