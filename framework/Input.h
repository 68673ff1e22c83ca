// Keyboard and mouse state, the game's input handlers, the per-pass input dispatch and test injection.
#pragma once
#include <cstdint>

#include "app/Application.h"
#include "framework/KeyCodes.h"

// Cursor position in frame pixels, kept inside the mouse bounds.
struct MousePos {
    int32_t x;
    int32_t y;
};

// Click bytes stay set until a consumer clears them; held bytes follow the buttons.
struct MouseClicks {
    uint8_t click;        // left button went down
    uint8_t held;         // left button is down
    uint8_t doubleClick;  // second left press within DOUBLE_CLICK_TIME of the first
    uint8_t rightClick;   // right button went down
    uint8_t rightHeld;    // right button is down
};

// One byte per DirectInput key code, non-zero (0x80) while the key is down.
struct KeyboardKeys {
    uint8_t keys[256];
    uint8_t lastKey;  // code of the latest key pressed; the game's handlers and readers clear it
};

extern MousePos MousePosition;
extern MouseClicks MouseClickFlags;
extern KeyboardKeys KeyboardState;

enum : int { MOUSE_LEFT = 1, MOUSE_RIGHT = 2, MOUSE_MIDDLE = 3 };
constexpr double DOUBLE_CLICK_TIME = 0.2;  // seconds, exclusive

// What the mouse handlers receive: the position after the event, the motion (move handler) and the
// button (button handlers; 0 for a move).
struct MouseEventInfo {
    int32_t x;
    int32_t y;
    int32_t dx;
    int32_t dy;
    int button;
};

using KeyCallback = Callback<void(int key)>;
using MouseCallback = Callback<void(const MouseEventInfo& e)>;

// The game's handlers; an empty callback leaves that event to the state above alone.
void Input_SetKeyHandlers(KeyCallback keyDown, KeyCallback keyUp);
void Input_SetMouseHandlers(MouseCallback move, MouseCallback buttonDown, MouseCallback buttonUp);

// Moves the cursor, clamped to the bounds.
void SetMousePosition(int x, int y);
// The frame the cursor lives in (default 640x480); the position is clamped again at once.
void Input_SetMouseBounds(int width, int height);

// One pass: pumps the window's events, delivers the buffered key events, the mouse motion and the
// buttons to the handlers in arrival order, follows focus changes, and leaves through
// CApplication::Quit(0) when the window was closed, a quit event came or SIGINT/SIGTERM arrived.
// Nothing is delivered while the window is inactive.
void DXDispatch();
void DXDispatch(CTimer& timer);

// SIGINT and SIGTERM only raise a flag that the next DXDispatch turns into the normal quit.
void Input_InstallSignalHandlers();
// The window's close: quit at the end of the current or next dispatch pass.
void Input_RequestQuit();

// Test injection: through the SDL event queue while an SDL window is open, else a queue of the
// input layer's own (null backend, or no window at all). Key codes are DirectInput codes; buttons 1-3.
void Input_InjectKey(int dik, bool down);
void Input_InjectMouseMove(int dx, int dy);
void Input_InjectButton(int button, bool down);
void Input_InjectActivate(bool active);
void Input_InjectClose();
void Input_InjectQuit();

// Tests: forget handlers, state, queued events and quit requests.
void Input_Reset();
