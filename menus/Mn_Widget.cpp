// Menu widgets: update, drawing, tooltips and event codes.
#include "menus/Mn_Widget.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "framework/Input.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_Font.h"

namespace {

constexpr OrvColorRef kWhite = 0xFFFFFF;
constexpr OrvColorRef kBlack = 0;
const char* const kPopupFont = "OrvFT_POPUP";

int32_t MouseX() { return MousePosition.x; }
int32_t MouseY() { return MousePosition.y; }
bool ClickFlag() { return MouseClickFlags.click != 0; }
bool HeldFlag() { return MouseClickFlags.held != 0; }
bool NewFrame() { return (NewFrameFlags & NEWFRAME_MENU) != 0; }

// Frames since a frame number, correct across the counter's wrap.
int32_t FramesSince(int32_t start) { return int32_t(uint32_t(FrameCount) - uint32_t(start)); }

// Banks of the menus live in "spr\menu\"; the sprite loader reports what it cannot load.
void LoadMenuBank(const std::string& file, SprBank** bank) {
    char path[ORV_PATH_MAX];
    build_path_sprmenu(path, file.c_str());
    OrvSpr_LoadBank(path, bank, 1);
}

// Text with a one-pixel black shadow to its lower right; inside a begin/end pair.
void PrintShadowed(int32_t x, int32_t y, const std::string& text, OrvColorRef colour) {
    OrvFont_SetColor(kBlack);
    OrvFont_PrintAt(x + 1, y + 1, text.c_str());
    OrvFont_SetColor(colour);
    OrvFont_PrintAt(x, y, text.c_str());
}

// A tooltip centred over the rectangle, on its top edge, kept inside the render frame sideways.
// The render surface is locked by the caller; text needs it unlocked.
void DrawTooltip(const std::string& text, int32_t left, int32_t top, int32_t right, OrvColorRef colour) {
    OrvDisplay_UnlockSurface();
    OrvFont_PrintBegin(nullptr, kPopupFont, kWhite);
    OrvTextSize size;
    OrvFont_GetTextSize(text.c_str(), int32_t(text.size()), size);
    int32_t tx = left + (right - left) / 2 - size.cx / 2;
    if (tx < 0) tx = 0;
    const int32_t frameWidth = OrvDisplay_GetRenderWidth();
    if (tx + size.cx > frameWidth) tx = frameWidth - size.cx;
    PrintShadowed(tx, top, text, colour);
    OrvFont_PrintEnd();
    OrvDisplay_LockSurface();
}

void DrawSprite(SprBank* bank, int n, int32_t x, int32_t y) { OrvSpr_Aff(bank, n, x, y, SPR_MODE_PLAIN); }

}  // namespace

// ---- CMnWidget ----

void CMnWidget::DrawLabel(CSurface* surface) {
    OrvFont_PrintBeginOn(surface, kPopupFont, kWhite);
    PrintShadowed(x_, y_, text_, kWhite);
    OrvFont_PrintEnd();
}

// ---- CMnSprWidget ----

CMnSprWidget::~CMnSprWidget() { OrvSpr_LibereBank(&bank_); }

void CMnSprWidget::SetRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
}

void CMnSprWidget::SetRectFromSprite() {
    int w = 0, h = 0;
    // A bank that did not load was reported by the loader; its rectangle is empty.
    if (bank_) OrvSpr_GetSize(bank_, 0, &w, &h);
    SetRect(x_ - w / 2, y_ - h / 2, x_ + w / 2, y_ + h / 2);
}

void CMnSprWidget::LoadBank(const std::string& file) { LoadMenuBank(file, &bank_); }

bool CMnSprWidget::IsMouseOver() const {
    return left_ < MouseX() && MouseX() < right_ && top_ < MouseY() && MouseY() < bottom_;
}

bool CMnSprWidget::Clicked() const { return visible_ && enabled_ && ClickFlag() && IsMouseOver(); }

int32_t CMnSprWidget::Update() { return Clicked() ? event_ : 0; }

void CMnSprWidget::Draw() {
    if (!visible_) return;
    DrawSprite(bank_, 0, x_, y_);
    DrawPopup();
}

void CMnSprWidget::HoverTooltip(bool needEnabled, bool always, const std::string& text) {
    const bool over = IsMouseOver();
    if (always) {
        DrawTooltip(text, left_, top_, right_, kWhite);
    } else if (over && (enabled_ || !needEnabled)) {
        if (!wasOver_) hoverStart_ = FrameCount;
        if (FramesSince(hoverStart_) > MN_TOOLTIP_DELAY) DrawTooltip(text, left_, top_, right_, kWhite);
    }
    wasOver_ = over ? 1 : 0;
}

void CMnSprWidget::DrawPopup() { HoverTooltip(true, false, text_); }

// ---- CMnAnimButton ----

void CMnAnimButton::Draw() {
    const bool over = IsMouseOver();
    if (Clicked()) pressed_ = 1;
    if (!HeldFlag()) pressed_ = 0;
    if (!visible_) return;
    const bool animates = (enabled_ && over && !HeldFlag()) || (enabled_ && pressed_) || animateAlways_;
    if (!animates) {
        frame_ = 0;
    } else if (NewFrame()) {
        if (++frame_ >= frameCount_) frame_ = 0;
    }
    DrawSprite(bank_, frame_, x_, y_);
    DrawPopup();
}

// ---- CMnMsgButton ----

int32_t CMnMsgButton::Update() {
    if (!Clicked()) return 0;
    toggled_ = !toggled_;
    blinkStart_ = FrameCount;
    return event_;
}

void CMnMsgButton::Draw() {
    if (!visible_) return;
    if (!toggled_) {
        DrawSprite(bank_, 0, x_, y_);
    } else {
        // Eleven-frame cycle, hidden for its first six frames.
        const int32_t d = FramesSince(blinkStart_);
        if (d > 5) DrawSprite(bank_, 0, x_, y_);
        if (d > 10) blinkStart_ = FrameCount;
    }
    DrawPopup();
}

void CMnMsgButton::DrawPopup() {
    if (!visible_) return;
    HoverTooltip(false, toggled_ != 0, text_);
}

// ---- CMnPlayerButton ----

void CMnPlayerButton::Draw() {
    if (!visible_) return;
    DrawSprite(bank_, IsMouseOver() && enabled_ ? 1 : 0, x_, y_);
    DrawPopup();
}

// ---- CMnSwitch ----

void CMnSwitch::SetTexts(const std::string& offText, const std::string& onText) {
    text_ = offText;
    onText_ = onText;
}

int32_t CMnSwitch::Update() {
    if (!Clicked()) return 0;
    state_ = !state_;
    return event_;
}

void CMnSwitch::Draw() {
    if (!visible_) return;
    DrawSprite(bank_, state_, x_, y_);
    DrawPopup();
}

void CMnSwitch::DrawPopup() { HoverTooltip(true, false, state_ ? onText_ : text_); }

// ---- CMnListBox ----

CMnListBox::~CMnListBox() { OrvSpr_LibereBank(&bank_); }

void CMnListBox::SetSize(int32_t width, int32_t height) {
    width_ = width;
    height_ = height;
}

void CMnListBox::AddItem(ST_listbox_item item) {
    for (ST_listbox_item& at : items_)
        if (compare_systemtime(item.savedAt, at.savedAt) > 0) std::swap(item, at);
    items_.push_back(item);
}

void CMnListBox::LoadBank(const std::string& file) { LoadMenuBank(file, &bank_); }

int32_t CMnListBox::VisibleRows() const {
    const int32_t rows = std::max(height_ / MN_LIST_ROW, 0);
    return std::min(GetCount(), rows);
}

int32_t CMnListBox::FirstVisible() const {
    const int32_t rows = std::max(height_ / MN_LIST_ROW, 0);
    const int32_t n = GetCount();
    if (n <= rows) return 0;
    // The scroll value is shared with the scroll bar; out-of-range values must not reach the items.
    const float s = std::isnan(scroll_) ? 0.0f : std::clamp(scroll_, 0.0f, 1.0f);
    return int32_t(float(n - rows) * s);
}

bool CMnListBox::IsMouseOver() const {
    return x_ < MouseX() && MouseX() < x_ + MN_LIST_ROW && y_ < MouseY() &&
           int64_t(MouseY()) < int64_t(y_) + int64_t(VisibleRows()) * MN_LIST_ROW;
}

int32_t CMnListBox::Update() {
    if (!visible_ || !enabled_ || !ClickFlag() || !IsMouseOver()) return 0;
    if (target_) *target_ = items_[size_t(FirstVisible() + (MouseY() - y_) / MN_LIST_ROW)];
    MouseClickFlags.click = 0;
    return MN_EVENT_SAVELIST;
}

void CMnListBox::Draw() {
    if (!visible_) return;
    const int32_t first = FirstVisible(), rows = VisibleRows();
    for (int32_t r = 0; r < rows; ++r) {
        const ST_listbox_item& item = items_[size_t(first + r)];
        const int32_t rowY = y_ + MN_LIST_ROW / 2 + MN_LIST_ROW * r;
        DrawSprite(bank_, item.picture, x_ + MN_LIST_ROW / 2, rowY);
        OrvDisplay_UnlockSurface();
        OrvFont_PrintBegin(nullptr, kPopupFont, kWhite);
        OrvFont_PrintAt(x_ + 100, rowY, MnListBox_FormatDate(item.savedAt).c_str());
        OrvFont_PrintEnd();
        OrvDisplay_LockSurface();
    }
}

std::string MnListBox_FormatDate(const SYSTEMTIME& t) {
    bool utf8 = false;
    const std::string text = FormatSystemTime(t, &utf8);
    // The list's font reads the game's single-byte code page.
    return utf8 ? OrvFont_FromUtf8(text) : text;
}

// ---- CMnSprButton, CMnSlider, CMnScrollBar ----

CMnSprButton::~CMnSprButton() {
    OrvSpr_LibereBank(&trackBank_);
    OrvSpr_LibereBank(&knobBank_);
}

void CMnSprButton::LoadBanks(const std::string& trackFile, const std::string& knobFile) {
    LoadMenuBank(trackFile, &trackBank_);
    LoadMenuBank(knobFile, &knobBank_);
}

bool CMnSprButton::IsMouseOver() const {
    return trackX_ < MouseX() && MouseX() < trackX_ + trackW_ && trackY_ - trackH_ / 2 < MouseY() &&
           MouseY() < trackY_ + trackH_ / 2;
}

bool CMnSlider::IsMouseOver() const {
    return trackX_ - 10 < MouseX() && MouseX() < trackX_ + trackW_ + 10 && trackY_ - trackH_ / 2 < MouseY() &&
           MouseY() < trackY_ + trackH_ / 2;
}

bool CMnScrollBar::IsMouseOver() const {
    return trackX_ - trackW_ / 2 < MouseX() && MouseX() < trackX_ + trackW_ / 2 && trackY_ - 10 < MouseY() &&
           MouseY() < trackY_ + trackH_ + 10;
}

float CMnSprButton::Value() const {
    if (!value_ || std::isnan(*value_)) return 0.0f;
    return std::clamp(*value_, 0.0f, 1.0f);
}

int32_t CMnSprButton::UpdateDrag(bool horizontal) {
    if (!visible_ || !enabled_) return 0;
    if (!dragging_) {
        if (!ClickFlag() || !IsMouseOver()) return 0;
        dragging_ = 1;
    } else if (!HeldFlag()) {
        dragging_ = 0;
        return 0;
    }
    const double along = horizontal ? double(MouseX()) - trackX_ : double(MouseY()) - trackY_;
    const int32_t length = horizontal ? trackW_ : trackH_;
    const double v = length > 0 ? along / length : 0.0;
    if (value_) *value_ = float(std::clamp(v, 0.0, 1.0));
    return event_;
}

void CMnSprButton::DrawDrag(bool horizontal) {
    if (!visible_) return;
    DrawSprite(trackBank_, 0, x_, y_);
    const float v = Value();
    if (horizontal)
        DrawSprite(knobBank_, 0, int32_t(v * float(trackW_) + float(trackX_ + knobDx_)), trackY_ + knobDy_);
    else
        DrawSprite(knobBank_, 0, trackX_ + knobDx_, int32_t(v * float(trackH_) + float(trackY_ + knobDy_)));
}

// ---- CMnPicture ----

CMnPicture::~CMnPicture() { OrvSpr_LibereBank(&bank_); }

void CMnPicture::LoadBank(const std::string& file) { LoadMenuBank(file, &bank_); }

void CMnPicture::Draw() {
    if (!visible_) return;
    DrawSprite(bank_, 0, x_, y_);
    if (text_.empty()) return;
    int w = 0, h = 0;
    if (bank_) OrvSpr_GetSize(bank_, 0, &w, &h);
    DrawTooltip(text_, x_ - w / 2, y_ - h / 2 + MN_PICTURE_TEXT_TOP, x_ + w / 2, kWhite);
}
