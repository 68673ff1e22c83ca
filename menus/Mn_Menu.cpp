// The menu page: background, builders, operations by name, drawing and event polling.
#include "menus/Mn_Menu.h"

#include <cstring>

#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "framework/DirectDrawSurface.h"
#include "framework/Input.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/PixelFormat.h"
#include "graphics2d/Tga.h"
#include "menus/Orv_MenuHooks.h"

namespace {

const char* const kLoadTgaFn = "void CMnMenu::LoadTga(const string&,CSystemMemorySurface&)";

}  // namespace

CMnMenu::CMnMenu() {
    const CSurface* render = OrvDisplay_GetRenderSurface();
    CPixelFormat pf = render ? render->format : PixelFormatOf(PFID_R5G6B5);
    if (background_.Create(OrvDisplay_GetRenderWidth(), OrvDisplay_GetRenderHeight(), pf) && background_.Lock()) {
        ClearSurface(background_, 0);
        background_.Unlock();
    }
}

CMnMenu::~CMnMenu() {
    widgets_.clear();
    background_.Free();
}

void CMnMenu::LoadBackground(const std::string& file) { LoadTga(file, background_); }

void CMnMenu::LoadTga(const std::string& file, CSurface& target) {
    char path[ORV_PATH_MAX];
    build_path_sprmenu(path, file.c_str());
    if (!OrvFile_Exists(path)) {
        OrvError_Fatal("%s ERROR: impossible de trouver le fichier %s", kLoadTgaFn, path);
        return;
    }
    // The picture reader refuses a file shorter than its header announces before allocating anything.
    CSystemMemorySurface picture;
    if (!Tga_Load(path, picture)) {
        OrvError_Fatal("%s ERROR: fichier TGA illisible %s", kLoadTgaFn, path);
        return;
    }
    if (picture.format.flags & PF_PALETTED) {
        OrvError_Fatal("%s ERROR: la TGA %s est au format paletté.", kLoadTgaFn, path);
        return;
    }
    // Another size copies the common rectangle.
    if (target.Lock()) {
        CopySurface(target, picture);
        target.Unlock();
    }
    picture.Free();
}

void CMnMenu::CopyBackground(CSurface& source) {
    void* dst = background_.Lock();
    void* src = source.Lock();
    if (dst && src) {
        const bool halve = OrvDisplay_GetScreenWidth() == 640 && background_.BytesPerPixel() == 2 &&
                           source.BytesPerPixel() == 2;
        const uint16_t mask = PixelFormat_Is565(background_.format) ? 0x7BEF : 0x3DEF;
        for (int y = 0; y < background_.height; ++y) {
            uint8_t* row = background_.Row(y);
            if (!halve || y >= source.height) {
                std::memset(row, 0, size_t(background_.width) * size_t(background_.BytesPerPixel()));
                continue;
            }
            uint16_t* d = reinterpret_cast<uint16_t*>(row);
            const uint16_t* s = reinterpret_cast<const uint16_t*>(source.Row(y));
            for (int x = 0; x < background_.width; ++x) d[x] = x < source.width ? uint16_t((s[x] >> 1) & mask) : 0;
        }
    }
    if (src) source.Unlock();
    if (dst) background_.Unlock();
}

// ---- builders ----

void CMnMenu::AddWidget(CMnWidget* widget) { widgets_.emplace_back(widget); }

namespace {

// Name, bank, text and position of a sprite widget.
template <class W>
W* NewSpriteWidget(const std::string& name, const std::string& text, int32_t x, int32_t y) {
    W* w = new W;
    w->SetName(name);
    w->LoadBank(name);
    w->SetText(text);
    w->SetPos(x, y);
    return w;
}

}  // namespace

void CMnMenu::AddSpriteWidget(CMnSprWidget* widget, int32_t event) {
    widget->SetEvent(event);
    widget->SetRectFromSprite();
    AddWidget(widget);
}

void CMnMenu::AddPicture(const std::string& name, int32_t x, int32_t y) {
    AddWidget(NewSpriteWidget<CMnPicture>(name, "", x, y));
}

void CMnMenu::AddButton(const std::string& name, const std::string& text, int32_t x, int32_t y, int32_t event) {
    AddSpriteWidget(NewSpriteWidget<CMnSprWidget>(name, text, x, y), event);
}

void CMnMenu::AddPlayerButton(const std::string& name, const std::string& text, int32_t x, int32_t y,
                              int32_t event) {
    AddSpriteWidget(NewSpriteWidget<CMnPlayerButton>(name, text, x, y), event);
}

void CMnMenu::AddAnimButton(const std::string& name, const std::string& text, int32_t frames, int32_t x, int32_t y,
                            int32_t event) {
    CMnAnimButton* w = NewSpriteWidget<CMnAnimButton>(name, text, x, y);
    w->SetFrameCount(frames);
    AddSpriteWidget(w, event);
}

void CMnMenu::AddSwitch(const std::string& name, const std::string& offText, const std::string& onText, int32_t x,
                        int32_t y, bool state, int32_t event) {
    CMnSwitch* w = NewSpriteWidget<CMnSwitch>(name, offText, x, y);
    w->SetTexts(offText, onText);
    w->SetState(state);
    AddSpriteWidget(w, event);
}

void CMnMenu::AddMsgButton(const std::string& name, const std::string& text, int32_t x, int32_t y, bool toggled,
                           int32_t event) {
    CMnMsgButton* w = NewSpriteWidget<CMnMsgButton>(name, text, x, y);
    w->SetToggled(toggled);
    AddSpriteWidget(w, event);
}

void CMnMenu::AddSlider(const std::string& name, const std::string& text, int32_t x, int32_t y, float* value,
                        int32_t event) {
    auto* w = new CMnSlider;
    w->SetName(name);
    w->LoadBanks("g_son.spr", "m_son.spr");
    w->SetText(text);
    w->SetPos(x, y);
    w->SetTrackOffset(-65, -6);
    w->SetKnobOffset(10, 6);
    w->SetTrackSize(115, 15);
    w->SetValuePtr(value);
    w->SetEvent(event);
    AddWidget(w);
}

int32_t CMnMenu::AddSaveList(const std::string& name, const std::string& text, int32_t x, int32_t y, int32_t width,
                             int32_t height, ST_listbox_item* target, int32_t player) {
    auto* list = new CMnListBox;
    list->SetName(name);
    list->LoadBank(name);
    list->SetText(text);
    list->SetPos(x, y);
    list->SetSize(width, height);
    list->SetTarget(target);
    if (MenuHooks.SaveGame_SetPlayer) MenuHooks.SaveGame_SetPlayer(player);
    int32_t count = 0;
    for (int32_t slot = 0; slot < MN_SAVE_SLOTS && MenuHooks.SaveGame_ScanSlot; ++slot) {
        ST_listbox_item item;
        if (!MenuHooks.SaveGame_ScanSlot(slot, &item.savedAt, &item.picture)) continue;
        item.slot = slot;
        list->AddItem(item);
        ++count;
    }
    AddWidget(list);

    auto* bar = new CMnScrollBar;
    bar->SetName("Glisse");
    bar->LoadBanks("g_load.spr", "m_load.spr");
    bar->SetText(text);
    bar->SetPos(x + width, y + height / 2);
    bar->SetTrackOffset(-10, -106);
    bar->SetKnobOffset(10, 6);
    bar->SetTrackSize(20, 200);
    bar->SetValuePtr(list->GetScrollPtr());
    bar->SetEvent(0);
    AddWidget(bar);
    return count;
}

// ---- operations by name ----

CMnWidget* CMnMenu::FindWidget(const std::string& name) const {
    for (const auto& w : widgets_)
        if (w->GetName() == name) return w.get();
    return nullptr;
}

void CMnMenu::MoveWidget(const std::string& name, int32_t dx, int32_t dy) {
    if (CMnWidget* w = FindWidget(name)) w->Move(dx, dy);
}

void CMnMenu::SetWidgetRect(const std::string& name, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (CMnWidget* w = FindWidget(name)) w->SetRect(left, top, right, bottom);
}

void CMnMenu::SetWidgetText(const std::string& name, const std::string& text) {
    if (CMnWidget* w = FindWidget(name)) w->SetText(text);
}

void CMnMenu::SetWidgetAnimate(const std::string& name, bool on) {
    if (CMnWidget* w = FindWidget(name)) w->SetAnimate(on);
}

void CMnMenu::EnableWidget(const std::string& name) {
    if (CMnWidget* w = FindWidget(name)) w->Enable();
}

void CMnMenu::ShowWidget(const std::string& name) {
    if (CMnWidget* w = FindWidget(name)) w->Show();
}

void CMnMenu::HideWidget(const std::string& name) {
    if (CMnWidget* w = FindWidget(name)) w->Hide();
}

void CMnMenu::EnableAll() {
    for (const auto& w : widgets_) w->Enable();
}

void CMnMenu::DisableAll() {
    for (const auto& w : widgets_) w->Disable();
}

// ---- per pass ----

void CMnMenu::Draw() {
    if (slideshow_) {
        DrawSlideshow();
        return;
    }
    if (CSurface* render = OrvDisplay_GetRenderSurface()) CopySurface(*render, background_);
    for (const auto& w : widgets_) w->Draw();
    NewFrameFlags &= ~uint32_t(NEWFRAME_MENU);
}

int32_t CMnMenu::PollEvent() {
    if (slideshow_) return PollSlideshow();
    for (const auto& w : widgets_) {
        if (const int32_t code = w->Update()) {
            MouseClickFlags.click = 0;
            return code;
        }
    }
    if (MouseClickFlags.click) {
        MouseClickFlags.click = 0;
        return MN_EVENT_EMPTY_CLICK;
    }
    return 0;
}
