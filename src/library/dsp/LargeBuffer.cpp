#include "library/dsp/LargeBuffer.h"

#include <cstdint>
#include <sys/mman.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vemra::dsp::largebuffer {
namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Below this a buffer takes ordinary pages from the allocator: rounding it up to a huge page would cost more memory
// than its faults cost time.
constexpr std::size_t kSmallest = std::size_t(1) << 20;

bool fromTheSystem(std::size_t bytes) { return bytes >= kSmallest; }

// The C allocator maps blocks from 128 kB on and unmaps them when freed, but each such block freed raises that
// threshold to its size (up to 32 MB): after the first long response was closed, every buffer of an analysis
// below some megabytes came from the allocator's heaps and stayed there when freed. Fixing the thresholds at
// their defaults keeps it giving large blocks back.
void keepTheAllocatorGivingBack()
{
#if defined(__GLIBC__)
    static const bool fixed = [] {
        mallopt(M_MMAP_THRESHOLD, 128 * 1024);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024);
        return true;
    }();
    (void)fixed;
#endif
}
std::size_t rounded(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

} // namespace

void* allocate(std::size_t bytes)
{
    keepTheAllocatorGivingBack();
    if (!fromTheSystem(bytes))
        return ::operator new(bytes);
    // Mapped here and unmapped when given back: the allocator would keep a freed block of this size for later
    // (it raises its own threshold for mapping after each such block), and a process that analysed a long
    // response once would stay that large. One huge page more is asked for, so that the buffer can start on a
    // huge-page boundary; what lies outside the aligned buffer is given back at once.
    const std::size_t size = rounded(bytes);
    void* p = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    const auto base = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t aligned = (base + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > base)
        ::munmap(p, aligned - base);
    if (const std::uintptr_t tail = base + size + kHugePage - (aligned + size); tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
#if defined(MADV_HUGEPAGE)
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE); // a hint: without it the pages are ordinary
#endif
    return reinterpret_cast<void*>(aligned);
}

void deallocate(void* p, std::size_t bytes) noexcept
{
    if (!fromTheSystem(bytes))
        ::operator delete(p);
    else if (p)
        ::munmap(p, rounded(bytes));
}

} // namespace vemra::dsp::largebuffer
