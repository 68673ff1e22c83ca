// The null display backend and the letterbox placement shared by the backends.
#include "framework/Backend.h"

#include <algorithm>

namespace Velkrum {

FrameRect LetterboxRect(int outW, int outH, int frameW, int frameH)
{
    if (outW <= 0 || outH <= 0 || frameW <= 0 || frameH <= 0)
        return {};
    FrameRect r;
    const int scale = std::min(outW / frameW, outH / frameH);
    if (scale >= 1) {
        r.w = frameW * scale;
        r.h = frameH * scale;
    } else if (int64_t(outW) * frameH <= int64_t(outH) * frameW) {
        r.w = outW;
        r.h = int(int64_t(outW) * frameH / frameW);
    } else {
        r.h = outH;
        r.w = int(int64_t(outH) * frameW / frameH);
    }
    r.x = (outW - r.w) / 2;
    r.y = (outH - r.h) / 2;
    return r;
}

namespace {

// No window, no device: frames are dropped and input comes only from injection.
class CNullBackend final : public CDisplayBackend {
public:
    void Open(const char*, int, int, bool) override {}
    void Show() override {}
    void SetFrameSize(int, int) override {}
    void Present(const uint32_t*, int, int) override {}
    void Poll(std::vector<InputEvent>&) override {}
    bool Inject(const InputEvent&) override { return false; }
    void SetRelativeMouse(bool) override {}
    bool IsHeadless() const override { return true; }
    bool ShowMessage(const char*, const char*) override { return false; }
};

}  // namespace

std::unique_ptr<CDisplayBackend> CreateNullBackend() { return std::make_unique<CNullBackend>(); }

}  // namespace Velkrum
