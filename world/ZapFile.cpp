// The "ZAPFILE 1.0" container of save games: named blocks, each with its CRC-32.
#include "world/ZapFile.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "world/ScriptText.h"

const char ZAPFILE_MAGIC[12] = {'Z', 'A', 'P', 'F', 'I', 'L', 'E', ' ', '1', '.', '0', 0};

namespace {
void put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) out[at + size_t(i)] = uint8_t(v >> (8 * i));
}
uint32_t get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

bool validName(const char* name, size_t len) {
    if (len == 0 || len >= ZAPFILE_NAME_LEN) return false;
    for (size_t i = 0; i < len; i++)
        if (!Script_IsNameChar(name[i])) return false;
    return true;
}

bool refuse(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}
}  // namespace

uint32_t Zap_Crc32(const void* data, size_t size) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; i++) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

bool ZapFile::AddBlock(const char* name, const void* data, size_t size) {
    if (!name || !validName(name, std::strlen(name)) || Find(name) || blocks_.size() >= ZAPFILE_MAX_BLOCKS ||
        size > ZAPFILE_MAX_SIZE || (size && !data))
        return false;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    blocks_.push_back(Block{name, std::vector<uint8_t>(p, p + size)});
    return true;
}

std::vector<uint8_t> ZapFile::Build() const {
    size_t dirEnd = ZAPFILE_HEADER_SIZE + blocks_.size() * ZAPFILE_ENTRY_SIZE;
    size_t total = dirEnd;
    for (const Block& b : blocks_) total += (b.data.size() + 3) & ~size_t(3);
    std::vector<uint8_t> out(total, 0);
    std::memcpy(out.data(), ZAPFILE_MAGIC, sizeof ZAPFILE_MAGIC);
    put32(out, 12, uint32_t(blocks_.size()));
    put32(out, 16, uint32_t(total));
    size_t at = dirEnd;
    for (size_t i = 0; i < blocks_.size(); i++) {
        const Block& b = blocks_[i];
        size_t e = ZAPFILE_HEADER_SIZE + i * ZAPFILE_ENTRY_SIZE;
        std::memcpy(out.data() + e, b.name.data(), b.name.size());
        put32(out, e + 16, uint32_t(at));
        put32(out, e + 20, uint32_t(b.data.size()));
        put32(out, e + 24, Zap_Crc32(b.data.data(), b.data.size()));
        if (!b.data.empty()) std::memcpy(out.data() + at, b.data.data(), b.data.size());
        at += (b.data.size() + 3) & ~size_t(3);
    }
    put32(out, 20, Zap_Crc32(out.data() + ZAPFILE_HEADER_SIZE, dirEnd - ZAPFILE_HEADER_SIZE));
    return out;
}

bool ZapFile::Parse(const uint8_t* data, size_t size, std::string* why) {
    blocks_.clear();
    if (!data || size < ZAPFILE_HEADER_SIZE) return refuse(why, "fichier tronqué");
    if (size > ZAPFILE_MAX_SIZE) return refuse(why, "fichier trop grand");
    if (std::memcmp(data, ZAPFILE_MAGIC, sizeof ZAPFILE_MAGIC) != 0) return refuse(why, "signature ZAPFILE 1.0 absente");
    uint32_t count = get32(data + 12), fileSize = get32(data + 16), dirCrc = get32(data + 20);
    if (fileSize != size) return refuse(why, "taille annoncée " + std::to_string(fileSize) + ", fichier de " + std::to_string(size));
    if (count > ZAPFILE_MAX_BLOCKS) return refuse(why, std::to_string(count) + " blocs annoncés");
    uint64_t dirEnd = ZAPFILE_HEADER_SIZE + uint64_t(count) * ZAPFILE_ENTRY_SIZE;
    if (dirEnd > size) return refuse(why, "répertoire tronqué");
    if (Zap_Crc32(data + ZAPFILE_HEADER_SIZE, size_t(dirEnd) - ZAPFILE_HEADER_SIZE) != dirCrc)
        return refuse(why, "répertoire corrompu (CRC)");

    // Names, places and overlaps first: each byte is then summed and copied once, whatever the directory says.
    struct Range {
        uint64_t begin, end;
    };
    std::vector<Range> ranges;
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t* e = data + ZAPFILE_HEADER_SIZE + size_t(i) * ZAPFILE_ENTRY_SIZE;
        const char* name = reinterpret_cast<const char*>(e);
        const void* nul = std::memchr(name, 0, ZAPFILE_NAME_LEN);
        size_t len = nul ? size_t(static_cast<const char*>(nul) - name) : ZAPFILE_NAME_LEN;
        if (!validName(name, len)) return refuse(why, "bloc " + std::to_string(i) + " : nom incorrect");
        for (size_t k = len; k < ZAPFILE_NAME_LEN; k++)
            if (name[k]) return refuse(why, "bloc " + std::to_string(i) + " : nom incorrect");
        std::string n(name, len);
        uint32_t offset = get32(e + 16), bytes = get32(e + 20), reserved = get32(e + 28);
        if (reserved) return refuse(why, "bloc " + n + " : champ réservé non nul");
        if (offset < dirEnd || uint64_t(offset) + bytes > size) return refuse(why, "bloc " + n + " hors du fichier");
        if (std::find(names.begin(), names.end(), n) != names.end()) return refuse(why, "bloc " + n + " en double");
        names.push_back(n);
        ranges.push_back(Range{offset, uint64_t(offset) + bytes});
    }
    std::vector<Range> sorted = ranges;
    std::sort(sorted.begin(), sorted.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
    for (size_t i = 1; i < sorted.size(); i++)
        if (sorted[i].begin < sorted[i - 1].end) return refuse(why, "blocs qui se chevauchent");
    std::vector<Block> blocks;
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t* e = data + ZAPFILE_HEADER_SIZE + size_t(i) * ZAPFILE_ENTRY_SIZE;
        const uint8_t* begin = data + ranges[i].begin;
        const size_t bytes = size_t(ranges[i].end - ranges[i].begin);
        if (Zap_Crc32(begin, bytes) != get32(e + 24)) return refuse(why, "bloc " + names[i] + " corrompu (CRC)");
        blocks.push_back(Block{names[i], std::vector<uint8_t>(begin, begin + bytes)});
    }
    blocks_ = std::move(blocks);
    return true;
}

const ZapFile::Block* ZapFile::Find(const char* name) const {
    for (const Block& b : blocks_)
        if (name && b.name == name) return &b;
    return nullptr;
}
