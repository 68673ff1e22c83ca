// Display backends behind the window: SDL2, and the null backend that runs without any display.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

namespace Velkrum {

// One event as the window and the input dispatch see it, whatever the backend.
struct InputEvent {
    enum class Kind : uint8_t { Key, Motion, Button, Focus, Close, Quit };
    Kind kind = Kind::Quit;
    bool down = false;  // key or button pressed, focus gained
    int code = 0;       // DirectInput key code, or mouse button (1 left, 2 right, 3 middle)
    int dx = 0;
    int dy = 0;
};

// Where a frame of frameW x frameH goes in an output of outW x outH: the largest integer scale that
// fits, else the largest aspect-kept fit, centred; an empty rectangle when either size is empty.
struct FrameRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const FrameRect&) const = default;
};
FrameRect LetterboxRect(int outW, int outH, int frameW, int frameH);

class CDisplayBackend {
public:
    virtual ~CDisplayBackend() = default;
    // Opens the hidden window; throws CDirectDrawException when it cannot.
    virtual void Open(const char* title, int width, int height, bool fullScreen) = 0;
    virtual void Show() = 0;
    // The frame size changes (640x480 / 800x600); a window follows it unless full-screen.
    virtual void SetFrameSize(int width, int height) = 0;
    // Shows a frame of 0xAARRGGBB pixels, width x height, rows packed.
    virtual void Present(const uint32_t* argb, int width, int height) = 0;
    // Appends the pending events in arrival order.
    virtual void Poll(std::vector<InputEvent>& out) = 0;
    // Queues an event as if it came from the device; false when the backend has no queue of its own.
    virtual bool Inject(const InputEvent& e) = 0;
    // Relative mouse motion (pointer captured and hidden) while the window is active.
    virtual void SetRelativeMouse(bool on) = 0;
    virtual bool IsHeadless() const = 0;
    // A modal message box over the window; false when there is none to show.
    virtual bool ShowMessage(const char* caption, const char* text) = 0;
};

std::unique_ptr<CDisplayBackend> CreateSdlBackend();
std::unique_ptr<CDisplayBackend> CreateNullBackend();

}  // namespace Velkrum
