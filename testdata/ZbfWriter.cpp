// Writer of ".zbf" depth maps.
#include "testdata/ZbfWriter.h"

#include <cmath>

#include "testdata/TempDir.h"

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> ZbfWriter_Encode(uint32_t width, uint32_t height, const std::vector<uint32_t>& depths)
{
    std::vector<uint8_t> out;
    // The skipped part of the header holds anything; a fixed text keeps files reproducible.
    const char tag[28] = "zbf depth map, test data";
    out.insert(out.end(), tag, tag + 28);
    Put32(out, width);
    Put32(out, height);
    for (uint32_t d : depths) Put32(out, d);
    return out;
}

bool ZbfWriter_Save(const std::string& path, uint32_t width, uint32_t height, const std::vector<uint32_t>& depths)
{
    const std::vector<uint8_t> bytes = ZbfWriter_Encode(width, height, depths);
    return WriteFileBytes(path, bytes.data(), bytes.size());
}

uint32_t ZbfWriter_DepthAt(float z)
{
    if (!(z > 0.0f)) return 0;
    const double q = 2147483648.0 / double(z);
    return q >= 4294967295.0 ? 0xFFFFFFFFu : uint32_t(q);
}
