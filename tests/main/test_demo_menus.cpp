// The demo's menus as a player reads them on the screen: each yes/no box asks its own question, and no tooltip
// covers the word of its own button.
#include <algorithm>
#include <climits>
#include <memory>
#include <ostream>

#include "ProgramRun.h"
#include "app/FrameTimer.h"
#include "app/main/Orv_Main.h"
#include "framework/Input.h"
#include "framework/KeyCodes.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_Font.h"
#include "menus/Orv_Menu.h"

namespace {
constexpr int kW = 640, kH = 480;

struct Rect {
    int l = INT_MAX, t = INT_MAX, r = -1, b = -1;  // inclusive
    bool Empty() const { return r < 0; }
    bool Holds(int x, int y) const { return x >= l && x <= r && y >= t && y <= b; }
    void Add(int x, int y) {
        l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
    }
    bool Meets(const Rect& o) const { return !Empty() && !o.Empty() && l <= o.r && o.l <= r && t <= o.b && o.t <= b; }
};
std::ostream& operator<<(std::ostream& out, const Rect& r) { return out << "(" << r.l << "," << r.t << ")-(" << r.r << "," << r.b << ")"; }

bool Bright(uint32_t p) { return (p >> 16 & 0xFF) >= 0xF0 && (p >> 8 & 0xFF) >= 0xF0 && (p & 0xFF) >= 0xF0; }
bool Dark(uint32_t p) { return (p >> 16 & 0xFF) <= 0x10 && (p >> 8 & 0xFF) <= 0x10 && (p & 0xFF) <= 0x10; }

// The letters in the area: the menus' words, white over a black shadow one pixel to their lower right, whether
// drawn by the game or into the buttons' pictures.
Rect Lettering(const std::vector<uint32_t>& frame, const Rect& area, const Rect& except = {}) {
    Rect found;
    for (int y = std::max(area.t, 0); y <= std::min(area.b, kH - 2); y++)
        for (int x = std::max(area.l, 0); x <= std::min(area.r, kW - 2); x++)
            if (!except.Holds(x, y) && Bright(frame[size_t(y) * kW + size_t(x)]) && Dark(frame[size_t(y + 1) * kW + size_t(x + 1)]))
                found.Add(x, y);
    return found;
}

// Where a sprite of the bank centred on (x, y) is drawn.
Rect SpriteRect(SprBank* bank, int x, int y) {
    int w = 0, h = 0;
    OrvSpr_GetSize(bank, 0, &w, &h);
    return {x - w / 2, y - h / 2, x + w / 2 - 1, y + h / 2 - 1};
}

int PopupWidth(const std::string& text) {
    OrvFont_PrintBegin(nullptr, "OrvFT_POPUP", 0xFFFFFF);
    OrvTextSize size{};
    OrvFont_GetTextSize(text.c_str(), int32_t(text.size()), size);
    OrvFont_PrintEnd();
    return size.cx;
}

template <typename W>
W* Widget(const char* name) {
    return MenuState.page ? dynamic_cast<W*>(MenuState.page->FindWidget(name)) : nullptr;
}

// The yes/no box is up and asks the yes button's text, a question, across its top: its letters there are as wide
// as the text and centred in the box, above the buttons.
Step AsksItsQuestion(std::vector<std::string>* asked) {
    auto shown = std::make_shared<int>(0);
    return [asked, shown] {
        auto* box = Widget<CMnPicture>("c_yn.spr");
        auto* yes = Widget<CMnSprWidget>("b_oui.spr");
        if (!box || !box->IsVisible() || !yes || ++*shown < 3) return false;  // a few passes drawn with the box
        const std::string question = yes->GetText();
        asked->push_back(question);
        EXPECT_EQ(question.back(), '?') << question;
        const Rect boxRect = SpriteRect(box->GetBank(), box->GetX(), box->GetY());
        const int above = std::min(yes->GetTop(), Widget<CMnSprWidget>("b_non.spr")->GetTop()) - 1;
        const Rect seen = Lettering(PresentedFrame(), {boxRect.l, boxRect.t, boxRect.r, above});
        // The letters' ink: within the advances of the text, short of them by the side bearings at most.
        const int width = PopupWidth(question);
        EXPECT_TRUE(seen.r - seen.l + 1 <= width && seen.r - seen.l + 1 >= width * 7 / 8) << question << " drawn at " << seen;
        EXPECT_NEAR((seen.l + seen.r) / 2, (boxRect.l + boxRect.r) / 2, 2) << question << " drawn at " << seen;
        return true;
    };
}

// Points at every shown, enabled button of the page that has a tooltip, one after the other, and compares the
// tooltip that comes up with the button's own word: the word as the button showed before its tooltip came, the
// tooltip as what came in white or black then.
Step TooltipsClearOfTheirWords(std::vector<std::string>* checked) {
    struct Pointing {
        std::vector<CMnSprWidget*> buttons;
        size_t next = 0;
        int32_t since = -2;  // the frame the pointer came onto the button; -2 and -1 on the way there
        std::vector<uint32_t> before;
    };
    auto s = std::make_shared<Pointing>();
    return [s, checked] {
        if (s->buttons.empty())
            for (const auto& w : MenuState.page->GetWidgets())
                if (auto* b = dynamic_cast<CMnSprWidget*>(w.get()); b && b->IsVisible() && b->IsEnabled() && !b->GetText().empty())
                    s->buttons.push_back(b);
        if (s->next == s->buttons.size()) return true;
        CMnSprWidget* b = s->buttons[s->next];
        // Off every button for a pass first, so that the hover starts anew; then the pointer in the button's lower
        // right corner, its arrow off the button.
        const int px = b->GetRight() - 2, py = b->GetBottom() - 2;
        if (s->since < 0) {
            Input_InjectMouseMove((s->since == -2 ? 1 : px) - MousePosition.x, (s->since == -2 ? 1 : py) - MousePosition.y);
            s->since = s->since == -2 ? -1 : FrameCount;
            return false;
        }
        if (s->before.empty()) {
            if (FrameCount - s->since >= 4) s->before = PresentedFrame();
            return false;
        }
        if (FrameCount - s->since < MN_TOOLTIP_DELAY + 3) return false;
        const std::vector<uint32_t> after = PresentedFrame();
        const Rect word = Lettering(s->before, SpriteRect(b->GetBank(), b->GetX(), b->GetY()), {px, py, px + 16, py + 16});
        // Near the button: a toggled button elsewhere on the page blinks.
        Rect tooltip;
        for (int y = std::max(b->GetTop() - 30, 0); y <= std::min(b->GetBottom(), kH - 1); y++)
            for (int x = 0; x < kW; x++) {
                const size_t at = size_t(y) * kW + size_t(x);
                if (after[at] != s->before[at] && (Bright(after[at]) || Dark(after[at]))) tooltip.Add(x, y);
            }
        EXPECT_FALSE(word.Empty()) << b->GetName();
        EXPECT_FALSE(tooltip.Empty()) << b->GetName();
        EXPECT_FALSE(word.Meets(tooltip)) << b->GetName() << ": \"" << b->GetText() << "\" at " << tooltip << " over its word at " << word;
        checked->push_back(b->GetName());
        *s = Pointing{s->buttons, s->next + 1};
        return false;
    };
}

Step PageUp(const char* widget) {
    return WaitFor([widget] { return PageShows(widget) && Widget<CMnWidget>(widget)->IsEnabled(); });
}
}  // namespace

TEST(DemoMenus, EachYesNoBoxAsksItsOwnQuestionAndNoTooltipCoversItsButtonsWord) {
    ProgramRun run;
    std::vector<std::string> asked, checked;
    auto check = [&checked] { return TooltipsClearOfTheirWords(&checked); };
    // The player page and its quit question.
    Append(run.steps, {WaitFor([] { return Loop() == LOOP_QMV; }), Click(), PageUp("b_gala.spr"), check(),
                       ClickWidget("a_exit.spr"), PageUp("b_non.spr"), AsksItsQuestion(&asked), check(), ClickWidget("b_non.spr"),
                       PageUp("b_gala.spr"), ClickWidget("b_gala.spr"), Read(1), Arrive("IR1")});
    // The main page, the options, the sound, the load and save panel and the save question.
    Append(run.steps, {Key(DIK_ESCAPE), PageUp("a_disc.spr"), check(), ClickWidget("a_toolbx.spr"), PageUp("s_sub.spr"),
                       check(), ClickWidget("b_back.spr"), ClickWidget("a_baffle.spr"), PageUp("b_back.spr"), check(),
                       ClickWidget("b_back.spr"), ClickWidget("a_disc.spr"), PageUp("a_save.spr"), check(),
                       ClickWidget("a_save.spr"), PageUp("b_oui.spr"), AsksItsQuestion(&asked), check(), ClickWidget("b_oui.spr"),
                       WaitFor(Idle)});
    // The load page and its erase question.
    Append(run.steps, {Key(DIK_ESCAPE), ClickWidget("a_disc.spr"), ClickWidget("a_load.spr"), PageUp("b_erase.spr"), check(),
                       ClickWidget("b_erase.spr"), ClickWidget("save.spr"), PageUp("b_oui.spr"), AsksItsQuestion(&asked), check(),
                       ClickWidget("b_non.spr"), ClickWidget("b_back.spr"), PageUp("a_disc.spr"), Key(DIK_ESCAPE), WaitFor(Idle)});
    run.PlayToTheEnd();
    EXPECT_EQ(asked, (std::vector<std::string>{MenuTexts[MENU_TXT_MAIN][9], MenuTexts[MENU_TXT_MAIN][7], MenuTexts[MENU_TXT_LOAD][3]}));
    // Every button of the pages walked.
    EXPECT_GE(checked.size(), 29u);
}
