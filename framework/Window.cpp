// The window base class and the DirectDraw window: opening, activation, back buffer and flip.
#include "framework/Window.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/Environment.h"
#include "app/FrameTimer.h"
#include "app/Orv_Log.h"
#include "framework/Backend.h"
#include "framework/Input.h"

uint8_t Is565 = 0;
void* MainWindowHandle = nullptr;

namespace Velkrum {
namespace {

std::string modeText(const char* what, int w, int h)
{
    return std::string(what) + " " + std::to_string(w) + "x" + std::to_string(h);
}

}  // namespace

CMSWindowBase* MainWindow() { return static_cast<CMSWindowBase*>(MainWindowHandle); }

void ShowMessageBox(const char* caption, const char* text)
{
    CMSWindowBase* window = MainWindow();
    // Without a screen to show it on, the message goes to the debug output.
    if (!window || !window->ShowMessage(caption ? caption : "", text ? text : ""))
        DebugOut() << (caption ? caption : "") << " : " << (text ? text : "") << std::endl;
}

bool IsSupportedScreenSize(int width, int height)
{
    return (width == 640 && height == 480) || (width == 800 && height == 600);
}

CMSWindowBase::CMSWindowBase() = default;

CMSWindowBase::~CMSWindowBase() { Destroy(); }

void CMSWindowBase::Create(const char* title, int width, int height, bool fullScreen)
{
    if (backend_)
        throw CDirectDrawException(DDERR_ALREADYINITIALIZED, "CMSWindowBase::Create");
    const bool headless = OrvEnv_Flag("QM_HEADLESS");
    std::unique_ptr<CDisplayBackend> backend = headless ? CreateNullBackend() : CreateSdlBackend();
    backend->Open(title ? title : "", width, height, fullScreen);
    backend_ = std::move(backend);
    fullScreen_ = fullScreen;
    active_ = false;
    if (!MainWindowHandle)
        MainWindowHandle = this;
    Input_InstallSignalHandlers();
    debug_log("CMSWindowBase::Create(%d, %d) %s, %s", width, height, fullScreen ? "full screen" : "windowed",
              headless ? "headless" : "SDL");
}

void CMSWindowBase::Show()
{
    if (!backend_)
        return;
    backend_->Show();
    OnActivate(true);
}

void CMSWindowBase::Destroy()
{
    if (!backend_)
        return;
    backend_.reset();
    active_ = false;
    if (MainWindowHandle == this)
        MainWindowHandle = nullptr;
}

bool CMSWindowBase::IsHeadless() const { return backend_ && backend_->IsHeadless(); }

bool CMSWindowBase::ShowMessage(const char* caption, const char* text)
{
    return backend_ && backend_->ShowMessage(caption, text);
}

void CMSWindowBase::OnActivate(bool active)
{
    active_ = active;
    if (backend_)
        backend_->SetRelativeMouse(active);
    frame_timer_set_window_active(active);
    debug_log("CMSWindowBase::OnActivate(%d)", active ? 1 : 0);
}

void CMSWindowBase::OnClose() { Input_RequestQuit(); }

void CMSWindowBase::PollEvents(std::vector<InputEvent>& out)
{
    if (backend_)
        backend_->Poll(out);
}

bool CMSWindowBase::InjectEvent(const InputEvent& e) { return backend_ && backend_->Inject(e); }

CDirectDrawWindow::~CDirectDrawWindow() { Close(); }

void CDirectDrawWindow::Open(int width, int height, bool fullScreen)
{
    if (!IsSupportedScreenSize(width, height))
        throw CDirectDrawException(DDERR_INVALIDMODE, modeText("CDirectDrawWindow::Open", width, height));
    CPixelFormat pf;
    ::GetPixelFormat(OrvEnv_Flag("QM_PIXEL555") ? PFID_X1R5G5B5 : PFID_R5G6B5, pf);

    Create(kTitle, width, height, fullScreen);
    try {
        back_.Initialize(width, height, pf);
    } catch (...) {
        Destroy();
        throw;
    }
    toArgb_.resize(65536);
    for (uint32_t p = 0; p < 65536; ++p)
        toArgb_[p] = UnpackColor(pf, p);
    frame_.assign(size_t(width) * size_t(height), 0xFF000000u);
    if (MainWindowHandle == this)
        Is565 = PixelFormat_Is565(pf) ? 1 : 0;
    Input_SetMouseBounds(width, height);
    debug_log("CDirectDrawWindow::Open(%d, %d) %s pixels", width, height, PixelFormat_Is565(pf) ? "5-6-5" : "5-5-5");
    Show();
}

void CDirectDrawWindow::Close()
{
    back_.Release();
    toArgb_.clear();
    frame_.clear();
    Destroy();
}

void CDirectDrawWindow::Flip()
{
    if (!IsOpen() || !back_.IsInitialized())
        throw CDirectDrawException(DDERR_SURFACELOST, "CDirectDrawWindow::Flip");
    const int w = back_.width, h = back_.height;
    frame_.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = back_.Row(y);
        uint32_t* out = frame_.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            uint16_t p;
            std::memcpy(&p, row + size_t(x) * 2, 2);
            out[x] = toArgb_[p];
        }
    }
    Backend()->Present(frame_.data(), w, h);
}

void CDirectDrawWindow::SetScreenSize(int width, int height)
{
    if (!IsSupportedScreenSize(width, height))
        throw CDirectDrawException(DDERR_INVALIDMODE, modeText("CDirectDrawWindow::SetScreenSize", width, height));
    if (!IsOpen())
        throw CDirectDrawException(DDERR_NOTINITIALIZED, "CDirectDrawWindow::SetScreenSize");
    if (width == back_.width && height == back_.height)
        return;
    back_.Initialize(width, height, back_.format);
    frame_.assign(size_t(width) * size_t(height), 0xFF000000u);
    Backend()->SetFrameSize(width, height);
    Input_SetMouseBounds(width, height);
    debug_log("CDirectDrawWindow::SetScreenSize(%d, %d)", width, height);
}

}  // namespace Velkrum
