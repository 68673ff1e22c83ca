// The front end: plug-in choice and loading, bank loading reports, cursor, overlays and SPW files.
#include <cstdlib>

#include "app/Cpu.h"
#include "app/Orv_Mem.h"
#include "tests/graphics2d_spr/SprTestUtil.h"

namespace {

constexpr int kW = 20, kH = 16;
const ClipRect kWhole{0, kH - 1, kW - 1, 0};
const RefBlend kCopy = [](uint32_t, uint32_t s, uint32_t) { return s; };

SprImage Solid(int w, int h, int hx, int hy) { return Picture(w, h, hx, hy, [](int, int) { return false; }); }

class SprFrontEnd : public SprTest {};

TEST_F(SprFrontEnd, PluginVariantFollowsTheProcessor) {
    EXPECT_STREQ(OrvSpr_PluginName(CPU_PENTIUM), "blt_p5");
    EXPECT_STREQ(OrvSpr_PluginName(CPU_PENTIUM_III), "blt_p6");
    const int saved = ProcessorKind;
    for (int kind : {CPU_PENTIUM, CPU_PENTIUM_III}) {
        OrvSpr_MainClose();
        ProcessorKind = kind;
        ASSERT_TRUE(OrvSpr_MainInit());
        EXPECT_EQ(OrvSpr_GetPluginVariant(), kind == CPU_PENTIUM ? 5 : 6);
    }
    ProcessorKind = saved;
}

TEST_F(SprFrontEnd, MissingPluginIsFatalAndLoadingThenReports) {
    const char* env = std::getenv("QM_PLUGIN_DIR");
    const std::string saved = env ? env : "";
    OrvSpr_MainClose();
    setenv("QM_PLUGIN_DIR", (dir / "none").c_str(), 1);
    EXPECT_FALSE(OrvSpr_MainInit());
    EXPECT_TRUE(OrvError_InFatal());
    EXPECT_TRUE(Logged(std::string("ERREUR: OrvSpr_MainInit(): plug-in de sprites ") +
                                 OrvSpr_PluginName(ProcessorKind) + ".so introuvable"));
    EXPECT_EQ(OrvSpr_GetDll(), nullptr);
    Write("spr/a.spr", Encode({Solid(2, 2, 0, 0)}));
    SprBank* bank = nullptr;
    EXPECT_FALSE(OrvSpr_LoadBank("a.spr", &bank, 0));
    EXPECT_EQ(bank, nullptr);
    EXPECT_TRUE(Logged("OrvSpr_LoadBank(): plug-in de sprites non chargé"));
    setenv("QM_PLUGIN_DIR", saved.c_str(), 1);
    OrvError_ResetForTests();
    ASSERT_TRUE(OrvSpr_MainInit());
}

TEST_F(SprFrontEnd, LoadBankFindsFilesAnyCaseAndReportsMissingAndRepeatedLoads) {
    const int64_t blocks = mem_stats().liveBlocks;
    Write("spr/Menu/Curseur.SPR", Encode({Solid(3, 3, 1, 1), Solid(2, 5, 0, 0)}));
    SprBank* bank = nullptr;
    EXPECT_FALSE(OrvSpr_LoadBank("absent.spr", &bank, 0));
    EXPECT_TRUE(Warned("OrvSpr_LoadBank(): fichier non trouvé: " + dir.Path() + "spr/absent.spr"));
    EXPECT_EQ(bank, nullptr);

    ASSERT_TRUE(OrvSpr_LoadBank("menu\\curseur.spr", &bank, 0)) << "relative to spr\\, any case";
    EXPECT_EQ(OrvSpr_GetNbSprBank(bank), 2);
    EXPECT_EQ(mem_stats().liveBlocks, blocks + 1) << "a bank is one allocation";
    SprBank* const first = bank;
    EXPECT_FALSE(OrvSpr_LoadBank("menu\\curseur.spr", &bank, 0));
    EXPECT_TRUE(Warned("OrvSpr_LoadBank(): bank spr déja init ! menu\\curseur.spr"));
    EXPECT_EQ(bank, first);
    OrvSpr_LibereBank(&bank);
    EXPECT_EQ(bank, nullptr);
    EXPECT_EQ(mem_stats().liveBlocks, blocks);
    EXPECT_FALSE(OrvError_InFatal());
}

TEST_F(SprFrontEnd, BadBankFilesAreFatalAndFreed) {
    const std::vector<uint8_t> good = Encode({Solid(3, 3, 1, 1)});
    std::vector<uint8_t> magic = good, cut = good, offset = good;
    magic[0] = 'X';
    cut.resize(cut.size() - 2);
    offset[SPR_OFS_TABLE] = 0xFF;
    offset[SPR_OFS_TABLE + 3] = 0x7F;
    const struct {
        const char* file;
        std::vector<uint8_t> bytes;
        const char* text;
    } cases[] = {
        {"magic.spr", magic, "Fichier non SPR"},
        {"empty.spr", {}, "Fichier non SPR"},
        {"cut.spr", cut, "Fichier SPR corrompu ou tronqué"},
        {"offset.spr", offset, "Fichier SPR corrompu ou tronqué"},
    };
    const int64_t blocks = mem_stats().liveBlocks;
    for (const auto& c : cases) {
        OrvError_ResetForTests();
        const std::string path = Write(std::string("spr/") + c.file, c.bytes);
        SprBank* bank = nullptr;
        EXPECT_FALSE(OrvSpr_LoadBank(c.file, &bank, 0)) << c.file;
        EXPECT_EQ(bank, nullptr);
        EXPECT_TRUE(OrvError_InFatal()) << c.file;
        EXPECT_TRUE(Logged(std::string("ERREUR: OrvSpr_LoadBank(): ") + c.text + " : " + path)) << c.file;
        EXPECT_EQ(mem_stats().liveBlocks, blocks) << c.file;
    }
}

TEST_F(SprFrontEnd, CursorDrawsTheObjectInHandUnderThePointer) {
    const SprImage pointer = Picture(3, 4, 1, 1, [](int x, int y) { return x == 2 && y > 1; });
    const SprImage object = Solid(6, 5, -2, -1);
    Write("spr/curs.spr", Encode({Solid(1, 1, 0, 0), pointer}));
    Write("spr/objs.spr", Encode({object}));
    SprBank *curs = nullptr, *objs = nullptr;
    ASSERT_TRUE(OrvSpr_LoadBank("curs.spr", &curs, 0));
    ASSERT_TRUE(OrvSpr_LoadBank("objs.spr", &objs, 0));
    GuardedTarget t(Fmt565(), kW, kH);
    OrvSpr_SetSurfaceInfo(&t.surf);

    OrvSpr_set_curseur(curs, 1);
    OrvSpr_SetObjetEnMainSprite(0, objs);
    std::vector<uint32_t> before = t.All();
    OrvSpr_Aff_curseur(7, 6);
    EXPECT_EQ(t.All(), Expected(t, Expected(t, before, object, 9, 7, kWhole, kCopy), pointer, 6, 5, kWhole, kCopy));

    int32_t mx = 2, my = 14;
    OrvSpr_SetObjetEnMainSprite(0, nullptr);
    OrvSpr_SetMouseSource(&mx, &my);
    before = t.All();
    OrvSpr_Aff_curseur_souris();
    EXPECT_EQ(t.All(), Expected(t, before, pointer, 1, 13, kWhole, kCopy));
    // The centre of the render area is the clip's when one is set.
    const ClipRect render{0, 9, 11, 0};
    OrvSpr_SetClip(render);
    before = t.All();
    OrvSpr_Aff_curseur_centre();
    EXPECT_EQ(t.All(), Expected(t, before, pointer, 5, 4, render, kCopy));
    // Freeing a bank the cursor uses leaves no dangling cursor behind.
    OrvSpr_set_curseur(curs, 1);
    OrvSpr_SetObjetEnMainSprite(0, objs);
    OrvSpr_LibereBank(&curs);
    OrvSpr_LibereBank(&objs);
    EXPECT_EQ(OrvSpr_get_curseur_bank(), nullptr);
    before = t.All();
    OrvSpr_Aff_curseur(7, 6);
    EXPECT_EQ(t.All(), before);
}

TEST_F(SprFrontEnd, OverlayBanksDrawTheirOwnSpritesAndAreLimited) {
    const SprImage a0 = Solid(2, 2, -1, -1), a2 = Solid(3, 1, -10, -12), b0 = Solid(4, 3, -15, -2);
    Write("datas_q2/spf/a.spf", Encode({a0, Solid(1, 1, 0, 0), a2}));
    Write("datas_q2/spf/b.spf", Encode({b0}));
    const int64_t blocks = mem_stats().liveBlocks;
    ASSERT_TRUE(OrvSpr_LoadSpf("a.spf"));
    ASSERT_TRUE(OrvSpr_LoadSpf("B.SPF"));
    GuardedTarget t(Fmt565(), kW, kH);
    OrvSpr_SetSurfaceInfo(&t.surf);
    std::vector<uint32_t> before = t.All();
    OrvSpr_Aff_spf(0);
    EXPECT_EQ(t.All(), Expected(t, Expected(t, before, a0, 1, 1, kWhole, kCopy), b0, 15, 2, kWhole, kCopy));
    before = t.All();
    OrvSpr_Aff_spf(2);  // past b's end: only a draws, silently
    EXPECT_EQ(t.All(), Expected(t, before, a2, 10, 12, kWhole, kCopy));
    EXPECT_TRUE(lines.empty());
    for (int i = 2; i < MAX_SPF; ++i) ASSERT_TRUE(OrvSpr_LoadSpf("b.spf"));
    EXPECT_FALSE(OrvSpr_LoadSpf("b.spf"));
    EXPECT_TRUE(Warned("OrvSpr_LoadSpf(): MAX_SPF (8) atteint : b.spf"));
    OrvSpr_clear_spf();
    EXPECT_EQ(mem_stats().liveBlocks, blocks);
}

TEST_F(SprFrontEnd, SpwFramesDrawAtTheirOffsetsAndBadSpwFilesOnlyWarn) {
    const SprImage f0 = Solid(3, 3, 0, 0), f1 = Picture(5, 2, 4, 6, [](int x, int) { return x == 1; });
    const std::string path = Write("datas_q2/spw/anim.SPW", Encode({f0, f1}, SprFileKind::Spw));
    const std::string bankPath = Write("datas_q2/spw/bank.SPW", Encode({f0}));
    SprSpw* spw = nullptr;
    ASSERT_TRUE(OrvSpr_LoadSpw(path.c_str(), &spw));
    GuardedTarget t(Fmt555(), kW, kH);
    OrvSpr_SetSurfaceInfo(&t.surf);
    const ClipRect clip{2, 13, 17, 2};
    OrvSpr_SetClip(clip);
    const std::vector<uint32_t> before = t.All();
    EXPECT_TRUE(OrvSpr_AffSpw(spw, 1, 5, 4));
    EXPECT_EQ(t.All(), Expected(t, before, f1, 9, 10, clip, kCopy));
    EXPECT_FALSE(OrvSpr_AffSpw(spw, 2, 0, 0));
    EXPECT_TRUE(Warned("OrvSpr_AffSpw(): frame 2 : Numéro de sprite hors limites"));

    SprSpw* other = nullptr;
    EXPECT_FALSE(OrvSpr_LoadSpw(bankPath.c_str(), &other));
    EXPECT_TRUE(Warned("OrvSpr_LoadSpw(): Fichier non SPW : " + bankPath));
    EXPECT_FALSE(OrvError_InFatal());
    OrvSpr_FreeSpw(&spw);
}

}  // namespace
