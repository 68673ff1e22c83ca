// Tests of the music copies: lists, the copy under the please-wait page, full disk, disk errors, interruption.
#include <unistd.h>

#include <filesystem>

#include "MenuFlowUtil.h"

namespace fs = std::filesystem;

class MusicCopyTest : public MenuFlowTest {
protected:
    void SetUp() override {
        MenuFlowTest::SetUp();
        UseInstall(own);
        fs::create_directories(cd.Path() + "datas_q2/ksn/music");
        ASSERT_TRUE(WriteFileText(cd / cd_probe_name(1), "cd"));
        OrvFile_SetCDRoot(1, cd.Path());
        ASSERT_TRUE(cd_request(1, 0));
    }
    // A music of `size` bytes and its marks on the CD.
    std::string PutOnCD(int number, size_t size) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i) bytes[i] = char((i * 7 + size_t(number)) & 0xFF);
        EXPECT_TRUE(WriteFileText(CDFile(number, ".ksn"), bytes));
        EXPECT_TRUE(WriteFileText(CDFile(number, ".spp"), "marks" + std::to_string(number)));
        return bytes;
    }
    std::string CDFile(int number, const char* ext) {
        return cd / ("datas_q2/ksn/music/" + Musik_FileName(std::to_string(number), ext));
    }
    std::string Copy(int number, const char* ext) {
        return own / ("music/" + Musik_FileName(std::to_string(number), ext));
    }
    // No copy and no temporary file of the music are left.
    void ExpectNothingLeft(int number) {
        for (const char* ext : {".ksn", ".spp"}) {
            EXPECT_FALSE(fs::exists(Copy(number, ext))) << ext;
            EXPECT_FALSE(fs::exists(fs::symlink_status(Copy(number, ext) + ORV_TEMP_SUFFIX))) << ext;
        }
    }
    TempDir own, cd;
};

// The program's shut-down stops the music: after it the same number is started again.
TEST_F(MusicCopyTest, NoMusicIsTakenAsPlayingOnceTheMenusAreClosed) {
    PutOnCD(7, 1000);
    EXPECT_TRUE(PlayMusikNumber(7, 0, 0));
    game.calls.clear();
    OrvMenu_MainClose();
    EXPECT_TRUE(PlayMusikNumber(7, 0, 0));
    EXPECT_EQ(game.calls, (std::vector<std::string>{"qmv", "start muzik07.ksn 0 0"}));
}

TEST_F(MusicCopyTest, PlayMusikNumberCopiesUnderTheWaitPageThenStarts) {
    const std::string music = PutOnCD(7, 2 * MUSIK_COPY_PIECE + 1000);
    game.loopType = 0;
    OrvMenu_start();  // a page already up comes back after the copy
    CMnMenu* main = Page();
    bool waitPageShown = false;
    game.onFrame = [&] { waitPageShown = waitPageShown || Widget("a_wait.spr") != nullptr; };

    EXPECT_TRUE(PlayMusikNumber(7, 2, 1));
    EXPECT_EQ(ReadFileText(Copy(7, ".ksn")), music);
    EXPECT_EQ(ReadFileText(Copy(7, ".spp")), "marks7");
    EXPECT_TRUE(waitPageShown);
    EXPECT_EQ(game.frames, 3 * 2 + 2) << "a frame after each read and each write";
    EXPECT_EQ(game.calls, (std::vector<std::string>{"qmv", "start muzik07.ksn 2 1"}));
    EXPECT_EQ(Page(), main);
    EXPECT_EQ(OrvFile_OpenCount(), 0);

    // The music playing is left alone; another one already copied does no disk work.
    game.calls.clear();
    game.frames = 0;
    EXPECT_TRUE(PlayMusikNumber(7, 5, 0));
    EXPECT_TRUE(game.calls.empty());
    MusikCopy_Reset();
    EXPECT_TRUE(PlayMusikNumber(7, 5, 0));
    EXPECT_EQ(game.frames, 0);
    EXPECT_EQ(game.calls.back(), "start muzik07.ksn 5 0");
}

TEST_F(MusicCopyTest, NumberListsAndDeletion) {
    PutOnCD(3, 100);
    PutOnCD(4, 200);
    PutOnCD(12, 300);
    EXPECT_TRUE(CopyMusikToDrive("3,4)"));
    EXPECT_TRUE(CopyMusikToDrive("12\n5"));
    EXPECT_TRUE(fs::exists(Copy(3, ".ksn")) && fs::exists(Copy(4, ".spp")));
    EXPECT_EQ(fs::file_size(own / "music/muzik12.ksn"), 300u);
    EXPECT_FALSE(fs::exists(Copy(5, ".ksn")));

    EXPECT_FALSE(CopyMusikToDrive("3,../../x"));
    EXPECT_TRUE(Logged("Erreur CopyMusikToDrive(char*): paramètre incorrect."));
    EXPECT_FALSE(CopyMusikToDrive("9"));
    EXPECT_TRUE(Logged("Erreur CopyMusikToDrive(char*): impossible d'ouvrir le fichier"));
    ExpectNothingLeft(9);

    DeleteMusikOnDrive("3,4)");
    ExpectNothingLeft(3);
    ExpectNothingLeft(4);
    EXPECT_TRUE(fs::exists(Copy(12, ".ksn")));
    DeleteMusikOnDrive("1x");
    EXPECT_TRUE(Logged("Erreur DeleteMusikOnDrive(char*): paramètre incorrect."));
}

TEST_F(MusicCopyTest, AFullDiskLeavesNoFileAndShowsItsPage) {
    PutOnCD(8, 5000);
    MenuHooks.DiskFreeSpace = [] { return uint64_t(4999); };
    game.loopType = 0;
    EXPECT_FALSE(CopyMusikToDrive("8"));
    EXPECT_TRUE(Logged("espace disk insufisant pour copier la musique"));
    ExpectNothingLeft(8);
    ASSERT_NE(Widget("b_dfull.spr"), nullptr);
    Click(320, 240);
    EXPECT_EQ(Page(), nullptr);

    MenuHooks.DiskFreeSpace = [] { return uint64_t(5000); };
    EXPECT_TRUE(CopyMusikToDrive("8"));
    EXPECT_EQ(fs::file_size(Copy(8, ".ksn")), 5000u);
}

TEST_F(MusicCopyTest, ReadAndWriteErrorsShowTheDiskErrorPage) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    PutOnCD(6, MUSIK_COPY_PIECE + 10);
    fs::create_symlink("/dev/full", Copy(6, ".ksn") + ORV_TEMP_SUFFIX);
    EXPECT_FALSE(CopyMusikToDrive("6"));
    EXPECT_TRUE(Logged("Erreur CopyMusikToDrive(char*): erreure d'écriture du fichier"));
    EXPECT_NE(Widget("b_derr.spr"), nullptr);
    ExpectNothingLeft(6);
    OrvMenu_stop();

    // The source shrinks under the copy.
    game.frames = 0;
    game.onFrame = [this] {
        if (game.frames == 1) fs::resize_file(CDFile(6, ".ksn"), 100);
    };
    EXPECT_FALSE(CopyMusikToDrive("6"));
    EXPECT_TRUE(Logged("Erreur CopyMusikToDrive(char*): erreure de lecture du fichier"));
    EXPECT_NE(Widget("b_derr.spr"), nullptr);
    ExpectNothingLeft(6);
}

TEST_F(MusicCopyTest, AnInterruptedCopyLeavesNoPartialFile) {
    PutOnCD(5, 3 * MUSIK_COPY_PIECE);
    ASSERT_TRUE(WriteFileText(Copy(5, ".ksn") + ORV_TEMP_SUFFIX, "left by an earlier run"));
    game.onFrame = [this] {
        if (game.frames == 3) throw CApplicationQuit{0};
    };
    EXPECT_THROW(CopyMusikToDrive("5"), CApplicationQuit);
    ExpectNothingLeft(5);
    EXPECT_EQ(OrvFile_OpenCount(), 0);

    // The next run copies the whole music.
    OrvMenu_stop();
    game.onFrame = nullptr;
    EXPECT_TRUE(CopyMusikToDrive("5"));
    EXPECT_EQ(fs::file_size(Copy(5, ".ksn")), size_t(3 * MUSIK_COPY_PIECE));
}

TEST_F(MusicCopyTest, AMusicWhoseCopyFailedIsCopiedAtTheNextRequest) {
    game.loopType = 0;
    PlayMusikNumber(9, 0, 0);  // not on the CD yet
    EXPECT_FALSE(fs::exists(Copy(9, ".ksn")));
    const std::string music = PutOnCD(9, 1000);
    game.calls.clear();
    EXPECT_TRUE(PlayMusikNumber(9, 0, 0));
    EXPECT_EQ(ReadFileText(Copy(9, ".ksn")), music);
    EXPECT_EQ(game.calls, (std::vector<std::string>{"qmv", "start muzik09.ksn 0 0"}));
    // Copied and playing: asked again, it is left alone.
    game.calls.clear();
    EXPECT_TRUE(PlayMusikNumber(9, 0, 0));
    EXPECT_TRUE(game.calls.empty());
}
