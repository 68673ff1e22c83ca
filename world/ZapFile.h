// The "ZAPFILE 1.0" container of save games: named blocks, each with its CRC-32.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern const char ZAPFILE_MAGIC[12];  // "ZAPFILE 1.0" and a 0
constexpr uint32_t ZAPFILE_HEADER_SIZE = 24;
constexpr uint32_t ZAPFILE_ENTRY_SIZE = 32;
constexpr uint32_t ZAPFILE_NAME_LEN = 16;  // with its terminating 0
constexpr uint32_t ZAPFILE_MAX_BLOCKS = 64;
constexpr uint32_t ZAPFILE_MAX_SIZE = 16u * 1024 * 1024;

uint32_t Zap_Crc32(const void* data, size_t size);

class ZapFile {
public:
    struct Block {
        std::string name;
        std::vector<uint8_t> data;
    };

    // Names are 1 to 15 letters, digits or '_', unique; false when refused.
    bool AddBlock(const char* name, const void* data, size_t size);
    // The file's bytes.
    std::vector<uint8_t> Build() const;
    // Checks every size, offset, name and CRC; on failure *why says what and the blocks are empty.
    bool Parse(const uint8_t* data, size_t size, std::string* why);
    const Block* Find(const char* name) const;
    const std::vector<Block>& Blocks() const { return blocks_; }

private:
    std::vector<Block> blocks_;
};
