#pragma once
// The memory this process holds, for the benchmarks that watch it grow: resident pages, and the heap memory in use
// in every allocator arena. glibc's mallinfo2 counts the main arena only, so what the analysis's helper threads
// allocate in arenas of their own would not show there; malloc_info reports every arena. Under AddressSanitizer,
// whose allocator replaces glibc's (and whose quarantine of freed blocks makes resident memory grow by itself), the
// sanitizer's own count of the bytes allocated and not freed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's (g++ ships no header that declares it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace vemra::bench {

// Resident memory in bytes (VmRSS), 0 when it cannot be read.
inline double residentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return 1024.0 * std::stod(line.substr(6));
    return 0;
}

// Heap bytes in use over all arenas: what the arenas took from the system less their free chunks (the top chunk
// counts as free), plus the blocks mapped one by one. 0 when the allocator's report cannot be read.
inline double heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return double(__sanitizer_get_current_allocated_bytes());
#endif
    char* text = nullptr;
    std::size_t size = 0;
    FILE* report = open_memstream(&text, &size);
    if (!report)
        return 0;
    const bool written = malloc_info(0, report) == 0;
    std::fclose(report);
    double inUse = 0;
    // The process's totals follow the last arena's section.
    const char* totals = written && text ? std::strstr(text, "</heap>") : nullptr;
    for (const char* next = totals; next; next = std::strstr(totals + 1, "</heap>"))
        totals = next;
    if (totals) {
        auto field = [&](const char* tag) {
            const char* at = std::strstr(totals, tag);
            const char* value = at ? std::strstr(at, "size=\"") : nullptr;
            return value ? std::strtod(value + 6, nullptr) : 0.0;
        };
        inUse = field("<system type=\"current\"") - field("<total type=\"fast\"") - field("<total type=\"rest\"")
                + field("<total type=\"mmap\"");
    }
    std::free(text);
    return inUse;
}

} // namespace vemra::bench
