// File handles, case-insensitive paths, atomic saves, path builders and CD detection.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <string>

#include "tests/support/ScratchInstall.h"

namespace {
struct FileFixture : ::testing::Test, ScratchInstall {
    void SetUp() override { OpenInstall(false); }
    void TearDown() override { CloseInstall(); }
};
}  // namespace

TEST_F(FileFixture, HandlesAreNonZeroCountedAndLogged) {
    ASSERT_TRUE(WriteFileText(dir / "a.txt", "hello"));
    int open0 = OrvFile_OpenCount();
    OrvFileHandle h1 = OrvFile_Open((dir / "a.txt").c_str(), ORV_READ);
    OrvFileHandle h2 = OrvFile_Open((dir / "a.txt").c_str(), ORV_READ);
    ASSERT_NE(h1, 0u);
    ASSERT_NE(h2, 0u);
    EXPECT_NE(h1, h2);
    EXPECT_EQ(OrvFile_OpenCount(), open0 + 2);
    char buf[16] = {};
    EXPECT_EQ(OrvFile_Read(h1, buf, 16), 5);
    EXPECT_STREQ(buf, "hello");
    EXPECT_EQ(OrvFile_GetSize(h2), 5);
    EXPECT_EQ(OrvFile_Seek(h2, 3, 0), 0);
    EXPECT_EQ(OrvFile_Read(h2, buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "lo");
    OrvFile_Close(h1);
    OrvFile_Close(h2);
    EXPECT_EQ(OrvFile_OpenCount(), open0);
    char expect[64];
    std::snprintf(expect, sizeof expect, "ORV OPEN R (%sa.txt) = %X", dir.Path().c_str(), h1);
    EXPECT_NE(ReadFileText(dir / "quillmar2.log").find(expect), std::string::npos);
}

TEST_F(FileFixture, FailuresReturnZeroAndStaleHandlesAreRefused) {
    EXPECT_EQ(OrvFile_Open((dir / "missing.txt").c_str(), ORV_READ), 0u);
    EXPECT_EQ(OrvFile_Open(dir.Path().c_str(), ORV_READ), 0u);  // a directory is no file
    EXPECT_EQ(OrvFile_GetSizeByName((dir / "missing.txt").c_str()), 0);
    EXPECT_FALSE(OrvFile_Exists((dir / "missing.txt").c_str()));
    char buf[4];
    EXPECT_EQ(OrvFile_Read(0, buf, 4), 0);
    EXPECT_EQ(OrvFile_Read(9999, buf, 4), 0);
    EXPECT_EQ(OrvFile_Seek(9999, 0, 0), 1);
    ASSERT_TRUE(WriteFileText(dir / "b.txt", "x"));
    OrvFileHandle h = OrvFile_Open((dir / "b.txt").c_str(), ORV_READ);
    OrvFile_Close(h);
    int open0 = OrvFile_OpenCount();
    OrvFile_Close(h);  // twice: warned, counter untouched
    EXPECT_EQ(OrvFile_OpenCount(), open0);

    // The slot of a closed handle is reused by the next open; the old handle reaches nothing.
    OrvFileHandle again = OrvFile_Open((dir / "b.txt").c_str(), ORV_READ);
    ASSERT_NE(again, 0u);
    EXPECT_NE(again, h);
    EXPECT_EQ(OrvFile_Seek(h, 0, 0), 1);
    EXPECT_EQ(OrvFile_Read(h, buf, 1), 0);
    OrvFile_Close(h);
    EXPECT_EQ(OrvFile_OpenCount(), open0 + 1);
    EXPECT_EQ(OrvFile_Read(again, buf, 1), 1);
    OrvFile_Close(again);
    EXPECT_EQ(OrvFile_OpenCount(), open0);
}

TEST_F(FileFixture, WriteAppendAndShortLoad) {
    std::string p = dir / "w.bin";
    OrvFileHandle h = OrvFile_Open(p.c_str(), ORV_WRITE);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(OrvFile_Write(h, "abc", 3), 3);
    OrvFile_Close(h);
    h = OrvFile_Open(p.c_str(), ORV_APPEND);
    EXPECT_EQ(OrvFile_Write(h, "de", 2), 2);
    OrvFile_Close(h);
    EXPECT_EQ(ReadFileText(p), "abcde");
    char buf[8];
    EXPECT_TRUE(OrvFile_Load(p.c_str(), buf, 5));
    EXPECT_FALSE(OrvFile_Load(p.c_str(), buf, 8));  // shorter than asked
    EXPECT_NE(ReadFileText(dir / "quillmar2.log").find("<<< erreur : OrvFile_Load()"), std::string::npos);
}

TEST_F(FileFixture, PathsResolveWithoutRegardToCaseAndBackslashes) {
    ASSERT_TRUE(WriteFileText(dir / "Datas_Q2/Warp/FACE01.Tga", "t"));
    std::string asked = dir.Path() + "datas_q2\\warp\\face01.tga";
    EXPECT_EQ(OrvFile_Resolve(asked.c_str()), dir / "Datas_Q2/Warp/FACE01.Tga");
    EXPECT_TRUE(OrvFile_Exists(asked.c_str()));
    // A missing tail keeps the resolved head, so a new file lands in the existing directory.
    std::string fresh = dir.Path() + "DATAS_Q2/warp/New.bin";
    EXPECT_EQ(OrvFile_Resolve(fresh.c_str()), dir / "Datas_Q2/Warp/New.bin");
}

TEST_F(FileFixture, AtomicSaveReplacesWholeOrNothing) {
    std::string p = dir / "quillm2.cfg";
    ASSERT_TRUE(WriteFileText(p, "old"));
    EXPECT_TRUE(OrvFile_Save(p.c_str(), "newer", 5));
    EXPECT_EQ(ReadFileText(p), "newer");
    struct stat st;
    EXPECT_NE(::stat((p + ORV_TEMP_SUFFIX).c_str(), &st), 0);
    std::string bad = dir / "no/such/dir/file";
    EXPECT_FALSE(OrvFile_Save(bad.c_str(), "x", 1));
    EXPECT_EQ(OrvFile_LastSaveFailure(), ORV_SAVE_FAILED);
    // A full device, a full quota, then a failing device: the old file stays, no temporary file is
    // left, and the reason is told apart.
    for (auto [error, failure] :
         {std::pair{ENOSPC, ORV_SAVE_DISK_FULL}, {EDQUOT, ORV_SAVE_DISK_FULL}, {EIO, ORV_SAVE_FAILED}}) {
        OrvFile_SetWriteFailure(error);
        EXPECT_FALSE(OrvFile_Save(p.c_str(), "lost", 4));
        EXPECT_EQ(OrvFile_LastSaveFailure(), failure) << std::strerror(error);
        OrvFile_SetWriteFailure(0);
        EXPECT_EQ(ReadFileText(p), "newer");
        EXPECT_NE(::stat((p + ".tmp").c_str(), &st), 0);
    }
    EXPECT_TRUE(OrvFile_Save(p.c_str(), "again", 5));
    EXPECT_EQ(OrvFile_LastSaveFailure(), ORV_SAVE_OK);
}

TEST_F(FileFixture, StaleTemporariesAreRemovedAndNothingElse) {
    const std::string stale = OrvFile_TempPath(dir / "save/xORV01_02.SAV");
    ASSERT_TRUE(WriteFileText(stale, "interrompu"));
    ASSERT_TRUE(WriteFileText(dir / "save/xORV01_02.SAV", "ZAPFILE 1.0"));
    ASSERT_TRUE(WriteFileText(dir / "save/notes.tmp", "à garder"));
    // A directory of that name is not a file the program left.
    ASSERT_EQ(::mkdir(OrvFile_TempPath(dir / "save/dossier").c_str(), 0755), 0);
    EXPECT_EQ(OrvFile_RemoveStaleTemporaries((dir / "SAVE").c_str()), 1);
    struct stat st;
    EXPECT_NE(::stat(stale.c_str(), &st), 0);
    EXPECT_EQ(ReadFileText(dir / "save/xORV01_02.SAV"), "ZAPFILE 1.0");
    EXPECT_EQ(ReadFileText(dir / "save/notes.tmp"), "à garder");
    EXPECT_EQ(::stat(OrvFile_TempPath(dir / "save/dossier").c_str(), &st), 0);
    EXPECT_EQ(OrvFile_RemoveStaleTemporaries((dir / "absent").c_str()), 0);
}

// A new start finds this installation's CDs, not those found before it.
TEST_F(FileFixture, AResetForgetsTheCdsFoundBefore) {
    TempDir other;
    ASSERT_TRUE(WriteFileText(other / cd_probe_name(1), "probe"));
    for (int cd = 1; cd <= 4; cd++) OrvFile_SetCDRoot(cd, other.Path());
    ASSERT_TRUE(cd_init());
    EXPECT_EQ(cd_get_current(), 1);
    static int hookCd = 0;
    cd_set_change_hook([](int cd, int) { hookCd = cd; });
    EXPECT_FALSE(cd_request(3, 0));
    ASSERT_EQ(hookCd, 3);

    cd_reset();
    EXPECT_EQ(cd_get_current(), 0);
    EXPECT_EQ(cd_get_requested(), 1);
    EXPECT_EQ(OrvFile_GetCDRoot(), "");
    EXPECT_FALSE(cd_request(4, 0));
    EXPECT_EQ(hookCd, 3) << "the hook went with the reset";
    EXPECT_TRUE(Reported("cd_request() : CD 4 absent"));
    ASSERT_TRUE(WriteFileText(dir / ("cd2/" + cd_probe_name(2)), "probe"));
    ASSERT_TRUE(cd_init());
    EXPECT_EQ(cd_get_current(), 2);
    EXPECT_EQ(OrvFile_GetCDRoot(), dir / "cd2/");
}

TEST_F(FileFixture, PathBuildersUseInstallAndCurrentCd) {
    char out[ORV_PATH_MAX];
    build_path_loc(out, "messages.txt");
    EXPECT_EQ(std::string(out), dir / "loc/messages.txt");
    build_path_sprmenu(out, "curseur.spr");
    EXPECT_EQ(std::string(out), dir / "spr/menu/curseur.spr");

    ASSERT_TRUE(WriteFileText(dir / ("cd2/" + cd_probe_name(2)), "probe"));
    ASSERT_TRUE(cd_init());
    EXPECT_EQ(cd_get_current(), 2);
    build_path_qmv(out, "intro.qmv");
    EXPECT_EQ(std::string(out), dir / "cd2/datas_q2/qmv/intro.qmv");
    build_path_3d_dial(out, "tete.db");
    EXPECT_EQ(std::string(out), dir / "cd2/datas_q2/3d/dial/tete.db");
    OrvFile_Set_DB_secondary_path("pz_araig\\");
    build_path_3d_dial(out, "araig.db");
    EXPECT_EQ(std::string(out), dir / "cd2/datas_q2/3d/pz_araig/araig.db");
    OrvFile_Set_DB_secondary_path(nullptr);

    static int hookCd = 0;
    cd_set_change_hook([](int cd, int) { hookCd = cd; });
    EXPECT_FALSE(cd_request(3, 0));
    EXPECT_EQ(hookCd, 3);
    EXPECT_EQ(cd_get_requested(), 3);
    EXPECT_EQ(cd_get_current(), 2);
    EXPECT_TRUE(cd_request(2, 0));
    cd_set_change_hook(nullptr);

    std::string longName(ORV_PATH_MAX + 10, 'n');
    build_path_spr(out, longName.c_str());  // truncated and warned, never overrun
    EXPECT_LT(std::strlen(out), size_t(ORV_PATH_MAX));
    EXPECT_GT(disk_free_space(), 0u);
}
