// Writer of the spider web's cell coordinates, "toile.vue" (layout: docs/toile.md).
#pragma once
#include <string>
#include <vector>

// One block: the cell number as written and the cell's x, y, z.
struct ToileBlock {
    std::string cell;
    float x = 0, y = 0, z = 0;
};

// The text of one block: "frame <cell> {", a pose line holding the identity rotation
// "1 0 0 0 1 0 0 0 1" and the position in plain decimals, a scale line, "}".
std::string ToileWriter_Block(const ToileBlock& block);
// The blocks one after the other, in the order given.
std::string ToileWriter_Text(const std::vector<ToileBlock>& blocks);
bool ToileWriter_Save(const std::string& path, const std::vector<ToileBlock>& blocks);
