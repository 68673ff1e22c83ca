// The credits slideshow of a menu page: "Credits.txt", the 24-bit pictures and their cross-fades.
#include <algorithm>

#include "app/Clock.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "framework/DirectDrawSurface.h"
#include "framework/Input.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/PixelFormat.h"
#include "menus/Mn_Menu.h"
#include "menus/Orv_Font.h"
#include "menus/TxtReader.h"

namespace {

const char* const kPopupFont = "OrvFT_POPUP";

void BuildMixTable(std::vector<uint8_t>& table) {
    table.resize(256 * 256);
    for (int a = 0; a < 256; ++a)
        for (int v = 0; v < 256; ++v) table[size_t(a) * 256 + size_t(v)] = uint8_t(double(v) * (a * 0.00390625));
}

}  // namespace

void CMnMenu::OrvMenu_LoadCredits(std::vector<std::string> backgrounds, const std::string& file, int32_t margin) {
    slideshow_ = 1;
    advance_ = 1;
    // The pictures are made at the size the menus draw in, so the fade covers the frame exactly.
    const int32_t width = OrvDisplay_GetRenderWidth(), height = OrvDisplay_GetRenderHeight();
    const CPixelFormat rgb24 = PixelFormatOf(PFID_R8G8B8);
    currentPicture_ = std::make_unique<Velkrum::CDirectDrawSurface>();
    nextPicture_ = std::make_unique<Velkrum::CDirectDrawSurface>();
    currentPicture_->Initialize(width, height, rgb24);
    nextPicture_->Initialize(width, height, rgb24);
    backgrounds_ = std::move(backgrounds);
    pageIndex_ = 0;
    if (!backgrounds_.empty()) LoadTga(backgrounds_[0], *nextPicture_);
    BuildMixTable(mixTable_);

    char path[ORV_PATH_MAX];
    build_path_loc(path, file.c_str());
    TxtReader text;
    if (!TxtReader_LoadFile(path, text)) {
        OrvError_Fatal("void OrvFont_MainInit(void) ERREUR: le fichier \"%s\" est introuvalbe", file.c_str());
        slideshowFinished_ = 1;
        return;
    }

    OrvFont_PrintBeginOn(nextPicture_.get(), kPopupFont, 0xFFFFFF);
    const int32_t lineHeight = OrvFont_GetHeight();
    bool truncated = false;
    while (!text.txt_IsEnd() && !truncated) {
        TxtReader line;
        text.txt_ReadLine(line);
        if (line.length() == 0 || line.str()[0] == ';') continue;
        if (!line.txt_Equals("[BeginPage]")) {
            OrvError_Warning("void OrvFont_MainInit(void) CREDITS SCRIPT ERROR: ligne incorrecte : %s", line.c_str());
            continue;
        }
        auto& page = creditPages_.emplace_back();
        int32_t y = 0;
        for (;;) {
            if (text.txt_IsEnd()) {
                truncated = true;
                break;
            }
            text.txt_ReadLine(line);
            if (line.txt_Equals("[EndPage]")) break;
            std::string s = line.str();
            if (!s.empty()) {
                int32_t x = margin;
                if (s[0] == '#') {
                    s[0] = ' ';
                    OrvTextSize size;
                    OrvFont_GetTextSize(s.c_str(), int32_t(s.size()), size);
                    x = (width - margin) / 2 - size.cx / 2 + margin;
                }
                auto label = std::make_unique<CMnWidget>();
                label->SetText(s);
                label->SetPos(x, y);
                page.push_back(std::move(label));
            }
            y += lineHeight;
        }
    }
    OrvFont_PrintEnd();
    if (truncated) OrvError_Fatal("void OrvFont_MainInit(void) CREDITS SCRIPT ERROR: fin de fichier inattendue!");

    if (creditPages_.empty()) {
        // Nothing to show: the slideshow is over at once.
        nextPicture_->Clear(0);
        slideshowFinished_ = 1;
        return;
    }
    DrawPageLabels(nextPicture_.get(), 0);
}

void CMnMenu::DrawPageLabels(CSurface* surface, size_t page) {
    if (page >= creditPages_.size()) return;
    for (const auto& label : creditPages_[page]) label->DrawLabel(surface);
}

void CMnMenu::PrepareNextPicture() {
    nextPicture_->Clear(0);
    if (pageIndex_ >= creditPages_.size()) return;
    // Without backgrounds the pages are shown over black.
    if (!backgrounds_.empty()) LoadTga(backgrounds_[pageIndex_ % backgrounds_.size()], *nextPicture_);
    DrawPageLabels(nextPicture_.get(), pageIndex_);
}

void CMnMenu::DrawSlideshow() {
    const double now = CTClock::GetTime();
    if (advance_) {
        currentPicture_->Blit(*nextPicture_);
        if (pageIndex_ <= creditPages_.size()) ++pageIndex_;
        if (pageIndex_ < creditPages_.size())
            PrepareNextPicture();
        else if (pageIndex_ == creditPages_.size())
            nextPicture_->Clear(0);
        else
            slideshowFinished_ = 1;
        advance_ = 0;
        fadeStart_ = now;
    }
    const double t = now - fadeStart_;
    int32_t alpha = 0;
    if (t >= MN_CREDITS_SHOW + MN_CREDITS_FADE) {
        alpha = 255;
        advance_ = 1;
    } else if (t >= MN_CREDITS_SHOW) {
        alpha = int32_t((t - MN_CREDITS_SHOW) * 127.5);
    }
    if (CSurface* render = OrvDisplay_GetRenderSurface()) CrossFade(*render, *currentPicture_, *nextPicture_, alpha);
}

void CMnMenu::CrossFade(CSurface& dst, Velkrum::CDirectDrawSurface& current, Velkrum::CDirectDrawSurface& next,
                        int32_t alpha) {
    alpha = std::clamp(alpha, 0, 255);
    if (mixTable_.empty()) BuildMixTable(mixTable_);
    const uint8_t* cur = static_cast<const uint8_t*>(current.Lock());
    const uint8_t* nxt = static_cast<const uint8_t*>(next.Lock());
    if (cur && nxt && dst.pixels && dst.BytesPerPixel() == 2 && current.BytesPerPixel() == 3 &&
        next.BytesPerPixel() == 3) {
        const uint8_t* fadeOut = &mixTable_[size_t(255 - alpha) * 256];
        const uint8_t* fadeIn = &mixTable_[size_t(alpha) * 256];
        const bool is565 = PixelFormat_Is565(dst.format);
        const int w = std::min({dst.width, current.width, next.width});
        const int h = std::min({dst.height, current.height, next.height});
        for (int y = 0; y < h; ++y) {
            uint16_t* d = reinterpret_cast<uint16_t*>(dst.Row(y));
            const uint8_t* c = current.Row(y);
            const uint8_t* n = next.Row(y);
            for (int x = 0; x < w; ++x, c += 3, n += 3) {
                // Bytes in memory: blue, green, red.
                const uint32_t b = uint8_t(fadeOut[c[0]] + fadeIn[n[0]]);
                const uint32_t g = uint8_t(fadeOut[c[1]] + fadeIn[n[1]]);
                const uint32_t r = uint8_t(fadeOut[c[2]] + fadeIn[n[2]]);
                d[x] = is565 ? uint16_t((r & 0xF8) << 8 | (g & 0xF8) << 3 | b >> 3)
                             : uint16_t((r & 0xF8) << 7 | (g & 0xF8) << 2 | b >> 3);
            }
        }
    }
    if (nxt) next.Unlock();
    if (cur) current.Unlock();
}

int32_t CMnMenu::PollSlideshow() const {
    if (KeyboardState.lastKey || MouseClickFlags.click) return MN_EVENT_CREDITS_STOP;
    return slideshowFinished_ ? MN_EVENT_CREDITS_OVER : 0;
}
