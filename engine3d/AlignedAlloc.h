// 64-byte aligned arrays whose raw block pointer is kept right after the array.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

// An array of bytes starting on a multiple of 64 bytes. The block comes from the standard allocation
// operator, 72 bytes larger than asked (63 for the rounding, 8 for the raw pointer), and the full
// 64-bit raw pointer is stored, unaligned, in the 8 bytes right after the array. Null (with a
// warning) when the size overflows or memory runs out.
void* AlignedAlloc64(size_t bytes);
// Releases an array of AlignedAlloc64 given the same byte count; null does nothing.
void AlignedFree64(void* p, size_t bytes);

struct CTVector4;

// The pipeline's arrays in AlignedAlloc64 storage: n records of 4 floats, and the releases by element
// type, each freeing through the raw pointer kept after the n elements (array_delete_at for elements
// of any other size, given the byte count). Null does nothing.
CTVector4* array_new_aligned_vec4(size_t n);
void array_delete_at_vec4(CTVector4* p, size_t n);
void array_delete_at_u8(uint8_t* p, size_t n);
void array_delete_at_u32(uint32_t* p, size_t n);
void array_delete_at(void* p, size_t bytes);

// A fixed-size array of trivially copyable elements in AlignedAlloc64 storage, zero-filled.
template <class T>
class CTAlignedArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    CTAlignedArray() = default;
    explicit CTAlignedArray(size_t n) { Resize(n); }
    CTAlignedArray(const CTAlignedArray& o) { *this = o; }
    CTAlignedArray& operator=(const CTAlignedArray& o)
    {
        if (this != &o && Resize(o.size_) && size_) std::memcpy(data_, o.data_, size_ * sizeof(T));
        return *this;
    }
    CTAlignedArray(CTAlignedArray&& o) noexcept { Swap(o); }
    CTAlignedArray& operator=(CTAlignedArray&& o) noexcept
    {
        Swap(o);
        return *this;
    }
    ~CTAlignedArray() { Release(); }

    // Drops the contents; false (and empty) when the storage cannot be had.
    bool Resize(size_t n)
    {
        Release();
        if (n == 0) return true;
        if (n > (size_t(-1) - 128) / sizeof(T)) return false;
        T* p;
        if constexpr (std::is_same_v<T, CTVector4>)
            p = array_new_aligned_vec4(n);
        else
            p = static_cast<T*>(AlignedAlloc64(n * sizeof(T)));
        if (!p) return false;
        std::memset(static_cast<void*>(p), 0, n * sizeof(T));
        data_ = p;
        size_ = n;
        return true;
    }
    void Swap(CTAlignedArray& o) noexcept
    {
        std::swap(data_, o.data_);
        std::swap(size_, o.size_);
    }

    T* data() { return data_; }
    const T* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }

private:
    void Release()
    {
        if constexpr (std::is_same_v<T, CTVector4>)
            array_delete_at_vec4(data_, size_);
        else if constexpr (std::is_same_v<T, uint8_t>)
            array_delete_at_u8(data_, size_);
        else if constexpr (std::is_same_v<T, uint32_t>)
            array_delete_at_u32(data_, size_);
        else
            array_delete_at(data_, size_ * sizeof(T));
        data_ = nullptr;
        size_ = 0;
    }

    T* data_ = nullptr;
    size_t size_ = 0;
};
