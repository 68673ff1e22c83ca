// The dialogue object: construction, building a dialogue from the scripts, its characters and replies.
#include "dialogue/dlg_Dialog.h"

#include <ctime>

#include "app/Orv_Log.h"
#include "app/Random.h"
#include "dialogue/dlg_Anim.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// The speaker, stand and camera of the reply added last, for the next reply of the same speaker.
std::string g_PreviousSpeaker;
int32_t g_PreviousStand = -1;
int32_t g_PreviousCamera = -1;

}  // namespace

namespace {

void SetDialogueScreen(CTCamera& c)
{
    c.SetCenter(kWidth * 0.5f, kHeight * 0.5f);
    c.SetClipRect(0, 0, kWidth - 1, kHeight - 1);
    c.SetFieldOfView(3.14159265f * 0.42222222f, float(kWidth), float(kHeight), float(kWidth), float(kHeight));
    c.SetNear(1.5f);
    c.SetFar(50000.0f);
}

}  // namespace

CTCamera& dlg_DialogCamera()
{
    // Never destroyed: stands of static characters may still copy from it at exit.
    static CTCamera* camera = [] {
        auto* c = new CTCamera;
        SetDialogueScreen(*c);
        return c;
    }();
    return *camera;
}

void dlg_ResetDialogCamera() { SetDialogueScreen(dlg_DialogCamera()); }

dlg_Dialog::dlg_Dialog() : pipeline_(2048, 2048, 16)
{
    rasterizer_.SetViewport(ClipRect{0, height_ - 1, width_ - 1, 0});
    rasterizer_.SetColor(0xFFFFFFFF);
    pipeline_.rasterizer = &rasterizer_;
    pipeline_.configurer = &configurer_;
    CPixelFormat zformat;
    rasterizer_.GetZBufferFormat(zformat);
    depthBuffer_.Create(width_, height_, zformat);
    dlg_ResetDialogCamera();
    orv_srand(uint32_t(std::time(nullptr)));
}

dlg_Dialog::~dlg_Dialog()
{
    replies_.clear();
    persos_.clear();
    analysis_.reset();
    weights_.reset();
}

int32_t dlg_Dialog::FindPerso(const std::string& name) const
{
    for (size_t i = 0; i < persos_.size(); ++i)
        if (persos_[i]->name == name) return int32_t(i);
    return -1;
}

bool dlg_Dialog::Initialise(uint32_t n)
{
    if (initialised_) {
        OrvError_Warning("dlg_Dialog::Initialise(unsigned long) ERROR : le dialogue est déja initialisé (dial:%d)", int(n));
        return true;
    }
    debug_log("DIALOG: Initialisation (dial:%d)", int(n));
    frameCounter_ = -1;
    initialised_ = true;
    g_PreviousSpeaker.clear();
    g_PreviousStand = g_PreviousCamera = -1;
    dlg_Script_ReadDialogue(n, *this);
    return true;
}

bool dlg_Dialog::AddPerso(const std::string& name, int32_t stand)
{
    const int32_t at = FindPerso(name);
    if (at >= 0) return persos_[size_t(at)]->AddAnime(stand);
    persos_.push_back(std::make_unique<dlg_Perso>());
    persos_.back()->name = name;
    return persos_.back()->AddAnime(stand);
}

void dlg_Dialog::AddReplique(const std::string& name, int32_t stand, int32_t camera, int32_t humeur,
                             const std::string& text, int32_t mode)
{
    const int32_t perso = FindPerso(name);
    if (perso < 0) {
        OrvError_Fatal("void dlg_Dialog::AddReplique(string&,long,long,long,string&) ERROR: personnage inexistant: %s",
                       name.c_str());
        return;
    }
    const uint32_t cameras = persos_[size_t(perso)]->GetCameraCount(stand);
    // The camera kept from the speaker's previous reply must be one the new stand has.
    if (camera == -1 && name == g_PreviousSpeaker && g_PreviousStand != -1 && g_PreviousCamera != -1 &&
        (stand == -1 || uint32_t(g_PreviousCamera) < cameras))
        camera = g_PreviousCamera;
    if (camera == -1 && stand != -1) {
        if (cameras > 0) {
            const float draw = float(orv_rand()) * (1.0f / 32767.0f) * (float(cameras) - 0.1f);
            camera = std::min(int32_t(draw), int32_t(cameras) - 1);
        } else {
            camera = 0;
        }
    }
    g_PreviousSpeaker = name;
    g_PreviousStand = stand;
    g_PreviousCamera = camera;
    replies_.push_back(std::make_unique<dlg_Replique>());
    replies_.back()->Init(name, perso, stand, camera, humeur, text, mode);
}
