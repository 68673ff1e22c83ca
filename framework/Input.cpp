// Input state and dispatch: buffered keys, relative mouse motion, clicks, focus and the quit paths.
#include "framework/Input.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <deque>
#include <vector>

#include "app/Clock.h"
#include "app/Orv_Log.h"
#include "framework/Backend.h"
#include "framework/Window.h"

MousePos MousePosition{};
MouseClicks MouseClickFlags{};
KeyboardKeys KeyboardState{};

namespace {

using Velkrum::InputEvent;

// Injected events beyond this are dropped: a runaway test must not grow memory without end.
constexpr size_t kMaxQueued = 4096;

struct Handlers {
    KeyCallback keyDown, keyUp;
    MouseCallback move, buttonDown, buttonUp;
};

Handlers g_handlers;
std::deque<InputEvent> g_queue;
int g_boundW = 640;
int g_boundH = 480;
bool g_buttonDown[4] = {};
bool g_firstPressPending = false;  // a left press that a second one may turn into a double click
double g_firstPressTime = 0.0;
bool g_quitRequested = false;
volatile std::sig_atomic_t g_signalled = 0;

extern "C" void onQuitSignal(int) { g_signalled = 1; }

int32_t clampTo(int64_t v, int size) { return int32_t(std::clamp<int64_t>(v, 0, int64_t(size) - 1)); }

void deliverKey(int code, bool down)
{
    if (code <= 0 || code > 255)
        return;
    if (down) {
        KeyboardState.keys[code] = 0x80;
        KeyboardState.lastKey = uint8_t(code);
        if (g_handlers.keyDown)
            g_handlers.keyDown.Invoke(code);
    } else {
        KeyboardState.keys[code] = 0;
        if (g_handlers.keyUp)
            g_handlers.keyUp.Invoke(code);
    }
}

void deliverMotion(int64_t dx, int64_t dy)
{
    MousePosition.x = clampTo(MousePosition.x + dx, g_boundW);
    MousePosition.y = clampTo(MousePosition.y + dy, g_boundH);
    if (g_handlers.move) {
        const MouseEventInfo info{MousePosition.x, MousePosition.y, int32_t(std::clamp<int64_t>(dx, INT32_MIN, INT32_MAX)),
                                  int32_t(std::clamp<int64_t>(dy, INT32_MIN, INT32_MAX)), 0};
        g_handlers.move.Invoke(info);
    }
}

void deliverButton(int button, bool down, double now)
{
    if (button < MOUSE_LEFT || button > MOUSE_MIDDLE)
        return;
    g_buttonDown[button] = down;
    if (button == MOUSE_LEFT) {
        MouseClickFlags.held = down ? 1 : 0;
        if (down) {
            MouseClickFlags.click = 1;
            if (g_firstPressPending && now - g_firstPressTime < DOUBLE_CLICK_TIME) {
                MouseClickFlags.doubleClick = 1;
                // A third press starts a new pair rather than making a second double click.
                g_firstPressPending = false;
            } else {
                g_firstPressPending = true;
                g_firstPressTime = now;
            }
        }
    } else if (button == MOUSE_RIGHT) {
        MouseClickFlags.rightHeld = down ? 1 : 0;
        if (down)
            MouseClickFlags.rightClick = 1;
    }
    const MouseCallback& cb = down ? g_handlers.buttonDown : g_handlers.buttonUp;
    if (cb) {
        const MouseEventInfo info{MousePosition.x, MousePosition.y, 0, 0, button};
        cb.Invoke(info);
    }
}

// Keys and buttons still down when the focus goes are released, so that none stays stuck.
void releaseAll(double now)
{
    for (int code = 1; code < 256; ++code)
        if (KeyboardState.keys[code])
            deliverKey(code, false);
    for (int b = MOUSE_LEFT; b <= MOUSE_MIDDLE; ++b)
        if (g_buttonDown[b])
            deliverButton(b, false, now);
}

void inject(const InputEvent& e)
{
    Velkrum::CMSWindowBase* window = Velkrum::MainWindow();
    if (window && window->InjectEvent(e))
        return;
    if (g_queue.size() >= kMaxQueued) {
        OrvError_Warning("Input_Inject: queue full, event dropped");
        return;
    }
    g_queue.push_back(e);
}

}  // namespace

void Input_SetKeyHandlers(KeyCallback keyDown, KeyCallback keyUp)
{
    g_handlers.keyDown = keyDown;
    g_handlers.keyUp = keyUp;
}

void Input_SetMouseHandlers(MouseCallback move, MouseCallback buttonDown, MouseCallback buttonUp)
{
    g_handlers.move = move;
    g_handlers.buttonDown = buttonDown;
    g_handlers.buttonUp = buttonUp;
}

void SetMousePosition(int x, int y)
{
    MousePosition.x = clampTo(x, g_boundW);
    MousePosition.y = clampTo(y, g_boundH);
}

void Input_SetMouseBounds(int width, int height)
{
    if (width < 1 || height < 1) {
        OrvError_Warning("Input_SetMouseBounds(%d, %d): bad size", width, height);
        return;
    }
    g_boundW = width;
    g_boundH = height;
    SetMousePosition(MousePosition.x, MousePosition.y);
}

void DXDispatch()
{
    std::vector<InputEvent> events;
    if (Velkrum::CMSWindowBase* window = Velkrum::MainWindow())
        window->PollEvents(events);
    events.insert(events.end(), g_queue.begin(), g_queue.end());
    g_queue.clear();

    const double now = CTClock::GetTime();
    int64_t dx = 0, dy = 0;
    // Motion is summed and delivered once, before the next key or button so that it lands where it happened.
    auto flushMotion = [&] {
        if (dx || dy)
            deliverMotion(dx, dy);
        dx = dy = 0;
    };
    for (const InputEvent& e : events) {
        // Looked up per event: a handler may close the window.
        Velkrum::CMSWindowBase* window = Velkrum::MainWindow();
        const bool active = !window || window->IsActive();
        switch (e.kind) {
        case InputEvent::Kind::Key:
            if (active) {
                flushMotion();
                deliverKey(e.code, e.down);
            }
            break;
        case InputEvent::Kind::Motion:
            if (active) {
                dx += e.dx;
                dy += e.dy;
            }
            break;
        case InputEvent::Kind::Button:
            if (active) {
                flushMotion();
                deliverButton(e.code, e.down, now);
            }
            break;
        case InputEvent::Kind::Focus:
            flushMotion();
            if (!e.down)
                releaseAll(now);
            if (window)
                window->OnActivate(e.down);
            break;
        case InputEvent::Kind::Close:
            if (window)
                window->OnClose();
            else
                g_quitRequested = true;
            break;
        case InputEvent::Kind::Quit:
            g_quitRequested = true;
            break;
        }
    }
    flushMotion();

    if (g_quitRequested || g_signalled) {
        debug_log("DXDispatch(): %s : Quit", g_signalled ? "signal" : "quit message");
        g_quitRequested = false;
        g_signalled = 0;
        TheApplication().Quit(0);
    }
}

void DXDispatch(CTimer&) { DXDispatch(); }

void Input_InstallSignalHandlers()
{
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onQuitSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

void Input_RequestQuit() { g_quitRequested = true; }

void Input_InjectKey(int dik, bool down) { inject({.kind = InputEvent::Kind::Key, .down = down, .code = dik}); }

void Input_InjectMouseMove(int dx, int dy) { inject({.kind = InputEvent::Kind::Motion, .dx = dx, .dy = dy}); }

void Input_InjectButton(int button, bool down)
{
    inject({.kind = InputEvent::Kind::Button, .down = down, .code = button});
}

void Input_InjectActivate(bool active) { inject({.kind = InputEvent::Kind::Focus, .down = active}); }

void Input_InjectClose() { inject({.kind = InputEvent::Kind::Close}); }

void Input_InjectQuit() { inject({.kind = InputEvent::Kind::Quit}); }

void Input_Reset()
{
    g_handlers = Handlers{};
    g_queue.clear();
    MousePosition = {};
    MouseClickFlags = {};
    KeyboardState = {};
    g_boundW = 640;
    g_boundH = 480;
    std::fill(std::begin(g_buttonDown), std::end(g_buttonDown), false);
    g_firstPressPending = false;
    g_firstPressTime = 0.0;
    g_quitRequested = false;
    g_signalled = 0;
}
