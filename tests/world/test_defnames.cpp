// Name definitions: ids by position, case, parameters, limits and refused files.
#include "WorldTest.h"

namespace {
DefNamesDesc small() {
    DefNamesDesc d;
    d.personnages = {"PERSONNE", "Gardien 7"};
    d.objets = {"RIEN", "EPEE 12 x", "plume 4"};
    d.sujets = {"AUCUN", "PORTE 3 9"};
    d.variables = DefNames_EngineVariables();
    d.zones = {"AUCUNE", "ZONE_A"};
    return d;
}
}  // namespace

TEST_F(WorldTest, IdsAreFilePositionsMatchedWithoutCase) {
    UseDefNames(small());
    EXPECT_EQ(DefName_GetIdName(DEFNAME_OBJETS, "epee"), 1);
    EXPECT_EQ(DefName_GetIdName(DEFNAME_OBJETS, "PLUME"), 2);
    EXPECT_EQ(DefName_GetIdName(DEFNAME_PERSONNAGES, "GARDIEN"), 1);
    EXPECT_EQ(DefName_GetIdName(DEFNAME_VARIABLES, "nextwarpinvalide"), 12);
    EXPECT_STREQ(DefName_GetName(DEFNAME_PERSONNAGES, 1), "Gardien");
    EXPECT_STREQ(DefName_GetName(DEFNAME_OBJETS, 3), "");
    EXPECT_EQ(DefName_GetCount(DEFNAME_ZONES_CLIC), 2);
    // Parameter 1 of the name at the start of a text, whatever follows the name.
    EXPECT_EQ(DefName_GetParamInt(DEFNAME_OBJETS, "Epee,DEESSE"), 12);
    EXPECT_EQ(DefName_GetParamInt(DEFNAME_SUJETS, "PORTE"), 3);
    EXPECT_STREQ(DefName_GetParam(DEFNAME_SUJETS, 1, 2), "9");
    EXPECT_EQ(DefName_GetParamInt(DEFNAME_OBJETS, "RIEN"), 0);  // no parameter
    EXPECT_EQ(fatals, 0);
}

TEST_F(WorldTest, LookupOfAnUndefinedEmptyOrLongNameIsFatal) {
    UseDefNames(small());
    for (const std::string& name : {std::string(""), std::string(32, 'A'), std::string("BOUCLIER")}) {
        ForgetReports();
        EXPECT_EQ(DefName_GetIdName(DEFNAME_OBJETS, name.c_str()), -1) << name;
        EXPECT_EQ(fatals, 1) << name;
    }
    EXPECT_TRUE(Reported("BOUCLIER absent de #OBJETS#", true));
    ForgetReports();
    // A variable read goes through the same lookup.
    EXPECT_EQ(Interp_ReadVar("INCONNUE"), 0);
    EXPECT_EQ(fatals, 1);
}

TEST_F(WorldTest, BadDefinitionsAreRefusedAndTheOldOnesKept) {
    UseDefNames(small());
    struct Case {
        std::string text;
        std::string report;
    };
    std::string vars;
    for (const std::string& v : DefNames_EngineVariables()) vars += v + "\n";
    std::string tooManyVars = "#VARIABLES#\n" + vars;
    for (int i = 0; i < 300; i++) tooManyVars += "V" + std::to_string(i) + "\n";
    std::string tooManyPersos = "#VARIABLES#\n" + vars + "#PERSONNAGES#\n";
    for (int i = 0; i <= 256; i++) tooManyPersos += "P" + std::to_string(i) + "\n";
    const Case cases[] = {
        {"EPEE\n#OBJETS#\n" + vars, "nom hors section"},
        {"#OBJETS#\nEPEE\nepee\n#VARIABLES#\n" + vars, "défini deux fois"},
        {"#OBJETS#\n#OBJETS#\n", "section #OBJETS# en double"},
        {"#OBJETS#\n" + std::string(32, 'N') + "\n", "nom incorrect"},
        {"#OBJETS#\nEP=EE\n", "nom incorrect"},
        {"#VARIABLES#\nCLICZONE\n", "absente de #VARIABLES#"},
        {tooManyVars, "plus de 300 noms dans #VARIABLES#"},
        {tooManyPersos, "plus de 256 noms dans #PERSONNAGES#"},
    };
    for (const Case& c : cases) {
        ForgetReports();
        EXPECT_FALSE(DefName_LoadText(c.text, "defnames.con")) << c.report;
        EXPECT_TRUE(Reported(c.report)) << c.report;
        EXPECT_EQ(DefName_FindId(DEFNAME_OBJETS, "PLUME"), 2) << "previous definitions lost: " << c.report;
    }
    // Exactly at the limits is accepted.
    std::string full = "#VARIABLES#\n" + vars;
    for (int i = int(DefNames_EngineVariables().size()); i < 300; i++) full += "V" + std::to_string(i) + "\n";
    full += "#PERSONNAGES#\n";
    for (int i = 0; i < 256; i++) full += "P" + std::to_string(i) + "\n";
    EXPECT_TRUE(DefName_LoadText(full, "defnames.con"));
    EXPECT_EQ(DefName_GetCount(DEFNAME_VARIABLES), 300);
    EXPECT_FALSE(DefName_Load((dir / "scenar/absent.con").c_str()));
    EXPECT_TRUE(Reported("fichier absent"));
}
