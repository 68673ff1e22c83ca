// Character stands: loading a stand's database, posing it, morphing its mouth, blinking and drawing its face.
#include "dialogue/dlg_Anim.h"

#include <set>

#include "app/Orv_Log.h"
#include "app/Random.h"
#include "audio/Orv_Muzik.h"
#include "dialogue/dlg_Dialog.h"
#include "dialogue/dlg_LipSync.h"
#include "engine3d/GeometryPipeline.h"
#include "engine3d/PolygonPipeline.h"
#include "graphics2d/Draw.h"

const char kDlgVisemeLetters[] = "diaobsv";

namespace {

// Mood digit and mouth-shape letter in a face mesh's name.
constexpr size_t kMoodChar = 3;
constexpr size_t kVisemeChar = 5;
constexpr char kMorphTrack[] = "morphing";
constexpr char kLoadError[] = "void dlg_Anim::LoadDataBase(const string& p_strName) ERREUR: ";

bool IsFaceMesh(const CTMesh* mesh) { return mesh && mesh->name.find("-d") != std::string::npos; }

}  // namespace

uint32_t dlg_FaceDrawFlags(const CTCamera& camera, const CTMesh& mesh, const CTPolygonPipeline& pipeline)
{
    uint32_t flags = (0x11000u | (camera.projection & 6u)) << 8;
    if (mesh.flags & MESH_DEFORMED) flags |= DF_DEFORMED | DF_TWO_MATRIX;
    if (pipeline.lights.empty()) flags &= ~uint32_t(DF_LIGHTING | DF_SPECULAR_PASS);
    return flags;
}

bool dlg_Anim::KeepObject(const std::string& name)
{
    return name.find("-d") != std::string::npos || name.find('-') == std::string::npos;
}

void dlg_Anim::LoadDataBase(const std::string& path)
{
    if (!g_TextureSet) return;
    debug_log("DIALOG: Lecture du DB %s", path.c_str());
    DebugOut() << "Lecutre du DB " << path << std::endl;
    OrvMuzik_Step();

    Db_LoadFile(database_, path);
    OrvMuzik_Step();

    std::set<std::string> maps;
    for (const auto& [name, material] : database_.materials)
        if (!material.mapFile.empty() && maps.insert(material.mapFile).second) dlg_Perso::FindOrLoadTexture(material);

    dlg_TextureSet& set = *g_TextureSet;
    bool grid = false;
    if (g_CurrentTexture < 0) {
        OrvError_Warning("%sle db %s n'a pas de texture !!", kLoadError, path.c_str());
        DebugOut() << "Erreur : le db " << path << " n'a pas de texture!!" << std::endl;
        int slot = 0;
        while (slot < DLG_MAX_TEXTURES && set[slot]) ++slot;
        if (slot == DLG_MAX_TEXTURES) {
            OrvError_Fatal("%sle tableau g_TextureSet[] est trop petit!!", kLoadError);
            return;
        }
        set[slot] = std::make_unique<dlg_FaceTexture>();
        set[slot]->MakeGrid();
        g_CurrentTexture = slot;
        grid = true;
    }
    textureSlot_ = g_CurrentTexture;
    dlg_FaceTexture& bound = *set[textureSlot_];

    for (const auto& [name, record] : database_.materials) {
        auto [it, fresh] = materials_.try_emplace(name);
        if (!fresh) continue;
        Material_FromDb(record, bound.GetTextureMap(), it->second);
        // A stand without any usable map shows the grid on all its materials.
        if (grid) it->second.texture = &bound.GetTextureMap()[bound.name];
    }
    for (const auto& [name, record] : database_.meshes) {
        auto [it, fresh] = meshes_.try_emplace(name);
        if (fresh && !Mesh_FromDb(record, it->second, 0x12, materials_)) meshes_.erase(it);
    }

    // Descendants of a kept top object hang from its own frame, so they follow its animation.
    std::vector<const CTDbObject*> tops;
    for (const auto& [name, object] : database_.objects)
        if (object.parentName.empty()) tops.push_back(&object);
    for (const CTDbObject* object : tops) {
        CTFrame* parent = &root_;
        if (KeepObject(object->name)) {
            instances_.push_back(ObjectInstance_FromDb(*object, meshes_, root_));
            parent = &instances_.back()->frame;
        }
        ObjectTree_BuildFromDb(database_, object, meshes_, *parent, instances_, &dlg_Anim::KeepObject);
    }
    CTDataBase::PrepareMeshes(database_, 0);
    OrvMuzik_Step();

    for (const auto& [name, record] : database_.animations) {
        auto [it, fresh] = animationSets_.try_emplace(name);
        if (fresh) CTAnimationSet::FromDb(record, it->second);
    }
    for (const CTDbObject* object : tops) {
        if (KeepObject(object->name)) {
            auto it = animationSets_.find(object->name);
            instanceAnims_.push_back(it != animationSets_.end() ? &it->second : nullptr);
        }
        ObjectTree_CopyFiltered(database_, object, animationSets_, instanceAnims_, &dlg_Anim::KeepObject);
    }

    auto morph = database_.animations.find(kMorphTrack);
    if (morph != database_.animations.end())
        for (const CTDbMorphKey& key : morph->second.morphKeys) morphTargets_.try_emplace(key.target, key.vertices);
    OrvMuzik_Step();

    CTCamera& working = dlg_DialogCamera();
    for (const auto& [name, record] : database_.cameras) {
        CTCamera::FromDb(record, working);
        cameras_.push_back(working);
    }

    for (const auto& instance : instances_) {
        if (!IsFaceMesh(instance->mesh)) continue;
        // The mood digit and the mouth letter are written into the name: a shorter one has no place.
        if (instance->mesh->name.size() <= kVisemeChar) {
            OrvError_Warning("%sle visage %s du db %s a un nom trop court.", kLoadError, instance->mesh->name.c_str(),
                             path.c_str());
            return;
        }
        face_ = instance.get();
        targetName_ = instance->mesh->name;
        return;
    }
    OrvError_Warning("%sle db %s n'a pas de visage (maillage \"-d\").", kLoadError, path.c_str());
}

void dlg_Anim::Play(int32_t frame)
{
    const size_t posed = std::min(instances_.size(), instanceAnims_.size());
    for (size_t i = 0; i < posed; ++i)
        if (instanceAnims_[i]) PlayAnimationSet(instanceAnims_[i], float(frame), instances_[i]->frame, ANIM_ALL);
}

std::vector<CTVector3>& dlg_Anim::Target(char letter)
{
    targetName_[kVisemeChar] = letter;
    return morphTargets_[targetName_];
}

void dlg_Anim::UpdateMouth(int32_t humeur, dlg_VoiceAnalysis* analysis, float* weights, float time)
{
    if (!face_) return;
    CTMesh& mesh = *face_->mesh;
    const char mood = std::to_string(humeur)[0];
    if (analysis && weights) {
        dlg_ComputeVisemeWeights(*analysis, weights, time);
        targetName_[kMoodChar] = mood;
        mesh_set_vertices(Target('a'), mesh);
        float sum = 0.0f;
        for (int i = 0; i < DLG_VISEMES; ++i) {
            if (!(weights[i] > 0.0f)) continue;
            sum += weights[i];
            mesh_blend_vertices(Target(kDlgVisemeLetters[i]), weights[i] / sum, mesh);
        }
        return;
    }
    idleTimer_ += idleStep_;
    if (idleTimer_ >= 1.0f) {
        idleTimer_ -= 1.0f;
        // rand() x (1 / 32767) x 6, truncated: 6 only for the largest draw.
        targetName_[kVisemeChar] = kDlgVisemeLetters[orv_rand() * 6 / ORV_RAND_MAX];
    }
    targetName_[kMoodChar] = mood;
    mesh_blend_vertices(morphTargets_[targetName_], idleStep_, mesh);
}

void dlg_Anim::Blink(dlg_FaceTexture& record)
{
    if (!record.CanBlink()) return;
    CSurface& live = record.GetLiveSurface();
    switch (blinkState_) {
    case 0:
        if (float(orv_rand()) * (1.0f / 32767.0f) <= 0.02f) blinkState_ = 3;
        break;
    case 3:
        CopySurface(live, record.GetClosedSurface());
        blinkState_ = 2;
        break;
    case 2:
        CopySurface(live, record.GetHalfClosedSurface());
        blinkState_ = 1;
        break;
    case 1:
        CopySurface(live, record.GetOpenSurface());
        blinkState_ = -25;
        break;
    default:
        ++blinkState_;
        break;
    }
}

void dlg_Anim::DisplayFace(CTPolygonPipeline& pipeline, uint32_t camera, dlg_TextureSet& set)
{
    if (textureSlot_ >= 0 && textureSlot_ < DLG_MAX_TEXTURES && set[textureSlot_]) Blink(*set[textureSlot_]);
    if (!face_) return;
    if (camera >= cameras_.size()) {
        OrvError_Fatal("void dlg_Anim::DisplayFace(CTPolygonPipeline&,unsigned long) ERROR: numéro de caméra non valide: %d",
                       int(camera));
        return;
    }
    const CTCamera& cam = cameras_[camera];
    pipeline.DrawObject(cam, face_->frame, *face_->mesh, dlg_FaceDrawFlags(cam, *face_->mesh, pipeline));
}
