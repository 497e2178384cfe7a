// The analysis' large buffers: every size holds all it asks for (its last element included), and from a
// megabyte on a buffer starts on a 2 MB boundary, without which no huge page could hold it.
#include "library/dsp/LargeBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace vemra::dsp;

TEST(LargeBuffer, EverySizeHoldsWhatItAsksForAndLargeOnesStartOnAHugePage)
{
    constexpr std::size_t kMiB = std::size_t(1) << 20;
    for (std::size_t bytes : {std::size_t(4), kMiB - 4, kMiB, kMiB + 4, 2 * kMiB, 5 * kMiB + 12}) {
        SCOPED_TRACE(bytes);
        std::vector<float, LargeBufferAllocator<float>> buffer(bytes / sizeof(float), 1.0f);
        buffer.back() = 2.0f;
        EXPECT_EQ(2.0f, buffer.back());
        const auto address = reinterpret_cast<std::uintptr_t>(buffer.data());
        if (bytes >= kMiB) {
            EXPECT_EQ(0u, address % (2 * kMiB));
        }
        buffer.resize(buffer.size() * 2, 3.0f); // grows: the old one is given back the way it was taken
        EXPECT_EQ(3.0f, buffer.back());
    }
}

#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>

// A large buffer given back leaves the process at once: the allocator would keep it mapped for later, and a
// process that analysed a long response once would stay that large.
TEST(LargeBuffer, LargeBufferGivenBackIsUnmapped)
{
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    {
        // A 16 MB block freed, as when a long response is closed: the allocator would then keep blocks below it.
        std::vector<char> closed(std::size_t(16) << 20);
        closed[0] = 1;
    }
    void* where = nullptr;
    {
        std::vector<float, LargeBufferAllocator<float>> buffer((std::size_t(8) << 20) / sizeof(float), 1.0f);
        where = buffer.data();
        unsigned char resident = 0;
        ASSERT_EQ(0, mincore(where, page, &resident));
    }
    unsigned char resident = 0;
    EXPECT_EQ(-1, mincore(where, page, &resident));
    EXPECT_EQ(ENOMEM, errno) << "the pages are no longer mapped";
}
