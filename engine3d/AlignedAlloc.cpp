// 64-byte aligned allocation with the raw pointer stored after the array.
#include "engine3d/AlignedAlloc.h"

#include <cstdint>

#include "app/Orv_Log.h"
#include "engine3d/Vector.h"

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

CTVector4* array_new_aligned_vec4(size_t n)
{
    if (n > SIZE_MAX / sizeof(CTVector4)) {
        OrvError_Warning("array_new_aligned_vec4: %zu records is too many", n);
        return nullptr;
    }
    return static_cast<CTVector4*>(AlignedAlloc64(n * sizeof(CTVector4)));
}

void array_delete_at(void* p, size_t bytes) { AlignedFree64(p, bytes); }
void array_delete_at_vec4(CTVector4* p, size_t n) { array_delete_at(p, n * sizeof(CTVector4)); }
void array_delete_at_u8(uint8_t* p, size_t n) { array_delete_at(p, n); }
void array_delete_at_u32(uint32_t* p, size_t n) { array_delete_at(p, n * sizeof(uint32_t)); }
