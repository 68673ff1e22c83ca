// 64-byte aligned arrays whose raw block pointer is kept right after the array.
#pragma once
#include <cstddef>
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
    ~CTAlignedArray() { AlignedFree64(data_, size_ * sizeof(T)); }

    // Drops the contents; false (and empty) when the storage cannot be had.
    bool Resize(size_t n)
    {
        AlignedFree64(data_, size_ * sizeof(T));
        data_ = nullptr;
        size_ = 0;
        if (n == 0) return true;
        if (n > (size_t(-1) - 128) / sizeof(T)) return false;
        void* p = AlignedAlloc64(n * sizeof(T));
        if (!p) return false;
        std::memset(p, 0, n * sizeof(T));
        data_ = static_cast<T*>(p);
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
    T* data_ = nullptr;
    size_t size_ = 0;
};
