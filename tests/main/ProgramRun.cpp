// The whole program run inside the test: start-up and shut-down of its own, scheduler passes on a manual
// clock, the player's steps between passes, and the steps and observations the flow tests share.
#include "ProgramRun.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>

#include "app/Application.h"
#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/main/Orv_Main.h"
#include "audio/Orv_Sound.h"
#include "audio/SysSnd.h"
#include "framework/Input.h"
#include "framework/KeyCodes.h"
#include "framework/Window.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "graphics2d/PixelFormat.h"
#include "graphics2d/Surface.h"
#include "menus/Mn_Widget.h"
#include "menus/Orv_Font.h"
#include "menus/Orv_Menu.h"
#include "menus/Orv_MenuHooks.h"
#include "menus/Orv_MusikCopy.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_araig.h"
#include "puzzles/pz_pirogue.h"
#include "testdata/DemoCanoe.h"
#include "testdata/DemoFixture.h"
#include "testdata/DemoWorld.h"
#include "tests/support/LookTurn.h"
#include "tests/support/ZoneAim.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/Orv_Msg.h"
#include "world/wam.h"

namespace {
ProgramRun* g_run = nullptr;
// Stereo frames the offline sound device plays per pass: 60 passes a second at 22050 Hz.
constexpr int kFramesPerPass = 368;

void Drive(CTimer&) { g_run->Observe(); }

// What a run leaves in the modules' globals, so that each run starts like a fresh program.
void ForgetProgramState() {
    debug_log_reset_for_tests();
    Input_Reset();
    frame_timer_reset();
    OrvHooks_Reset();
    OrvMenuHooks_Reset();
    MenuState = ST_MenuState{};
    MusikCopy_Reset();
}
}  // namespace

void CopyDemoInstall(const std::string& dir) {
    std::string error;
    ASSERT_TRUE(DemoFixture_Copy(dir, {}, &error)) << error;
}

ProgramRun::ProgramRun() { CopyDemoInstall(dir.Path()); }
ProgramRun::ProgramRun(const std::function<void(const std::string& dir)>& install) { install(dir.Path()); }
ProgramRun::~ProgramRun() = default;

void ProgramRun::AskScreenSize(int width, int height) {
    OrvConfig config;
    config.screenWidth = width;
    config.screenHeight = height;
    uint8_t image[CONFIG_FILE_SIZE];
    config_encode(config, image);
    ASSERT_TRUE(WriteFileBytes(dir / "quillm2.cfg", image, sizeof image));
}

int ProgramRun::Run() {
    if (sdl) {
        unsetenv("QM_HEADLESS");
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        // The dummy driver has no window manager to give the window the focus: the event it would send.
        steps.push_front(Do([] { Input_InjectActivate(true); }));
    } else {
        setenv("QM_HEADLESS", "1", 1);
    }
    unsetenv("QM_PIXEL555");
    clock_ = std::make_unique<CTManualClock>(1000.0);
    SysSnd_SelectDriver(SysSndDriver::Offline);
    ForgetProgramState();
    // The CDs are looked for in this run's installation, as a new process would (they are kept between runs).
    for (int cd = 1; cd <= 4; cd++) {
        const std::string own = dir / ("cd" + std::to_string(cd));
        OrvFile_SetCDRoot(cd, std::filesystem::is_directory(own) ? own : dir.Path());
    }
    config_reset();
    OrvError_ResetForTests();
    g_run = this;

    CApplication& app = TheApplication();
    app.Reset();
    OrvMain_InstallHandlers();
    app.onStart = +[] {
        OrvMain_OnInit();
        g_run->driver_.tickCallback = Drive;
        g_run->driver_.period = 0;
        g_run->driver_.Start();
    };
    app.onTerminate = +[] {
        g_run->driver_.Stop();
        OnTerminate();
    };
    // The CDs lie in the installation; named, they are found there whatever an earlier run of this process found.
    std::string program = "quillmar2", install = dir.Path(), cds = dir.Path();
    char* argv[] = {program.data(), install.data(), cds.data(), nullptr};
    const int code = app.Run(3, argv);

    Scheduler_Clear();
    setenv("QM_HEADLESS", "1", 1);
    SysSnd_SelectDriver(SysSndDriver::Sdl);
    ForgetProgramState();
    g_run = nullptr;
    clock_.reset();
    return code;
}

void ProgramRun::PlayThrough() {
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(StepsLeft(), 0u);
}

void ProgramRun::PlayToTheEnd(const std::vector<std::string>& expectedReports) {
    Append(steps, QuitThroughTheCredits());
    PlayThrough();
    std::vector<std::string> reports = Reports();
    for (const std::string& expected : expectedReports) {
        auto it = std::find_if(reports.begin(), reports.end(), [&](const std::string& r) { return r.find(expected) != std::string::npos; });
        EXPECT_NE(it, reports.end()) << expected;
        if (it != reports.end()) reports.erase(it);
    }
    EXPECT_EQ(reports, std::vector<std::string>{});
    const std::string log = Log();
    EXPECT_NE(log.find("Fin de Quillmar 2"), std::string::npos);
    // The end-of-run report comes once everything is given back.
    EXPECT_NE(log.find("Allocations non libérées : 0 (0 octets)\n"), std::string::npos);
}

void ProgramRun::Observe() {
    if (++passes > maxPasses) {
        failure = "stuck after " + std::to_string(maxPasses) + " passes, " + std::to_string(steps.size()) +
                  " steps left, in loop type " + std::to_string(Loop()) + " and view " + ViewName();
        TheApplication().Quit(3);
    }
    int16_t sound[kFramesPerPass * 2];
    SysSnd_OfflineRender(sound, kFramesPerPass);
    if (OrvWam_CurrentVue && OrvWam_CurrentVue != lastVue_) views.push_back(ViewName());
    lastVue_ = OrvWam_CurrentVue;
    const int32_t message = OrvMsg_Current();
    if (message >= 0 && message != lastMessage_) messages.push_back(message);
    lastMessage_ = message;
    if (!steps.empty() && steps.front()()) steps.pop_front();
}

std::string ProgramRun::Log() const { return ReadFileText(dir / "quillmar2.log"); }

std::vector<std::string> ProgramRun::Reports() const {
    std::vector<std::string> out;
    std::istringstream in(Log());
    for (std::string line; std::getline(in, line);)
        if (line.find("<<< erreur") != std::string::npos || line.find("<<< ERREUR") != std::string::npos)
            out.push_back(line);
    return out;
}

// ---- what the player sees ----

int32_t Loop() { return OrvMain_GetLoopType(); }

std::string ViewName() {
    if (!OrvWam_CurrentVue) return "";
    char code[3];
    OrvWam_WorldCode(OrvWam_CurrentVue, code);
    return std::string(code) + std::to_string(OrvWam_CurrentVue->id);
}

namespace {
CMnWidget* Shown(const char* widget) {
    CMnWidget* w = MenuState.page && Loop() == LOOP_MENU ? MenuState.page->FindWidget(widget) : nullptr;
    return w && w->IsVisible() ? w : nullptr;
}

// The left button pressed and released where the pointer is.
bool PressLeft() {
    Input_InjectButton(MOUSE_LEFT, true);
    Input_InjectButton(MOUSE_LEFT, false);
    return true;
}

// The interface bank's animated pointer of each kind: its first sprite and its frames.
struct PointerSprites {
    int32_t kind, first, frames;
};
constexpr PointerSprites kPointers[] = {{0, 0, 1}, {1, 1, 4}, {2, 5, 4}, {3, 9, 4}};

// The view at rest for a few passes, then the check.
Step AtRest(std::function<void()> check) {
    auto rest = std::make_shared<int>(0);
    return [=] {
        if (!Idle() || ++*rest < 3) return false;
        check();
        return true;
    };
}

// Ends the run as stuck, saying why.
bool Abandon(const std::string& why) {
    g_run->failure = why;
    TheApplication().Quit(3);
    return false;
}

// The pointer moved to (x, y) of the frame and the left button pressed and released there.
void ClickAt(int x, int y) {
    Input_InjectMouseMove(x - MousePosition.x, y - MousePosition.y);
    PressLeft();
}
}  // namespace

bool PageShows(const char* widget) { return Shown(widget) != nullptr; }

bool Idle() {
    return Loop() == LOOP_WARP && OrvWam_CurrentVue && OrvWarp_MouseLookSpeeds.yaw == 0 &&
           OrvWarp_MouseLookSpeeds.pitch == 0 && !Inventaire_Shown;
}

bool NoisePlays() {
    const BruitageSlotInfo slot = OrvSound_GetBruitageSlot(0);
    if (!slot.ref || !OrvWam_CurrentVue || !OrvSound_get_voice_state(VOICE_BRUITAGE)) return false;
    for (const ST_wam_bruitage* b = OrvWam_CurrentVue->bruitages; b; b = b->next)
        if (b == slot.ref) return true;
    return false;
}

bool PointerDrawn(int32_t kind) {
    const int sprite = OrvSpr_get_curseur_sprite();
    for (const PointerSprites& p : kPointers)
        if (p.kind == kind)
            return OrvSpr_get_curseur_bank() == Interface_GetBank() && sprite >= p.first && sprite < p.first + p.frames;
    return false;
}

std::vector<uint32_t> PresentedFrame() {
    auto* window = dynamic_cast<Velkrum::CDirectDrawWindow*>(Velkrum::MainWindow());
    return window ? window->GetPresentedFrame() : std::vector<uint32_t>();
}

std::vector<uint16_t> DrawnText(const char* font, const std::string& text, int width) {
    CSystemMemorySurface s;
    if (!s.Create(width, 40, PixelFormatOf(PFID_R5G6B5))) return {};
    ClearSurface(s, 0);
    OrvFont_PrintBeginOn(&s, font, 0xFFFFFF);
    OrvFont_PrintAt(0, 0, text.c_str());
    OrvFont_PrintEnd();
    s.Lock();
    std::vector<uint16_t> pixels(size_t(width) * 40);
    for (int y = 0; y < s.height; ++y) std::memcpy(&pixels[size_t(y) * size_t(width)], s.Row(y), size_t(width) * 2);
    s.Unlock();
    return pixels;
}

// ---- steps ----

Step Do(std::function<void()> action) {
    return [action] {
        action();
        return true;
    };
}

Step WaitFor(std::function<bool()> condition) { return condition; }

Step Key(int dik) {
    return [dik] {
        Input_InjectKey(dik, true);
        Input_InjectKey(dik, false);
        return true;
    };
}

Step Click() { return PressLeft; }

Step ClickPoint(int x, int y) {
    return [=] {
        ClickAt(x, y);
        return true;
    };
}

Step ClickWidget(const char* widget) {
    return [widget] {
        CMnWidget* w = Shown(widget);
        if (!w || !w->IsEnabled()) return false;
        if (auto* b = dynamic_cast<CMnSprWidget*>(w))
            ClickAt((b->GetLeft() + b->GetRight()) / 2, (b->GetTop() + b->GetBottom()) / 2);
        else if (dynamic_cast<CMnListBox*>(w))
            ClickAt(w->GetX() + MN_LIST_ROW / 2, w->GetY() + MN_LIST_ROW / 2);  // the first line: the newest save
        else
            ClickAt(w->GetX(), w->GetY());
        return true;
    };
}

Step Turn(float yaw, float pitch) {
    return [=] { return Idle() && TurnViewTowards(yaw, pitch); };
}

Step ClickView() {
    return [] { return Idle() && PressLeft(); };
}

Step Arrive(const std::string& view) {
    return [view] { return Idle() && ViewName() == view; };
}

Step ExpectPointer(int32_t kind, const std::string& what) {
    return AtRest([=] {
        EXPECT_TRUE(PointerDrawn(kind)) << what << " in " << ViewName() << ": sprite " << OrvSpr_get_curseur_sprite()
                                        << (OrvSpr_get_curseur_bank() == Interface_GetBank() ? "" : " of another bank");
    });
}

Step ExpectHeld(const std::string& object) {
    return AtRest([=] {
        EXPECT_EQ(OrvSpr_get_curseur_bank(), Inventaire_GetBank()) << object;
        EXPECT_EQ(OrvSpr_get_curseur_sprite(), DefName_GetParamInt(DEFNAME_OBJETS, object.c_str())) << object;
    });
}

Step ArriveReading(const std::string& view) {
    auto waited = std::make_shared<int>(0);
    return [=] {
        if (Loop() == LOOP_MESSAGE) {
            if ((*waited)++ >= 5) {
                *waited = 0;
                PressLeft();
            }
            return false;
        }
        // Once the arrival's block has run: a message it shows comes first.
        return Idle() && ViewName() == view && Interp_GetEngineVar(IV_ARRIVEEVUE) == 0;
    };
}

Step Read(int32_t n, std::vector<uint32_t>* shown) {
    auto waited = std::make_shared<int>(0);
    return [=] {
        if (Loop() != LOOP_MESSAGE || OrvMsg_Current() != n || (*waited)++ < 5) return false;  // read for a moment
        if (shown) *shown = PresentedFrame();
        return PressLeft();
    };
}

Step Snapshot(std::vector<uint32_t>* into) {
    auto passes = std::make_shared<int>(0);
    return [=] {
        if (++*passes < 4) return false;
        *into = PresentedFrame();
        return true;
    };
}

std::vector<Step> ChoosePlayer(int player) {
    static const char* const kButtons[] = {"b_gala.spr", "b_lune.spr", "b_sol.spr", "b_star.spr", "b_ter.spr"};
    return {
        WaitFor([] { return Loop() == LOOP_QMV; }), Click(),  // the intro
        ClickWidget(kButtons[player]),
    };
}

std::vector<Step> NewGame(int player) {
    std::vector<Step> steps = ChoosePlayer(player);
    steps.push_back(Read(1));
    steps.push_back(Arrive("IR1"));
    return steps;
}

std::vector<Step> NewGameTo(const char* wam, uint32_t view, const std::string& name) {
    std::vector<Step> steps = NewGame();
    steps.push_back(Do([wam, view] { OrvWam_RequestWorld(wam, view, false); }));
    steps.push_back(Arrive(name));
    return steps;
}

std::vector<Step> SaveGame() {
    return {Key(DIK_ESCAPE), ClickWidget("a_disc.spr"), ClickWidget("a_save.spr"), ClickWidget("b_oui.spr"),
            WaitFor([] { return Loop() != LOOP_MENU; })};
}

std::vector<Step> LoadNewestGame() {
    return {Key(DIK_ESCAPE), ClickWidget("a_disc.spr"), ClickWidget("a_load.spr"), ClickWidget("save.spr"),
            WaitFor([] { return Loop() != LOOP_MENU; })};
}

std::vector<Step> QuitThroughTheCredits() {
    return {Key(DIK_ESCAPE), ClickWidget("a_exit.spr"), ClickWidget("b_oui.spr"),
            WaitFor([] { return Loop() == LOOP_MENU && MenuState.pageState == MN_STATE_CREDITS; }), Click()};
}

// ---- zones and sprites found through the world's data ----

ZonePick ZoneNamed(const std::string& name) {
    return [name](const ST_wam_zclic& z) { return z.type >= WAM_ZONE_SCENARIO && z.type < WAM_ZONE_DISABLED && name == z.name; };
}

ZonePick MoveTo(uint32_t view) {
    return [view](const ST_wam_zclic& z) { return z.type == WAM_ZONE_NEXTVUE && z.numero == view; };
}

ZonePick LinkAway() {
    return [](const ST_wam_zclic& z) { return z.type == WAM_ZONE_LIEN; };
}

ZonePick ZoneNumbered(uint32_t numero) {
    return [numero](const ST_wam_zclic& z) { return z.numero == numero; };
}

Step TurnToZone(ZonePick pick, float below) {
    return [pick, below] {
        if (!Idle()) return false;
        // A character's subject panel holds the view: a click beside it closes it, as a player would.
        if (OrvWarp_SubjectPanelOpen) {
            ClickAt(40, 40);
            return false;
        }
        const ST_wam_zclic* zone = FindZone(pick);
        float yaw, pitch;
        if (!zone || !ZoneMiddle(*zone, &yaw, &pitch)) return Abandon("no such zone in " + ViewName());
        pitch -= below;
        LimitedAim(&yaw, &pitch);
        return TurnViewTowards(yaw, pitch);
    };
}

Step TurnToZone(uint32_t numero, float below) { return TurnToZone(ZoneNumbered(numero), below); }

std::vector<Step> ClickZone(ZonePick pick) { return {TurnToZone(pick), ClickView()}; }

Step TurnToSprite(const std::string& element) {
    return [element] {
        if (!Idle()) return false;
        for (int i = 0; i < OrvSpw_NbVisibles; i++) {
            const ST_spw_visible& s = OrvSpw_Visibles[i];
            float yaw, pitch;
            if (!s.perso || element != s.perso->name || !s.shown) continue;
            if (!SpriteMiddle(s, &yaw, &pitch)) return false;  // between two frames
            LimitedAim(&yaw, &pitch);
            // Already under the centre (a character's subject panel then holds the view).
            float y, p;
            OrvWarp_GetViewAngles(&y, &p);
            if (OrvSpw_PointerOver && std::hypot(y - yaw, p - pitch) < 0.15f) return true;
            return TurnViewTowards(yaw, pitch);
        }
        return Abandon("no sprite " + element + " shown in " + ViewName());
    };
}

// ---- the spider's web ----

bool SpidersStill() {
    for (int i = 0; i < araig_nb_actors; i++) {
        const ST_araig_actor& a = araig_actors[i];
        if (araig_is_spider(a) && (a.rate != 0.0f || a.from != a.to || a.progress != 0.0f)) return false;
    }
    return true;
}

std::vector<Step> ClickToward(uint32_t to) { return {WaitFor(SpidersStill), TurnToZone(to, 0.1f), ClickView()}; }

std::vector<Step> Walk(const std::vector<uint32_t>& path) {
    std::vector<Step> steps;
    for (uint32_t to : path) {
        Append(steps, ClickToward(to));
        steps.push_back(Arrive("YU" + std::to_string(to)));
    }
    steps.push_back(WaitFor(SpidersStill));
    return steps;
}

// ---- the bag and the canoe's board ----

std::vector<Step> ChooseFromTheBag(std::function<bool(const std::string& name)> pick, const std::string& what) {
    return {WaitFor(Idle), [] {
                Input_InjectButton(MOUSE_RIGHT, true);
                Input_InjectButton(MOUSE_RIGHT, false);
                return true;
            },
            WaitFor([] { return Inventaire_Shown != 0; }),
            [pick, what] {
                for (int32_t i = 0; i < Inventaire_NbObjets; ++i) {
                    if (!pick(DefName_GetName(DEFNAME_OBJETS, Inventaire_Sac[i].id))) continue;
                    const InventaireGrid g = Inventaire_GetGrid(Inventaire_NbObjets, OrvDisplay_GetRenderWidth(),
                                                                OrvDisplay_GetRenderHeight());
                    ClickAt(g.x0 + (i % g.columns) * g.cellWidth + g.cellWidth / 2,
                            g.y0 + (i / g.columns) * g.cellHeight + g.cellHeight / 2);
                    return true;
                }
                ADD_FAILURE() << what << " is not in the bag";
                return true;
            },
            ClickPoint(2, 2), WaitFor(Idle)};
}

std::vector<Step> ChooseFromTheBag(const std::string& object) {
    return ChooseFromTheBag([object](const std::string& name) { return name == object; }, object);
}

std::vector<Step> ToTheCanoeBoard() {
    std::vector<Step> steps = {Do([] { OrvWam_RequestWorld(DEMO_WAM_YU, DEMO_CANOE_VIEW, false); }),
                               ArriveReading("YU" + std::to_string(DEMO_CANOE_VIEW))};
    Append(steps, ClickZone(ZoneNamed("ZONE_PIROGUE")));
    steps.push_back(WaitFor([] { return Loop() == LOOP_PIROGUE; }));
    return steps;
}

void ClickCanoeCell(int32_t cell, int button) {
    const CasePlateau& c = pirogue_plateau[cell];
    Input_InjectMouseMove(c.x + PIROGUE_ANCRE_X - MousePosition.x, c.y + PIROGUE_ANCRE_Y - MousePosition.y);
    Input_InjectButton(button, true);
    Input_InjectButton(button, false);
}

Step SolveTheCanoeBoard() {
    auto wait = std::make_shared<int>(0);
    return [wait] {
        if (Loop() != LOOP_PIROGUE) return Abandon("the canoe's screen closed");
        // A few passes between clicks, so that each is taken before the next is chosen.
        if ((*wait)-- > 0) return false;
        *wait = 3;
        if (piece_en_main >= 0) {
            ClickCanoeCell(piece_en_main / 4, MOUSE_LEFT);
            return false;
        }
        for (int32_t home = 0; home < PIROGUE_FIXED_CELL; home++) {
            if (pirogue_plateau[home].code / 4 == home) continue;
            for (int32_t at = 0; at < PIROGUE_FIXED_CELL; at++)
                if (pirogue_plateau[at].code / 4 == home) ClickCanoeCell(at, MOUSE_LEFT);
            return false;
        }
        for (int32_t home = 0; home < PIROGUE_FIXED_CELL; home++)
            if (pirogue_plateau[home].code % 4 != 0) {
                ClickCanoeCell(home, MOUSE_RIGHT);
                return false;
            }
        ClickCanoeCell(PIROGUE_FIXED_CELL, MOUSE_LEFT);
        return true;
    };
}
