#pragma once
// Fixed-capacity single-producer single-consumer ring. push() and pop() never allocate or lock; the producer and
// the consumer may be different threads. Capacity is a power of two; a full ring drops the new item. The producer
// writes only head_, the consumer only tail_: each sits on its own cache line, so neither thread's writes evict
// the line the other one writes.
#include <array>
#include <atomic>
#include <cstddef>

namespace vemra::sound {

// The cache-line size the real-time structures keep apart what different threads write.
inline constexpr std::size_t kCacheLine = 64;

template <class T, std::size_t Capacity>
class SpscRing {
    static_assert((Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

public:
    bool push(const T& item) noexcept
    {
        const auto head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) >= Capacity)
            return false;
        items_[head & (Capacity - 1)] = item;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }
    bool pop(T& item) noexcept
    {
        const auto tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire))
            return false;
        item = items_[tail & (Capacity - 1)];
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

private:
    std::array<T, Capacity> items_{};
    alignas(kCacheLine) std::atomic<std::size_t> head_{0}; // written by the producer
    alignas(kCacheLine) std::atomic<std::size_t> tail_{0}; // written by the consumer
};

} // namespace vemra::sound
