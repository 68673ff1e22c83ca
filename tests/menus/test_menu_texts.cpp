// Tests of "Menu.txt": sections, comments, separators, padding of short lists and the missing file.
#include "MenuFlowUtil.h"
#include "testdata/DemoMenus.h"
#include "testdata/MenuTextWriter.h"

namespace {

int Count(const std::vector<std::string>& lines, const std::string& part) {
    int n = 0;
    for (const std::string& l : lines) n += l.find(part) != std::string::npos;
    return n;
}

}  // namespace

class MenuTextTest : public MenuFlowTest {
protected:
    void ReadMenuTxt(const std::string& text) {
        UseInstall(own);
        ASSERT_TRUE(WriteFileText(own / "loc/Menu.txt", text));
        lines.clear();
        OrvMenu_MainInit();
    }
    TempDir own;
};

TEST_F(MenuTextTest, StandardTextsFillEveryListAndTheCursorLoads) {
    // The demo's texts: the standard ones, the questions' answers told in full.
    const auto sections = DemoMenus_Sections();
    for (int i = 0; i < MENU_TXT_LISTS; ++i) {
        EXPECT_EQ(MenuTexts[i], sections[size_t(i)].lines) << sections[size_t(i)].header;
        EXPECT_EQ(MenuTexts[i].size(), size_t(MenuTextCounts[i]));
    }
    EXPECT_NE(MenuState.cursorBank, nullptr);
    EXPECT_STREQ(OrvMenu_Text(MENU_TXT_MAIN, 99), "");  // out of range
    EXPECT_STREQ(OrvMenu_Text(MENU_TXT_LISTS, 0), "");

    // Without a screen the launch box's caption and text go to the debug output.
    OrvMenu_start_LaunchBox();
    EXPECT_TRUE(Logged(Text(MENU_TXT_MESSAGES, 0) + " : " + Text(MENU_TXT_MESSAGES, 1)));
}

TEST_F(MenuTextTest, ShortListsArePaddedWithOneWarningEach) {
    ReadMenuTxt("[MainMenu]\r\nQuit\r\n[EndMenu]\r\n");
    EXPECT_EQ(MenuTexts[MENU_TXT_MAIN], (std::vector<std::string>{"Quit", "", "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(MenuTexts[MENU_TXT_MESSAGES], std::vector<std::string>(4));
    EXPECT_EQ(Count(lines, "il manque des lignes de texte"), 7);
    EXPECT_TRUE(Logged("il manque des lignes de texte pour le menu principal!"));
    EXPECT_TRUE(Logged("il manque des lignes de texte pour dans la catégorie [Messages] !"));
}

TEST_F(MenuTextTest, HeadersCommentsAndSeparatorsFollowTheReadingRules) {
    ReadMenuTxt(
        "; [MainMenu]\r\n"
        "[mainmenu]\r\n"
        "Never read\r\n"
        "[MainMenu] main texts\r\n"
        "Title\r\n"
        "; [MainMenu]\r\n"
        "  Options, sound\r\n"
        "\r\n"
        "[EndMenu] \r\n"
        "  [EndMenu]\r\n"
        "[CDMenu]\nCD one\nCD two\n[EndMenu]\n"
        "[CDMenu]\nCD three\nCD four\n[EndMenu]\n"
        "[OptionsMenu]\n0\n1\n2\n3\n4\n5\n6\n7\n[EndMenu]\n"
        "[Messages]\nCaption\nNo CD\nDisk full\nDisk error\n");
    const std::vector<std::string> main = {"Title", "[MainMenu]", "Options, sound", "[EndMenu] ", "", "", "",
                                           "",      "",           "",               ""};
    EXPECT_EQ(MenuTexts[MENU_TXT_MAIN], main);
    EXPECT_EQ(MenuTexts[MENU_TXT_CD], (std::vector<std::string>{"CD one", "CD two", "CD three", "CD four"}));
    EXPECT_EQ(MenuTexts[MENU_TXT_OPTIONS].size(), 10u);
    EXPECT_EQ(Count(lines, "pour le menu options!"), 1);
    EXPECT_EQ(Count(lines, "pour le menu CD!"), 0);
    EXPECT_EQ(MenuTexts[MENU_TXT_MESSAGES][3], "Disk error") << "a section may end with the text";
    EXPECT_EQ(Count(lines, "[Messages]"), 0);
}

TEST_F(MenuTextTest, MissingFilesAreReportedAndThePagesStillBuild) {
    UseInstall(own);
    lines.clear();
    OrvMenu_MainInit();
    EXPECT_TRUE(Logged("void OrvMenu_MainInit(void) ERREUR: le fichier \"Menu.txt\" est introuvalbe"));
    OrvError_ResetForTests();

    // Without the cursor bank the pages select no cursor and still work.
    TempDir bare;
    std::filesystem::create_directories(bare.Path() + "spr/menu");
    std::filesystem::create_directories(bare.Path() + "loc");
    OrvFile_SetInstallDir(bare.Path());
    ASSERT_TRUE(WriteFileText(bare / "loc/Menu.txt", MenuTxt_Make(MenuTxt_StandardSections())));
    OrvMenu_MainInit();
    EXPECT_EQ(MenuState.cursorBank, nullptr);
    EXPECT_TRUE(Logged("curseur.spr"));
    OrvFile_SetInstallDir(Data().Path());
    OrvMenu_start();
    Passes(2);
    EXPECT_EQ(Title(), MenuTexts[MENU_TXT_MAIN][0]);
}
