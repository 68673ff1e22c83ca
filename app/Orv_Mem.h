// Counting allocator with tags and the end-of-run report.
#pragma once
#include <cstddef>
#include <cstdint>

// A zero-byte request or exhaustion is fatal; the tag "NOLOG" suppresses the log line.
void* mem_alloc(size_t size, const char* tag);
void* mem_calloc(size_t count, size_t size, const char* tag);
// A null pointer gives the non-fatal error "Can't free memory (NULL)".
void mem_free(void* p, const char* tag);

struct MemStats {
    int64_t liveBlocks;
    int64_t liveBytes;
    int64_t peakBytes;
    int64_t totalAllocs;
};
MemStats mem_stats();
// Writes unclosed files, unfreed allocations (with their tags), peak and memory status to the log.
void mem_report();
