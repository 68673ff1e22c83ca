// Menu widgets: sprite buttons and their kinds, switches, pictures, the save list, drag controls, labels.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/SystemTime.h"

class CSurface;
struct SprBank;

// Event code of a click in the save list.
constexpr int32_t MN_EVENT_SAVELIST = 20;
// Frames of hovering after which a tooltip shows (it shows from the next one).
constexpr int32_t MN_TOOLTIP_DELAY = 10;
// Height of one row of the save list.
constexpr int32_t MN_LIST_ROW = 60;

// One saved game in the save list.
struct ST_listbox_item {
    int32_t picture = 0;  // sprite of the list's bank shown for the save
    SYSTEMTIME savedAt{};
    int32_t slot = 0;
};

// Base widget; also the plain text label of the credits pages.
class CMnWidget {
public:
    CMnWidget() = default;
    virtual ~CMnWidget() = default;
    CMnWidget(const CMnWidget&) = delete;
    CMnWidget& operator=(const CMnWidget&) = delete;

    virtual void SetText(const std::string& text) { text_ = text; }
    virtual void SetRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {}
    virtual void SetAnimate(bool on) {}
    virtual void Enable() { enabled_ = 1; }
    virtual void Disable() { enabled_ = 0; }
    virtual void Show() { visible_ = 1; }
    virtual void Hide() { visible_ = 0; }
    // The event code of this pass, 0 when nothing happened.
    virtual int32_t Update() { return 0; }
    // The text at the position in white over a black shadow, on the given surface.
    virtual void DrawLabel(CSurface* surface);
    virtual void Draw() {}

    void SetName(const std::string& name) { name_ = name; }
    const std::string& GetName() const { return name_; }
    void SetPos(int32_t x, int32_t y) {
        x_ = x;
        y_ = y;
    }
    void Move(int32_t dx, int32_t dy) {
        x_ += dx;
        y_ += dy;
    }
    int32_t GetX() const { return x_; }
    int32_t GetY() const { return y_; }
    const std::string& GetText() const { return text_; }
    bool IsEnabled() const { return enabled_ != 0; }
    bool IsVisible() const { return visible_ != 0; }

protected:
    int32_t x_ = 0;
    int32_t y_ = 0;
    std::string name_;
    std::string text_;
    uint8_t enabled_ = 1;
    uint8_t visible_ = 1;
};

// A sprite button: sprite 0 of its bank, a hit rectangle, an event code and a tooltip.
class CMnSprWidget : public CMnWidget {
public:
    ~CMnSprWidget() override;
    void SetRect(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
    // The rectangle of sprite 0 centred on the position.
    virtual void SetRectFromSprite();
    virtual void SetEvent(int32_t code) { event_ = code; }
    // Loads the bank from the menu sprite directory.
    virtual void LoadBank(const std::string& file);
    // Strictly inside the hit rectangle.
    virtual bool IsMouseOver() const;
    virtual void DrawPopup();
    int32_t Update() override;
    void Draw() override;

    int32_t GetLeft() const { return left_; }
    int32_t GetTop() const { return top_; }
    int32_t GetRight() const { return right_; }
    int32_t GetBottom() const { return bottom_; }
    SprBank* GetBank() const { return bank_; }

protected:
    // Click over the visible, enabled widget.
    bool Clicked() const;
    // Hover rule of the tooltips: the text shows once the mouse has stayed over the widget for more
    // than MN_TOOLTIP_DELAY frames. `always` shows it at once.
    void HoverTooltip(bool needEnabled, bool always, const std::string& text);

    int32_t left_ = 0;
    int32_t top_ = 0;
    int32_t right_ = 0;
    int32_t bottom_ = 0;
    SprBank* bank_ = nullptr;
    int32_t event_ = 0;
    int32_t hoverStart_ = 0;
    uint8_t wasOver_ = 0;
};

// A button that plays its frames while hovered or pressed (or always).
class CMnAnimButton : public CMnSprWidget {
public:
    void SetAnimate(bool on) override { animateAlways_ = on ? 1 : 0; }
    virtual void SetFrameCount(int32_t count) { frameCount_ = count; }
    void Draw() override;
    int32_t GetFrame() const { return frame_; }

private:
    int32_t frame_ = 0;
    int32_t frameCount_ = 0;
    uint8_t pressed_ = 0;
    uint8_t animateAlways_ = 0;
};

// A button that a click toggles; while toggled it blinks and shows its tooltip.
class CMnMsgButton : public CMnSprWidget {
public:
    virtual void SetToggled(bool on) { toggled_ = on ? 1 : 0; }
    bool IsToggled() const { return toggled_ != 0; }
    int32_t Update() override;
    void Draw() override;
    void DrawPopup() override;

private:
    uint8_t toggled_ = 0;
    int32_t blinkStart_ = 0;
};

// Sprite 1 while hovered, sprite 0 otherwise.
class CMnPlayerButton : public CMnSprWidget {
public:
    void Draw() override;
};

// An on/off switch: sprite 0 off, 1 on, with a tooltip for each state.
class CMnSwitch : public CMnSprWidget {
public:
    virtual void SetTexts(const std::string& offText, const std::string& onText);
    virtual void SetState(bool on) { state_ = on ? 1 : 0; }
    bool GetState() const { return state_ != 0; }
    int32_t Update() override;
    void Draw() override;
    void DrawPopup() override;

private:
    std::string onText_;
    uint8_t state_ = 0;
};

// The save list: rows of 60 pixels, a picture and the save's date, newest first.
class CMnListBox : public CMnWidget {
public:
    ~CMnListBox() override;
    virtual void SetSize(int32_t width, int32_t height);
    // Receives the clicked item.
    virtual void SetTarget(ST_listbox_item* target) { target_ = target; }
    virtual float* GetScrollPtr() { return &scroll_; }
    // Inserted before the first item saved earlier; equal times keep the earlier item first.
    virtual void AddItem(ST_listbox_item item);
    virtual void LoadBank(const std::string& file);
    // Over the picture column of the visible rows.
    virtual bool IsMouseOver() const;
    int32_t Update() override;
    void Draw() override;

    int32_t GetCount() const { return int32_t(items_.size()); }
    const std::vector<ST_listbox_item>& GetItems() const { return items_; }
    // Visible rows and the first visible item for the current scroll position.
    int32_t VisibleRows() const;
    int32_t FirstVisible() const;

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    SprBank* bank_ = nullptr;
    std::vector<ST_listbox_item> items_;
    float scroll_ = 0.0f;
    ST_listbox_item* target_ = nullptr;
};

// The save list's text of a save time (FormatSystemTime) in the fonts' code page.
std::string MnListBox_FormatDate(const SYSTEMTIME& t);

// Base of the drag controls: a track, a knob and a value from 0.0 to 1.0 owned by the caller.
class CMnSprButton : public CMnWidget {
public:
    ~CMnSprButton() override;
    virtual void LoadBanks(const std::string& trackFile, const std::string& knobFile);
    virtual bool IsMouseOver() const;
    // Track origin := position + (dx, dy): call after SetPos.
    void SetTrackOffset(int32_t dx, int32_t dy) {
        trackX_ = x_ + dx;
        trackY_ = y_ + dy;
    }
    void SetKnobOffset(int32_t dx, int32_t dy) {
        knobDx_ = dx;
        knobDy_ = dy;
    }
    void SetTrackSize(int32_t width, int32_t height) {
        trackW_ = width;
        trackH_ = height;
    }
    void SetValuePtr(float* value) { value_ = value; }
    void SetEvent(int32_t code) { event_ = code; }
    bool IsDragging() const { return dragging_ != 0; }

protected:
    // Press over the control starts a drag; while the button is held the value follows the mouse
    // along the track and the event code is returned on every pass.
    int32_t UpdateDrag(bool horizontal);
    void DrawDrag(bool horizontal);
    // The value clamped to 0..1 (0 without a value).
    float Value() const;

    int32_t trackX_ = 0;
    int32_t trackY_ = 0;
    int32_t trackW_ = 0;
    int32_t trackH_ = 0;
    SprBank* trackBank_ = nullptr;
    int32_t knobDx_ = 0;
    int32_t knobDy_ = 0;
    SprBank* knobBank_ = nullptr;
    float* value_ = nullptr;
    int32_t event_ = 0;
    uint8_t dragging_ = 0;
};

// Horizontal drag control (the volume sliders).
class CMnSlider : public CMnSprButton {
public:
    bool IsMouseOver() const override;
    int32_t Update() override { return UpdateDrag(true); }
    void Draw() override { DrawDrag(true); }
};

// Vertical drag control (the save list's scroll bar).
class CMnScrollBar : public CMnSprButton {
public:
    bool IsMouseOver() const override;
    int32_t Update() override { return UpdateDrag(false); }
    void Draw() override { DrawDrag(false); }
};

// Pixels between the top of a picture and the text written across it.
constexpr int32_t MN_PICTURE_TEXT_TOP = 8;

// A static sprite; its text, when it has one, written centred across its top (the yes/no box's question).
class CMnPicture : public CMnWidget {
public:
    ~CMnPicture() override;
    virtual void LoadBank(const std::string& file);
    void Draw() override;
    SprBank* GetBank() const { return bank_; }

private:
    SprBank* bank_ = nullptr;
};
