// Writer of ".zbf" depth maps for the tests and the demo data.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// 28 header bytes the reader skips, u32 width, u32 height, then width x height u32 depths row
// after row from the top; depths.size() values are written, whatever the header says.
std::vector<uint8_t> ZbfWriter_Encode(uint32_t width, uint32_t height, const std::vector<uint32_t>& depths);
bool ZbfWriter_Save(const std::string& path, uint32_t width, uint32_t height, const std::vector<uint32_t>& depths);
// The depth a map holds for a point at camera-space depth z: trunc(2^31 / z), 0 for z <= 0.
uint32_t ZbfWriter_DepthAt(float z);
