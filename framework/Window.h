// The framework's windows: the window base class and the DirectDraw window with its back buffer.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/DirectDrawSurface.h"
#include "framework/Exceptions.h"
#include "graphics2d/PixelFormat.h"

// Set when the screen's 16-bit pixels are 5-6-5, clear for 5-5-5.
extern uint8_t Is565;
// The main window object (a Velkrum::CMSWindowBase), null while no window is open.
extern void* MainWindowHandle;

namespace Velkrum {

class CDisplayBackend;
struct InputEvent;

class CMSWindowBase {
public:
    CMSWindowBase();
    virtual ~CMSWindowBase();
    CMSWindowBase(const CMSWindowBase&) = delete;
    CMSWindowBase& operator=(const CMSWindowBase&) = delete;

    // Opens the window hidden, through SDL or, with QM_HEADLESS=1, the null backend; the first window
    // opened becomes the main window. Throws CDirectDrawException when the display cannot be opened.
    void Create(const char* title, int width, int height, bool fullScreen);
    // Shows the window and makes it active.
    void Show();
    void Destroy();

    bool IsOpen() const { return backend_ != nullptr; }
    bool IsActive() const { return active_; }
    bool IsFullScreen() const { return fullScreen_; }
    bool IsHeadless() const;
    // A modal message box owned by the window; false when the backend has no screen to show it on.
    bool ShowMessage(const char* caption, const char* text);

    // Focus gained or lost: relative mouse while active, and the frame timer follows.
    virtual void OnActivate(bool active);
    // The window's close button: the normal quit path, taken at the end of the dispatch pass.
    virtual void OnClose();

    // Event plumbing of the input dispatch.
    void PollEvents(std::vector<InputEvent>& out);
    bool InjectEvent(const InputEvent& e);

protected:
    CDisplayBackend* Backend() const { return backend_.get(); }

private:
    std::unique_ptr<CDisplayBackend> backend_;
    bool active_ = false;
    bool fullScreen_ = false;
};

// The main window, or null.
CMSWindowBase* MainWindow();
// A message box over the main window; the text goes to the debug output when there is no window or
// the window runs headless (QM_HEADLESS=1).
void ShowMessageBox(const char* caption, const char* text);

// The screen sizes the game runs at: 640x480 and 800x600.
bool IsSupportedScreenSize(int width, int height);

class CDirectDrawWindow : public CMSWindowBase {
public:
    static constexpr const char* kTitle = "Quillmar 2";

    CDirectDrawWindow() = default;
    ~CDirectDrawWindow() override;

    // Opens and shows the window with a back buffer of the screen size in 5-6-5 pixels, or 5-5-5 with
    // QM_PIXEL555=1; sets Is565. Throws CDirectDrawException (DDERR_INVALIDMODE for other sizes).
    void Open(int width, int height, bool fullScreen);
    void Close();

    // Shows the back buffer: converted to 0xAARRGGBB and presented letterboxed.
    void Flip();
    // Switches between 640x480 and 800x600; the back buffer is re-created cleared.
    void SetScreenSize(int width, int height);

    const CPixelFormat& GetPixelFormat() const { return back_.format; }
    CDirectDrawSurface& GetBackBuffer() { return back_; }
    int Width() const { return back_.width; }
    int Height() const { return back_.height; }
    // The frame of the last Flip as presented, width x height 0xAARRGGBB pixels.
    const std::vector<uint32_t>& GetPresentedFrame() const { return frame_; }

private:
    CDirectDrawSurface back_;
    std::vector<uint32_t> toArgb_;  // one entry per 16-bit pixel value of the back buffer's format
    std::vector<uint32_t> frame_;
};

}  // namespace Velkrum
