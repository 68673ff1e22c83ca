// The whole program started without a display on the demo installation: start, quit, failures at start-up.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "testdata/DemoInstall.h"
#include "testdata/TempDir.h"

extern char** environ;

namespace {
using namespace std::chrono_literals;

struct Program {
    pid_t pid = -1;
    int status = -1;

    // Starts the program on dir with the extra environment entries (NAME=value; NAME= removes).
    void Start(const std::string& dir, const std::vector<std::string>& extra) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string entry = *e;
            bool replaced = false;
            for (const auto& x : extra)
                if (entry.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0) replaced = true;
            if (!replaced) env.push_back(entry);
        }
        for (const auto& x : extra)
            if (x.back() != '=') env.push_back(x);
        std::vector<char*> envp;
        for (auto& s : env) envp.push_back(s.data());
        envp.push_back(nullptr);
        std::string prog = QM_PROGRAM_PATH;
        std::string arg = dir;
        char* argv[] = {prog.data(), arg.data(), nullptr};
        ASSERT_EQ(posix_spawn(&pid, prog.c_str(), nullptr, nullptr, argv, envp.data()), 0);
    }
    // Waits for the exit; false when it did not end in time (it is then killed).
    bool Wait(std::chrono::milliseconds limit = 60s) {
        auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (waitpid(pid, &status, WNOHANG) == pid) return true;
            std::this_thread::sleep_for(20ms);
        }
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return false;
    }
    int ExitCode() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
};

bool waitForLog(const std::string& log, const std::string& text, std::chrono::milliseconds limit = 60s) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (ReadFileText(log).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

struct ProgramFixture : ::testing::Test {
    // The demo is generated once and copied for each test: writing it takes seconds under the sanitizers.
    static TempDir* demo;
    TempDir dir;
    std::string log;
    std::vector<std::string> env{"QM_HEADLESS=1", std::string("QM_PLUGIN_DIR=") + QM_PLUGIN_PATH};
    static void SetUpTestSuite() {
        demo = new TempDir();
        std::string error;
        ASSERT_TRUE(DemoInstall_Write(demo->Path(), &error)) << error;
    }
    static void TearDownTestSuite() {
        delete demo;
        demo = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(demo, nullptr);
        std::filesystem::copy(demo->Path(), dir.Path(), std::filesystem::copy_options::recursive);
        log = dir / "quillmar2.log";
    }
};
TempDir* ProgramFixture::demo = nullptr;
}  // namespace

TEST_F(ProgramFixture, StartsAndQuitsCleanlyOnTerminationSignal) {
    Program p;
    p.Start(dir.Path(), env);
    ASSERT_TRUE(waitForLog(log, "OrvMain_InitSubsystems() : ok")) << ReadFileText(log);
    kill(p.pid, SIGTERM);
    ASSERT_TRUE(p.Wait());
    EXPECT_EQ(p.ExitCode(), 0);
    std::string text = ReadFileText(log);
    for (const char* line : {"Quillmar 2 - Version 3.18 - 8/10/1999", "Après config_load", "Après openwindow",
                             "OrvMain_SetLoopType(0)", "OnTerminate()", "Fichiers non fermés : 0",
                             "Allocations non libérées : 0 (0 octets)", "Fin de Quillmar 2"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_LT(text.find("Après config_load"), text.find("Après openwindow"));
    // The settings were loaded (with defaults), so they are written at exit.
    EXPECT_EQ(std::filesystem::file_size(dir / "quillm2.cfg"), 35u);
}

TEST_F(ProgramFixture, SecondInstanceOfOneInstallationIsRefused) {
    Program first;
    first.Start(dir.Path(), env);
    ASSERT_TRUE(waitForLog(log, "OrvMain_InitSubsystems() : ok"));
    TempDir otherLogDir;
    Program second;
    second.Start(dir.Path(), env);
    ASSERT_TRUE(second.Wait());
    EXPECT_NE(second.ExitCode(), 0);
    kill(first.pid, SIGTERM);
    ASSERT_TRUE(first.Wait());
    EXPECT_EQ(first.ExitCode(), 0);
}

TEST_F(ProgramFixture, FiveFiveFivePixelsAreSelectable) {
    Program p;
    env.push_back("QM_PIXEL555=1");
    p.Start(dir.Path(), env);
    ASSERT_TRUE(waitForLog(log, "OrvMain_InitSubsystems() : ok"));
    kill(p.pid, SIGINT);
    ASSERT_TRUE(p.Wait());
    EXPECT_EQ(p.ExitCode(), 0);
    EXPECT_NE(ReadFileText(log).find("pixels 5-5-5"), std::string::npos);
}

TEST_F(ProgramFixture, MissingCdIsFatalAndKeepsTheSettings) {
    for (int cd = 1; cd <= 4; cd++) std::filesystem::remove(dir / ("datas_q2/cd" + std::to_string(cd) + ".spr"));
    std::vector<uint8_t> cfg(35, 0);
    cfg[0] = 50;  // a mouse speed other than the default
    std::string before(cfg.begin(), cfg.end());
    ASSERT_TRUE(WriteFileBytes(dir / "quillm2.cfg", cfg.data(), cfg.size()));
    Program p;
    p.Start(dir.Path(), env);
    ASSERT_TRUE(p.Wait());
    EXPECT_NE(p.ExitCode(), 0);
    std::string text = ReadFileText(log);
    EXPECT_NE(text.find("<<< ERREUR : Lecteur de CD introuvable"), std::string::npos) << text;
    EXPECT_NE(text.find("Fin de Quillmar 2"), std::string::npos);
    std::string after = ReadFileText(dir / "quillm2.cfg");
    ASSERT_EQ(after.size(), 35u);
    EXPECT_EQ(after[0], before[0]);
}

TEST_F(ProgramFixture, MissingPluginIsFatal) {
    env[1] = "QM_PLUGIN_DIR=" + dir.Path() + "none";
    Program p;
    p.Start(dir.Path(), env);
    ASSERT_TRUE(p.Wait());
    EXPECT_NE(p.ExitCode(), 0);
    EXPECT_NE(ReadFileText(log).find("<<< ERREUR : "), std::string::npos);
}

TEST_F(ProgramFixture, WindowThatCannotOpenEndsTheRunWithFailure) {
    env[0] = "QM_HEADLESS=";
    env.push_back("SDL_VIDEODRIVER=no_such_driver");
    Program p;
    p.Start(dir.Path(), env);
    ASSERT_TRUE(p.Wait());
    EXPECT_NE(p.ExitCode(), 0);
    std::string text = ReadFileText(log);
    EXPECT_NE(text.find("Après config_load"), std::string::npos);
    EXPECT_EQ(text.find("Après openwindow"), std::string::npos);
}
