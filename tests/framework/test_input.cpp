// Input dispatch without a window: buffered keys, clicks and double clicks, mouse clamping, quit paths.
#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <vector>

#include "FrameworkTestUtil.h"
#include "app/Clock.h"
#include "framework/Input.h"
#include "framework/Window.h"

namespace {

struct Call {
    char kind;  // 'd' key down, 'u' key up, 'm' move, 'p' press, 'r' release
    int a, b, c, d;
    bool operator==(const Call&) const = default;
};
std::vector<Call> g_calls;

void onKeyDown(int k) { g_calls.push_back({'d', k, 0, 0, 0}); }
void onKeyUp(int k) { g_calls.push_back({'u', k, 0, 0, 0}); }
void onMove(const MouseEventInfo& e) { g_calls.push_back({'m', e.x, e.y, e.dx, e.dy}); }
void onPress(const MouseEventInfo& e) { g_calls.push_back({'p', e.button, e.x, e.y, 0}); }
void onRelease(const MouseEventInfo& e) { g_calls.push_back({'r', e.button, e.x, e.y, 0}); }

struct InputTest : ::testing::Test {
    CTManualClock clock{100.0};
    void SetUp() override
    {
        ASSERT_EQ(MainWindowHandle, nullptr);
        Input_Reset();
        g_calls.clear();
        Input_SetKeyHandlers(&onKeyDown, &onKeyUp);
        Input_SetMouseHandlers(&onMove, &onPress, &onRelease);
    }
    void TearDown() override { Input_Reset(); }
    void Click(double at)
    {
        clock.Set(at);
        Input_InjectButton(MOUSE_LEFT, true);
        Input_InjectButton(MOUSE_LEFT, false);
        DXDispatch();
    }
};

void dispatchOnly() { DXDispatch(); }
void dispatchQuit()
{
    Input_InjectQuit();
    DXDispatch();
}
void dispatchClose()
{
    Input_InjectClose();
    DXDispatch();
}
void keyThenQuit()
{
    Input_InjectKey(DIK_SPACE, true);
    Input_InjectQuit();
    DXDispatch();
}

}  // namespace

TEST_F(InputTest, BufferedKeysReachTheHandlersInOrderAndBadCodesAreIgnored)
{
    Input_InjectKey(DIK_ESCAPE, true);
    Input_InjectKey(0, true);
    Input_InjectKey(256, true);
    Input_InjectKey(DIK_A, true);
    Input_InjectButton(9, true);
    Input_InjectKey(DIK_ESCAPE, false);
    EXPECT_TRUE(g_calls.empty());
    DXDispatch();
    EXPECT_EQ(g_calls, (std::vector<Call>{{'d', 0x01, 0, 0, 0}, {'d', 0x1E, 0, 0, 0}, {'u', 0x01, 0, 0, 0}}));
    EXPECT_EQ(KeyboardState.keys[0x01], 0);
    EXPECT_NE(KeyboardState.keys[0x1E], 0);
    EXPECT_EQ(KeyboardState.lastKey, 0x1E);
    EXPECT_EQ(MouseClickFlags.click, 0);
    g_calls.clear();
    DXDispatch();
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(InputTest, ClicksLatchUntilClearedAndEachButtonHasItsOwnBytes)
{
    Click(100.0);
    EXPECT_EQ(MouseClickFlags.held, 0);
    clock.Set(105.0);
    DXDispatch();
    EXPECT_EQ(MouseClickFlags.click, 1);
    MouseClickFlags.click = 0;
    DXDispatch();
    EXPECT_EQ(MouseClickFlags.click, 0);

    SetMousePosition(12, 34);
    g_calls.clear();
    Input_InjectButton(MOUSE_RIGHT, true);
    DXDispatch();
    EXPECT_EQ(MouseClickFlags.rightClick, 1);
    EXPECT_EQ(MouseClickFlags.rightHeld, 1);
    EXPECT_EQ(MouseClickFlags.click, 0);
    Input_InjectButton(MOUSE_RIGHT, false);
    DXDispatch();
    EXPECT_EQ(MouseClickFlags.rightHeld, 0);
    EXPECT_EQ(g_calls, (std::vector<Call>{{'p', 2, 12, 34, 0}, {'r', 2, 12, 34, 0}}));
}

TEST_F(InputTest, DoubleClickNeedsTheSecondPressUnderTwoTenths)
{
    // Exactly 0.2 s apart is not a double click; the second press starts the next pair.
    Click(0.0);
    Click(0.2);
    EXPECT_EQ(MouseClickFlags.doubleClick, 0);
    Click(0.3);
    EXPECT_EQ(MouseClickFlags.doubleClick, 1);
    // A third quick press begins a new pair instead of making another double click.
    MouseClickFlags.doubleClick = 0;
    Click(0.35);
    EXPECT_EQ(MouseClickFlags.doubleClick, 0);
    Click(20.0);
    Click(20.25);
    EXPECT_EQ(MouseClickFlags.doubleClick, 0);
}

TEST_F(InputTest, MotionIsSummedBeforeAPressAndClampedToTheBounds)
{
    SetMousePosition(100, 100);
    Input_InjectMouseMove(5, -3);
    Input_InjectMouseMove(7, 1);
    Input_InjectButton(MOUSE_LEFT, true);
    Input_InjectMouseMove(-1000, 2000);
    DXDispatch();
    EXPECT_EQ(g_calls, (std::vector<Call>{{'m', 112, 98, 12, -2}, {'p', 1, 112, 98, 0}, {'m', 0, 479, -1000, 2000}}));
    Input_InjectMouseMove(INT_MAX, INT_MAX);
    Input_InjectMouseMove(INT_MAX, INT_MAX);
    DXDispatch();
    EXPECT_EQ(MousePosition.x, 639);
    EXPECT_EQ(MousePosition.y, 479);

    // Shrinking the bounds pulls the pointer in.
    Input_SetMouseBounds(800, 600);
    SetMousePosition(750, 590);
    Input_SetMouseBounds(640, 480);
    EXPECT_EQ(MousePosition.x, 639);
    SetMousePosition(1000, -3);
    EXPECT_EQ(MousePosition.y, 0);
}

TEST_F(InputTest, FocusLossReleasesHeldKeysAndButtons)
{
    Input_InjectKey(DIK_LEFT, true);
    Input_InjectButton(MOUSE_LEFT, true);
    DXDispatch();
    g_calls.clear();
    Input_InjectActivate(false);
    DXDispatch();
    EXPECT_EQ(g_calls, (std::vector<Call>{{'u', 0xCB, 0, 0, 0}, {'r', 1, 0, 0, 0}}));
    EXPECT_EQ(KeyboardState.keys[0xCB], 0);
    EXPECT_EQ(MouseClickFlags.held, 0);
}

TEST_F(InputTest, QuitEventsAndSignalsTakeTheApplicationQuitPath)
{
    for (void (*body)() : {&dispatchQuit, &dispatchClose}) {
        const RunResult r = RunInsideApplication(body);
        EXPECT_EQ(r.code, 0);
        EXPECT_TRUE(r.terminated);
    }
    // Input already buffered is delivered before the quit.
    EXPECT_EQ(RunInsideApplication(&keyThenQuit).code, 0);
    EXPECT_EQ(g_calls, (std::vector<Call>{{'d', 0x39, 0, 0, 0}}));

    Input_InstallSignalHandlers();
    for (int sig : {SIGTERM, SIGINT}) {
        std::raise(sig);
        const RunResult r = RunInsideApplication(&dispatchOnly);
        EXPECT_EQ(r.code, 0) << sig;
        EXPECT_TRUE(r.terminated) << sig;
    }
    // Without a quit (the signal flag is spent) the pass returns.
    EXPECT_NE(RunInsideApplication(&dispatchOnly).code, 0);
}
