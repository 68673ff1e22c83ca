// Warp mode: the per-pass loop of a panoramic view, its camera, mouse look, faces, view jumps and zoom.
#include "panorama/Orv_Warp.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "app/Application.h"
#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "audio/Orv_Sound.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "graphics2d/PixelFormat.h"
#include "graphics2d/Tga.h"
#include "panorama/GereClic.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Spw.h"
#include "panorama/WarpSound.h"
#include "panorama/WarpCube.h"
#include "panorama/WarpFaceNames.h"
#include "panorama/WarpPacked.h"
#include "panorama/WarpRasterizer.h"
#include "panorama/Z3d.h"
#include "raster/portable/RastConvert.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/wam.h"

WarpLookSpeeds OrvWarp_MouseLookSpeeds = {0.0f, 0.0f};
WarpCursor OrvWarp_Cursor = {320, 240};
ST_wam_zclic* OrvWarp_ZoneSouris = nullptr;
uint8_t OrvWarp_SubjectPanelOpen = 0;
uint8_t OrvWarp_PanelClick = 0;

namespace {

constexpr float kDegree = WARP_PI / 180.0f;
// Speeds below this are taken as stopped.
constexpr float kLookRest = 1e-5f;
constexpr float kNearPlane = 1.0f / 1024.0f;
// The shake's turns about the viewing axis, one repeat.
constexpr float kZoomRolls[4] = {10.0f * kDegree, -10.0f * kDegree, -10.0f * kDegree, 10.0f * kDegree};
constexpr float kZoomWiden = 8.0f * kDegree;
constexpr float kZoomNarrow = 4.0f * kDegree;

struct WarpState {
    CTCamera camera;
    CTWarpRasterizer rast;
    CSystemMemorySurface faces[WARP_NB_FACES];
    bool facesCreated = false;
    bool facesReady = false;
    std::string facesView;  // name of the view whose faces are loaded
    float yaw = 0.0f, pitch = 0.0f, roll = 0.0f;
    float fov = WARP_FOV;
    int cameraW = 0, cameraH = 0;
    int32_t pendingDx = 0, pendingDy = 0;
    bool zoomRunning = false;
    int32_t zoomCount = 0;
    int zoomPhase = 0;
    bool paused = false;
    int32_t loopType = 0;
    bool dialogueLook = false;
    // The dialogue's turns since the loop type last changed: during its voice-overs the view's limits
    // hold the player's look without them.
    float turnYaw = 0.0f, turnPitch = 0.0f;
    // A subject panel opens on a character under the pointer; once dismissed it opens again only after the
    // pointer has left that character (it would otherwise open again at once, and hold the view on him).
    bool panelMayOpen = true;
    int32_t panelPerso = -1;
    WarpTransitionHook transition = nullptr;
    const ST_wam_vue* enteredVue = nullptr;
    const ST_wam_world* enteredWorld = nullptr;
};

WarpState& S() {
    static WarpState state;
    return state;
}

void RenderSize(int* w, int* h) {
    *w = OrvDisplay_GetRenderWidth();
    *h = OrvDisplay_GetRenderHeight();
    if (*w <= 0 || *h <= 0) {
        *w = 640;
        *h = 480;
    }
}

void ApplyFov() {
    WarpState& s = S();
    s.camera.SetFieldOfView(s.fov, float(s.cameraW), float(s.cameraH));
}

// The camera follows the render size (640x480 or 800x600).
void SetupCamera() {
    WarpState& s = S();
    int w, h;
    RenderSize(&w, &h);
    if (w == s.cameraW && h == s.cameraH) return;
    s.cameraW = w;
    s.cameraH = h;
    s.camera.SetClipRect(0, 0, w - 1, h - 1);
    s.camera.SetCenter(float(w / 2), float(h / 2));
    s.camera.SetNear(kNearPlane);
    ApplyFov();
}

void ApplyRotation() {
    WarpState& s = S();
    s.camera.frame.SetLocalRotation(WarpCube_ViewRotation(s.yaw, s.pitch, s.roll));
}

// The view's limits; min == max leaves an axis free (yaw then wraps round).
void ClampAngles(float& yaw, float& pitch, bool* yawStopped, bool* pitchStopped) {
    const ST_wam_vue* v = OrvWam_CurrentVue;
    const float y0 = yaw, p0 = pitch;
    if (v && v->yaw_min < v->yaw_max) yaw = std::clamp(yaw, v->yaw_min, v->yaw_max);
    else if (std::isfinite(yaw)) yaw = std::remainder(yaw, 2.0f * WARP_PI);
    else yaw = 0.0f;
    float lo = -WARP_PITCH_LIMIT, hi = WARP_PITCH_LIMIT;
    if (v && v->pitch_min < v->pitch_max) {
        lo = std::max(lo, v->pitch_min);
        hi = std::min(hi, v->pitch_max);
        if (lo > hi) lo = hi = std::clamp(v->pitch_min, -WARP_PITCH_LIMIT, WARP_PITCH_LIMIT);
    }
    pitch = std::isfinite(pitch) ? std::clamp(pitch, lo, hi) : 0.0f;
    if (yawStopped) *yawStopped = v && v->yaw_min < v->yaw_max && yaw != y0;
    if (pitchStopped) *pitchStopped = pitch != p0;
}

bool FreePointer() { return OrvWarp_SubjectPanelOpen || Inventaire_Shown; }

void Present() {
    OrvDisplay_AutoBlitLocked();
    if (auto* window = dynamic_cast<Velkrum::CDirectDrawWindow*>(Velkrum::MainWindow())) window->Flip();
}

// Faces are kept in the render surface's pixel format: made at the first view entry, once the
// display exists, and made again should that format change.
bool CreateFaces() {
    WarpState& s = S();
    CSurface* render = OrvDisplay_GetRenderSurface();
    const CPixelFormat format =
        render && render->format.bitsPerPixel == 16 ? render->format : PixelFormatOf(PFID_R5G6B5);
    if (s.facesCreated && s.faces[0].format == format) return true;
    s.facesCreated = s.facesReady = false;
    s.facesView.clear();
    for (CSystemMemorySurface& f : s.faces) {
        if (!f.Create(WARP_FACE_SIZE, WARP_FACE_SIZE, format)) {
            OrvError_Warning("OrvWarp_LoadFaces() : faces impossibles");
            return false;
        }
        f.Lock();
    }
    s.facesCreated = true;
    return true;
}

void DrawBackground() {
    if (OrvWarp_Render()) OrvDisplay_UnlockSurface();
}

// A loaded game enters its view fully.
void EnterView() { OrvWarp_EnterView(); }

// The world block is about to go: the panorama and the ambient noises let go of everything in it.
void ReleaseWorld() {
    WarpState& s = S();
    OrvSound_FreeBruitages();
    OrvSpw_FreeAll();
    OrvWarp_ZoneSouris = nullptr;
    // A character's panel belongs to the view it was opened in.
    OrvWarp_SubjectPanelOpen = 0;
    s.enteredVue = nullptr;
    s.enteredWorld = nullptr;
}

ST_wam_vue* SoundView() { return OrvWam_CurrentVue; }
const char* SoundWorldName() { return OrvWam_GetName(); }
ST_wam_son* SoundRecords() {
    ST_wam_world* w = OrvWam_GetWorld();
    return w ? w->sons : nullptr;
}

void LoadFacesOf(const ST_wam_vue* vue) {
    WarpState& s = S();
    if (s.facesReady && s.facesView == vue->name) return;
    OrvWarp_LoadFaces(vue);
}

}  // namespace

bool OrvWarp_Init() {
    WarpState& s = S();
    s.cameraW = s.cameraH = 0;
    s.fov = WARP_FOV;
    s.yaw = s.pitch = s.roll = 0.0f;
    s.paused = false;
    s.zoomRunning = false;
    s.loopType = 0;
    s.pendingDx = s.pendingDy = 0;
    s.panelMayOpen = true;
    // No character's panel is up yet.
    OrvWarp_SubjectPanelOpen = 0;
    OrvWarp_PanelClick = 0;
    warp_stop_rotation();
    SetupCamera();
    ApplyRotation();
    s.rast.SetProcessor(0);
    OrvSpw_FreeAll();
    OrvHooks.OrvSpw_UpdateElem = OrvSpw_UpdateElem;
    OrvHooks.OrvWarp_EnterView = EnterView;
    OrvHooks.OrvWarp_DrawBackground = DrawBackground;
    OrvWam_AddReplacedCallback(ReleaseWorld);
    // The ambient noises hear the current view through the panorama.
    OrvSoundWorldLink link;
    link.currentView = SoundView;
    link.worldName = SoundWorldName;
    link.sounds = SoundRecords;
    link.getViewAngles = OrvWarp_GetViewAngles;
    link.soundDirection = warp_sound_direction;
    OrvSound_SetWorldLink(link);
    OrvWarp_CentrePointer();
    debug_log("OrvWarp_Init() : ok");
    return true;
}

void OrvWarp_Close() {
    WarpState& s = S();
    // Closed, the panorama lets go of the world as at a world change: nothing keeps its noises' records.
    OrvWam_RemoveReplacedCallback(ReleaseWorld);
    ReleaseWorld();
    for (CSystemMemorySurface& f : s.faces) f.Free();
    WarpPacked_Close();
    s.facesCreated = s.facesReady = false;
    s.facesView.clear();
    s.enteredVue = nullptr;
    s.enteredWorld = nullptr;
    s.zoomRunning = false;
    if (s.paused) frame_timer_set_paused(false);
    s.paused = false;
    OrvWarp_ZoneSouris = nullptr;
    if (OrvHooks.OrvSpw_UpdateElem == OrvSpw_UpdateElem) OrvHooks.OrvSpw_UpdateElem = nullptr;
    if (OrvHooks.OrvWarp_EnterView == EnterView) OrvHooks.OrvWarp_EnterView = nullptr;
    if (OrvHooks.OrvWarp_DrawBackground == DrawBackground) OrvHooks.OrvWarp_DrawBackground = nullptr;
    OrvSound_SetWorldLink(OrvSoundWorldLink{});
}

CTCamera& OrvWarp_GetCamera() { return S().camera; }

void OrvWarp_GetScreenCentre(int32_t* x, int32_t* y) {
    int w, h;
    RenderSize(&w, &h);
    if (x) *x = w / 2;
    if (y) *y = h / 2;
}

void OrvWarp_CentrePointer() {
    int32_t cx, cy;
    OrvWarp_GetScreenCentre(&cx, &cy);
    OrvWarp_Cursor = {cx, cy};
    SetMousePosition(cx, cy);
}

void OrvWarp_OnLoopType(int32_t type) {
    WarpState& s = S();
    s.loopType = type;
    s.dialogueLook = false;
    s.turnYaw = s.turnPitch = 0.0f;
    s.pendingDx = s.pendingDy = 0;
}

void OrvWarp_SetDialogueLook(bool on) { S().dialogueLook = on; }

int32_t OrvWarp_GetLoopType() { return S().loopType; }

bool OrvWarp_LoadTga(const char* path, CSurface* surface) {
    if (!path || !surface || !surface->pixels) {
        OrvError_Warning("OrvWarp_LoadTga() p=NULL");
        return false;
    }
    if (!OrvFile_Exists(path)) {
        OrvError_Warning("OrvWarp_LoadTga() fichier absent : %s", path);
        return false;
    }
    CSystemMemorySurface picture;
    if (!Tga_Load(OrvFile_Resolve(path).c_str(), picture)) {
        OrvError_Warning("OrvWarp_LoadTga() image incorrecte : %s", path);
        return false;
    }
    if (picture.width != surface->width || picture.height != surface->height) {
        OrvError_Warning("OrvWarp_LoadTga() %s : %dx%d au lieu de %dx%d", path, picture.width, picture.height,
                         surface->width, surface->height);
        return false;
    }
    picture.Lock();
    const bool ok = CopySurface(*surface, picture);
    picture.Unlock();
    if (!ok) OrvError_Warning("OrvWarp_LoadTga() %s : format de pixels non converti", path);
    return ok;
}

bool OrvWarp_LoadFaces(const ST_wam_vue* vue) {
    WarpState& s = S();
    if (!vue || !CreateFaces()) return false;
    // A packed view wins over loose pictures; a bad one falls back to them.
    char packed[ORV_PATH_MAX];
    build_path_warp(packed, WarpPacked_FileName(vue->name).c_str());
    if (OrvFile_Exists(packed) && WarpPacked_Load(packed, s.faces, WARP_NB_FACES)) {
        s.facesReady = true;
        s.facesView = vue->name;
        return true;
    }
    bool all = true;
    for (int f = 0; f < WARP_NB_FACES; f++) {
        char path[ORV_PATH_MAX];
        build_path_warp(path, WarpFace_FileName(vue->name, f).c_str());
        if (OrvWarp_LoadTga(path, &s.faces[f])) continue;
        OrvError_Warning("OrvWarp_LoadFaces() vue %u (%s) : face %d remplacée par un damier", vue->id, vue->name, f);
        DrawCheckerboard(s.faces[f], 32);
        all = false;
    }
    s.facesReady = true;
    s.facesView = vue->name;
    return all;
}

CSurface* OrvWarp_GetFace(int face) {
    WarpState& s = S();
    if (face < 0 || face >= WARP_NB_FACES || !s.facesCreated) return nullptr;
    return &s.faces[face];
}

bool OrvWarp_start() {
    WarpState& s = S();
    ST_wam_vue* vue = OrvWam_CurrentVue;
    if (!vue || Interp_GetEngineVar(IV_NEXTWARPINVALIDE) != 1) return OrvWarp_EnterView();
    // The entry is skipped: the view keeps its sprites and the puzzles see no entry.
    Interp_SetEngineVar(IV_NEXTWARPINVALIDE, 0);
    debug_log("OrvWarp_start() vue %u : NextWarpInvalide, entrée sautée", vue->id);
    if (vue != s.enteredVue || OrvWam_GetWorld() != s.enteredWorld) {
        // Slots of another view point into records that may be gone.
        OrvSpw_FreeAll();
        LoadFacesOf(vue);
        s.enteredVue = vue;
        s.enteredWorld = OrvWam_GetWorld();
    }
    return true;
}

bool OrvWarp_EnterView() {
    WarpState& s = S();
    ST_wam_vue* vue = OrvWam_CurrentVue;
    if (!vue) {
        OrvError_Warning("OrvWarp_start() : pas de vue courante");
        return false;
    }
    LoadFacesOf(vue);
    OrvWarp_ZoomStop();
    s.yaw = vue->yaw_start;
    s.pitch = vue->pitch_start;
    ClampAngles(s.yaw, s.pitch, nullptr, nullptr);
    ApplyRotation();
    warp_stop_rotation();
    s.pendingDx = s.pendingDy = 0;
    s.turnYaw = s.turnPitch = 0.0f;
    OrvWarp_ZoneSouris = nullptr;
    s.panelMayOpen = true;
    OrvSpw_FreeAll();
    const int sprites = OrvSpw_LoadView(vue);
    s.enteredVue = vue;
    s.enteredWorld = OrvWam_GetWorld();
    OrvSpw_UpdateObjectIndex();
    OrvSound_InitBruitagesWarp();
    debug_log("OrvWarp_start() vue %u (%s), %d sprites", vue->id, vue->name, sprites);
    return true;
}

void OrvWarp_GetViewAngles(float* yaw, float* pitch) {
    if (yaw) *yaw = S().yaw;
    if (pitch) *pitch = S().pitch;
}

void OrvWarp_SetViewAngles(float yaw, float pitch) {
    WarpState& s = S();
    s.yaw = yaw;
    s.pitch = pitch;
    ClampAngles(s.yaw, s.pitch, nullptr, nullptr);
    ApplyRotation();
}

void OrvWarp_RotateYaw(float angle) {
    WarpState& s = S();
    OrvWarp_SetViewAngles(s.yaw + angle, s.pitch);
}

void OrvWarp_RotatePitch(float angle) {
    WarpState& s = S();
    OrvWarp_SetViewAngles(s.yaw, s.pitch + angle);
}

void OrvWarp_Turn(float yaw, float pitch) {
    WarpState& s = S();
    if (std::isfinite(s.yaw + yaw)) {
        s.yaw = std::remainder(s.yaw + yaw, 2.0f * WARP_PI);
        s.turnYaw = std::remainder(s.turnYaw + yaw, 2.0f * WARP_PI);
    }
    if (std::isfinite(s.pitch + pitch)) {
        s.pitch += pitch;
        s.turnPitch += pitch;
    }
    ApplyRotation();
}

void warp_stop_rotation() { OrvWarp_MouseLookSpeeds = {0.0f, 0.0f}; }

void warp_update_view() {
    WarpState& s = S();
    WarpLookSpeeds& v = OrvWarp_MouseLookSpeeds;
    if (!std::isfinite(v.yaw) || !std::isfinite(v.pitch)) warp_stop_rotation();
    if (FreePointer() || s.paused) {
        s.pendingDx = s.pendingDy = 0;
    } else {
        const float gain = WARP_LOOK_GAIN * float(std::clamp(g_Config.mouseSpeed, 25, 400)) / 100.0f;
        v.yaw += float(s.pendingDx) * gain;
        // Moving the mouse forward (upwards) looks up unless the look is inverted.
        v.pitch += float(g_Config.invertLook ? s.pendingDy : -s.pendingDy) * gain;
        s.pendingDx = s.pendingDy = 0;
    }
    // During a voice-over the limits hold the player's own look; the speakers' turns come on top.
    const float turnYaw = s.dialogueLook ? s.turnYaw : 0.0f, turnPitch = s.dialogueLook ? s.turnPitch : 0.0f;
    float yaw = s.yaw - turnYaw, pitch = s.pitch - turnPitch;
    if (const ST_wam_vue* vue = OrvWam_CurrentVue; s.dialogueLook && vue && vue->yaw_min < vue->yaw_max) {
        // The turned yaw was wrapped: the look is the turn nearest the middle of the limits.
        const float middle = 0.5f * (vue->yaw_min + vue->yaw_max);
        yaw = middle + std::remainder(yaw - middle, 2.0f * WARP_PI);
    }
    yaw += v.yaw;
    pitch += v.pitch;
    bool yawStopped, pitchStopped;
    ClampAngles(yaw, pitch, &yawStopped, &pitchStopped);
    s.yaw = turnYaw != 0.0f ? std::remainder(yaw + turnYaw, 2.0f * WARP_PI) : yaw;
    s.pitch = pitch + turnPitch;
    if (yawStopped) v.yaw = 0.0f;
    if (pitchStopped) v.pitch = 0.0f;
    v.yaw *= WARP_LOOK_DECAY;
    v.pitch *= WARP_LOOK_DECAY;
    if (std::fabs(v.yaw) < kLookRest) v.yaw = 0.0f;
    if (std::fabs(v.pitch) < kLookRest) v.pitch = 0.0f;
    ApplyRotation();
}

void warp_on_mouse_move(const MouseEventInfo& e) {
    WarpState& s = S();
    int w, h;
    RenderSize(&w, &h);
    OrvWarp_Cursor = {std::clamp(e.x, 0, w - 1), std::clamp(e.y, 0, h - 1)};
    if ((s.loopType != 0 && !s.dialogueLook) || FreePointer()) return;
    // In the view the pointer stays at the centre and the motion turns the view.
    s.pendingDx = int32_t(std::clamp<int64_t>(int64_t(s.pendingDx) + e.dx, -100000, 100000));
    s.pendingDy = int32_t(std::clamp<int64_t>(int64_t(s.pendingDy) + e.dy, -100000, 100000));
    OrvWarp_CentrePointer();
}

void warp_on_mouse_button(const MouseEventInfo& e) {
    if (e.button == MOUSE_LEFT) MouseClickFlags.click = 1;
    else if (e.button == MOUSE_RIGHT) {
        WarpState& s = S();
        MouseClickFlags.rightClick = s.loopType != 0 ? 1 : 0;
        // In the view the right button opens and closes the inventory; not over a subject panel.
        if (s.loopType != 0 || s.paused || !OrvWam_CurrentVue || OrvWarp_SubjectPanelOpen) return;
        if (Inventaire_Shown) Inventaire_Hide();
        else Inventaire_Show();
    }
}

void OrvWarp_ZoomStart(int32_t count) {
    WarpState& s = S();
    if (s.zoomRunning) return;
    s.zoomRunning = true;
    s.zoomCount = count > 0 ? count : 1;
    s.zoomPhase = 0;
    s.fov = WARP_FOV;
    SetupCamera();
    ApplyFov();
}

void OrvWarp_ZoomStep() {
    WarpState& s = S();
    SetupCamera();
    if (s.zoomRunning) {
        s.roll += kZoomRolls[s.zoomPhase];
        s.fov = std::min(s.fov + kZoomWiden, WARP_FOV_MAX);
        if (++s.zoomPhase == 4) {
            s.zoomPhase = 0;
            if (--s.zoomCount <= 0) s.zoomRunning = false;
        }
        if (!s.zoomRunning) s.roll = 0.0f;
    } else if (s.fov > WARP_FOV) {
        s.fov = std::max(s.fov - kZoomNarrow, WARP_FOV);
    } else {
        return;
    }
    ApplyFov();
    ApplyRotation();
}

void OrvWarp_ZoomStop() {
    WarpState& s = S();
    s.zoomRunning = false;
    s.zoomPhase = 0;
    s.roll = 0.0f;
    s.fov = WARP_FOV;
    SetupCamera();
    ApplyFov();
    ApplyRotation();
}

float OrvWarp_GetFieldOfView() { return S().fov; }

void OrvWarp_SetFieldOfView(float radians) {
    WarpState& s = S();
    if (!std::isfinite(radians) || radians <= 0.0f || radians >= WARP_PI) return;
    s.fov = radians;
    SetupCamera();
    ApplyFov();
}

bool OrvWarp_Render() {
    WarpState& s = S();
    CSurface* render = OrvDisplay_GetRenderSurface();
    if (!render || !OrvDisplay_LockSurface()) return false;
    SetupCamera();
    if (!s.facesReady) {
        ClearSurface(*render, 0);
        return true;
    }
    CSurface* faces[WARP_NB_FACES];
    for (int f = 0; f < WARP_NB_FACES; f++) faces[f] = &s.faces[f];
    OrvSpw_Paint(faces, FrameCount);
    if (s.rast.SetTarget(render)) {
        s.rast.BeginScene();
        WarpCube_Draw(s.camera, faces, s.rast);
    }
    OrvSpw_Restore();
    Call_pz_araig_draw3d();
    return true;
}

namespace {
// A character's subject panel: opened when the pointer comes onto a character with subjects and nothing
// else is up, drawn while the choice strip is closed, and hit on each click.
// A panel the player dismissed opens again only once the pointer has left its character (it would open
// again at once on the character still pointed at, and the first turn away would bring it back); after a
// chosen subject it may open again as it is.
void CloseSubjectPanel(bool dismissed) {
    WarpState& s = S();
    warp_stop_rotation();
    OrvWarp_SubjectPanelOpen = 0;
    if (dismissed) s.panelMayOpen = false;
}

// Opens the panel on the character under the pointer when nothing else is up.
void OpenSubjectPanel(int32_t perso) {
    WarpState& s = S();
    if (perso != s.panelPerso) s.panelMayOpen = true;
    if (!OrvWarp_SubjectPanelOpen && s.panelMayOpen && perso >= 0 && Interp_GetEngineVar(IV_OBJETENMAIN) == 0 &&
        !Inventaire_Shown && !Call_DialBar_IsOpen() && Call_OrvDial_CountSubjects(perso) > 0) {
        s.panelPerso = perso;
        Interp_SetEngineVar(IV_CLICPERSO, perso);
        OrvWarp_SubjectPanelOpen = 1;
    }
}

// The open panel of the character: drawn, and hit by the click.
void SubjectPanelFrame() {
    if (!Call_DialBar_IsOpen()) Call_OrvDial_DrawPersoSubjects();
    const int32_t subject = Call_OrvDial_HitPersoSubject();
    if (subject > 0) {
        // The click chose a subject: no zone behind the panel takes it, but the poet of IR 73, who
        // hears every click, does.
        MouseClickFlags.click = 0;
        OrvWarp_PanelClick = 1;
        Interp_SetEngineVar(IV_SUJET, subject);
        Call_OrvDial_RunScenario();
        CloseSubjectPanel(false);
    } else if (subject == -2) {
        MouseClickFlags.click = 0;
        CloseSubjectPanel(true);
        Interp_SetEngineVar(IV_CLICPERSO, 0);
        Interp_SetEngineVar(IV_SUJET, -2);
    }
}
}  // namespace

void OrvWarp_DisplayFrame() {
    WarpState& s = S();
    int32_t cx, cy;
    OrvWarp_GetScreenCentre(&cx, &cy);
    // What lies under the screen centre: a view sprite, a zone.
    OrvSpw_ClickedIndex = -1;
    OrvSpw_PointerOver = 0;
    OrvWarp_PanelClick = 0;
    int32_t pointed = -1;  // the character under the pointer
    int face;
    float u, v;
    if (WarpCube_Locate(WarpCube_ScreenDirection(s.camera, float(cx), float(cy)), &face, &u, &v)) {
        const int32_t px = std::clamp(RastTruncSat(double(u) * WARP_FACE_SIZE), 0, WARP_FACE_SIZE - 1);
        const int32_t py = std::clamp(RastTruncSat(double(v) * WARP_FACE_SIZE), 0, WARP_FACE_SIZE - 1);
        const int32_t hit = OrvSpw_HitAt(face, px, py);
        if (hit >= 0 && OrvSpw_Visibles[hit].type % 2 == 1) pointed = OrvSpw_Visibles[hit].elem_id;
        if (hit >= 0) {
            OrvSpw_PointerOver = OrvSpw_Visibles[hit].type % 2 == 0 ? 1 : 2;
            if (MouseClickFlags.click) OrvSpw_ClickedIndex = hit;
        }
    }
    OrvWarp_ZoneSouris = OrvWam_CurrentVue ? z3d_find_zone_at(OrvWam_CurrentVue->zclic, cx, cy) : nullptr;

    // The pointer; while the blackbirds are offered it shows no zone.
    if (ST_wam_zclic* spider = Call_pz_araig_hit_center()) {
        OrvWarp_ZoneSouris = spider;
        Interface_SetCurseurZone(INTERFACE_KIND_ARAIG, 2);
    } else if (Call_pz_merle_choix()) {
        Interface_SetCurseurZone(0, 0);
    } else if (OrvSpw_PointerOver == 1) {
        Interface_SetCurseurZone(WAM_ZONE_SCENARIO, 0);
    } else if (OrvSpw_PointerOver == 2) {
        Interface_SetCurseurZone(INTERFACE_KIND_PERSO, 0);
    } else if (OrvWarp_ZoneSouris && OrvWarp_ZoneSouris->type < WAM_ZONE_DISABLED) {
        Interface_SetCurseurZone(OrvWarp_ZoneSouris->type, 0);
    } else {
        Interface_SetCurseurZone(0, 0);
    }
    // Read before the click: a click on a bird ends the offer, and that click is the birds', not
    // the character's.
    const bool birds = Call_pz_merle_oiseaux();
    OpenSubjectPanel(pointed);
    if (OrvWarp_SubjectPanelOpen) {
        Call_pz_merle_gere_clic();
        // The five blackbirds take the panel's place while they are offered; a click reaches the
        // puzzle through the click routing too, so it is left recorded. A click beside the birds
        // dismisses them as it does a panel, and goes to the poet alone.
        if (birds) {
            Call_OrvDial_DrawSubjectPanel();
            if (MouseClickFlags.click) Call_pz_merle_clic_oiseaux();
            if (MouseClickFlags.click && Call_pz_merle_oiseaux()) {
                MouseClickFlags.click = 0;
                OrvWarp_PanelClick = 1;
                CloseSubjectPanel(true);
            }
        } else {
            SubjectPanelFrame();
        }
    }
    Interface_GereFrame();
}

void OrvWarp_MissingViewHook() {
    if (strcasecmp(OrvWam_GetName(), "voiles.wam") == 0) Call_pz_lucioles_autowin();
}

void OrvWarp_SetTransitionHook(WarpTransitionHook hook) { S().transition = hook; }

int OrvWarp_DoViewJump() {
    WarpState& s = S();
    OrvWamJumpResult res{};
    const int rc = OrvWam_DoJump(&res);
    if (rc == WAM_JUMP_NO_VIEW) OrvWarp_MissingViewHook();
    if (rc != WAM_JUMP_DONE) return rc;
    const bool video = res.video[0] && !MouseClickFlags.doubleClick && Interp_GetEngineVar(IV_UDADA) == 0;
    OrvWarp_start();
    const bool played = video && s.transition && s.transition(res.video);
    if (!played) OrvSound_InitBruitagesApresFli();
    debug_log("OrvWarp_DoViewJump() vue %u -> %u%s%s", res.from_id, res.to ? res.to->id : 0,
              res.world_changed ? ", nouveau monde" : "", played ? ", transition" : "");
    return rc;
}

void OrvWarp_SetPause(bool paused) {
    WarpState& s = S();
    if (s.paused == paused) return;
    s.paused = paused;
    frame_timer_set_paused(paused);
    warp_stop_rotation();
    debug_log("OrvWarp : pause %s", paused ? "on" : "off");
}

bool OrvWarp_IsPaused() { return S().paused; }

void OrvWarp_continue() {
    WarpState& s = S();
    if (quitqu2 == 1) {
        debug_log("OrvWarp_continue(): quitqu2==1 : Quit");
        TheApplication().Quit(0);
    }
    // A right click means nothing in the view.
    MouseClickFlags.rightClick = 0;
    if (!OrvWam_CurrentVue) {
        // Before the first view (or while its world waits for a CD): a cleared frame and the pointer.
        if (CSurface* render = OrvDisplay_GetRenderSurface(); render && OrvDisplay_LockSurface()) {
            ClearSurface(*render, 0);
            OrvSpr_SetSurfaceInfo(render);
            OrvSpr_Aff_curseur_souris();
            OrvDisplay_UnlockSurface();
            Present();
        }
        if (OrvWam_Jump.pending) OrvWarp_DoViewJump();
        MouseClickFlags.click = MouseClickFlags.doubleClick = 0;
        return;
    }
    if (!FreePointer()) OrvWarp_CentrePointer();
    if (s.paused) {
        if (OrvWarp_Render()) OrvDisplay_UnlockSurface();
        Interface_DrawPauseNotice();
        Present();
        MouseClickFlags.click = MouseClickFlags.doubleClick = 0;
        return;
    }
    if (NewFrameFlags & NEWFRAME_MAIN) {
        OrvSpw_Advance();
        // A puzzle that steps the shake in its own pass would otherwise see it run faster.
        if (!Call_pz_zoom_owned()) OrvWarp_ZoomStep();
    }
    warp_update_view();
    if (OrvWarp_Render()) {
        OrvWarp_DisplayFrame();
        OrvDisplay_UnlockSurface();
        Present();
    }
    Interp_RunAfterDisplay();
    OrvSound_GereBruitagesWarp();
    OrvMain_GereClic();
    Interp_ScenarioFrame();
    if (OrvWam_Jump.pending) OrvWarp_DoViewJump();
    Call_pz_continue();
    Interp_SetEngineVar(IV_CLICZONE, 0);
    MouseClickFlags.click = MouseClickFlags.doubleClick = 0;
}
