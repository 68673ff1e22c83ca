// Installs the calls that lower modules make into higher ones (menus, video, world, panorama).
#include "app/main/Orv_Links.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "app/FrameTimer.h"
#include "app/Orv_Log.h"
#include "app/main/Orv_Main.h"
#include "audio/Orv_Muzik.h"
#include "audio/Orv_Sound.h"
#include "dialogue/Orv_Dial.h"
#include "dialogue/Orv_DialSujets.h"
#include "menus/Orv_Menu.h"
#include "menus/Orv_MenuHooks.h"
#include "menus/Orv_MusikCopy.h"
#include "menus/ViewBigSpr.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_araig.h"
#include "puzzles/pz_baton.h"
#include "puzzles/pz_dispatch.h"
#include "puzzles/pz_mandala.h"
#include "puzzles/pz_merle.h"
#include "puzzles/pz_poulpe.h"
#include "puzzles/pz_save.h"
#include "video/Orv_Qmv.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/OrvSaveGame.h"
#include "world/wam.h"

namespace {
// Start-up videos of the CD's video directory, with their soundtracks.
struct IntroVideo {
    const char* video;
    const char* sound;
};
constexpr IntroVideo kIntros[] = {{"intro.qmv", "intro.ksn"}};
size_t g_nextIntro = sizeof kIntros / sizeof kIntros[0];
bool g_introPending = false;

bool scanSlot(int32_t slot, SYSTEMTIME* savedAt, int32_t* picture) {
    if (!OrvSaveGame_ScanSlot(slot)) return false;
    if (savedAt) *savedAt = OrvSaveGame_Header.time;
    if (picture) *picture = OrvSaveGame_Header.picture;
    return true;
}

int saveGame(int32_t slot) {
    if (OrvSaveGame_Save(slot)) return MN_SAVED;
    return OrvSaveGame_DiskWasFull() ? MN_SAVE_DISK_FULL : MN_SAVE_FAILED;
}

int resumeLoad() {
    if (!OrvSaveGame_LoadPending()) return MN_RESUME_NONE;
    return OrvSaveGame_ResumeLoad() ? MN_RESUMED : MN_RESUME_FAILED;
}

bool runPendingBlock() {
    if (!PendingScenarioBlock.flag) return false;
    Interp_ResumePending();
    return true;
}

// A new game: the initialisation block asks for the first world, which is entered at once so the
// menus find a world loaded when they close.
bool newGame() {
    pz_new_game();
    OrvDial_ResetSubjects();
    if (!Interp_RunInit()) return false;
    if (OrvWam_Jump.pending) OrvWarp_DoViewJump();
    return true;
}

// "(NewSound=n)": sound n of the CD's sound directory on the script voice.
int commandNewSound(const char* value) {
    char name[32];
    std::snprintf(name, sizeof name, "son%03ld.ksn", std::strtol(value, nullptr, 10));
    OrvSound_PlayQmvSound(name);
    return CMD_DONE;
}

// "(cinema=n)": video n of the CD's video directory.
int commandCinema(const char* value) {
    char name[32];
    std::snprintf(name, sizeof name, "cine%03ld.qmv", std::strtol(value, nullptr, 10));
    if (!OrvQmv_start(name)) OrvError_Warning("cinema=%s : vidéo %s absente", value, name);
    return CMD_DONE;
}

// An object chosen in the inventory: the dowsing rod, then the dialogue's choice strip, may take it.
bool chooseObject(int32_t objetId) { return pz_baton_choose(objetId) || DialBar_Choose(objetId); }

void installPuzzles() {
    OrvHooks.pz_entree_vue = pz_entree_vue;
    OrvHooks.pz_gere_clic = pz_gere_clic;
    OrvHooks.pz_continue = pz_continue;
    OrvHooks.pz_quit_all = pz_quit_all;
    OrvHooks.pz_araig_init_after_load = pz_init_after_load;
    OrvHooks.pz_araig_gere_clic = [] { return pz_araig_gere_clic(); };
    OrvHooks.pz_araig_hit_center = pz_araig_hit_center;
    OrvHooks.pz_araig_draw3d = pz_araig_draw3d;
    OrvHooks.pz_poulpe_aff_viseur = pz_poulpe_aff_viseur;
    OrvHooks.pz_zoom_owned = pz_poulpe_owns_zoom;
    OrvHooks.pz_merle_gere_clic = pz_merle_gere_clic;
    OrvHooks.pz_merle_oiseaux = pz_merle_oiseaux;
    OrvHooks.pz_merle_clic_oiseaux = pz_merle_clic_oiseaux;
    OrvHooks.pz_merle_choix = pz_merle_choix;
    OrvHooks.pz_merle_poete_gere_clic = pz_merle_poete_gere_clic;
    OrvHooks.pz_lucioles_autowin = pz_lucioles_autowin;
    OrvHooks.pz_mandala_log_solution = pz_mandala_log_solution;
    OrvHooks.BatonUp = BatonUp;
    OrvHooks.BatonDown = pz_baton_down;
    OrvHooks.Inventaire_Choose = chooseObject;
    // The octopus holds view-sprite slots, which a new world frees.
    OrvWam_AddReplacedCallback(pz_poulpe_forget);
    pz_save_reset();
    pz_save_register();
}

// The frame-timer tick of a dialogue; its end gives the loop back.
void dialogueTick() {
    if (OrvMain_GetLoopType() == LOOP_DIALOGUE && !OrvDial_continue()) OrvDial_stop();
}

void installDialogue() {
    OrvHooks.OrvDial_InitWorld = OrvDial_WorldChange;
    OrvHooks.OrvDial_stop = OrvDial_stop;
    OrvHooks.OrvDial_IsActive = OrvDial_IsActive;
    OrvHooks.OrvDial_ClearSubjects = OrvDial_ClearSubjects;
    OrvHooks.DialBar_Continue = DialBar_Continue;
    OrvHooks.DialBar_Close = DialBar_Close;
    OrvHooks.DialBar_IsOpen = DialBar_IsOpen;
    OrvHooks.OrvDial_OpenSubjectPanel = OrvDial_OpenSubjectPanel;
    OrvHooks.OrvDial_DrawSubjectPanel = OrvDial_DrawSubjectPanel;
    OrvHooks.OrvDial_CountSubjects = OrvDial_CountSubjects;
    OrvHooks.OrvDial_DrawPersoSubjects = OrvDial_DrawPersoSubjects;
    OrvHooks.OrvDial_HitPersoSubject = OrvDial_HitPersoSubject;
    OrvHooks.OrvDial_RunScenario = OrvDial_RunScenario;
    frame_timer_add_hook(dialogueTick);
    Interp_RegisterCommand("DIAL", OrvDial_CommandDial);
    OrvDial_RegisterSubjects();
}

// "(MUSIQUE=n[,mark[,loops]])": numbered music through the installation's copy.
int commandMusique(const char* value) {
    long number = 0, mark = 0, loops = 0;
    if (std::sscanf(value, "%ld,%ld,%ld", &number, &mark, &loops) < 1 || number < 0 || number > 99) {
        OrvError_Warning("MUSIQUE=%s : numéro de musique incorrect", value);
        return CMD_DONE;
    }
    PlayMusikNumber(int32_t(number), int32_t(mark), int32_t(loops));
    return CMD_DONE;
}

int commandCredits(const char*) {
    OrvMenu_start_Credits();
    return CMD_DONE;
}

int commandViewBigSpr(const char* value) {
    ViewBigSpr_Start(value);
    return CMD_DONE;
}
}  // namespace

bool OrvMain_PlayIntro() {
    while (g_nextIntro < sizeof kIntros / sizeof kIntros[0]) {
        const IntroVideo& intro = kIntros[g_nextIntro++];
        g_introPending = g_nextIntro < sizeof kIntros / sizeof kIntros[0];
        OrvSound_LoadQmvSound(intro.sound);
        if (OrvQmv_start(intro.video)) return true;
        OrvSound_FreeQmvSound();
    }
    g_introPending = false;
    return false;
}

void OrvMain_StartIntros() {
    g_nextIntro = 0;
    OrvMain_PlayIntro();
}

void OrvMain_InstallLinks() {
    OrvHooks.SetLoopType = OrvMain_SetLoopType;

    MenuHooks.GetLoopType = OrvMain_GetLoopType;
    MenuHooks.SetLoopType = OrvMain_SetLoopType;
    MenuHooks.Quit = [] { OrvMain_Quit(); };
    MenuHooks.SaveGame_SetPlayer = OrvSaveGame_SetPlayer;
    MenuHooks.SaveGame_ScanSlot = scanSlot;
    MenuHooks.SaveGame_Save = saveGame;
    MenuHooks.SaveGame_Load = OrvSaveGame_Load;
    MenuHooks.SaveGame_Delete = OrvSaveGame_Delete;
    MenuHooks.SaveGame_ResumeLoad = resumeLoad;
    MenuHooks.Interp_RunInit = newGame;
    MenuHooks.RunPendingBlock = runPendingBlock;
    MenuHooks.IsWorldLoaded = [] { return OrvWam_CurrentLieu != nullptr; };
    MenuHooks.Muzik_Step = OrvMuzik_Step;
    MenuHooks.Muzik_GetMaxVol = OrvMuzik_GetMaxVol;
    MenuHooks.Muzik_SetMaxVol = OrvMuzik_SetMaxVol;
    MenuHooks.Muzik_ApplyVolume = OrvMuzik_ApplyVolume;
    MenuHooks.Muzik_Start = OrvMuzik_Start;
    MenuHooks.Qmv_ClearMusicFlag = OrvQmv_ClearMusicFlag;
    MenuHooks.Warp_Render = OrvWarp_Render;
    MenuHooks.Warp_StopMouseLook = [] { OrvWarp_MouseLookSpeeds = {0, 0}; };

    OrvQmvLink video;
    video.getLoopType = OrvMain_GetLoopType;
    video.setLoopType = OrvMain_SetLoopType;
    video.introPending = [] { return g_introPending; };
    video.playIntro = [] { OrvMain_PlayIntro(); };
    video.soundtrackId = OrvSound_GetQmvSoundId;
    video.dialStartOverVideo = [](int32_t n) { OrvDial_startOverVideo(uint32_t(n)); };
    video.dialUpdateOverVideo = [] { OrvDial_UpdateOverVideo(); };
    video.dialDisplay = [](Velkrum::CDirectDrawWindow*) { OrvDial_display(); };
    video.dialRemoveOverVideo = OrvDial_removeOverVideo;
    OrvQmv_SetLink(video);

    // A view jump plays its transition video; the video's end starts the new view's noises.
    OrvWarp_SetTransitionHook([](const char* video) { return OrvQmv_start(video); });

    installPuzzles();
    installDialogue();
    Interp_RegisterCommand("NewSound", commandNewSound);
    Interp_RegisterCommand("cinema", commandCinema);
    Interp_RegisterCommand("MUSIQUE", commandMusique);
    Interp_RegisterCommand("CREDITS", commandCredits);
    Interp_RegisterCommand("ViewBigSpr", commandViewBigSpr);
    Interp_RegisterCommand("ANIM_THE_FRAME", [](const char* value) {
        OrvSpw_AnimTheFrame(value);
        return int(CMD_DONE);
    });
}
