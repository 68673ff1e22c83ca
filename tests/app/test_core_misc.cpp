// The random generator, system-time comparison, processor kinds and the single-instance lock.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "app/Cpu.h"
#include "app/Random.h"
#include "app/SingleInstance.h"
#include "app/SystemTime.h"
#include "testdata/TempDir.h"

TEST(Random, FollowsTheLinearCongruentialDefinition)
{
    for (uint32_t seed : {0u, 1u, 12345u, 0x80000000u, 0xFFFFFFFFu}) {
        orv_srand(seed);
        uint64_t state = seed;
        for (int i = 0; i < 2000; ++i) {
            state = (state * 214013u + 2531011u) % (uint64_t(1) << 32);
            const int v = orv_rand();
            ASSERT_EQ(v, int((state >> 16) & 0x7FFF)) << "seed " << seed << " draw " << i;
            ASSERT_LE(v, ORV_RAND_MAX);
        }
    }
    // Reseeding repeats the sequence.
    orv_srand(77);
    const int a = orv_rand(), b = orv_rand();
    orv_srand(77);
    EXPECT_EQ(orv_rand(), a);
    EXPECT_EQ(orv_rand(), b);
}

namespace {
SYSTEMTIME make_time(uint16_t y, uint16_t mo, uint16_t d, uint16_t h, uint16_t mi, uint16_t s, uint16_t ms,
                     uint16_t dow = 0)
{
    return SYSTEMTIME{y, mo, dow, d, h, mi, s, ms};
}
}  // namespace

TEST(SystemTime, ComparesFieldsByPrecedenceIgnoringDayOfWeek)
{
    const SYSTEMTIME base = make_time(1999, 8, 10, 12, 30, 15, 500);
    EXPECT_EQ(compare_systemtime(base, base), 0);
    EXPECT_EQ(compare_systemtime(base, make_time(1999, 8, 10, 12, 30, 15, 500, 6)), 0);

    // Each field outranks every field after it.
    const SYSTEMTIME later[] = {
        make_time(2000, 1, 1, 0, 0, 0, 0),        make_time(1999, 9, 1, 0, 0, 0, 0),
        make_time(1999, 8, 11, 0, 0, 0, 0),       make_time(1999, 8, 10, 13, 0, 0, 0),
        make_time(1999, 8, 10, 12, 31, 0, 0),     make_time(1999, 8, 10, 12, 30, 16, 0),
        make_time(1999, 8, 10, 12, 30, 15, 501),
    };
    for (const SYSTEMTIME& t : later) {
        EXPECT_EQ(compare_systemtime(t, base), 1);
        EXPECT_EQ(compare_systemtime(base, t), -1);
    }

    const SYSTEMTIME now = GetLocalSystemTime();
    EXPECT_GE(now.wYear, 2020);
    EXPECT_TRUE(now.wMonth >= 1 && now.wMonth <= 12);
    EXPECT_TRUE(now.wDay >= 1 && now.wDay <= 31);
    EXPECT_LE(now.wDayOfWeek, 6);
    EXPECT_LT(now.wMilliseconds, 1000);
    EXPECT_GE(compare_systemtime(GetLocalSystemTime(), now), 0);
}

namespace {
CpuIdentity make_cpu(const char* vendor, unsigned family, unsigned model, unsigned stepping, bool mmx, bool sse,
                     bool sseRuns = true)
{
    CpuIdentity id;
    id.hasCpuid = true;
    id.maxLeaf = 1;
    snprintf(id.vendor, sizeof id.vendor, "%s", vendor);
    id.family = family;
    id.model = model;
    id.stepping = stepping;
    id.featureEdx = (mmx ? CPU_FEATURE_MMX : 0) | (sse ? CPU_FEATURE_SSE : 0);
    id.sseRuns = sse && sseRuns;
    return id;
}
}  // namespace

TEST(Cpu, KindsFromIdentity)
{
    // Kind 9 only for a processor whose SSE instructions run with stepping 2 or more.
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("GenuineIntel", 6, 7, 3, true, true)), 9);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("GenuineIntel", 6, 7, 1, true, true)), 8);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("GenuineIntel", 6, 7, 3, true, true, false)), 8);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("GenuineIntel", 6, 5, 2, true, false)), 8);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("GenuineIntel", 15, 2, 4, true, true)), 9);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("GenuineIntel", 15, 2, 1, true, true)), 8);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("GenuineIntel", 5, 4, 3, true, false)), CPU_PENTIUM_MMX);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("GenuineIntel", 6, 1, 9, false, false)), CPU_PENTIUM_PRO);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("AuthenticAMD", 5, 8, 0, true, false)), 18);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("AuthenticAMD", 5, 9, 1, true, false)), 19);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("AuthenticAMD", 5, 6, 1, true, false)), CPU_AMD_K6);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("AuthenticAMD", 26, 2, 1, true, true)), CPU_AMD_LATER);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("CyrixInstead", 6, 2, 0, true, false)), CPU_CYRIX_MMX);
    EXPECT_EQ(cpu_kind_from_identity(make_cpu("SomeMaker123", 6, 0, 0, false, false)), CPU_OTHER);
    EXPECT_EQ(cpu_kind_from_identity(CpuIdentity{}), CPU_GENERIC);
}

TEST(Cpu, EnvironmentOverrideAndFeatureFlags)
{
    const char* saved = std::getenv("QM_CPU_KIND");
    const std::string keep = saved ? saved : "";

    unsetenv("QM_CPU_KIND");
    const int detected = cpu_redetect();
    EXPECT_TRUE(detected >= 0 && detected <= CPU_KIND_MAX);
    EXPECT_EQ(ProcessorKind, detected);

    setenv("QM_CPU_KIND", "18", 1);
    EXPECT_EQ(cpu_redetect(), 18);
    EXPECT_EQ(ProcessorKind, 18);
    unsetenv("QM_CPU_KIND");
    EXPECT_EQ(GetCPUType(), 18);  // kept until detected again

    for (const char* bad : {"24", "-1", "9x", "abc"}) {
        setenv("QM_CPU_KIND", bad, 1);
        EXPECT_EQ(cpu_redetect(), detected) << bad;
    }

    if (saved)
        setenv("QM_CPU_KIND", keep.c_str(), 1);
    else
        unsetenv("QM_CPU_KIND");
    cpu_redetect();
#if defined(__x86_64__)
    EXPECT_NE(GetCPUFeatureFlags() & CPU_FEATURE_MMX, 0u);
#endif
}

namespace {
// Runs fn in a forked child; its result is the child's exit status.
template <typename Fn>
int in_child(Fn fn)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(fn());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

TEST(SingleInstance, SecondProcessOfTheSameInstallationIsRefused)
{
    TempDir install, other;
    ASSERT_TRUE(SingleInstance_Acquire(install.Path()));
    EXPECT_TRUE(SingleInstance_Acquire(install.Path()));  // held already

    // Another open of the lock file cannot take it while this process holds it.
    const int fd = open((install / SINGLE_INSTANCE_LOCK).c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_NE(flock(fd, LOCK_EX | LOCK_NB), 0);

    // A second process: refused here, accepted in another installation. Its release of the
    // inherited descriptor must not free the parent's lock.
    const auto acquire_in = [](const std::string& dir) {
        return [dir] {
            SingleInstance_Release();
            return SingleInstance_Acquire(dir) ? 1 : 0;
        };
    };
    EXPECT_EQ(in_child(acquire_in(install.Path())), 0);
    EXPECT_EQ(in_child(acquire_in(other.Path())), 1);
    EXPECT_NE(flock(fd, LOCK_EX | LOCK_NB), 0);

    SingleInstance_Release();
    EXPECT_EQ(in_child(acquire_in(install.Path())), 1);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    close(fd);
}
