// Dialogue mode: a dialogue as loop type 2, the view arranged for each speaker, the world's scripts and
// hero, dialogues over a video, and the "DIAL" command.
#include "dialogue/Orv_Dial.h"

#include <algorithm>
#include <memory>

#include "app/Config.h"
#include "app/Orv_Log.h"
#include "audio/Orv_Muzik.h"
#include "dialogue/Orv_DialSujets.h"
#include "dialogue/dlg_Dialog.h"
#include "engine3d/Material.h"
#include "framework/Input.h"
#include "graphics2d/Orv_Display.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/wam.h"

namespace {

// The speaker whose replies tilt the view, and the tilt.
constexpr const char* kTiltSpeaker = "DS";
constexpr float kTilt = 0.356163f;
// How the view stands arranged for the speakers.
struct ViewState {
    std::string lastSpeaker;
    bool heroSpoke = false;
    int32_t hiddenSprite = -1;
    float savedPitch = 0.0f;
    bool tilted = false;
};

constexpr int32_t kLoopDialogue = 2;
constexpr int kWorlds = 5;
// The resident hero of each world, by world index.
const char* const kHeroes[kWorlds] = {"H1", "Heros", "Heros", "Heros", "Heros"};
// Dialogues drawn over the full 800-pixel panorama.
constexpr uint32_t kDisplayable800[] = {44, 82, 83, 84, 85, 86, 87, 88, 187, 188, 189};

struct DialMode {
    int32_t worldIndex = 0;
    int32_t savedLoopType = -1;
    bool active = false;
    ViewState view;
} g;

dlg_Dialog* Dialog() { return dlg_TheDialog(); }

bool IsHero(const std::string& name) { return name == kHeroes[g.worldIndex]; }

void ShowHiddenSprite() {
    if (g.view.hiddenSprite < 0) return;
    if (g.view.hiddenSprite < MAX_SPW_VISIBLES) OrvSpw_Visibles[g.view.hiddenSprite].shown = 1;
    g.view.hiddenSprite = -1;
}

void Tilt(bool on) {
    if (on == g.view.tilted) return;
    OrvWarp_Turn(0.0f, on ? kTilt : -kTilt);
    g.view.tilted = on;
}

// The world block goes: the sprite slots with it.
void ForgetWorld() { g.view.hiddenSprite = -1; }

}  // namespace

void dial_maininit() {
    g = DialMode{};
    dlg_SetTheDialog(std::make_unique<dlg_Dialog>());
    OrvWam_AddReplacedCallback(ForgetWorld);
    debug_log("dial_maininit() : ok");
}

void OrvDial_close() {
    dlg_Dialog* dialog = Dialog();
    if (dialog && dialog->IsInitialised()) dialog->Remove();
    g.active = false;
    OrvDial_FreeSubjectBank();
    DialBar_Close();
    dlg_Dialog::UnloadScript();
    OrvWam_RemoveReplacedCallback(ForgetWorld);
    dlg_SetTheDialog(nullptr);
}

void OrvDial_InitWorld(const std::string& text, const std::string& staging, const std::string& characters,
                       int32_t world) {
    dlg_Dialog* dialog = Dialog();
    if (!dialog) return;
    dlg_Dialog::LoadScript(text, staging, characters);
    if (world < 1 || world > kWorlds) {
        OrvError_Warning("OrvDial_InitWorld() : monde %d incorrect", int(world));
        world = 1;
    }
    g.worldIndex = world - 1;
    dialog->RemoveResidents();
    dialog->AddResident(kHeroes[g.worldIndex]);
}

void OrvDial_WorldChange(const char* info, const char* com, const char* dial, int32_t world, const char* bank) {
    if (!Dialog()) return;
    OrvDial_LoadSubjectBank(bank);
    OrvDial_InitWorld(dial, com, info, world);
}

bool OrvDial_IsDialDisplayable800(uint32_t n) {
    return std::find(std::begin(kDisplayable800), std::end(kDisplayable800), n) != std::end(kDisplayable800);
}

bool OrvDial_IsActive() { return g.active; }

int32_t OrvDial_GetCurrentMode() { return Dialog() ? Dialog()->GetCurrentMode() : -1; }

bool OrvDial_start(uint32_t n) {
    dlg_Dialog* dialog = Dialog();
    if (!dialog) {
        OrvError_Warning("OrvDial_start(%d) : pas de dialogue", int(n));
        return false;
    }
    Orv3D_Opacity = 0;
    g.savedLoopType = Call_SetLoopType(kLoopDialogue);
    if (OrvDial_IsDialDisplayable800(n))
        OrvDisplay_EnableRenderWarp800(1, "OrvDial_start(%d): OrvDial_IsDialDisplayable800", int(n));
    OrvMuzik_SetLowVolume(true);
    g.active = true;
    dialog->Initialise(n);
    float yaw = 0.0f;
    g.view = ViewState{};
    OrvWarp_GetViewAngles(&yaw, &g.view.savedPitch);
    return true;
}

bool OrvDial_continue() {
    dlg_Dialog* dialog = Dialog();
    if (!dialog) return false;
    OrvMuzik_Step();
    if (MouseClickFlags.click) {
        dialog->EndReplique();
        MouseClickFlags.click = 0;
    }
    if (!dialog->Update()) {
        Tilt(false);
        return false;
    }
    const int32_t mode = dialog->GetCurrentMode();
    const std::string speaker = dialog->GetCurrentPersoName();
    std::string& last = g.view.lastSpeaker;
    // Free mouse look during voice-overs only.
    OrvWarp_SetDialogueLook(mode == DLG_MODE_VOIXOFF);
    if (mode == DLG_MODE_VOIXOFF) return true;
    if (mode == DLG_MODE_VOIXOFF0) {
        if (g.view.heroSpoke && speaker != last && !IsHero(speaker)) {
            if (IsHero(last)) OrvWarp_Turn(WARP_PI, 0.0f);
            last = speaker;
        }
        return true;
    }
    // The first arranged reply levels the view.
    if (last.empty()) OrvWarp_Turn(0.0f, -g.view.savedPitch);
    OrvWarp_SetFieldOfView(dialog->GetFocal() * WARP_PI / 180.0f);
    if (speaker == last) return true;
    ShowHiddenSprite();
    Tilt(speaker == kTiltSpeaker);
    if (!IsHero(speaker)) {
        if (IsHero(last)) OrvWarp_Turn(WARP_PI, 0.0f);
        last = speaker;
        g.view.hiddenSprite = dialog->FindSpeakerSprite();
        if (g.view.hiddenSprite >= 0) OrvSpw_Visibles[g.view.hiddenSprite].shown = 0;
        return true;
    }
    g.view.heroSpoke = true;
    last = speaker;
    OrvWarp_Turn(WARP_PI, 0.0f);
    return true;
}

void OrvDial_display() {
    dlg_Dialog* dialog = Dialog();
    if (!dialog || !dialog->GetCurrentReplique()) return;
    const bool subtitles = g_Config.subtitles != 0;
    if (dialog->IsOverVideo()) {
        // Over the video's picture, which the player has already brought to the screen's buffer.
        dialog->Display(subtitles);
        OrvDisplay_AutoBlitLocked();
        return;
    }
    const int32_t mode = dialog->GetCurrentMode();
    if (mode == DLG_MODE_VOIXOFF) warp_update_view();
    if ((mode == DLG_MODE_SCREEN || mode == DLG_MODE_VOIXOFF) && OrvWarp_Render()) OrvDisplay_UnlockSurface();
    dialog->Display(subtitles);
}

void OrvDial_stop() {
    dlg_Dialog* dialog = Dialog();
    if (!dialog || !g.active) return;
    // Turned back only when the view was turned for the hero who speaks.
    const std::string speaker = dialog->GetCurrentPersoName();
    if (!speaker.empty() && IsHero(speaker) && IsHero(g.view.lastSpeaker)) OrvWarp_Turn(WARP_PI, 0.0f);
    Tilt(false);
    OrvWarp_SetFieldOfView(WARP_FOV);
    OrvWarp_SetDialogueLook(false);
    ShowHiddenSprite();
    OrvMuzik_SetLowVolume(false);
    OrvMuzik_SetVolumePercent(100);
    if (dialog->IsInitialised()) dialog->Remove();
    g.active = false;
    if (g.savedLoopType >= 0) Call_SetLoopType(g.savedLoopType);
    Interp_SetEngineVar(IV_CLICPERSO, 0);
    Interp_SetEngineVar(IV_SUJET, -2);
    Interp_ResumePending();
}

bool OrvDial_startOverVideo(uint32_t n) {
    dlg_Dialog* dialog = Dialog();
    if (!dialog) return false;
    if (dialog->IsInitialised()) {
        OrvError_Warning("OrvDial_startOverVideo(%d) : un dialogue est déjà en cours", int(n));
        return false;
    }
    dialog->SetOverVideo(true);
    dialog->Initialise(n);
    return true;
}

bool OrvDial_UpdateOverVideo() {
    dlg_Dialog* dialog = Dialog();
    return dialog && dialog->IsOverVideo() && dialog->Update();
}

void OrvDial_removeOverVideo() {
    dlg_Dialog* dialog = Dialog();
    if (!dialog || !dialog->IsOverVideo()) return;
    if (dialog->IsInitialised()) dialog->Remove();
    dialog->SetOverVideo(false);
}

int OrvDial_CommandDial(const char* value) {
    int32_t n = 0;
    if (!Interp_ValueOf(value, &n) || n < 0) {
        OrvError_Warning("DIAL : numéro incorrect : %s", value);
        return CMD_DONE;
    }
    // The stop resumes the block that waited for the running dialogue, which may start another.
    while (g.active) {
        OrvError_Warning("SetVariables(): OrvDial_start() sans stop prealable!!");
        OrvDial_stop();
    }
    if (!OrvDial_start(uint32_t(n))) return CMD_DONE;
    // The low volume acts only at the next music start: the music playing is faded now.
    OrvMuzik_SetVolumePercent(16);
    return CMD_WAIT;
}
