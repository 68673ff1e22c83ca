// Processor detection through the identification instruction, with an environment override.
#include "app/Cpu.h"

#include <cstring>

#include "app/Environment.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define QM_X86 1
#endif
#if defined(__i386__)
#include <csetjmp>
#include <csignal>
#endif

int ProcessorKind = CPU_GENERIC;

namespace {

bool g_detected = false;

#if defined(__i386__)
sigjmp_buf g_sseJump;
void sse_fault(int) { siglongjmp(g_sseJump, 1); }

// A 32-bit system may report SSE without having enabled it; the instruction then faults.
bool sse_runs()
{
    struct sigaction fault {}, old {};
    fault.sa_handler = sse_fault;
    sigemptyset(&fault.sa_mask);
    if (sigaction(SIGILL, &fault, &old) != 0)
        return false;
    bool ok = false;
    if (sigsetjmp(g_sseJump, 1) == 0) {
        __asm__ volatile("xorps %%xmm0, %%xmm0" ::: "xmm0");
        ok = true;
    }
    sigaction(SIGILL, &old, nullptr);
    return ok;
}
#else
// Every x86-64 system runs SSE.
bool sse_runs() { return true; }
#endif

CpuIdentity read_identity()
{
    CpuIdentity id;
#ifdef QM_X86
    unsigned a = 0, b = 0, c = 0, d = 0;
    id.maxLeaf = __get_cpuid_max(0, nullptr);
    if (id.maxLeaf == 0)
        return id;
    id.hasCpuid = true;
    __cpuid(0, a, b, c, d);
    std::memcpy(id.vendor + 0, &b, 4);
    std::memcpy(id.vendor + 4, &d, 4);
    std::memcpy(id.vendor + 8, &c, 4);
    if (id.maxLeaf < 1)
        return id;
    __cpuid(1, a, b, c, d);
    id.stepping = a & 0xF;
    id.model = (a >> 4) & 0xF;
    id.family = (a >> 8) & 0xF;
    if (id.family == 0xF)
        id.family += (a >> 20) & 0xFF;
    if (id.family == 6 || id.family >= 0xF)
        id.model += ((a >> 16) & 0xF) << 4;
    id.featureEdx = d;
    id.sseRuns = (d & CPU_FEATURE_SSE) != 0 && sse_runs();
#endif
    return id;
}

const CpuIdentity& identity()
{
    static const CpuIdentity id = read_identity();
    return id;
}

int intel_kind(const CpuIdentity& id, bool mmx, bool sse)
{
    if (mmx && sse && id.stepping >= 2 && id.sseRuns)
        return CPU_PENTIUM_III;
    if (sse || (mmx && id.family == 6))
        return CPU_PENTIUM_II;
    switch (id.family) {
    case 5: return mmx ? CPU_PENTIUM_MMX : CPU_PENTIUM;
    case 6: return CPU_PENTIUM_PRO;
    default: return mmx ? CPU_INTEL_MMX_OTHER : CPU_INTEL_OTHER;
    }
}

int amd_kind(const CpuIdentity& id)
{
    if (id.family == 5) {
        switch (id.model) {
        case 0: case 1: case 2: case 3: return CPU_AMD_K5;
        case 6: case 7: return CPU_AMD_K6;
        case 8: return CPU_AMD_K6_2;
        case 9: return CPU_AMD_K6_3;
        default: return CPU_AMD_K6_OTHER;
        }
    }
    if (id.family == 6)
        return CPU_AMD_ATHLON;
    return CPU_AMD_LATER;
}

// QM_CPU_KIND forces the kind; -1 when it is absent or not a kind (warned, the detected kind stays).
int kind_override()
{
    int kind = -1;
    return OrvEnv_Int("QM_CPU_KIND", 0, CPU_KIND_MAX, &kind) ? kind : -1;
}

}  // namespace

int cpu_kind_from_identity(const CpuIdentity& id)
{
    if (!id.hasCpuid)
        return CPU_GENERIC;
    if (id.maxLeaf < 1)
        return CPU_UNKNOWN;
    if (id.family == 4)
        return CPU_486;
    const bool mmx = (id.featureEdx & CPU_FEATURE_MMX) != 0;
    const bool sse = (id.featureEdx & CPU_FEATURE_SSE) != 0;
    const char* v = id.vendor;
    if (std::strcmp(v, "GenuineIntel") == 0)
        return intel_kind(id, mmx, sse);
    if (std::strcmp(v, "AuthenticAMD") == 0)
        return amd_kind(id);
    if (std::strcmp(v, "CyrixInstead") == 0)
        return mmx ? CPU_CYRIX_MMX : CPU_CYRIX;
    if (std::strcmp(v, "CentaurHauls") == 0)
        return mmx ? CPU_OTHER_MMX : CPU_CENTAUR;
    return mmx ? CPU_OTHER_MMX : CPU_OTHER;
}

int GetCPUType()
{
    if (!g_detected) {
        const int forced = kind_override();
        ProcessorKind = forced >= 0 ? forced : cpu_kind_from_identity(identity());
        g_detected = true;
    }
    return ProcessorKind;
}

uint32_t GetCPUFeatureFlags() { return identity().maxLeaf >= 1 ? identity().featureEdx : 0; }

void cpu_forget() { g_detected = false; }

int cpu_redetect()
{
    cpu_forget();
    return GetCPUType();
}
