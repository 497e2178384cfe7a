#include "library/dsp/LargeBuffer.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vemra::dsp::largebuffer {
namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Below this a buffer takes ordinary pages: rounding it up to a huge page would cost more memory than its faults
// cost time.
constexpr std::size_t kSmallest = std::size_t(1) << 20;

bool onHugePages(std::size_t bytes) { return bytes >= kSmallest; }
std::size_t rounded(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

} // namespace

void* allocate(std::size_t bytes)
{
    if (!onHugePages(bytes))
        return ::operator new(bytes);
    void* p = ::operator new(rounded(bytes), std::align_val_t(kHugePage));
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(p, rounded(bytes), MADV_HUGEPAGE); // a hint: without it the pages are ordinary ones
#endif
    return p;
}

void deallocate(void* p, std::size_t bytes) noexcept
{
    if (!onHugePages(bytes))
        ::operator delete(p);
    else
        ::operator delete(p, std::align_val_t(kHugePage));
}

} // namespace vemra::dsp::largebuffer
