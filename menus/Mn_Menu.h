// The menu page: a background picture and an ordered list of widgets, built, drawn and polled per pass.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics2d/Surface.h"
#include "menus/Mn_Widget.h"

namespace Velkrum {
class CDirectDrawSurface;
}

// Event code of a click that no widget took.
constexpr int32_t MN_EVENT_EMPTY_CLICK = 19;
// Events of a credits slideshow: a key or a click, and the end after the last page.
constexpr int32_t MN_EVENT_CREDITS_STOP = 23;
constexpr int32_t MN_EVENT_CREDITS_OVER = 26;
// Credits timing, seconds: each page alone, then the cross-fade into the next.
constexpr double MN_CREDITS_SHOW = 5.0;
constexpr double MN_CREDITS_FADE = 2.0;

class CMnMenu {
public:
    // An empty page with a background of the render frame's size and the screen's format.
    CMnMenu();
    virtual ~CMnMenu();
    CMnMenu(const CMnMenu&) = delete;
    CMnMenu& operator=(const CMnMenu&) = delete;

    void SetTitle(const std::string& title) { title_ = title; }
    const std::string& GetTitle() const { return title_; }

    void LoadBackground(const std::string& file);
    // Reads a TGA picture of "spr\menu\" into the surface, converting it to the surface's format.
    // A missing, unreadable or paletted picture is fatal.
    void LoadTga(const std::string& file, CSurface& target);
    // The background := the source darkened to half (a 640-wide screen) or black (other widths).
    void CopyBackground(CSurface& source);
    CSystemMemorySurface& GetBackground() { return background_; }

    // Builders: the name is also the bank file of "spr\menu\".
    void AddPicture(const std::string& name, int32_t x, int32_t y);
    void AddButton(const std::string& name, const std::string& text, int32_t x, int32_t y, int32_t event);
    void AddPlayerButton(const std::string& name, const std::string& text, int32_t x, int32_t y, int32_t event);
    void AddAnimButton(const std::string& name, const std::string& text, int32_t frames, int32_t x, int32_t y,
                       int32_t event);
    void AddSwitch(const std::string& name, const std::string& offText, const std::string& onText, int32_t x,
                   int32_t y, bool state, int32_t event);
    void AddMsgButton(const std::string& name, const std::string& text, int32_t x, int32_t y, bool toggled,
                      int32_t event);
    // Track "g_son.spr" and knob "m_son.spr"; the value (0..1) stays the caller's.
    void AddSlider(const std::string& name, const std::string& text, int32_t x, int32_t y, float* value,
                   int32_t event);
    // The list of the player's saves, newest first, then its scroll bar "Glisse"; the clicked item goes
    // to the target. Returns the number of saves listed.
    int32_t AddSaveList(const std::string& name, const std::string& text, int32_t x, int32_t y, int32_t width,
                        int32_t height, ST_listbox_item* target, int32_t player);

    // Operations by name act on the first widget of that name; an unknown name does nothing.
    void MoveWidget(const std::string& name, int32_t dx, int32_t dy);
    void SetWidgetRect(const std::string& name, int32_t left, int32_t top, int32_t right, int32_t bottom);
    void SetWidgetText(const std::string& name, const std::string& text);
    void SetWidgetAnimate(const std::string& name, bool on);
    void EnableWidget(const std::string& name);
    void ShowWidget(const std::string& name);
    void HideWidget(const std::string& name);
    void EnableAll();
    void DisableAll();
    CMnWidget* FindWidget(const std::string& name) const;
    const std::vector<std::unique_ptr<CMnWidget>>& GetWidgets() const { return widgets_; }

    // The background to the render surface, then the widgets in order; the caller holds the render
    // surface locked and the sprite target set.
    void Draw();
    // The first event of the widgets in order; a click that none took gives MN_EVENT_EMPTY_CLICK.
    // Either way the click is consumed.
    int32_t PollEvent();

    // Makes the page the credits slideshow of the file of the localisation directory: pages of text
    // lines over the backgrounds of "spr\menu\" in turn; plain lines start at the margin, lines
    // beginning with '#' are centred right of it.
    void OrvMenu_LoadCredits(std::vector<std::string> backgrounds, const std::string& file, int32_t margin);
    void DrawPageLabels(CSurface* surface, size_t page);
    // dst := current x (255 - alpha) + next x alpha, per channel of the 24-bit pictures, into a 16-bit
    // destination locked by the caller.
    void CrossFade(CSurface& dst, Velkrum::CDirectDrawSurface& current, Velkrum::CDirectDrawSurface& next,
                   int32_t alpha);
    bool IsSlideshow() const { return slideshow_ != 0; }
    bool IsSlideshowFinished() const { return slideshowFinished_ != 0; }
    size_t GetCreditPageCount() const { return creditPages_.size(); }
    const std::vector<std::unique_ptr<CMnWidget>>& GetCreditPage(size_t page) const { return creditPages_[page]; }
    uint32_t GetCreditPageIndex() const { return pageIndex_; }

protected:
    // The page takes ownership.
    void AddWidget(CMnWidget* widget);
    // Event code, hit rectangle from sprite 0, then the widget is added.
    void AddSpriteWidget(CMnSprWidget* widget, int32_t event);

private:
    void DrawSlideshow();
    int32_t PollSlideshow() const;
    // The next picture := the background of a page with its labels, or black.
    void PrepareNextPicture();

    std::string title_;
    CSystemMemorySurface background_;
    std::vector<std::unique_ptr<CMnWidget>> widgets_;

    // Credits slideshow.
    uint8_t slideshow_ = 0;
    uint8_t slideshowFinished_ = 0;
    std::unique_ptr<Velkrum::CDirectDrawSurface> currentPicture_;
    std::unique_ptr<Velkrum::CDirectDrawSurface> nextPicture_;
    std::vector<std::string> backgrounds_;
    uint32_t pageIndex_ = 0;  // the page being faded in
    double fadeStart_ = 0.0;
    uint8_t advance_ = 0;
    std::vector<std::vector<std::unique_ptr<CMnWidget>>> creditPages_;
    std::vector<uint8_t> mixTable_;  // row a, value v: v x a / 256
};
