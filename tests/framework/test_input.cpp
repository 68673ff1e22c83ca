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

}  // namespace

TEST_F(InputTest, BufferedKeysReachTheHandlersInOrderAtTheNextPass)
{
    Input_InjectKey(DIK_ESCAPE, true);
    Input_InjectKey(DIK_A, true);
    Input_InjectKey(DIK_ESCAPE, false);
    EXPECT_TRUE(g_calls.empty());
    DXDispatch();
    const std::vector<Call> want = {{'d', 0x01, 0, 0, 0}, {'d', 0x1E, 0, 0, 0}, {'u', 0x01, 0, 0, 0}};
    EXPECT_EQ(g_calls, want);
    EXPECT_EQ(KeyboardState.keys[0x01], 0);
    EXPECT_NE(KeyboardState.keys[0x1E], 0);
    EXPECT_EQ(KeyboardState.lastKey, 0x1E);

    g_calls.clear();
    DXDispatch();
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(InputTest, BadKeyCodesAndButtonsAreIgnored)
{
    Input_InjectKey(0, true);
    Input_InjectKey(256, true);
    Input_InjectKey(-7, false);
    Input_InjectButton(0, true);
    Input_InjectButton(9, true);
    DXDispatch();
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(MouseClickFlags.click, 0);
}

TEST_F(InputTest, ClickStaysSetUntilAConsumerClearsIt)
{
    Click(100.0);
    EXPECT_EQ(MouseClickFlags.click, 1);
    EXPECT_EQ(MouseClickFlags.held, 0);
    clock.Set(105.0);
    DXDispatch();
    DXDispatch();
    EXPECT_EQ(MouseClickFlags.click, 1);
    MouseClickFlags.click = 0;
    DXDispatch();
    EXPECT_EQ(MouseClickFlags.click, 0);

    Input_InjectButton(MOUSE_LEFT, true);
    DXDispatch();
    EXPECT_EQ(MouseClickFlags.held, 1);
    Input_InjectButton(MOUSE_LEFT, false);
    DXDispatch();
    EXPECT_EQ(MouseClickFlags.held, 0);
}

TEST_F(InputTest, DoubleClickNeedsTheSecondPressUnderTwoTenths)
{
    // Exactly 0.2 s apart is not a double click; the second press starts the next pair.
    Click(0.0);
    Click(0.2);
    EXPECT_EQ(MouseClickFlags.doubleClick, 0);
    Click(0.3);
    EXPECT_EQ(MouseClickFlags.doubleClick, 1);

    MouseClickFlags.doubleClick = 0;
    Click(10.0);
    Click(10.1875);
    EXPECT_EQ(MouseClickFlags.doubleClick, 1);

    // A third quick press begins a new pair instead of making another double click.
    MouseClickFlags.doubleClick = 0;
    Click(10.25);
    EXPECT_EQ(MouseClickFlags.doubleClick, 0);

    Click(20.0);
    Click(20.25);
    EXPECT_EQ(MouseClickFlags.doubleClick, 0);
}

TEST_F(InputTest, RightButtonHasItsOwnClickAndHeldBytes)
{
    SetMousePosition(12, 34);
    Input_InjectButton(MOUSE_RIGHT, true);
    DXDispatch();
    EXPECT_EQ(MouseClickFlags.rightClick, 1);
    EXPECT_EQ(MouseClickFlags.rightHeld, 1);
    EXPECT_EQ(MouseClickFlags.click, 0);
    Input_InjectButton(MOUSE_RIGHT, false);
    DXDispatch();
    EXPECT_EQ(MouseClickFlags.rightHeld, 0);
    const std::vector<Call> want = {{'p', 2, 12, 34, 0}, {'r', 2, 12, 34, 0}};
    EXPECT_EQ(g_calls, want);
}

TEST_F(InputTest, MotionIsClampedToTheFrameAndSummedBeforeAPress)
{
    SetMousePosition(100, 100);
    Input_InjectMouseMove(5, -3);
    Input_InjectMouseMove(7, 1);
    Input_InjectButton(MOUSE_LEFT, true);
    Input_InjectMouseMove(-1000, 2000);
    DXDispatch();
    const std::vector<Call> want = {{'m', 112, 98, 12, -2}, {'p', 1, 112, 98, 0}, {'m', 0, 479, -1000, 2000}};
    EXPECT_EQ(g_calls, want);
    EXPECT_EQ(MousePosition.x, 0);
    EXPECT_EQ(MousePosition.y, 479);

    Input_InjectMouseMove(INT_MAX, INT_MAX);
    Input_InjectMouseMove(INT_MAX, INT_MAX);
    DXDispatch();
    EXPECT_EQ(MousePosition.x, 639);
    EXPECT_EQ(MousePosition.y, 479);
    EXPECT_EQ(g_calls.back().c, INT_MAX);
}

TEST_F(InputTest, SetMousePositionAndBoundsClamp)
{
    SetMousePosition(700, -3);
    EXPECT_EQ(MousePosition.x, 639);
    EXPECT_EQ(MousePosition.y, 0);
    Input_SetMouseBounds(800, 600);
    SetMousePosition(750, 590);
    EXPECT_EQ(MousePosition.x, 750);
    EXPECT_EQ(MousePosition.y, 590);
    Input_SetMouseBounds(640, 480);
    EXPECT_EQ(MousePosition.x, 639);
    EXPECT_EQ(MousePosition.y, 479);

    WarningLines warnings;
    Input_SetMouseBounds(0, 480);
    EXPECT_TRUE(warnings.Contains("Input_SetMouseBounds(0, 480)"));
    SetMousePosition(1000, 1000);
    EXPECT_EQ(MousePosition.x, 639);
}

TEST_F(InputTest, FocusLossReleasesHeldKeysAndButtons)
{
    Input_InjectKey(DIK_LEFT, true);
    Input_InjectButton(MOUSE_LEFT, true);
    DXDispatch();
    g_calls.clear();
    Input_InjectActivate(false);
    DXDispatch();
    const std::vector<Call> want = {{'u', 0xCB, 0, 0, 0}, {'r', 1, 0, 0, 0}};
    EXPECT_EQ(g_calls, want);
    EXPECT_EQ(KeyboardState.keys[0xCB], 0);
    EXPECT_EQ(MouseClickFlags.held, 0);
}

namespace {
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
void dispatchOnly() { DXDispatch(); }
void keyThenQuit()
{
    Input_InjectKey(DIK_SPACE, true);
    Input_InjectQuit();
    DXDispatch();
}
}  // namespace

TEST_F(InputTest, QuitEventsTakeTheApplicationQuitPath)
{
    RunResult r = RunInsideApplication(&dispatchQuit);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.terminated);

    r = RunInsideApplication(&dispatchClose);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.terminated);

    // Input already buffered is delivered before the quit.
    r = RunInsideApplication(&keyThenQuit);
    EXPECT_EQ(r.code, 0);
    const std::vector<Call> want = {{'d', 0x39, 0, 0, 0}};
    EXPECT_EQ(g_calls, want);

    // Without a quit the pass returns.
    r = RunInsideApplication(&dispatchOnly);
    EXPECT_NE(r.code, 0);
}

TEST_F(InputTest, TerminationSignalsQuitAtTheNextPass)
{
    Input_InstallSignalHandlers();
    for (int sig : {SIGTERM, SIGINT}) {
        std::raise(sig);
        const RunResult r = RunInsideApplication(&dispatchOnly);
        EXPECT_EQ(r.code, 0) << sig;
        EXPECT_TRUE(r.terminated) << sig;
    }
    // The flag is spent.
    EXPECT_NE(RunInsideApplication(&dispatchOnly).code, 0);
}
