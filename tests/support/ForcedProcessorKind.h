// Tests that compare stored pixels: the processor kind they were made with, held for the test's life.
#pragma once

#include "app/Cpu.h"
#include "raster/Rasterizer.h"

// The kind the vertex stages read, the routine family of the main rasteriser, and the kind every rasteriser
// built meanwhile takes. Detection runs first: a first GetCPUType() after the kind was set would overwrite it.
class ForcedProcessorKind {
public:
    explicit ForcedProcessorKind(int kind = CPU_GENERIC) : saved_(GetCPUType()) { Force(kind); }
    ~ForcedProcessorKind() { Force(saved_); }
    ForcedProcessorKind(const ForcedProcessorKind&) = delete;
    ForcedProcessorKind& operator=(const ForcedProcessorKind&) = delete;

private:
    static void Force(int kind) {
        ProcessorKind = kind;
        rasterizerTR.SetProcessor(kind);
    }
    int saved_;
};
