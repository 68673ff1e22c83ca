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

SYSTEMTIME Time(int hour, int minute = 0, int day = 15) {
    SYSTEMTIME t{};
    t.wYear = 1999;
    t.wMonth = 6;
    t.wDay = uint16_t(day);
    t.wHour = uint16_t(hour);
    t.wMinute = uint16_t(minute);
    return t;
}

}  // namespace

using WidgetTest = MenuTest;

TEST_F(WidgetTest, SpriteButtonEventsFollowItsStrictRectangle) {
    auto b = SpriteWidget<CMnSprWidget>("b_one.spr", 100, 100, 7);
    EXPECT_EQ(b->GetLeft(), 80);
    EXPECT_EQ(b->GetRight(), 120);
    EXPECT_EQ(b->GetTop(), 90);
    EXPECT_EQ(b->GetBottom(), 110);

    Mouse(100, 100, true);
    EXPECT_EQ(b->Update(), 7);
    Mouse(100, 100, false);
    EXPECT_EQ(b->Update(), 0);
    for (auto [x, y] : {std::pair{80, 100}, {120, 100}, {100, 90}, {100, 110}}) {
        Mouse(x, y, true);
        EXPECT_EQ(b->Update(), 0) << x << "," << y;
    }
    Mouse(81, 91, true);
    EXPECT_EQ(b->Update(), 7);
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

TEST_F(WidgetTest, TooltipAfterTenFramesOfHoverAndRestartAfterLeaving) {
    auto b = SpriteWidget<CMnSprWidget>("b_one.spr", 300, 200, 1, "Options du jeu");
    FrameCount = 1000;
    Mouse(300, 200);
    auto pass = [&] {
        ClearFrame();
        b->Draw();
        return White() > 0;
    };
    EXPECT_FALSE(pass());  // hover starts at 1000
    for (int i = 0; i < 9; ++i) {
        Tick();
        EXPECT_FALSE(pass()) << FrameCount;
    }
    Tick();
    EXPECT_FALSE(pass()) << "the tenth frame";
    Tick();
    EXPECT_TRUE(pass()) << "the eleventh frame";
    EXPECT_TRUE(pass());

    // Leaving and coming back restarts the count.
    Mouse(10, 10);
    Tick();
    EXPECT_FALSE(pass());
    Mouse(300, 200);
    Tick();
    EXPECT_FALSE(pass());
    for (int i = 0; i < 10; ++i) Tick();
    EXPECT_FALSE(pass());
    Tick();
    EXPECT_TRUE(pass());

    // The tooltip sits on the rectangle's top edge, centred on the widget.
    const int w = TextWidth("Options du jeu");
    ClearFrame();
    Mouse(10, 10);
    b->Draw();
    const auto before = Snapshot();
    Mouse(300, 200);
    b->Draw();
    FrameCount += 11;
    b->Draw();
    const Bounds tip = ChangedSince(before);
    EXPECT_GE(tip.l, 300 - w / 2);
    EXPECT_LE(tip.r, 300 - w / 2 + w + 1);
    EXPECT_GE(tip.t, 190);
    EXPECT_LE(tip.t, 190 + 4);

    // A disabled button shows no tooltip.
    b->Disable();
    Tick();
    EXPECT_FALSE(pass());
}

TEST_F(WidgetTest, TooltipStaysInsideTheRenderFrame) {
    const std::string text = "Une bulle d'aide assez longue pour deborder";
    const int w = TextWidth(text);
    auto tooltipOf = [&](CMnSprWidget& b) {
        Mouse(b.GetX(), b.GetY());
        FrameCount = 0;
        b.Draw();
        const auto before = Snapshot();
        FrameCount = 11;
        b.Draw();
        return ChangedSince(before);
    };
    auto right = SpriteWidget<CMnSprWidget>("b_one.spr", 630, 300, 1, text.c_str());
    const Bounds r = tooltipOf(*right);
    EXPECT_GE(r.l, 640 - w);
    EXPECT_GT(r.r, 630);
    auto left = SpriteWidget<CMnSprWidget>("b_one.spr", 12, 100, 1, text.c_str());
    const Bounds l = tooltipOf(*left);
    EXPECT_LT(l.l, 3);
    EXPECT_LE(l.r, w + 1);
}

TEST_F(WidgetTest, AnimatedButtonFrames) {
    auto a = SpriteWidget<CMnAnimButton>("a_anim.spr", 200, 200, 3);
    a->SetFrameCount(4);
    // As the page does: the menu's new-frame flag is lowered after drawing.
    auto draw = [&] {
        a->Draw();
        NewFrameFlags &= ~uint32_t(NEWFRAME_MENU);
    };
    Mouse(200, 200);
    std::vector<int> shown;
    for (int i = 0; i < 6; ++i) {
        Tick();
        draw();
        shown.push_back(a->GetFrame());
        EXPECT_EQ(At(200, 200), Pix565(kArt[a->GetFrame()]));
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 0, 1, 2}));
    draw();  // no new frame: no step
    EXPECT_EQ(a->GetFrame(), 2);

    Mouse(10, 10);
    Tick();
    draw();
    EXPECT_EQ(a->GetFrame(), 0);
    EXPECT_EQ(At(200, 200), Pix565(kArt[0]));

    // Pressed: it goes on while the button is held, also off the button, and stops on release.
    Mouse(200, 200, true, true);
    EXPECT_EQ(a->Update(), 3);
    Tick();
    draw();
    EXPECT_EQ(a->GetFrame(), 1);
    Mouse(10, 10, false, true);
    Tick();
    draw();
    EXPECT_EQ(a->GetFrame(), 2);
    Mouse(10, 10, false, false);
    Tick();
    draw();
    EXPECT_EQ(a->GetFrame(), 0);

    // Hovered while held (pressed elsewhere): no animation.
    Mouse(200, 200, false, true);
    Tick();
    draw();
    EXPECT_EQ(a->GetFrame(), 0);

    a->SetAnimate(true);
    Mouse(10, 10);
    Tick();
    draw();
    EXPECT_EQ(a->GetFrame(), 1);
    a->Hide();
    Tick();
    draw();
    EXPECT_EQ(a->GetFrame(), 1) << "a hidden button does not step";
}

TEST_F(WidgetTest, MessageButtonBlinksWhileToggled) {
    auto m = SpriteWidget<CMnMsgButton>("b_msg.spr", 320, 240, 12, "Effacer");
    FrameCount = 50;
    Mouse(320, 240, true);
    EXPECT_EQ(m->Update(), 12);
    EXPECT_TRUE(m->IsToggled());
    Mouse(10, 10);
    std::string pattern;
    for (int i = 0; i < 23; ++i) {
        ClearFrame();
        m->Draw();
        pattern += At(320, 245) == Pix565(kArt[0]) ? '#' : '.';
        EXPECT_GT(White(), 0) << "a toggled button shows its tooltip at once";
        Tick();
    }
    EXPECT_EQ(pattern, "......######.....######");

    Mouse(320, 240, true);
    EXPECT_EQ(m->Update(), 12);
    EXPECT_FALSE(m->IsToggled());
    Mouse(10, 10);
    for (int i = 0; i < 12; ++i) {
        ClearFrame();
        m->Draw();
        EXPECT_EQ(At(320, 245), Pix565(kArt[0]));
        EXPECT_EQ(White(), 0);
        Tick();
    }
    // Its hover tooltip does not depend on being enabled.
    m->Disable();
    Mouse(320, 240);
    m->Draw();
    FrameCount += 11;
    ClearFrame();
    m->Draw();
    EXPECT_GT(White(), 0);
}

TEST_F(WidgetTest, PlayerButtonAndSwitch) {
    auto p = SpriteWidget<CMnPlayerButton>("b_two.spr", 100, 300, 4);
    Mouse(100, 300);
    p->Draw();
    EXPECT_EQ(At(100, 300), Pix565(kArt[1]));
    p->Disable();
    p->Draw();
    EXPECT_EQ(At(100, 300), Pix565(kArt[0]));
    p->Enable();
    Mouse(10, 10);
    p->Draw();
    EXPECT_EQ(At(100, 300), Pix565(kArt[0]));

    auto s = SpriteWidget<CMnSwitch>("s_sw.spr", 400, 300, 9);
    s->SetTexts("I", "Sous-titres actifs");
    Mouse(400, 300, true);
    EXPECT_EQ(s->Update(), 9);
    EXPECT_TRUE(s->GetState());
    EXPECT_EQ(s->Update(), 9);
    EXPECT_FALSE(s->GetState());
    EXPECT_EQ(s->Update(), 9);
    s->Hide();
    EXPECT_EQ(s->Update(), 0);
    s->Show();

    Mouse(400, 300);
    auto tooltip = [&] {
        ClearFrame();
        FrameCount = 0;
        s->Draw();
        const auto before = Snapshot();
        FrameCount = 11;
        s->Draw();
        return ChangedSince(before);
    };
    const Bounds on = tooltip();
    EXPECT_EQ(At(400, 305), Pix565(kArt[1]));
    EXPECT_GE(on.r - on.l + 1, TextWidth("Sous-titres actifs") - 3) << "the on text shows when on";
    s->SetState(false);
    Mouse(10, 10);
    s->Draw();
    Mouse(400, 300);
    const Bounds off = tooltip();
    EXPECT_EQ(At(400, 305), Pix565(kArt[0]));
    EXPECT_LE(off.r - off.l + 1, TextWidth("I") + 2);
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
    EXPECT_TRUE(s.IsDragging());
    Mouse(235 + 46, 150, false, true);  // held, far off the track
    EXPECT_EQ(s.Update(), 14);
    EXPECT_FLOAT_EQ(volume, 46.0f / 115.0f);
    Mouse(600, 150, false, true);
    EXPECT_EQ(s.Update(), 14);
    EXPECT_EQ(volume, 1.0f);
    Mouse(600, 150, false, false);
    EXPECT_EQ(s.Update(), 0);
    EXPECT_FALSE(s.IsDragging());
    EXPECT_EQ(volume, 1.0f);

    // The knob at x - 55 + value x 115, y.
    volume = 0.5f;
    s.Draw();
    EXPECT_EQ(At(300 - 55 + 57, 200), Pix565(0xFFE0E0E0));
    EXPECT_EQ(At(300 - 55 + 57 + 4, 200), Pix565(0xFF404040));
    volume = std::nanf("");
    s.Draw();  // a bad value is drawn as 0
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

    Mouse(508, 250, true, true);  // x exclusive on the left: 518 - 10
    b.Update();
    EXPECT_FALSE(b.IsDragging());
    Mouse(518, 163, true, true);  // y exclusive at the top: 173 - 10
    b.Update();
    EXPECT_FALSE(b.IsDragging());
    Mouse(527, 164, true, true);
    b.Update();
    EXPECT_TRUE(b.IsDragging());
    EXPECT_EQ(pos, 0.0f);
    Mouse(527, 273, false, true);
    b.Update();
    EXPECT_FLOAT_EQ(pos, 0.5f);
    Mouse(527, 479, false, true);
    b.Update();
    EXPECT_EQ(pos, 1.0f);
}

TEST_F(WidgetTest, SaveListOrderScrollAndClicks) {
    CMnListBox list;
    list.LoadBank("l_list.spr");
    list.SetPos(108, 129);
    list.SetSize(420, 300);
    ST_listbox_item picked{-1, {}, -1};
    list.SetTarget(&picked);

    // Newest first; equal times keep the earlier item first.
    list.AddItem({0, Time(10), 0});
    list.AddItem({1, Time(12), 1});
    list.AddItem({2, Time(11), 2});
    list.AddItem({3, Time(11), 3});
    std::vector<int> slots;
    for (const auto& it : list.GetItems()) slots.push_back(it.slot);
    EXPECT_EQ(slots, (std::vector<int>{1, 2, 3, 0}));

    for (int i = 4; i < 7; ++i) list.AddItem({i % 4, Time(9, 0, i), i});  // older
    ASSERT_EQ(list.GetCount(), 7);
    EXPECT_EQ(list.VisibleRows(), 5);
    *list.GetScrollPtr() = 1.0f;
    EXPECT_EQ(list.FirstVisible(), 2);
    *list.GetScrollPtr() = 0.5f;
    EXPECT_EQ(list.FirstVisible(), 1);
    *list.GetScrollPtr() = 7.0f;  // out of range: clamped
    EXPECT_EQ(list.FirstVisible(), 2);
    *list.GetScrollPtr() = -1.0f;
    EXPECT_EQ(list.FirstVisible(), 0);
    *list.GetScrollPtr() = 0.5f;

    // Only the picture column of the visible rows reacts.
    Mouse(168, 200, true);
    EXPECT_EQ(list.Update(), 0);
    Mouse(108, 200, true);
    EXPECT_EQ(list.Update(), 0);
    Mouse(150, 129 + 5 * 60, true);
    EXPECT_EQ(list.Update(), 0);
    Mouse(150, 129 + 60 + 5, true);  // row 1 shows item 2
    EXPECT_EQ(list.Update(), MN_EVENT_SAVELIST);
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(picked.slot, list.GetItems()[2].slot);
    list.Disable();
    Mouse(150, 200, true);
    EXPECT_EQ(list.Update(), 0);
    list.Enable();

    // Pictures at (x + 30, y + 30 + 60 r), the date text to the right.
    list.Draw();
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(At(138, 159 + 60 * r), Pix565(kArt[list.GetItems()[size_t(1 + r)].picture])) << r;
    EXPECT_GT(WhiteIn(208, 159, 639, 159 + 20), 0);
    EXPECT_EQ(WhiteIn(208, 0, 639, 158), 0);

    // An empty list has no sensitive area.
    CMnListBox empty;
    empty.SetPos(108, 129);
    empty.SetSize(420, 300);
    Mouse(150, 150, true);
    EXPECT_EQ(empty.Update(), 0);
    empty.Draw();
}

TEST_F(WidgetTest, SaveDatesUseTheTimeLocaleOnly) {
    const char* old = std::getenv("LC_ALL");
    std::string saved = old ? old : "";
    unsetenv("LC_ALL");
    setenv("LC_TIME", "C", 1);
    SYSTEMTIME t = Time(14, 5);
    t.wSecond = 9;
    EXPECT_EQ(MnListBox_FormatDate(t), "06/15/99 14:05:09");
    t.wMonth = 13;
    EXPECT_EQ(MnListBox_FormatDate(t), "?");
    if (old) setenv("LC_ALL", saved.c_str(), 1);
    unsetenv("LC_TIME");
}

TEST_F(WidgetTest, PictureAndLabel) {
    CMnPicture pic;
    pic.LoadBank("p_pic.spr");
    pic.SetPos(50, 50);
    Mouse(50, 50, true);
    EXPECT_EQ(pic.Update(), 0);
    pic.Draw();
    EXPECT_EQ(At(50, 50), Pix565(kArt[0]));
    ClearFrame();
    pic.Hide();
    pic.Draw();
    EXPECT_EQ(At(50, 50), 0);

    // A label draws on the surface it is given, white over a black shadow.
    CSystemMemorySurface grey;
    ASSERT_TRUE(grey.Create(200, 40, window.GetPixelFormat()));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) reinterpret_cast<uint16_t*>(grey.Row(y))[x] = 0x8410;
    CMnWidget label;
    label.SetText("Remerciements");
    label.SetPos(10, 5);
    label.DrawLabel(&grey);
    int white = 0, black = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            const uint16_t v = reinterpret_cast<uint16_t*>(grey.Row(y))[x];
            white += v == 0xFFFF;
            black += v == 0;
        }
    EXPECT_GT(white, 20);
    EXPECT_GT(black, 20);
}
