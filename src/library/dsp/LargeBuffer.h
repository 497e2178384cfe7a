#pragma once
// An allocator for the analysis' large work buffers (the decay cells of a band family, the sums of a decay fit):
// fresh memory reaches a process one page of 4 kB at a time, each page through a fault that costs microseconds,
// so a first analysis would spend much of its time faulting its buffers in. A buffer of a megabyte or more is
// placed on whole 2 MB huge pages instead (rounded up; the kernel's transparent huge pages, asked for with
// madvise), which fault in once per 2 MB. Where the system gives none, the buffer is ordinary memory. Such a buffer
// is mapped from the system for itself and unmapped when it is given back, so an analysis leaves nothing behind.
// Any thread; a buffer belongs to its container.
#include <cstddef>
#include <new>

namespace vemra::dsp {

namespace largebuffer {
void* allocate(std::size_t bytes);
void deallocate(void* p, std::size_t bytes) noexcept;
} // namespace largebuffer

template <class T>
struct LargeBufferAllocator {
    using value_type = T;
    LargeBufferAllocator() = default;
    template <class U>
    LargeBufferAllocator(const LargeBufferAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(largebuffer::allocate(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { largebuffer::deallocate(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const LargeBufferAllocator<U>&) const noexcept
    {
        return true;
    }
};

} // namespace vemra::dsp
