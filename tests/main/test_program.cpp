// The whole program started as a child process: start and shut-down order, every way a run ends, bad
// environment values, damaged plug-ins and the installed layout.
#include <gtest/gtest.h>

#include <elf.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/Application.h"
#include "app/Cpu.h"
#include "app/Orv_File.h"
#include "testdata/DemoFixture.h"
#include "testdata/TempDir.h"

extern char** environ;

namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// This process's environment without the program's overrides (QM_*), with the entries given (NAME=value).
std::vector<std::string> ProgramEnv(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = name.rfind("QM_", 0) == 0;
        for (const std::string& x : extra) replaced = replaced || x.rfind(name, 0) == 0;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

struct Program {
    pid_t pid = -1;
    int status = -1;

    // Starts exe with args and env; the child's standard error goes to errPath.
    void Start(const std::string& exe, std::vector<std::string> args, std::vector<std::string> env,
               const std::string& errPath) {
        args.insert(args.begin(), exe);
        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(rc, 0) << exe;
    }
    // Waits for the exit; false when it did not end in time (it is then killed).
    bool Wait(std::chrono::milliseconds limit = 90s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (waitpid(pid, &status, WNOHANG) == pid) return true;
            std::this_thread::sleep_for(20ms);
        }
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return false;
    }
    // The exit code, or -1 when a signal ended the process.
    int ExitCode() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
};

bool WaitForText(const std::string& path, const std::string& text, std::chrono::milliseconds limit = 90s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (ReadFileText(path).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The rest of every line that starts with prefix, in order.
std::vector<std::string> After(const std::string& text, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& l : Lines(text))
        if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l.substr(prefix.size()));
    return out;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
    return n;
}

constexpr const char* kStarted = "OrvMain_InitSubsystems() : ok";
constexpr const char* kLastLine = "Fin de Quillmar 2";
constexpr size_t kSettingsSize = 35;

// One installation over the shared demo and one run of a program on it.
struct ProgramRun {
    TempDir dir;
    Program program;
    std::string log = dir / "quillmar2.log";
    std::string err = dir / "stderr.txt";

    explicit ProgramRun(const std::vector<std::string>& copied = {}) {
        std::string error;
        if (!DemoFixture_Copy(dir.Path(), copied, &error)) ADD_FAILURE() << error;
    }
    void Start(const std::vector<std::string>& env, const std::string& exe = QM_PROGRAM_PATH) {
        program.Start(exe, {dir.Path()}, env, err);
    }
    // Waits for the end of start-up, then ends the run with the signal; true when it exited.
    bool StartedThenSignalled(int sig = SIGTERM) {
        const bool started = WaitForText(log, kStarted);
        EXPECT_TRUE(started) << Text();
        kill(program.pid, sig);
        return program.Wait();
    }
    std::string Text() const { return ReadFileText(log); }
    // The log ends with the shut-down's last line and reports nothing left behind.
    void ExpectCompleteLog() const {
        const std::vector<std::string> lines = Lines(Text());
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), kLastLine);
        EXPECT_EQ(Count(Text(), "OnTerminate()\n"), 1);
        EXPECT_NE(Text().find("Fichiers non fermés : 0\n"), std::string::npos);
        EXPECT_NE(Text().find("Allocations non libérées : 0 (0 octets)\n"), std::string::npos);
    }
};

std::string HeadlessEnv() { return "QM_HEADLESS=1"; }

}  // namespace

TEST(Program, ReadmeCommandFindsItsPluginsAndQuitsCleanlyOnSigterm) {
    ProgramRun run;
    // What an interrupted write leaves behind goes at start; other files stay.
    for (const char* stale : {"quillm2.cfg", "save/xORV01_01.SAV", "music/muzik01.ksn"})
        ASSERT_TRUE(WriteFileText(run.dir / (std::string(stale) + ORV_TEMP_SUFFIX), "interrompu"));
    ASSERT_TRUE(WriteFileText(run.dir / "save/notes.txt", "à garder"));

    run.Start(ProgramEnv({}));
    ASSERT_TRUE(run.StartedThenSignalled());
    EXPECT_EQ(run.program.ExitCode(), 0);
    run.ExpectCompleteLog();
    const std::string text = run.Text();
    EXPECT_NE(text.find("OrvSpr_MainInit(): " + std::string(QM_PLUGIN_PATH) + "/blt_p"), std::string::npos) << text;
    EXPECT_EQ(text.find("<<< erreur : QM_"), std::string::npos);
    EXPECT_EQ(fs::file_size(run.dir / "quillm2.cfg"), kSettingsSize);
    for (const char* stale : {"quillm2.cfg", "save/xORV01_01.SAV", "music/muzik01.ksn"})
        EXPECT_FALSE(fs::exists(run.dir / (std::string(stale) + ORV_TEMP_SUFFIX))) << stale;
    EXPECT_TRUE(fs::exists(run.dir / "save/notes.txt"));
}

TEST(Program, SecondInstanceIsRefusedAndLeavesTheFirstLogAlone) {
    ProgramRun run;
    run.Start(ProgramEnv({HeadlessEnv()}));
    ASSERT_TRUE(WaitForText(run.log, kStarted)) << run.Text();
    const std::string before = run.Text();

    Program second;
    second.Start(QM_PROGRAM_PATH, {run.dir.Path()}, ProgramEnv({HeadlessEnv()}), run.dir / "second.txt");
    ASSERT_TRUE(second.Wait());
    EXPECT_EQ(second.ExitCode(), ORV_EXIT_ALREADY_RUNNING);
    EXPECT_NE(ReadFileText(run.dir / "second.txt").find("une autre instance"), std::string::npos);
    const std::string after = run.Text();
    EXPECT_EQ(after.compare(0, before.size(), before), 0);
    EXPECT_EQ(Count(after, "Quillmar2.Log"), 1);

    kill(run.program.pid, SIGTERM);
    ASSERT_TRUE(run.program.Wait());
    EXPECT_EQ(run.program.ExitCode(), 0);
    run.ExpectCompleteLog();
}

TEST(Program, StartUpAndShutDownFollowTheRecordedOrder) {
    ProgramRun run;
    run.Start(ProgramEnv({HeadlessEnv()}));
    ASSERT_TRUE(run.StartedThenSignalled());
    ASSERT_EQ(run.program.ExitCode(), 0);
    const std::string text = run.Text();
    const std::vector<std::string> lines = Lines(text);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("****** Quillmar2.Log - ", 0), 0u);
    EXPECT_EQ(lines[1], "Quillmar 2 - Version 3.18 - 8/10/1999");
    // The single-instance lock is taken before the log, so it logs no step line.
    const std::vector<std::string> startOrder = {
        "debug_log_open", "OrvFile_RemoveStaleTemporaries", "detect_system", "config_load", "openwindow",
        "install_handlers", "cd_init", "OrvSound_MainInit", "OrvMuzik_MainInit", "OrvWarp_Init", "Orv3D_Init",
        "OrvSpr_MainInit", "dial_maininit", "OrvDisplay_Init", "OrvSaveGame_Init", "OrvFont_MainInit", "Interface_LoadBank",
        "OrvMsg_Init", "OrvMenu_MainInit", "cd_test", "DefName_Load", "Inventaire_Init", "Interp_LoadChapter",
        "frame_timer_start", "OrvMain_SetLoopType", "OrvMenu_start_Player", "OrvMain_StartIntros"};
    EXPECT_EQ(After(text, "Après "), startOrder);
    const std::vector<std::string> stopOrder = {
        "pz_mandala_log_solution", "config_save", "Interp_DumpVariables", "OrvQmv_stop", "OrvMenu_MainClose", "OrvDial_close", "OrvMuzik_MainClose",
        "OrvSound_MainClose", "OrvSpw_FreeAll", "pz_quit_all", "pz_pirogue_close", "OrvSpr_MainClose", "Interface_FreeBank", "OrvFont_RemoveFonts",
        "OrvWarp_Close", "Interp_Free", "Inventaire_Close", "Orv3D_Close", "OrvDisplay_Close", "OrvMsg_Free",
        "OrvWam_Free", "frame_timer_stop", "mem_report", "closewindow", "SingleInstance_Release",
        "debug_log_close"};
    EXPECT_EQ(After(text, "OnTerminate() : "), stopOrder);
    run.ExpectCompleteLog();
}

TEST(Program, FiveFiveFivePixelsAreSelectable) {
    ProgramRun run;
    run.Start(ProgramEnv({HeadlessEnv(), "QM_PIXEL555=1"}));
    ASSERT_TRUE(run.StartedThenSignalled(SIGINT));
    EXPECT_EQ(run.program.ExitCode(), 0);
    EXPECT_NE(run.Text().find("pixels 5-5-5"), std::string::npos);
}

TEST(Program, BadOverrideValuesGetOneWarningAndAreIgnored) {
    // The kind detected without an override; this process's own override is put back at once.
    const char* env = std::getenv("QM_CPU_KIND");
    const std::string kept = env ? env : "";
    const bool overridden = env != nullptr;
    unsetenv("QM_CPU_KIND");
    const int detected = cpu_redetect();
    if (overridden) setenv("QM_CPU_KIND", kept.c_str(), 1);
    cpu_redetect();
    struct Case {
        std::string entry;  // NAME=value
        std::string logged; // what the run shows it ignored the value
    };
    TempDir scratch;
    const std::vector<Case> cases = {
        {"QM_CPU_KIND=24", "Processeur : type " + std::to_string(detected) + "\n"},
        {"QM_CPU_KIND=abc", "Processeur : type " + std::to_string(detected) + "\n"},
        {"QM_PIXEL555=abc", "pixels 5-6-5"},
        {"QM_PLUGIN_DIR=" + scratch.Path() + "absent", "/plugins/blt_p"},
        {"QM_HEADLESS=oui", ", SDL"},
    };
    std::vector<std::unique_ptr<ProgramRun>> runs;
    for (const Case& c : cases) {
        runs.push_back(std::make_unique<ProgramRun>());
        std::vector<std::string> env = {c.entry};
        if (c.entry.rfind("QM_HEADLESS=", 0) != 0) env.push_back(HeadlessEnv());
        runs.back()->Start(ProgramEnv(env));
    }
    for (size_t i = 0; i < cases.size(); i++) {
        SCOPED_TRACE(cases[i].entry);
        ProgramRun& run = *runs[i];
        ASSERT_TRUE(run.StartedThenSignalled());
        EXPECT_EQ(run.program.ExitCode(), 0);
        run.ExpectCompleteLog();
        const std::string text = run.Text();
        const std::string warning = "erreur : " + cases[i].entry + " ignoré";
        EXPECT_EQ(Count(text, warning), 1) << text;
        // The debug output carries it once too, even when raised before the program's own code ran.
        EXPECT_EQ(Count(ReadFileText(run.err), "erreur: " + cases[i].entry + " ignoré"), 1) << ReadFileText(run.err);
        EXPECT_NE(text.find(cases[i].logged), std::string::npos) << text;
    }
}

namespace {
// A copy of the real sprite plug-in, damaged by fn, under both variant names in dir.
template <typename Fn>
void WriteDamagedPlugins(const std::string& dir, Fn damage) {
    std::string bytes = ReadFileText(std::string(QM_PLUGIN_PATH) + "/blt_p6.so");
    ASSERT_GT(bytes.size(), 20000u);
    damage(bytes);
    for (const char* name : {"blt_p5.so", "blt_p6.so"})
        ASSERT_TRUE(WriteFileBytes(dir + name, bytes.data(), bytes.size()));
}
}  // namespace

TEST(Program, DamagedSpritePluginIsAFatalReportNotACrash) {
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
    };
    const std::vector<Case> cases = {
        {"cut at 1000 bytes", [](std::string& b) { b.resize(1000); }},
        {"cut at 20000 bytes", [](std::string& b) { b.resize(20000); }},
        {"empty", [](std::string& b) { b.clear(); }},
        {"another machine", [](std::string& b) {
             const uint16_t machine = EM_AARCH64;
             std::memcpy(b.data() + offsetof(Elf64_Ehdr, e_machine), &machine, sizeof machine);
         }},
    };
    std::vector<std::unique_ptr<TempDir>> pluginDirs;
    std::vector<std::unique_ptr<ProgramRun>> runs;
    for (const Case& c : cases) {
        pluginDirs.push_back(std::make_unique<TempDir>());
        WriteDamagedPlugins(pluginDirs.back()->Path(), c.damage);
        runs.push_back(std::make_unique<ProgramRun>());
        runs.back()->Start(ProgramEnv({HeadlessEnv(), "QM_PLUGIN_DIR=" + pluginDirs.back()->Path()}));
    }
    for (size_t i = 0; i < cases.size(); i++) {
        SCOPED_TRACE(cases[i].name);
        ProgramRun& run = *runs[i];
        ASSERT_TRUE(run.program.Wait());
        EXPECT_EQ(run.program.ExitCode(), ORV_EXIT_FATAL);
        const std::string text = run.Text();
        EXPECT_NE(text.find("<<< ERREUR : OrvSpr_MainInit(): plug-in de sprites " + pluginDirs[i]->Path()),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("refusé"), std::string::npos);
        run.ExpectCompleteLog();
        EXPECT_EQ(fs::file_size(run.dir / "quillm2.cfg"), kSettingsSize);
    }
}

TEST(Program, InstalledProgramFindsItsPluginsAndAMissingOneIsFatal) {
    TempDir prefix;
    Program install;
    install.Start(QM_CMAKE_COMMAND, {"--install", QM_BUILD_DIR, "--prefix", prefix.Path()}, ProgramEnv({}),
                  prefix / "install.txt");
    ASSERT_TRUE(install.Wait());
    ASSERT_EQ(install.ExitCode(), 0) << ReadFileText(prefix / "install.txt");
    const std::string exe = prefix / "bin/quillmar2";

    ProgramRun installed;
    installed.Start(ProgramEnv({HeadlessEnv()}), exe);
    ASSERT_TRUE(installed.StartedThenSignalled());
    EXPECT_EQ(installed.program.ExitCode(), 0);
    EXPECT_NE(installed.Text().find("OrvSpr_MainInit(): " + prefix.Path() + "bin/../lib/quillmar2/plugins/blt_p"),
              std::string::npos)
        << installed.Text();

    for (const char* name : {"blt_p5.so", "blt_p6.so"}) fs::remove(prefix / ("lib/quillmar2/plugins/" + std::string(name)));
    ProgramRun missing;
    missing.Start(ProgramEnv({HeadlessEnv()}), exe);
    ASSERT_TRUE(missing.program.Wait());
    EXPECT_EQ(missing.program.ExitCode(), ORV_EXIT_FATAL);
    EXPECT_NE(missing.Text().find("introuvable"), std::string::npos) << missing.Text();
    missing.ExpectCompleteLog();
}

TEST(Program, ExceptionFromAPassStillShutsDownAndFails) {
    ProgramRun run;
    run.Start(ProgramEnv({HeadlessEnv(), std::string("QM_PLUGIN_DIR=") + QM_THROWING_PLUGIN_DIR}));
    ASSERT_TRUE(run.program.Wait());
    EXPECT_EQ(run.program.ExitCode(), ORV_EXIT_EXCEPTION);
    const std::string text = run.Text();
    const size_t started = text.find(kStarted);
    const size_t exception = text.find("Exception : AFF_SPR : panne du plug-in");
    ASSERT_NE(started, std::string::npos) << text;
    ASSERT_NE(exception, std::string::npos) << text;
    EXPECT_LT(started, exception);
    EXPECT_LT(exception, text.find("OnTerminate() : config_save"));
    run.ExpectCompleteLog();
    EXPECT_EQ(fs::file_size(run.dir / "quillm2.cfg"), kSettingsSize);
}

TEST(Program, MissingCdIsFatalAndKeepsTheSettings) {
    ProgramRun run;
    for (int cd = 1; cd <= 4; cd++) fs::remove(run.dir / ("datas_q2/cd" + std::to_string(cd) + ".spr"));
    std::vector<uint8_t> cfg(kSettingsSize, 0);
    cfg[0] = 50;  // a mouse speed other than the default
    ASSERT_TRUE(WriteFileBytes(run.dir / "quillm2.cfg", cfg.data(), cfg.size()));
    run.Start(ProgramEnv({HeadlessEnv()}));
    ASSERT_TRUE(run.program.Wait());
    EXPECT_EQ(run.program.ExitCode(), ORV_EXIT_FATAL);
    EXPECT_NE(run.Text().find("<<< ERREUR : Lecteur de CD introuvable"), std::string::npos) << run.Text();
    run.ExpectCompleteLog();
    const std::string after = ReadFileText(run.dir / "quillm2.cfg");
    ASSERT_EQ(after.size(), kSettingsSize);
    EXPECT_EQ(after[0], 50);
    // The shared demo lost nothing.
    EXPECT_TRUE(fs::exists(DemoFixture_Dir() + "datas_q2/cd1.spr"));
}

TEST(Program, WindowThatCannotOpenEndsTheRunWithFailureAfterTheShutDown) {
    ProgramRun run;
    run.Start(ProgramEnv({"SDL_VIDEODRIVER=no_such_driver"}));
    ASSERT_TRUE(run.program.Wait());
    EXPECT_EQ(run.program.ExitCode(), ORV_EXIT_EXCEPTION);
    const std::string text = run.Text();
    EXPECT_NE(text.find("Après config_load"), std::string::npos);
    EXPECT_EQ(text.find("Après openwindow"), std::string::npos);
    run.ExpectCompleteLog();
}
