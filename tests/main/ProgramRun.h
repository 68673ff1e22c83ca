// The whole program run inside the test on a copy of the demo: its own start-up, scheduler and shut-down,
// a manual clock, input injected through the window, sound on the offline device, and the player's steps.
#pragma once
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Clock.h"
#include "app/Timer.h"
#include "testdata/TempDir.h"

struct ST_wam_vue;
struct ST_wam_zclic;

// The one place these tests get their installation from: a writable copy of the demo in dir.
void CopyDemoInstall(const std::string& dir);

// One thing the player does or waits for, tried once per scheduler pass until it returns true.
using Step = std::function<bool()>;

class ProgramRun {
public:
    ProgramRun();
    // A run over an installation of its own, which `install` writes into the run's directory.
    explicit ProgramRun(const std::function<void(const std::string& dir)>& install);
    ~ProgramRun();

    TempDir dir;
    std::deque<Step> steps;
    // The window on SDL's dummy video driver, given the focus, the input pushed into SDL's event queue, instead
    // of headless.
    bool sdl = false;
    // Passes the run may take before it is ended as stuck.
    int maxPasses = 40000;

    // The installation's settings ask for a screen of that size.
    void AskScreenSize(int width, int height);
    // Runs the program until it ends; returns its exit code. Leaves `failure` set when it was stuck.
    int Run();
    // Runs the program through every step to its normal end: exit code 0, never stuck, no step left.
    void PlayThrough();
    // The exit through the credits appended, then played through: the log holds the program's end and no
    // report but the expected ones, one for each text given, in any order.
    void PlayToTheEnd(const std::vector<std::string>& expectedReports = {});
    std::string failure;
    int passes = 0;
    // Steps left when the program ended.
    size_t StepsLeft() const { return steps.size(); }
    // Views entered, in order ("IR1"), and messages shown, in order.
    std::vector<std::string> views;
    std::vector<int32_t> messages;

    // One pass of the player: sound played, views and messages noted, the next step tried.
    void Observe();

    std::string Log() const;
    // Warning and fatal lines of the log ("<<< erreur" / "<<< ERREUR").
    std::vector<std::string> Reports() const;

private:
    CTimer driver_;
    std::unique_ptr<CTManualClock> clock_;
    const ST_wam_vue* lastVue_ = nullptr;
    int32_t lastMessage_ = -1;
};

// ---- what the player sees ----
int32_t Loop();
// "IR1"; "" without a view.
std::string ViewName();
// The menu page holds this widget, shown.
bool PageShows(const char* widget);
// The loop type is 0, the view stands still and no panel is open.
bool Idle();
// Ambient-noise slot 0 serves a noise of the current view and its voice plays.
bool NoisePlays();
// The frame last presented, 0xAARRGGBB.
std::vector<uint32_t> PresentedFrame();
// The pointer last drawn over the view is the interface bank's pointer of that kind (0 none, 1 move,
// 2 link, 3 scenario): one of the sprites of its animation.
bool PointerDrawn(int32_t kind);
// The text drawn in white in a font of the game on a black 5-6-5 surface of its own, `width` x 40, row by row.
std::vector<uint16_t> DrawnText(const char* font, const std::string& text, int width);

// ---- steps ----
Step Do(std::function<void()> action);
Step WaitFor(std::function<bool()> condition);
Step Key(int dik);
// Left click where the pointer is (video, message screen, credits).
Step Click();
// Moves the pointer to (x, y) of the frame and clicks there (menus).
Step ClickPoint(int x, int y);
// Moves the menu pointer onto a shown, enabled widget of the page and clicks it.
Step ClickWidget(const char* widget);
// Turns the view to yaw and pitch (radians) by mouse motion.
Step Turn(float yaw, float pitch);
// A click at the centre of the view at rest.
Step ClickView();
Step Arrive(const std::string& view);
// The same once the view's arrival has run, every message shown on the way read for a moment and clicked away.
Step ArriveReading(const std::string& view);
// The view at rest for a few passes draws the pointer of that kind.
Step ExpectPointer(int32_t kind, const std::string& what);
// The view at rest for a few passes draws the object's sprite of the object bank as the cursor.
Step ExpectHeld(const std::string& object);
// Waits for message n on the message screen, then clicks it away; `shown` keeps the frame that showed it.
Step Read(int32_t n, std::vector<uint32_t>* shown = nullptr);
// The frame presented once the current screen has shown for a few passes.
Step Snapshot(std::vector<uint32_t>* into);
// The intros skipped, player `player` chosen on the player page.
std::vector<Step> ChoosePlayer(int player);
// A new game of player `player`: its first message read, at rest in IR 1.
std::vector<Step> NewGame(int player = 0);
// A new game, then straight to view `name` (id `view`) of the world file `wam`.
std::vector<Step> NewGameTo(const char* wam, uint32_t view, const std::string& name);
// Escape, load/save panel, save, yes.
std::vector<Step> SaveGame();
// Escape, load/save panel, load page, the newest save; done once the menus have closed.
std::vector<Step> LoadNewestGame();
// Escape, quit, yes, the credits clicked away.
std::vector<Step> QuitThroughTheCredits();

// ---- zones and sprites found through the world's data ----
using ZonePick = std::function<bool(const ST_wam_zclic&)>;
// The scenario zone of that name, the move zone to that view, a link to another world file.
ZonePick ZoneNamed(const std::string& name);
ZonePick MoveTo(uint32_t view);
ZonePick LinkAway();
// The zone of that id, whatever its kind.
ZonePick ZoneNumbered(uint32_t numero);
// Turns the view at rest until the middle of the current view's zone, or the point `below` radians under
// it, is under the centre (within the view's limits); a view without such a zone ends the run as a failure.
Step TurnToZone(ZonePick pick, float below = 0.0f);
Step TurnToZone(uint32_t numero, float below = 0.0f);
// Turns to the zone and clicks it.
std::vector<Step> ClickZone(ZonePick pick);
// Turns the view at rest until the middle of the shown sprite of the element (a character or an object of
// the world file, by name) is under the centre.
Step TurnToSprite(const std::string& element);

inline void Append(std::deque<Step>& to, const std::vector<Step>& steps) { to.insert(to.end(), steps.begin(), steps.end()); }
inline void Append(std::vector<Step>& to, const std::vector<Step>& steps) { to.insert(to.end(), steps.begin(), steps.end()); }

// ---- the spider's web ----
// No spider of the run walks or turns (the web takes no step meanwhile).
bool SpidersStill();
// Once the spiders stand still, a click on the move zone toward a view of the web, low in the zone, clear
// of a spider standing there.
std::vector<Step> ClickToward(uint32_t to);
// Steps to each view of the path in turn, then waits for the spiders to stand still.
std::vector<Step> Walk(const std::vector<uint32_t>& path);

// ---- the bag and the canoe's board ----
// The bag opened with the right button, the first object it holds that `pick` takes by name chosen (into
// the hand, or raised as the rod is), the bag closed again.
std::vector<Step> ChooseFromTheBag(std::function<bool(const std::string& name)> pick, const std::string& what);
std::vector<Step> ChooseFromTheBag(const std::string& object);
// On the canoe's board: its view reached by a jump, its rules read, its zone clicked.
std::vector<Step> ToTheCanoeBoard();
// The pointer on cell `cell` of the canoe's board and a click of `button` there.
void ClickCanoeCell(int32_t cell, int button);
// Puts every piece of the canoe's board home and unturned, one click every few passes (a carried piece to
// its own cell, else the first piece away from home picked up, else the first piece turned), then sends the
// canoe off from the fixed cell.
Step SolveTheCanoeBoard();
