// Tests of the menu widgets under injected mouse input and frame counts.
#include <cmath>
#include <memory>

#include "MenuTestUtil.h"
#include "menus/Mn_Widget.h"

namespace {

template <class W>
std::unique_ptr<W> SpriteWidget(const char* bank, int x, int y, int event, const char* text = "Retour") {
    auto w = std::make_unique<W>();
    w->SetName(bank);
    w->LoadBank(bank);
    w->SetText(text);
    w->SetPos(x, y);
    w->SetEvent(event);
    w->SetRectFromSprite();
    return w;
}

SYSTEMTIME Time(int hour, int day = 15) { return SYSTEMTIME{1999, 6, 0, uint16_t(day), uint16_t(hour), 0, 0, 0}; }

}  // namespace

using WidgetTest = MenuTest;

TEST_F(WidgetTest, SpriteButtonEventsFollowItsStrictRectangle) {
    auto b = SpriteWidget<CMnSprWidget>("b_one.spr", 100, 100, 7);  // 40x20 centred: (80, 90) to (120, 110)
    const struct {
        int x, y;
        bool click;
        int want;
    } cases[] = {{100, 100, true, 7}, {100, 100, false, 0}, {80, 100, true, 0}, {120, 100, true, 0},
                 {100, 90, true, 0},  {100, 110, true, 0},  {81, 91, true, 7}};
    for (const auto& c : cases) {
        Mouse(c.x, c.y, c.click);
        EXPECT_EQ(b->Update(), c.want) << c.x << "," << c.y;
    }
    b->Hide();
    EXPECT_EQ(b->Update(), 0);
    b->Show();
    b->Disable();
    EXPECT_EQ(b->Update(), 0);
    b->Enable();
    EXPECT_EQ(b->Update(), 7);
    EXPECT_EQ(MouseClickFlags.click, 1) << "the page, not the button, consumes the click";

    // Drawn by the hot spot: the sprite's centre on the position.
    b->Draw();
    EXPECT_EQ(At(80, 90), Pix565(kArt[0]));
    EXPECT_EQ(At(119, 109), Pix565(kArt[0]));
    EXPECT_EQ(At(79, 100), 0);
    EXPECT_EQ(At(100, 110), 0);
}

TEST_F(WidgetTest, TooltipAfterTenFramesOfHoverInsideTheFrame) {
    auto b = SpriteWidget<CMnSprWidget>("b_one.spr", 300, 200, 1, "Options du jeu");
    auto shown = [&] {
        ClearFrame();
        b->Draw();
        return White() > 0;
    };
    // Shown from the eleventh frame of hover; leaving and coming back restarts the count.
    FrameCount = 1000;
    for (int round = 0; round < 2; ++round) {
        Mouse(300, 200);
        std::string seen;
        for (int i = 0; i < 13; ++i, Tick()) seen += shown() ? '#' : '.';
        EXPECT_EQ(seen, "...........##") << round;
        if (round == 1) break;
        Mouse(10, 10);
        Tick();
        EXPECT_FALSE(shown());
    }
    b->Disable();
    EXPECT_FALSE(shown()) << "a disabled button shows no tooltip";

    // Centred on the rectangle's top edge, kept inside the frame at its sides.
    const std::string text = "Une bulle d'aide assez longue pour deborder";
    const int w = TextWidth(text);
    auto tooltipAt = [&](int x, int y) {
        auto t = SpriteWidget<CMnSprWidget>("b_one.spr", x, y, 1, text.c_str());
        ClearFrame();
        Mouse(x, y);
        FrameCount = 0;
        t->Draw();
        const auto before = Snapshot();
        FrameCount = 11;
        t->Draw();
        return ChangedSince(before);
    };
    const Bounds mid = tooltipAt(320, 200);
    EXPECT_GE(mid.l, 320 - w / 2);
    EXPECT_LE(mid.t, 190 + 4);
    const Bounds right = tooltipAt(630, 300);
    EXPECT_GE(right.l, 640 - w);
    EXPECT_GT(right.r, 630);
    const Bounds left = tooltipAt(12, 100);
    EXPECT_LT(left.l, 3);
    EXPECT_LE(left.r, w + 1);
}

TEST_F(WidgetTest, AnimatedButtonFrames) {
    auto a = SpriteWidget<CMnAnimButton>("a_anim.spr", 200, 200, 3);
    a->SetFrameCount(4);
    // As the page does: the menu's new-frame flag is lowered after drawing.
    auto step = [&](int x, int y, bool held = false, bool click = false) {
        Mouse(x, y, click, held);
        Tick();
        a->Draw();
        NewFrameFlags &= ~uint32_t(NEWFRAME_MENU);
        return a->GetFrame();
    };
    std::vector<int> shown;
    for (int i = 0; i < 6; ++i) {
        shown.push_back(step(200, 200));
        EXPECT_EQ(At(200, 200), Pix565(kArt[a->GetFrame()]));
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 0, 1, 2}));
    a->Draw();  // no new frame: no step
    EXPECT_EQ(a->GetFrame(), 2);
    EXPECT_EQ(step(10, 10), 0);

    // Pressed: it goes on while the button is held, also off the button, and stops on release.
    Mouse(200, 200, true, true);
    EXPECT_EQ(a->Update(), 3);
    EXPECT_EQ(step(200, 200, true, true), 1);
    EXPECT_EQ(step(10, 10, true), 2);
    EXPECT_EQ(step(10, 10), 0);
    EXPECT_EQ(step(200, 200, true), 0) << "hovered while held from elsewhere: no animation";
}

TEST_F(WidgetTest, MessageButtonBlinksWhileToggled) {
    auto m = SpriteWidget<CMnMsgButton>("b_msg.spr", 320, 240, 12, "Effacer");
    FrameCount = 50;
    for (bool toggled : {true, false}) {
        Mouse(320, 240, true);
        EXPECT_EQ(m->Update(), 12);
        EXPECT_EQ(m->IsToggled(), toggled);
        Mouse(10, 10);
        std::string pattern, tips;
        for (int i = 0; i < 23; ++i, Tick()) {
            ClearFrame();
            m->Draw();
            pattern += At(320, 245) == Pix565(kArt[0]) ? '#' : '.';
            tips += White() > 0 ? '#' : '.';
        }
        // A toggled button blinks and shows its tooltip at once; otherwise it is steady and silent.
        EXPECT_EQ(pattern, toggled ? "......######.....######" : std::string(23, '#'));
        EXPECT_EQ(tips, std::string(23, toggled ? '#' : '.'));
    }
}

TEST_F(WidgetTest, SwitchTogglesAndShowsTheTextOfItsState) {
    auto s = SpriteWidget<CMnSwitch>("s_sw.spr", 400, 300, 9);
    s->SetTexts("I", "Sous-titres actifs");
    Mouse(400, 300, true);
    EXPECT_EQ(s->Update(), 9);
    EXPECT_TRUE(s->GetState());
    EXPECT_EQ(s->Update(), 9);
    EXPECT_FALSE(s->GetState());
    s->Hide();
    EXPECT_EQ(s->Update(), 0);
    s->Show();

    // Each state shows its frame and its own tooltip text.
    for (bool on : {true, false}) {
        s->SetState(on);
        Mouse(10, 10);
        s->Draw();
        Mouse(400, 300);
        ClearFrame();
        FrameCount = 0;
        s->Draw();
        const auto before = Snapshot();
        FrameCount = 11;
        s->Draw();
        const Bounds tip = ChangedSince(before);
        EXPECT_EQ(At(400, 305), Pix565(kArt[on ? 1 : 0]));
        if (on) EXPECT_GE(tip.r - tip.l + 1, TextWidth("Sous-titres actifs") - 3);
        else EXPECT_LE(tip.r - tip.l + 1, TextWidth("I") + 2);
    }
}

TEST_F(WidgetTest, SliderRangeAndDrag) {
    float volume = 0.25f;
    CMnSlider s;
    s.LoadBanks("g_son.spr", "m_son.spr");
    s.SetPos(300, 200);
    s.SetTrackOffset(-65, -6);
    s.SetKnobOffset(10, 6);
    s.SetTrackSize(115, 15);
    s.SetValuePtr(&volume);
    s.SetEvent(14);

    // Reacts between x - 75 and x + 60, y - 13 and y + 1, all exclusive.
    for (auto [x, y] : {std::pair{225, 195}, {360, 195}, {250, 187}, {250, 201}}) {
        Mouse(x, y, true, true);
        EXPECT_EQ(s.Update(), 0) << x << "," << y;
        EXPECT_EQ(volume, 0.25f);
    }
    Mouse(226, 188, true, true);
    EXPECT_EQ(s.Update(), 14);
    EXPECT_EQ(volume, 0.0f);  // left of the track start clamps
    Mouse(235 + 46, 150, false, true);  // held, far off the track
    EXPECT_EQ(s.Update(), 14);
    EXPECT_FLOAT_EQ(volume, 46.0f / 115.0f);
    Mouse(600, 150, false, true);
    EXPECT_EQ(s.Update(), 14);
    EXPECT_EQ(volume, 1.0f);
    Mouse(600, 150, false, false);
    EXPECT_EQ(s.Update(), 0);
    EXPECT_FALSE(s.IsDragging());

    // The knob at x - 55 + value x 115, y; a bad value is drawn as 0.
    volume = std::nanf("");
    s.Draw();
    EXPECT_EQ(At(300 - 55, 200), Pix565(0xFFE0E0E0));

    s.Disable();
    Mouse(300, 195, true, true);
    EXPECT_EQ(s.Update(), 0);
}

TEST_F(WidgetTest, ScrollBarRange) {
    float pos = 0.0f;
    CMnScrollBar b;
    b.LoadBanks("g_son.spr", "m_son.spr");
    b.SetPos(528, 279);
    b.SetTrackOffset(-10, -106);  // track from y 173 to 373 at x 518
    b.SetKnobOffset(10, 6);
    b.SetTrackSize(20, 200);
    b.SetValuePtr(&pos);
    b.SetEvent(0);
    // Exclusive at x 518 - 10 and y 173 - 10; then dragged down the track and past its end.
    const struct {
        int x, y;
        bool click, dragging;
        float want;
    } steps[] = {{508, 250, true, false, 0.0f}, {518, 163, true, false, 0.0f}, {527, 164, true, true, 0.0f},
                 {527, 273, false, true, 0.5f}, {527, 479, false, true, 1.0f}};
    for (const auto& c : steps) {
        Mouse(c.x, c.y, c.click, true);
        b.Update();
        EXPECT_EQ(b.IsDragging(), c.dragging) << c.x << "," << c.y;
        EXPECT_FLOAT_EQ(pos, c.want) << c.x << "," << c.y;
    }
}

TEST_F(WidgetTest, SaveListOrderScrollAndClicks) {
    CMnListBox list;
    list.LoadBank("l_list.spr");
    list.SetPos(108, 129);
    list.SetSize(420, 300);
    ST_listbox_item picked{-1, {}, -1};
    list.SetTarget(&picked);

    // Newest first; equal times keep the earlier item first.
    for (int i = 0; i < 4; ++i) list.AddItem({i, Time(i == 0 ? 10 : i == 1 ? 12 : 11), i});
    std::vector<int> slots;
    for (const auto& it : list.GetItems()) slots.push_back(it.slot);
    EXPECT_EQ(slots, (std::vector<int>{1, 2, 3, 0}));

    for (int i = 4; i < 7; ++i) list.AddItem({i % 4, Time(9, i), i});  // older
    EXPECT_EQ(list.VisibleRows(), 5);
    for (auto [scroll, first] : {std::pair{1.0f, 2}, {0.5f, 1}, {7.0f, 2}, {-1.0f, 0}, {0.5f, 1}}) {
        *list.GetScrollPtr() = scroll;
        EXPECT_EQ(list.FirstVisible(), first) << scroll;
    }

    // Only the picture column of the visible rows reacts.
    for (auto [x, y] : {std::pair{168, 200}, {108, 200}, {150, 129 + 5 * 60}}) {
        Mouse(x, y, true);
        EXPECT_EQ(list.Update(), 0) << x << "," << y;
    }
    Mouse(150, 129 + 60 + 5, true);  // row 1 shows item 2
    EXPECT_EQ(list.Update(), MN_EVENT_SAVELIST);
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(picked.slot, list.GetItems()[2].slot);

    // Pictures at (x + 30, y + 30 + 60 r).
    list.Draw();
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(At(138, 159 + 60 * r), Pix565(kArt[list.GetItems()[size_t(1 + r)].picture])) << r;
}
