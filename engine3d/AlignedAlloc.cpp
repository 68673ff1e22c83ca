// 64-byte aligned allocation with the raw pointer stored after the array.
#include "engine3d/AlignedAlloc.h"

#include <cstdint>

#include "app/Orv_Log.h"

namespace {
constexpr size_t kExtra = 63 + sizeof(void*);
}

void* AlignedAlloc64(size_t bytes)
{
    if (bytes > SIZE_MAX - kExtra) {
        OrvError_Warning("AlignedAlloc64: %zu bytes is too large", bytes);
        return nullptr;
    }
    void* raw = ::operator new(bytes + kExtra, std::nothrow);
    if (!raw) {
        OrvError_Warning("AlignedAlloc64: out of memory for %zu bytes", bytes);
        return nullptr;
    }
    const uintptr_t aligned = (reinterpret_cast<uintptr_t>(raw) + 63) & ~uintptr_t(63);
    auto* p = reinterpret_cast<unsigned char*>(aligned);
    std::memcpy(p + bytes, &raw, sizeof raw);
    return p;
}

void AlignedFree64(void* p, size_t bytes)
{
    if (!p) return;
    void* raw;
    std::memcpy(&raw, static_cast<unsigned char*>(p) + bytes, sizeof raw);
    ::operator delete(raw);
}
