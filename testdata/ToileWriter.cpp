// Writer of the spider web's cell coordinates, "toile.vue".
#include "testdata/ToileWriter.h"

#include <cstdio>

#include "testdata/TempDir.h"

std::string ToileWriter_Block(const ToileBlock& block) {
    // Plain decimals only: the reader takes an exponent's digits for the next number.
    char pose[160];
    std::snprintf(pose, sizeof pose, "  pose [1 0 0 0 1 0 0 0 1 %.3f %.3f %.3f]\r\n", double(block.x), double(block.y),
                  double(block.z));
    // The scale's number keeps the reader's cursor inside the block, short of the next "frame".
    return "frame " + block.cell + " {\r\n" + pose + "  scale 1.000\r\n}\r\n";
}

std::string ToileWriter_Text(const std::vector<ToileBlock>& blocks) {
    std::string text = "# web cells\r\n";
    for (const ToileBlock& b : blocks) text += ToileWriter_Block(b);
    return text;
}

bool ToileWriter_Save(const std::string& path, const std::vector<ToileBlock>& blocks) {
    return WriteFileText(path, ToileWriter_Text(blocks));
}
