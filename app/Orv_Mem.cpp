// Counting allocator with tags and the end-of-run report.
#include "app/Orv_Mem.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"

namespace {
struct Block {
    size_t size;
    std::string tag;
};
std::map<void*, Block>& blocks() {
    static auto* m = new std::map<void*, Block>();
    return *m;
}
MemStats g_stats{};

bool silent(const char* tag) { return tag && std::strcmp(tag, "NOLOG") == 0; }
const char* tagText(const char* tag) { return tag ? tag : "?"; }

void* track(void* p, size_t size, const char* tag) {
    blocks()[p] = Block{size, tagText(tag)};
    g_stats.liveBlocks++;
    g_stats.liveBytes += int64_t(size);
    g_stats.totalAllocs++;
    if (g_stats.liveBytes > g_stats.peakBytes) g_stats.peakBytes = g_stats.liveBytes;
    if (!silent(tag)) debug_log("mem_alloc(%zu, %s) = %p", size, tagText(tag), p);
    return p;
}

// Memory status of the machine, from /proc/meminfo.
std::string memoryStatus() {
    std::ifstream f("/proc/meminfo");
    std::string line, total, avail;
    while (std::getline(f, line)) {
        if (line.rfind("MemTotal:", 0) == 0) total = line.substr(9);
        if (line.rfind("MemAvailable:", 0) == 0) avail = line.substr(13);
    }
    auto trim = [](std::string s) {
        size_t a = s.find_first_not_of(' ');
        return a == std::string::npos ? std::string() : s.substr(a);
    };
    return "total " + trim(total) + ", disponible " + trim(avail);
}
}  // namespace

void* mem_alloc(size_t size, const char* tag) {
    if (size == 0) {
        OrvError_Fatal("mem_alloc() : taille nulle (%s)", tagText(tag));
        return nullptr;
    }
    void* p = std::malloc(size);
    if (!p) {
        OrvError_Fatal("mem_alloc() : plus de mémoire (%zu, %s)", size, tagText(tag));
        return nullptr;
    }
    return track(p, size, tag);
}

void* mem_calloc(size_t count, size_t size, const char* tag) {
    if (count == 0 || size == 0 || count > SIZE_MAX / size) {
        OrvError_Fatal("mem_calloc() : taille incorrecte (%zu x %zu, %s)", count, size, tagText(tag));
        return nullptr;
    }
    void* p = std::calloc(count, size);
    if (!p) {
        OrvError_Fatal("mem_calloc() : plus de mémoire (%zu, %s)", count * size, tagText(tag));
        return nullptr;
    }
    return track(p, count * size, tag);
}

void mem_free(void* p, const char* tag) {
    if (!p) {
        OrvError_Warning("Can't free memory (NULL)");
        return;
    }
    auto it = blocks().find(p);
    if (it == blocks().end()) {
        // Not ours: freeing it would corrupt the heap.
        OrvError_Warning("mem_free() : bloc inconnu %p (%s)", p, tagText(tag));
        return;
    }
    g_stats.liveBlocks--;
    g_stats.liveBytes -= int64_t(it->second.size);
    if (!silent(tag)) debug_log("mem_free(%p, %s)", p, tagText(tag));
    blocks().erase(it);
    std::free(p);
}

MemStats mem_stats() { return g_stats; }

void mem_report() {
    debug_log("==== Rapport de fin ====");
    int files = OrvFile_ReportOpen();
    debug_log("Fichiers non fermés : %d", files);
    debug_log("Allocations non libérées : %lld (%lld octets)", (long long)g_stats.liveBlocks,
              (long long)g_stats.liveBytes);
    for (const auto& [p, b] : blocks()) debug_log("  non libéré : %p %zu octets (%s)", p, b.size, b.tag.c_str());
    debug_log("Pic d'allocation : %lld octets en %lld allocations", (long long)g_stats.peakBytes,
              (long long)g_stats.totalAllocs);
    debug_log("Tas : %s", blocks().size() == size_t(g_stats.liveBlocks) ? "ok" : "incohérent");
    debug_log("Mémoire : %s", memoryStatus().c_str());
}
