// The dialogue object as the script reader builds it: its characters, their stands and the cameras of
// its replies.
#include <gtest/gtest.h>

#include <set>

#include "dialogue/dlg_Anim.h"
#include "testdata/DbWriter.h"
#include "tests/dialogue/DialogueTestUtil.h"

namespace {

class Dialog : public DialogueTest {
protected:
    DlgScriptDesc desc;

    void SetUp() override
    {
        DialogueTest::SetUp();
        desc.persos = {Perso("Marco", "ma"), Perso("Lia", "li")};
        // Marco: stand 1 with two cameras, stand 2 with three, stand 3 with none; Lia: stand 1.
        DlgCharacterDesc ch;
        ch.grid = 4;
        ch.stands = 3;
        ASSERT_TRUE(DlgCharacter_Save(Dir3D(), ch));
        CTDataBase three = DlgCharacter_Stand(ch, 1), none = DlgCharacter_Stand(ch, 2);
        CTDbCamera extra = three.cameras.at("cam2");
        extra.name = "cam3";
        DbWriter_Add(three.cameras, extra);
        none.cameras.clear();
        ASSERT_TRUE(DbWriter_Save(Dir3D() + "mas2.db", three));
        ASSERT_TRUE(DbWriter_Save(Dir3D() + "mas3.db", none));
        ch.mesh = "li";
        ch.stands = 1;
        ASSERT_TRUE(DlgCharacter_Save(Dir3D(), ch));
    }
    std::vector<int> Cameras(const dlg_Dialog& d) const
    {
        std::vector<int> c;
        for (size_t i = 0; i < d.GetRepliqueCount(); ++i) c.push_back(d.GetRepliqueAt(i)->GetCamera());
        return c;
    }
};

TEST_F(Dialog, CharactersAreAddedOnceAndLoadTheirStands)
{
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "stand1 camera1", "a"), DlgScript_Reply(12, 2, "Lia", "stand1 camera1", "b"),
                  DlgScript_Reply(12, 3, "Marco", "stand3 camera1", "c"), DlgScript_Reply(12, 4, "Marco", "voixoff", "d")};
    dlg_Dialog& d = Build(desc);
    EXPECT_TRUE(d.IsInitialised());
    ASSERT_EQ(d.GetPersoCount(), 2u);
    EXPECT_EQ(d.FindPerso("Marco"), 0);
    EXPECT_EQ(d.FindPerso("Lia"), 1);
    EXPECT_EQ(d.FindPerso("lia"), -1);
    const dlg_Perso& marco = *d.GetPersoAt(0);
    EXPECT_NE(marco.GetAnime(0), nullptr);
    EXPECT_EQ(marco.GetAnime(1), nullptr);
    EXPECT_NE(marco.GetAnime(2), nullptr);
    std::vector<int> persos;
    for (size_t i = 0; i < d.GetRepliqueCount(); ++i) persos.push_back(d.GetRepliqueAt(i)->GetPerso());
    EXPECT_EQ(persos, (std::vector<int>{0, 1, 0, 0}));
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(Dialog, AReplyWithoutCameraDrawsOneOfItsStand)
{
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "stand2", "a")};
    std::set<int> seen;
    // The first draw after a small seed is small: spread the seeds.
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        dlg_Dialog& d = Build(desc, 12, seed * 2654435761u);
        ASSERT_EQ(d.GetRepliqueCount(), 1u);
        seen.insert(d.GetRepliqueAt(0)->GetCamera());
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2}));

    // A stand without cameras gives camera 0.
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "stand3", "a")};
    EXPECT_EQ(Cameras(Build(desc)), std::vector<int>{0});
}

TEST_F(Dialog, ASpeakerKeepsHisCameraWhileTheStandHasIt)
{
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "stand2 camera3", "a"),
                  // Same speaker, no camera: kept, on the same stand.
                  DlgScript_Reply(12, 2, "Marco", "stand2", "b"),
                  // Stand 1 has no third camera: one of its two is drawn.
                  DlgScript_Reply(12, 3, "Marco", "stand1", "c"),
                  // Kept again across stands that have it.
                  DlgScript_Reply(12, 4, "Marco", "stand2", "d"),
                  // Another speaker in between: no camera is kept.
                  DlgScript_Reply(12, 5, "Lia", "stand1 camera2", "e"), DlgScript_Reply(12, 6, "Marco", "stand2", "f")};
    std::set<int> drawn;
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        const std::vector<int> c = Cameras(Build(desc, 12, seed * 2654435761u));
        ASSERT_EQ(c.size(), 6u);
        EXPECT_EQ(c[0], 2);
        EXPECT_EQ(c[1], 2);
        EXPECT_GE(c[2], 0);
        EXPECT_LT(c[2], 2);
        EXPECT_EQ(c[3], c[2]);
        EXPECT_EQ(c[4], 1);
        EXPECT_GE(c[5], 0);
        EXPECT_LT(c[5], 3);
        drawn.insert(c[2]);
    }
    EXPECT_EQ(drawn.size(), 2u);
    // Kept cameras draw nothing from the generator: two draws in all (replies 3 and 6).
    Build(desc, 12, 77);
    const int after = orv_rand();
    orv_srand(77);
    orv_rand();
    orv_rand();
    EXPECT_EQ(after, orv_rand());
}

TEST_F(Dialog, AReplyOfAnUnknownCharacterIsFatal)
{
    dlg_Dialog d;
    d.AddReplique("Personne", 0, 0, 1, "x", 0);
    EXPECT_EQ(d.GetRepliqueCount(), 0u);
    EXPECT_EQ(Fatals(), std::vector<std::string>{
                            "void dlg_Dialog::AddReplique(string&,long,long,long,string&) ERROR: personnage inexistant: "
                            "Personne"});
}

}  // namespace
