// Dialogue characters: stands from generated databases, shared face maps, the object filter, cameras,
// blinking and the failures of each.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "dialogue/dlg_Anim.h"
#include "engine3d/PolygonPipeline.h"
#include "testdata/DbWriter.h"
#include "testdata/FaceStage.h"
#include "tests/dialogue/DialogueTestUtil.h"

namespace {

uint16_t Texel(const CSurface& s, int x, int y)
{
    uint16_t v;
    std::memcpy(&v, s.Row(y) + 2 * x, 2);
    return v;
}

class Characters : public DialogueTest {
protected:
    DlgCharacterDesc ch;
    dlg_Perso perso;
    FaceStage stage;

    void SetUp() override
    {
        DialogueTest::SetUp();
        perso.name = "Marco";
        dlg_PersoDef def;
        def.mesh = ch.mesh;
        g_PersoDefs["Marco"] = def;
        ASSERT_TRUE(stage.Open());
    }
    void Write() { ASSERT_TRUE(DlgCharacter_Save(Dir3D(), ch)); }
    // Replaces the database of a stand.
    void WriteStand(const CTDataBase& db, int stand = 0)
    {
        ASSERT_TRUE(DbWriter_Save(Dir3D() + ch.mesh + "s" + std::to_string(stand + 1) + ".db", db));
    }
    dlg_Anim& Load(int stand = 0)
    {
        EXPECT_TRUE(perso.AddAnime(stand));
        dlg_Anim* a = perso.GetAnime(stand);
        EXPECT_NE(a, nullptr);
        return *a;
    }
    std::vector<std::string> InstanceNames(const dlg_Anim& a) const
    {
        std::vector<std::string> names;
        for (const auto& i : a.Instances()) names.push_back(i->name);
        return names;
    }
    // One frame of the face of a stand.
    uint64_t Show(int stand = 0, uint32_t camera = 0)
    {
        stage.Frame(0xFF102030, [&](CTPolygonPipeline& p) { perso.DisplayFace(stand, p, camera); });
        return stage.Checksum();
    }
    uint64_t Empty()
    {
        stage.Frame(0xFF102030, [](CTPolygonPipeline&) {});
        return stage.Checksum();
    }
};

TEST_F(Characters, NoStandAndNoDefinitionGivesTheDefaultDefinition)
{
    for (const char* name : {"Benedict", "Z"}) {
        dlg_Perso p;
        p.name = name;
        EXPECT_TRUE(p.AddAnime(-1));
        EXPECT_EQ(g_PersoDefs.at(name).mesh, std::string(name).substr(0, 2));
        EXPECT_EQ(p.GetAnime(0), nullptr);
    }
    EXPECT_TRUE(lines.empty());

    dlg_Perso nameless;
    EXPECT_FALSE(nameless.AddAnime(0));
    EXPECT_EQ(Fatals(), std::vector<std::string>{"void dlg_Perso::AddAnime(long) ERROR: Nom du personnage non initialisé."});
}

TEST_F(Characters, AMissingStandIsWarnedAndStaysEmpty)
{
    EXPECT_FALSE(perso.AddAnime(2));
    EXPECT_EQ(perso.GetAnime(2), nullptr);
    EXPECT_EQ(perso.GetCameraCount(2), 0u);
    EXPECT_EQ(Warnings(), std::vector<std::string>{"bool dlg_Perso::AddAnime(const long p_lStand) ERREUR: impossible de "
                                                   "trouver le fichier " + Dir3D() + "mas3.db."});
    lines.clear();
    EXPECT_FALSE(perso.AddAnime(8));
    EXPECT_EQ(Warnings(), std::vector<std::string>{"bool dlg_Perso::AddAnime(const long p_lStand) ERREUR: stand 8 incorrect."});
}

TEST_F(Characters, AGeneratedStandLoadsWhole)
{
    ch.maps = {"ma.tete.tga"};
    Write();
    dlg_Anim& a = Load();
    EXPECT_TRUE(Logged("Lecutre du DB " + Dir3D() + "mas1.db"));
    // The eye variants are named before the last '.'.
    for (const char* map : {"ma.tete.tga", "ma.teteyf.tga", "ma.teteymf.tga"})
        EXPECT_EQ(CountLogged("Loading " + Dir3D() + map), 1) << map;
    EXPECT_TRUE(Warnings().empty());

    // The morph-target carrier is not built; the face is the "-d" mesh's instance.
    EXPECT_EQ(InstanceNames(a), (std::vector<std::string>{"corps", "mar1-d"}));
    ASSERT_EQ(a.Face(), a.Instances()[1].get());
    EXPECT_EQ(a.TargetName(), "mar1-d");
    ASSERT_EQ(a.InstanceAnimations().size(), 2u);
    ASSERT_NE(a.InstanceAnimations()[0], nullptr);
    EXPECT_EQ(a.InstanceAnimations()[0]->name, "corps");
    EXPECT_EQ(a.InstanceAnimations()[1], nullptr);
    EXPECT_EQ(a.MorphTargets().size(), 35u);
    EXPECT_EQ(perso.GetCameraCount(0), 2u);
    EXPECT_EQ(perso.GetCameraCount(1), 0u);

    ASSERT_EQ(a.TextureSlot(), 0);
    dlg_FaceTexture& t = *perso.GetTexture(0);
    EXPECT_EQ(t.name, "ma.tete.tga");
    EXPECT_TRUE(t.CanBlink());
    EXPECT_EQ(t.GetLiveSurface().width, 128);
    EXPECT_EQ(a.Materials().at("peau").texture, &t.GetTextureMap().at("ma.tete.tga"));
    // Dialogue meshes are built deformed: their vertices move with the mouth.
    EXPECT_EQ(a.Face()->mesh->flags & 0x12u, 0x12u);
    EXPECT_EQ(perso.GetTexture(1), nullptr);

    // A loaded stand is not loaded again.
    EXPECT_TRUE(perso.AddAnime(0));
    EXPECT_EQ(CountLogged("Lecutre du DB"), 1);
}

TEST_F(Characters, StandsShareTheirMapByName)
{
    ch.stands = 2;
    Write();
    EXPECT_EQ(Load(0).TextureSlot(), 0);
    EXPECT_EQ(Load(1).TextureSlot(), 0);
    EXPECT_EQ(CountLogged("Loading " + Dir3D() + "matete.tga"), 1);
    EXPECT_EQ(perso.GetTexture(1), nullptr);

    dlg_Perso other;
    other.name = "Lia";
    g_PersoDefs["Lia"].mesh = "li";
    DlgCharacterDesc lia = ch;
    lia.mesh = "li";
    lia.maps = {"lia1.tga", "lia2.tga"};
    ASSERT_TRUE(DlgCharacter_Save(Dir3D(), lia));
    EXPECT_TRUE(other.AddAnime(1));
    EXPECT_TRUE(other.AddAnime(0));
    EXPECT_EQ(other.GetAnime(1)->TextureSlot(), 0);
    EXPECT_EQ(other.GetAnime(0)->TextureSlot(), 1);
    EXPECT_EQ(other.GetTexture(0)->name, "lia2.tga");
}

TEST_F(Characters, APalettisedMapIsRefusedForTheGrid)
{
    Write();
    TgaImage pal;
    pal.width = pal.height = 8;
    pal.type = 1;
    pal.bitsPerPixel = 8;
    pal.palette = {0xFF0000FF, 0xFFFF0000};
    pal.pixels.assign(64, 1);
    ASSERT_TRUE(TgaWriter_Save(Dir3D() + "matete.tga", pal));
    dlg_Anim& a = Load();
    EXPECT_EQ(Warnings(), std::vector<std::string>{"void dlg_Perso::LoadTextures() ATTENTION: la map " + Dir3D() +
                                                   "matete.tga est en format paletté."});
    dlg_FaceTexture& t = *perso.GetTexture(a.TextureSlot());
    // The live texture the material samples has pixels: the checkerboard.
    const CTTexture* texture = a.Materials().at("peau").texture;
    ASSERT_EQ(texture, &t.GetTextureMap().at("matete.tga"));
    const CSurface& live = texture->surface;
    ASSERT_NE(live.pixels, nullptr);
    EXPECT_EQ(live.width, 32);
    EXPECT_NE(Texel(live, 0, 0), Texel(live, 2, 0));
    EXPECT_EQ(Texel(live, 0, 0), Texel(live, 2, 2));
    EXPECT_FALSE(t.CanBlink());
    EXPECT_FALSE(Logged("Loading " + Dir3D() + "mateteyf.tga"));

    // A map shorter than its header says is refused the same way, before anything is allocated.
    std::vector<uint8_t> cut = TgaWriter_Encode(DlgCharacter_Map(ch, 0));
    cut.resize(cut.size() / 2);
    ASSERT_TRUE(WriteFileBytes(Dir3D() + "mb.tga", cut.data(), cut.size()));
    CTDataBase db = DlgCharacter_Stand(ch, 1);
    db.materials.at("peau").mapFile = "mb.tga";
    WriteStand(db, 1);
    lines.clear();
    dlg_Anim& b = Load(1);
    EXPECT_EQ(Warnings(), std::vector<std::string>{"void dlg_Perso::LoadTextures() ATTENTION: la map " + Dir3D() +
                                                   "mb.tga est tronquée."});
    EXPECT_EQ(perso.GetTexture(b.TextureSlot())->GetLiveSurface().width, 32);
}

TEST_F(Characters, WithoutItsClosedEyesAFaceNeverBlinks)
{
    Write();
    std::filesystem::remove(Dir3D() + "mateteyf.tga");
    dlg_Anim& a = Load();
    EXPECT_EQ(Warnings(), std::vector<std::string>{"ATTENTION: impossible de trouver la map des yeux fermés :" + Dir3D() +
                                                   "mateteyf.tga"});
    EXPECT_FALSE(Logged("mateteymf"));
    dlg_FaceTexture& t = *perso.GetTexture(0);
    EXPECT_FALSE(t.CanBlink());
    const uint64_t first = Show();
    for (int i = 0; i < 200; ++i) EXPECT_EQ(Show(), first);
    EXPECT_EQ(a.BlinkState(), 1);

    // A map name without '.' has no place for the eye variants.
    ch.mesh = "mb";
    ch.maps = {"matete"};
    g_PersoDefs["Marco"].mesh = "mb";
    Write();
    lines.clear();
    dlg_Perso p;
    p.name = "Marco";
    EXPECT_TRUE(p.AddAnime(0));
    EXPECT_EQ(Warnings(), std::vector<std::string>{"void dlg_Perso::LoadTextures() ATTENTION: la map " + Dir3D() +
                                                   "matete n'a pas d'extension: pas de clignement."});
    EXPECT_FALSE(p.GetTexture(0)->CanBlink());
}

TEST_F(Characters, AStandWithoutAnyMapShowsTheGrid)
{
    Write();
    std::filesystem::remove(Dir3D() + "matete.tga");
    dlg_Anim& a = Load();
    EXPECT_EQ(Warnings(), std::vector<std::string>{"void dlg_Anim::LoadDataBase(const string& p_strName) ERREUR: le db " +
                                                   Dir3D() + "mas1.db n'a pas de texture !!"});
    EXPECT_TRUE(Logged("Erreur : le db " + Dir3D() + "mas1.db n'a pas de texture!!"));
    dlg_FaceTexture& grid = *perso.GetTexture(a.TextureSlot());
    EXPECT_EQ(grid.name, "Texture générée");
    const CTTexture* texture = a.Materials().at("peau").texture;
    ASSERT_EQ(texture, &grid.GetTextureMap().at("Texture générée"));
    EXPECT_EQ(texture->surface.width, 32);
    EXPECT_FALSE(grid.CanBlink());
    // The face is drawn with it.
    EXPECT_NE(Show(), Empty());
}

TEST_F(Characters, EightMapsFillTheSet)
{
    Write();
    CTDataBase db = DlgCharacter_Stand(ch, 0);
    for (int i = 0; i < 9; ++i) {
        CTDbMaterial m = db.materials.at("peau");
        m.name = "m" + std::to_string(i);
        m.textureName = m.mapFile = "m" + std::to_string(i) + ".tga";
        DbWriter_Add(db.textures, CTDbTexture{m.mapFile, 0});
        DbWriter_Add(db.materials, m);
        ASSERT_TRUE(TgaWriter_Save(Dir3D() + m.mapFile, DlgCharacter_Map(ch, 0)));
    }
    std::filesystem::remove(Dir3D() + "matete.tga");
    WriteStand(db);
    Load();
    for (int slot = 0; slot < 8; ++slot) EXPECT_EQ(perso.GetTexture(slot)->name, "m" + std::to_string(slot) + ".tga");
    EXPECT_FALSE(Logged("Loading " + Dir3D() + "m8.tga"));
    EXPECT_TRUE(Logged("plus de place pour la map m8.tga"));

    // A further stand without a map finds no slot for its grid.
    CTDataBase bare = DlgCharacter_Stand(ch, 1);
    bare.materials.at("peau").mapFile.clear();
    WriteStand(bare, 1);
    lines.clear();
    perso.AddAnime(1);
    EXPECT_EQ(Fatals(), std::vector<std::string>{
                            "void dlg_Anim::LoadDataBase(const string& p_strName) ERREUR: le tableau g_TextureSet[] est "
                            "trop petit!!"});
}

TEST_F(Characters, TheObjectFilterAndTheFace)
{
    EXPECT_TRUE(dlg_Anim::KeepObject("abc1-d"));
    EXPECT_TRUE(dlg_Anim::KeepObject("head"));
    EXPECT_FALSE(dlg_Anim::KeepObject("abc1-a"));
    EXPECT_FALSE(dlg_Anim::KeepObject("-"));

    Write();
    CTDataBase db = DlgCharacter_Stand(ch, 0);
    CTDbMesh face = db.meshes.at("mar1-d");
    db.objects.clear();
    for (const char* name : {"abc1-d", "abc1-a", "xyz1-d"}) {
        face.name = name;
        DbWriter_Add(db.meshes, face);
    }
    DbWriter_Add(db.objects, DbWriter_Object("abc1-a", "abc1-a", "", {}));
    DbWriter_Add(db.objects, DbWriter_Object("head", "", "", {}));
    DbWriter_Add(db.objects, DbWriter_Object("abc1-d", "abc1-d", "head", {}));
    // Below a dropped object, still visited.
    DbWriter_Add(db.objects, DbWriter_Object("xyz1-d", "xyz1-d", "abc1-a", {}));
    for (const char* animated : {"abc1-a", "head"}) {
        CTDbAnimation track = db.animations.at("corps");
        track.name = animated;
        DbWriter_Add(db.animations, track);
    }
    WriteStand(db);
    dlg_Anim& a = Load();
    EXPECT_EQ(InstanceNames(a), (std::vector<std::string>{"xyz1-d", "head", "abc1-d"}));
    // One animation entry per instance, the dropped object's set left out.
    ASSERT_EQ(a.InstanceAnimations().size(), 3u);
    EXPECT_EQ(a.InstanceAnimations()[0], nullptr);
    ASSERT_NE(a.InstanceAnimations()[1], nullptr);
    EXPECT_EQ(a.InstanceAnimations()[1]->name, "head");
    EXPECT_EQ(a.InstanceAnimations()[2], nullptr);
    // The first instance with a "-d" mesh.
    EXPECT_EQ(a.TargetName(), "xyz1-d");
    EXPECT_EQ(a.Instances()[2]->frame.Parent(), &a.Instances()[1]->frame);
}

TEST_F(Characters, TheFaceFollowsItsAnimatedParent)
{
    ch.bodyTurn = 0.02f;
    Write();
    dlg_Anim& a = Load();
    const CTFrame& face = a.Face()->frame;
    const CTVector3 ahead{0, 0, 1};
    perso.PlayAnime(0, 0);
    EXPECT_NEAR(face.PointToWorld(ahead).x, 0.0f, 1e-6f);
    perso.PlayAnime(0, 25);
    const CTVector3 turned = Quat_RotateVec3(CTQuaternion::FromAxisAngle({0, 1, 0}, 0.5f), ahead);
    const CTVector3 p = face.PointToWorld(ahead);
    EXPECT_NEAR(p.x, turned.x, 1e-5f);
    EXPECT_NEAR(p.z, turned.z, 1e-5f);
    EXPECT_GT(std::fabs(p.x), 0.4f);
    // The picture follows the pose.
    perso.PlayAnime(0, 0);
    const uint64_t still = Show();
    perso.PlayAnime(0, 25);
    EXPECT_NE(Show(), still);
}

TEST_F(Characters, TheFirstMorphKeyOfANameIsKept)
{
    Write();
    CTDataBase db = DlgCharacter_Stand(ch, 0);
    CTDbAnimation& morph = db.animations.at("morphing");
    CTDbMorphKey again = morph.morphKeys[2];
    again.time = 100.0f;
    for (CTVector3& v : again.vertices) v.z += 1.0f;
    morph.morphKeys.push_back(again);
    WriteStand(db);
    dlg_Anim& a = Load();
    EXPECT_EQ(a.MorphTargets().at(again.target)[5].z, morph.morphKeys[2].vertices[5].z);
}

TEST_F(Characters, TheFaceIsDrawnDeformedWithTheCamerasProjection)
{
    CTCamera camera;
    CTMesh mesh;
    CTPolygonPipeline& pipeline = stage.pipeline;
    ASSERT_TRUE(pipeline.lights.empty());
    EXPECT_EQ(dlg_FaceDrawFlags(camera, mesh, pipeline), 0x1100000u);
    mesh.flags = 0x12;
    EXPECT_EQ(dlg_FaceDrawFlags(camera, mesh, pipeline), 0x1180000u);
    camera.SetProjectionKind(CAMERA_PARALLEL);
    EXPECT_EQ(dlg_FaceDrawFlags(camera, mesh, pipeline), 0x1180200u);
    camera.SetProjectionKind(CAMERA_EYEPOINT);
    EXPECT_EQ(dlg_FaceDrawFlags(camera, mesh, pipeline), 0x1180400u);
}

TEST_F(Characters, CamerasComeInNameOrderOnTheDialogueScreen)
{
    Write();
    CTDataBase db = DlgCharacter_Stand(ch, 0);
    CTDbCamera far = db.cameras.at("cam2");
    far.name = "cam10";
    far.fieldOfView = 0.5f;
    far.nearDist = 2.0f;
    DbWriter_Add(db.cameras, far);
    WriteStand(db);
    dlg_Anim& a = Load();
    ASSERT_EQ(a.GetCameraCount(), 3u);
    EXPECT_EQ(a.Cameras()[0].name, "cam1");
    EXPECT_EQ(a.Cameras()[1].name, "cam10");
    EXPECT_EQ(a.Cameras()[2].name, "cam2");
    for (const CTCamera& c : a.Cameras()) {
        EXPECT_EQ(c.Cx, 320.0f);
        EXPECT_EQ(c.Cy, 240.0f);
        EXPECT_EQ(c.clip.right, 639);
        EXPECT_EQ(c.clip.bottom, 479);
    }
    EXPECT_NEAR(a.Cameras()[1].Sx, 320.0 / std::tan(0.25), 1e-2);
    EXPECT_NEAR(a.Cameras()[0].Sx, 320.0 / std::tan(0.375), 1e-2);
    EXPECT_EQ(a.Cameras()[1].near, 2.0f);
    EXPECT_EQ(a.Cameras()[0].near, 0.5f);
    // Each camera shows the face its own way.
    const uint64_t c0 = Show(0, 0), c1 = Show(0, 1), c2 = Show(0, 2);
    EXPECT_NE(c0, c1);
    EXPECT_NE(c1, c2);
    EXPECT_NE(c0, Empty());

    // A camera number equal to the count is fatal and draws nothing.
    EXPECT_EQ(Show(0, 3), Empty());
    EXPECT_EQ(Fatals(), std::vector<std::string>{
                            "void dlg_Anim::DisplayFace(CTPolygonPipeline&,unsigned long) ERROR: numéro de caméra non "
                            "valide: 3"});
}

TEST_F(Characters, BlinkingFollowsTheGenerator)
{
    Write();
    dlg_Anim& a = Load();
    dlg_FaceTexture& t = *perso.GetTexture(0);
    // Texels above and below the middle of the left eye.
    const int ex = int(std::floor((1.0f - 0.38f) * 0.5f * 128)), ey = int(std::floor((1.0f - 0.15f) * 0.5f * 128));
    auto eye = [&](CSurface& s) { return std::pair{Texel(s, ex, ey - 3), Texel(s, ex, ey + 3)}; };
    const auto open = eye(t.GetOpenSurface()), closed = eye(t.GetClosedSurface()), half = eye(t.GetHalfClosedSurface());
    ASSERT_NE(open, closed);
    ASSERT_NE(open, half);
    ASSERT_NE(closed, half);

    // A seed whose draws pass 659, just above 0.02 x 32767, before the first at most 655.
    orv_srand(190);
    int draws = 1;
    while (orv_rand() > 655) ++draws;
    ASSERT_GT(draws, 2);
    orv_srand(190);
    // A fresh face copies its open eyes, rests 25 displays, then draws each display until a blink.
    const int blink = 1 + 25 + draws;
    std::vector<uint64_t> pictures;
    for (int call = 1; call <= blink + 4; ++call) {
        pictures.push_back(Show());
        const auto now = eye(t.GetLiveSurface());
        SCOPED_TRACE(call);
        if (call == blink + 1)
            EXPECT_EQ(now, closed);
        else if (call == blink + 2)
            EXPECT_EQ(now, half);
        else
            EXPECT_EQ(now, open);
    }
    EXPECT_EQ(a.BlinkState(), -24);
    EXPECT_NE(pictures[size_t(blink)], pictures[0]);
    EXPECT_NE(pictures[size_t(blink) + 1], pictures[size_t(blink)]);
    EXPECT_EQ(pictures[size_t(blink) + 2], pictures[0]);
}

TEST_F(Characters, AStandWithoutAFaceDrawsAndMovesNothing)
{
    Write();
    for (const char* name : {"tete", "abc-d"}) {
        SCOPED_TRACE(name);
        CTDataBase db = DlgCharacter_Stand(ch, 0);
        CTDbMesh m = db.meshes.at("mar1-d");
        db.meshes.clear();
        m.name = name;
        DbWriter_Add(db.meshes, m);
        db.objects.at("mar1-d").meshName = name;
        WriteStand(db);
        lines.clear();
        dlg_Perso p;
        p.name = "Marco";
        ASSERT_TRUE(p.AddAnime(0));
        const std::string head = "void dlg_Anim::LoadDataBase(const string& p_strName) ERREUR: ";
        EXPECT_EQ(Warnings(), std::vector<std::string>{
                                  std::string(name) == "tete"
                                      ? head + "le db " + Dir3D() + "mas1.db n'a pas de visage (maillage \"-d\")."
                                      : head + "le visage abc-d du db " + Dir3D() + "mas1.db a un nom trop court."});
        EXPECT_EQ(p.GetAnime(0)->Face(), nullptr);
        float w[7] = {1, 1, 1, 1, 1, 1, 1};
        dlg_VoiceAnalysis none;
        p.UpdateMouth(0, 2, &none, w, 0.5f);
        p.UpdateMouth(0, 2, nullptr, nullptr, 0.5f);
        stage.Frame(0xFF102030, [&](CTPolygonPipeline& pl) { p.DisplayFace(0, pl, 9); });
        EXPECT_EQ(stage.Checksum(), Empty());
        EXPECT_TRUE(Fatals().empty());
    }
}

}  // namespace
