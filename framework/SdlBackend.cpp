// The SDL2 display backend: window, renderer and streaming texture, and the translation of SDL events.
#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/Orv_Log.h"
#include "framework/Backend.h"
#include "framework/Exceptions.h"
#include "framework/KeyCodes.h"

namespace Velkrum {
namespace {

// SDL numbers the right button 3; the game's handlers know it as button 2.
int gameButton(uint8_t sdlButton)
{
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 3;
    default: return 0;
    }
}

// Injected positions stay where their differences fit an int.
int clampPosition(int64_t v) { return int(std::clamp<int64_t>(v, -(int64_t(1) << 29), int64_t(1) << 29)); }

// Passes a warp to the centre may take to show in the events before the pointer may be warped again.
constexpr int kWarpPatience = 30;

uint8_t sdlButton(int button)
{
    switch (button) {
    case 1: return SDL_BUTTON_LEFT;
    case 2: return SDL_BUTTON_RIGHT;
    case 3: return SDL_BUTTON_MIDDLE;
    default: return 0;
    }
}

class CSdlBackend final : public CDisplayBackend {
public:
    ~CSdlBackend() override { Close(); }

    void Open(const char* title, int width, int height, bool fullScreen) override
    {
        // Signals are the input layer's: they must take the game's quit path.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            Fail("SDL_InitSubSystem(VIDEO)");
        videoInit_ = true;
        const Uint32 flags = SDL_WINDOW_HIDDEN | (fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_RESIZABLE);
        window_ = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
        if (!window_)
            Fail("SDL_CreateWindow");
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (!renderer_)
            Fail("SDL_CreateRenderer");
        windowId_ = SDL_GetWindowID(window_);
        // Wayland lets no client move the pointer: there the device's relative motion is read.
        const char* driver = SDL_GetCurrentVideoDriver();
        readPositions_ = !driver || std::strcmp(driver, "wayland") != 0;
        fullScreen_ = fullScreen;
        SetFrameSize(width, height);
    }

    void Show() override
    {
        SDL_ShowWindow(window_);
        SDL_RaiseWindow(window_);
    }

    void SetFrameSize(int width, int height) override
    {
        if (texture_ && width == texW_ && height == texH_)
            return;
        if (texture_)
            SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!texture_)
            Fail("SDL_CreateTexture");
        texW_ = width;
        texH_ = height;
        if (!fullScreen_)
            SDL_SetWindowSize(window_, width, height);
    }

    void Present(const uint32_t* argb, int width, int height) override
    {
        if (width != texW_ || height != texH_)
            SetFrameSize(width, height);
        SDL_UpdateTexture(texture_, nullptr, argb, width * int(sizeof(uint32_t)));
        int outW = 0, outH = 0;
        SDL_GetRendererOutputSize(renderer_, &outW, &outH);
        const FrameRect r = LetterboxRect(outW, outH, width, height);
        const SDL_Rect dst{r.x, r.y, r.w, r.h};
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
        SDL_RenderPresent(renderer_);
    }

    void Poll(std::vector<InputEvent>& out) override
    {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            InputEvent ev;
            switch (e.type) {
            case SDL_QUIT:
                ev.kind = InputEvent::Kind::Quit;
                break;
            case SDL_WINDOWEVENT:
                if (e.window.windowID != windowId_)
                    continue;
                if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED || e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                    ev.kind = InputEvent::Kind::Focus;
                    ev.down = e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED;
                } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                    ev.kind = InputEvent::Kind::Close;
                } else {
                    continue;
                }
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                // The keyboard is read as press and release events: auto-repeat is not one.
                if (e.key.repeat)
                    continue;
                ev.kind = InputEvent::Kind::Key;
                ev.down = e.type == SDL_KEYDOWN;
                ev.code = Input_ScancodeToDIK(e.key.keysym.scancode);
                if (!ev.code)
                    continue;
                break;
            case SDL_MOUSEMOTION:
                ev.kind = InputEvent::Kind::Motion;
                if (readPositions_) {
                    if (!MotionFromPosition(e.motion.x, e.motion.y, ev))
                        continue;
                } else {
                    ev.dx = e.motion.xrel;
                    ev.dy = e.motion.yrel;
                }
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                ev.kind = InputEvent::Kind::Button;
                ev.down = e.type == SDL_MOUSEBUTTONDOWN;
                ev.code = gameButton(e.button.button);
                if (!ev.code)
                    continue;
                break;
            default:
                continue;
            }
            out.push_back(ev);
        }
        if (readPositions_)
            KeepPointerNearCentre();
    }

    bool Inject(const InputEvent& ev) override
    {
        SDL_Event e{};
        switch (ev.kind) {
        case InputEvent::Kind::Quit:
            e.type = SDL_QUIT;
            break;
        case InputEvent::Kind::Close:
        case InputEvent::Kind::Focus:
            e.type = SDL_WINDOWEVENT;
            e.window.windowID = windowId_;
            e.window.event = ev.kind == InputEvent::Kind::Close ? SDL_WINDOWEVENT_CLOSE
                             : ev.down                          ? SDL_WINDOWEVENT_FOCUS_GAINED
                                                                : SDL_WINDOWEVENT_FOCUS_LOST;
            break;
        case InputEvent::Kind::Key: {
            const int scancode = ev.code >= 0 && ev.code < 256 ? Input_DIKToScancode(uint8_t(ev.code)) : 0;
            if (!scancode)
                return false;
            e.type = ev.down ? SDL_KEYDOWN : SDL_KEYUP;
            e.key.windowID = windowId_;
            e.key.state = ev.down ? SDL_PRESSED : SDL_RELEASED;
            e.key.keysym.scancode = SDL_Scancode(scancode);
            e.key.keysym.sym = SDL_GetKeyFromScancode(SDL_Scancode(scancode));
            break;
        }
        case InputEvent::Kind::Motion:
            e.type = SDL_MOUSEMOTION;
            e.motion.windowID = windowId_;
            e.motion.xrel = ev.dx;
            e.motion.yrel = ev.dy;
            injectX_ = clampPosition(int64_t(injectX_) + ev.dx);
            injectY_ = clampPosition(int64_t(injectY_) + ev.dy);
            e.motion.x = injectX_;
            e.motion.y = injectY_;
            break;
        case InputEvent::Kind::Button:
            e.type = ev.down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
            e.button.windowID = windowId_;
            e.button.button = sdlButton(ev.code);
            e.button.state = ev.down ? SDL_PRESSED : SDL_RELEASED;
            e.button.clicks = 1;
            if (!e.button.button)
                return false;
            break;
        }
        return SDL_PushEvent(&e) == 1;
    }

    // Mouse look reads the pointer's positions and warps it back to the centre, hidden and kept in the window:
    // a remote desktop or any synthetic input (XTest) moves the pointer without the raw device motion that
    // SDL's relative mode reads.
    void SetRelativeMouse(bool on) override
    {
        if (readPositions_) {
            looking_ = on;
            SDL_ShowCursor(on ? SDL_DISABLE : SDL_ENABLE);
            SDL_SetWindowGrab(window_, on ? SDL_TRUE : SDL_FALSE);
            // Where the pointer was while the window was away says nothing of the next motion.
            havePointer_ = false;
            if (on)
                Recentre();
            return;
        }
        if (SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE) != 0 && !relativeWarned_) {
            relativeWarned_ = true;
            debug_log("CSdlBackend: relative mouse mode unavailable (%s)", SDL_GetError());
        }
    }

    bool IsHeadless() const override { return false; }

    bool ShowMessage(const char* caption, const char* text) override
    {
        return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, window_) == 0;
    }

private:
    // The motion from the last position read; none for the first position, nor for the arrival of a warp.
    bool MotionFromPosition(int x, int y, InputEvent& ev)
    {
        const bool warped = warpAge_ >= 0 && x == warpX_ && y == warpY_;
        if (warped)
            warpAge_ = -1;
        const bool first = !havePointer_;
        havePointer_ = true;
        ev.dx = x - readX_;
        ev.dy = y - readY_;
        readX_ = x;
        readY_ = y;
        return !first && !warped && (ev.dx || ev.dy);
    }

    // While the view is looked around, a pointer gone a quarter of the window from the centre goes back to it,
    // so that it never stops at an edge.
    void KeepPointerNearCentre()
    {
        injectX_ = warpAge_ >= 0 ? warpX_ : readX_;
        injectY_ = warpAge_ >= 0 ? warpY_ : readY_;
        if (!looking_ || !havePointer_)
            return;
        if (warpAge_ >= 0) {
            if (++warpAge_ < kWarpPatience)
                return;
            warpAge_ = -1;  // it never showed: the pointer was there already
        }
        int w = 0, h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        if (std::abs(readX_ - w / 2) > w / 4 || std::abs(readY_ - h / 2) > h / 4)
            Recentre();
    }

    void Recentre()
    {
        int w = 0, h = 0;
        SDL_GetWindowSize(window_, &w, &h);
        warpX_ = injectX_ = w / 2;
        warpY_ = injectY_ = h / 2;
        warpAge_ = 0;
        SDL_WarpMouseInWindow(window_, warpX_, warpY_);
    }

    [[noreturn]] void Fail(const char* call)
    {
        const std::string text = std::string(call) + ": " + SDL_GetError();
        Close();
        throw CDirectDrawException(DDERR_NODIRECTDRAWHW, text);
    }

    void Close()
    {
        if (texture_)
            SDL_DestroyTexture(texture_);
        if (renderer_)
            SDL_DestroyRenderer(renderer_);
        if (window_) {
            SDL_SetRelativeMouseMode(SDL_FALSE);
            SDL_SetWindowGrab(window_, SDL_FALSE);
            SDL_ShowCursor(SDL_ENABLE);
            SDL_DestroyWindow(window_);
        }
        if (videoInit_)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        texture_ = nullptr;
        renderer_ = nullptr;
        window_ = nullptr;
        videoInit_ = false;
    }

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    Uint32 windowId_ = 0;
    int texW_ = 0;
    int texH_ = 0;
    bool fullScreen_ = false;
    bool videoInit_ = false;
    bool relativeWarned_ = false;
    bool readPositions_ = true;
    bool looking_ = false;
    bool havePointer_ = false;
    int readX_ = 0, readY_ = 0;      // the last position read
    int injectX_ = 0, injectY_ = 0;  // where the events injected so far leave the pointer
    int warpX_ = 0, warpY_ = 0;      // the centre the pointer was last warped to
    int warpAge_ = -1;               // passes since that warp while it has not shown; -1 once it has
};

}  // namespace

std::unique_ptr<CDisplayBackend> CreateSdlBackend() { return std::make_unique<CSdlBackend>(); }

}  // namespace Velkrum
