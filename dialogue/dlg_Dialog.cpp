// The dialogue object: building a dialogue from the scripts, playing its replies and drawing them.
#include "dialogue/dlg_Dialog.h"

#include <algorithm>
#include <ctime>

#include "app/Config.h"
#include "app/Orv_Log.h"
#include "app/Random.h"
#include "audio/Orv_Sound.h"
#include "audio/SysSnd.h"
#include "dialogue/dlg_Anim.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "menus/Orv_Font.h"
#include "panorama/Orv_Spw.h"
#include "world/DefName.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// The speaker, stand and camera of the reply added last, for the next reply of the same speaker.
std::string g_PreviousSpeaker;
int32_t g_PreviousStand = -1;
int32_t g_PreviousCamera = -1;
// When the current reply's voice started, on the sound's play clock.
double g_VoiceStart = 0.0;
// The voice of every reply plays here.
constexpr int kVoice = 1;
constexpr uint32_t kSubtitleColour = 0xFFFFFF;

std::unique_ptr<dlg_Dialog> g_TheDialog;

const dlg_PersoDef& DefinitionOf(const std::string& name)
{
    static const dlg_PersoDef none;
    const auto it = g_PersoDefs.find(name);
    return it == g_PersoDefs.end() ? none : it->second;
}

}  // namespace

dlg_Dialog* dlg_TheDialog() { return g_TheDialog.get(); }
void dlg_SetTheDialog(std::unique_ptr<dlg_Dialog> dialog) { g_TheDialog = std::move(dialog); }

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
    // The rasterisers share their target: one freed by another (a new screen size) must not be read here.
    rasterizer_.SetTarget(nullptr);
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

void dlg_Dialog::Remove()
{
    if (!initialised_) {
        OrvError_Warning("dlg_Dialog::Remove() ERROR : le dialogue est déja fermé");
        return;
    }
    debug_log("DIALOG: Fermeture du mode dialogue.");
    OrvSound_stop_voice(kVoice);
    for (size_t i = persos_.size(); i-- > 0;)
        if (!persos_[i]->IsResident()) persos_.erase(persos_.begin() + std::ptrdiff_t(i));
    replies_.clear();
    analysis_.reset();
    weights_.reset();
    current_ = uint32_t(-1);
    finished_ = true;
    initialised_ = false;
    cinemaPictureHeld_ = false;
    video_.Close();
    voice_.Close();
}

bool dlg_Dialog::AddResident(const std::string& name)
{
    if (initialised_) {
        OrvError_Warning("dlg_Dialog::AddResident(string&) ERROR : le mode dialogue est encore actif.");
        return false;
    }
    // The hero's stands end at the first one that fails, which the stand's loading reports.
    if (AddPerso(name, 0)) {
        int32_t stand = 1;
        while (stand < DLG_MAX_STANDS && AddPerso(name, stand)) ++stand;
    }
    persos_[size_t(FindPerso(name))]->SetResident(true);
    return true;
}

bool dlg_Dialog::RemoveResidents()
{
    if (initialised_) {
        OrvError_Warning("dlg_Dialog::RemoveResidents() ERROR : le mode dialogue est encore actif.");
        return false;
    }
    persos_.clear();
    return true;
}

const dlg_Replique* dlg_Dialog::GetCurrentReplique() const
{
    return current_ < replies_.size() ? replies_[current_].get() : nullptr;
}

int32_t dlg_Dialog::GetCurrentMode() const
{
    const dlg_Replique* rep = GetCurrentReplique();
    return rep ? rep->GetMode() : -1;
}

std::string dlg_Dialog::GetCurrentPersoName() const
{
    const dlg_Replique* rep = GetCurrentReplique();
    return rep ? persos_[size_t(rep->GetPerso())]->name : std::string();
}

bool dlg_Dialog::Update()
{
    if (!initialised_) return false;
    const dlg_Replique* rep = GetCurrentReplique();
    if (rep && rep->GetMode() == DLG_MODE_CINEMA) {
        ++frameCounter_;
        if (rep->GetTo() < frameCounter_) finished_ = true;
    }
    if (finished_) {
        finished_ = false;
        analysis_.reset();
        weights_.reset();
        OrvSound_stop_voice(kVoice);
        ++current_;
        if (current_ >= replies_.size()) {
            current_ = uint32_t(-1);
            return false;
        }
        rep = replies_[current_].get();
        dlg_Perso& perso = *persos_[size_t(rep->GetPerso())];
        const int32_t stand = rep->GetStand();
        if (stand != -1) {
            // Over a video the player belongs to that video.
            if (!overVideo_) {
                if (video_.GetName() == rep->GetVideoPath()) video_.Advance();
                else video_.Open(rep->GetVideoPath());
            }
            perso.ResetMouth(stand);
            perso.PlayAnime(stand, video_.GetFrame());
        }
        if (OrvSound_Available()) voice_.Open(rep->GetVoicePath().c_str());
        else voice_.Close();
        if (voice_.IsOpen()) {
            analysis_ = std::make_unique<dlg_VoiceAnalysis>();
            analysis_->AnalyseVoice(voice_, DefinitionOf(perso.name));
            weights_ = std::make_unique<float[]>(DLG_VISEMES);
            std::fill_n(weights_.get(), DLG_VISEMES, 0.0f);
            voice_.Play(kVoice, OrvSound_VolumeToAttenuation(std::clamp(g_Config.voiceVolume, 0, 127)), 0);
            g_VoiceStart = SysSnd_GetPlayTime();
        }
        return true;
    }
    if (!rep) return false;
    if (voice_.IsOpen() && OrvSound_get_voice_state(kVoice) == 0) EndReplique();
    const int32_t stand = rep->GetStand();
    if (stand != -1 && !overVideo_) {
        video_.Advance();
        persos_[size_t(rep->GetPerso())]->PlayAnime(stand, video_.GetFrame());
    }
    return true;
}

double dlg_Dialog::GetVoiceTime() const
{
    return SysSnd_GetPlayTime() - g_VoiceStart;
}

void dlg_Dialog::AnimateFace()
{
    const dlg_Replique* rep = GetCurrentReplique();
    if (!rep) return;
    dlg_Perso& perso = *persos_[size_t(rep->GetPerso())];
    const double t = GetVoiceTime() + double(DefinitionOf(perso.name).offset);
    perso.UpdateMouth(rep->GetStand(), rep->GetHumeur(), analysis_.get(), weights_.get(), float(t));
}

void dlg_Dialog::DrawFace()
{
    const dlg_Replique* rep = GetCurrentReplique();
    if (!rep) return;
    persos_[size_t(rep->GetPerso())]->DisplayFace(rep->GetStand(), pipeline_, uint32_t(rep->GetCamera()));
}

void dlg_Dialog::RestoreCinemaPicture(CSurface& render)
{
    if (!OrvDisplay_LockSurface()) return;
    if (!cinemaPictureHeld_) {
        cinemaPictureHeld_ = cinemaPicture_.Create(render.width, render.height, render.format) &&
                             CopySurface(cinemaPicture_, render);
    } else if (cinemaPicture_.width == render.width && cinemaPicture_.height == render.height) {
        CopySurface(render, cinemaPicture_);
    }
    OrvDisplay_UnlockSurface();
}

void dlg_Dialog::Display(bool subtitles)
{
    const dlg_Replique* rep = GetCurrentReplique();
    CSurface* render = OrvDisplay_GetRenderSurface();
    if (!rep || !render) return;
    const int32_t mode = rep->GetMode();
    if (mode != DLG_MODE_CINEMA) cinemaPictureHeld_ = false;
    if (mode == DLG_MODE_SCREEN && !overVideo_ && OrvDisplay_LockSurface()) {
        AnimateFace();
        depthBuffer_.Lock();
        rasterizer_.SetTarget(render);
        rasterizer_.ZBuffer(&depthBuffer_);
        rasterizer_.SetViewport(ClipRect{0, height_ - 1, width_ - 1, 0});
        // Each face frame is a scene of its own.
        configurer_.BeginScene();
        rasterizer_.BeginScene();
        pipeline_.BeginScene();
        ClearSurface(depthBuffer_, 0);
        video_.Update(render);
        DrawFace();
        pipeline_.EndScene();
        rasterizer_.EndScene();
        configurer_.EndScene();
        // The rasteriser's state is shared: nobody else must draw into these through it.
        rasterizer_.SetTarget(nullptr);
        rasterizer_.ZBuffer(nullptr);
        depthBuffer_.Unlock();
        OrvDisplay_UnlockSurface();
    }
    if (mode == DLG_MODE_CINEMA && !overVideo_) RestoreCinemaPicture(*render);
    if (!subtitles) return;
    if (mode == DLG_MODE_CINEMA && !(rep->GetFrom() < frameCounter_ && frameCounter_ < rep->GetTo())) return;
    DrawSubtitle(render);
}

std::vector<std::string> dlg_SplitSubtitle(const std::string& text, int32_t maxWidth, size_t maxLines)
{
    const bool mbcs = OrvFont_IsMBCS();
    std::vector<std::string> lines;
    if (maxLines == 0) return lines;
    std::string line;
    // Where the line may end (after a partition character) and where the next one then begins.
    size_t lineBreak = std::string::npos, resume = 0;
    for (size_t i = 0; i < text.size();) {
        // A lead byte ending the text is taken alone.
        const size_t n = mbcs && uint8_t(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
        line.append(text, i, n);
        const bool partition = OrvFont_IsPartitionChar(text.c_str() + i);
        i += n;
        if (partition) {
            lineBreak = line.size();
            resume = i;
        }
        OrvTextSize size;
        OrvFont_GetTextSize(line.c_str(), int32_t(line.size()), size);
        if (size.cx < maxWidth) continue;
        if (lineBreak == std::string::npos) {
            // A word wider than the line: cut before the character that overflows, nothing after it.
            line.resize(line.size() - n);
            break;
        }
        lines.push_back(line.substr(0, lineBreak));
        line.clear();
        lineBreak = std::string::npos;
        i = resume;
        if (lines.size() >= maxLines) return lines;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

void dlg_Dialog::DrawSubtitle(CSurface* surface)
{
    const dlg_Replique* rep = GetCurrentReplique();
    if (!rep) return;
    OrvFont_PrintBegin(surface, "OrvFT_Dialog", kSubtitleColour);
    const int32_t height = OrvFont_GetHeight();
    const size_t maxLines = height > 0 ? size_t(std::max((OrvDisplay_GetRenderHeight() - 20) / height, 0)) : 0;
    const std::vector<std::string> lines = dlg_SplitSubtitle(rep->GetText(), OrvDisplay_GetRenderWidth() - 20, maxLines);
    const int32_t k = int32_t(lines.size());
    for (int32_t j = 0; j < k; ++j) {
        const int32_t y = OrvDisplay_GetRenderHeight() - height * (k - j) - 10;
        // A one-pixel shadow to the lower right.
        OrvFont_SetColor(0);
        OrvFont_PrintAt(11, y + 1, lines[size_t(j)].c_str());
        OrvFont_SetColor(kSubtitleColour);
        OrvFont_PrintAt(10, y, lines[size_t(j)].c_str());
    }
    OrvFont_PrintEnd();
}

float dlg_Dialog::GetFocal() const
{
    const dlg_Replique* rep = GetCurrentReplique();
    if (!rep) return DLG_DEFAULT_FOCAL;
    const auto def = g_PersoDefs.find(persos_[size_t(rep->GetPerso())]->name);
    if (def == g_PersoDefs.end()) return DLG_DEFAULT_FOCAL;
    return def->second.GetParam(rep->GetStand(), uint32_t(rep->GetCamera()));
}

int32_t dlg_Dialog::FindSpeakerSprite() const
{
    const dlg_Replique* rep = GetCurrentReplique();
    if (!rep) return -1;
    const auto def = g_PersoDefs.find(persos_[size_t(rep->GetPerso())]->name);
    if (def == g_PersoDefs.end()) return -1;
    for (const std::string& idText : def->second.idTexts) {
        const int32_t id = DefName_GetIdName(DEFNAME_PERSONNAGES, idText.c_str());
        for (int32_t i = 0; i < OrvSpw_NbVisibles && i < MAX_SPW_VISIBLES; ++i) {
            const ST_spw_visible& slot = OrvSpw_Visibles[i];
            // Characters are of odd kinds; objects number their ids apart.
            if (slot.type % 2 == 1 && slot.elem_id == id && slot.shown) return i;
        }
    }
    return -1;
}
