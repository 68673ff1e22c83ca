// Processor detection: the processor kind (0..23) and the identification feature flags.
#pragma once
#include <cstdint>

// Processor kinds. The rasteriser maps them to routine variants; only 6, 8, 9, 10, 18, 19, 22
// and 23 select hand-written routines, every other kind the portable ones.
// On x86-64 a current Intel processor is kind 9 (8 when its stepping is below 2) and a current
// AMD processor kind 15. Kinds 7 and 21 are never produced by the detection.
enum ProcessorKindValue : int {
    CPU_UNKNOWN = 0,          // identification present but without a feature leaf
    CPU_GENERIC = 1,          // no identification instruction, or not an x86 build
    CPU_486 = 2,              // family 4, any maker
    CPU_PENTIUM = 3,          // Intel family 5 without MMX
    CPU_PENTIUM_PRO = 4,      // Intel family 6 without MMX
    CPU_INTEL_OTHER = 5,      // Intel, another family, without MMX
    CPU_PENTIUM_MMX = 6,      // Intel family 5 with MMX
    CPU_PENTIUM_II = 8,       // Intel family 6 with MMX, or SSE reported but unusable (stepping < 2 or faults)
    CPU_PENTIUM_III = 9,      // Intel with MMX and SSE, stepping 2 or more, SSE runs
    CPU_INTEL_MMX_OTHER = 10, // Intel, another family, with MMX and without SSE
    CPU_AMD_K5 = 11,          // AMD family 5, models 0 to 3
    CPU_AMD_K6 = 12,          // AMD family 5, models 6 and 7
    CPU_AMD_K6_OTHER = 13,    // AMD family 5, other models
    CPU_AMD_ATHLON = 14,      // AMD family 6
    CPU_AMD_LATER = 15,       // AMD family 15 and later
    CPU_CYRIX = 16,           // Cyrix without MMX
    CPU_CENTAUR = 17,         // Centaur without MMX
    CPU_AMD_K6_2 = 18,        // AMD family 5, model 8
    CPU_AMD_K6_3 = 19,        // AMD family 5, model 9
    CPU_OTHER = 20,           // another maker, without MMX
    CPU_CYRIX_MMX = 22,       // Cyrix with MMX
    CPU_OTHER_MMX = 23,       // Centaur or another maker, with MMX
    CPU_KIND_MAX = 23,
};

// The processor kind; set by GetCPUType, read directly by the rasteriser and the pipeline.
extern int ProcessorKind;

// Tests: ProcessorKind set for the scope, the previous kind put back at its end.
class ScopedProcessorKind {
public:
    explicit ScopedProcessorKind(int kind) : saved_(ProcessorKind) { ProcessorKind = kind; }
    ~ScopedProcessorKind() { ProcessorKind = saved_; }
    ScopedProcessorKind(const ScopedProcessorKind&) = delete;
    ScopedProcessorKind& operator=(const ScopedProcessorKind&) = delete;

private:
    int saved_;
};

// Detects the kind once (later calls return the kept value) and stores it in ProcessorKind.
// QM_CPU_KIND=<0..23> in the environment forces the kind.
int GetCPUType();
// Identification leaf 1, fourth register (0 without identification); bit 23 = MMX.
uint32_t GetCPUFeatureFlags();
constexpr uint32_t CPU_FEATURE_MMX = 1u << 23;
constexpr uint32_t CPU_FEATURE_SSE = 1u << 25;

// What the identification instruction reports.
struct CpuIdentity {
    bool hasCpuid = false;
    uint32_t maxLeaf = 0;
    char vendor[13] = {};
    unsigned family = 0;    // with the extended family added for family 15
    unsigned model = 0;     // with the extended model added for families 6 and 15 and up
    unsigned stepping = 0;
    uint32_t featureEdx = 0;
    bool sseRuns = false;   // an SSE instruction was executed without a fault
};
// The kind of an identity, by the rules listed with ProcessorKindValue.
int cpu_kind_from_identity(const CpuIdentity& id);
// Tests: forget the kept kind; the next GetCPUType() detects again (reading QM_CPU_KIND again).
void cpu_forget();
// Tests: forget the kept kind and detect again.
int cpu_redetect();
