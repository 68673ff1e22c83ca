// Writers of the menus' text scripts ("Font.txt", "Menu.txt", "Credits.txt") for the tests and the demo.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One "[Font]" block. Empty fields are left out of the block.
struct FontTxtBlock {
    std::string nameId;
    std::string name;  // font file, relative to the localisation directory
    std::string type;  // face name
    int32_t height = 16;
    int32_t width = 0;
};

// The text of a "Font.txt" with CR LF line ends: the partition codes, the character set, the blocks.
std::string FontTxt_Make(const std::vector<FontTxtBlock>& blocks, const std::vector<uint16_t>& partitionCodes,
                         bool mbcs);
// The four fonts the program asks for, all from one font file.
std::vector<FontTxtBlock> FontTxt_StandardBlocks(const std::string& fontFile);

// One section of "Menu.txt": its header ("[MainMenu]" ...) and its entries.
struct MenuTxtSection {
    std::string header;
    std::vector<std::string> lines;
};

// The text of a "Menu.txt" with CR LF line ends: each section closed by "[EndMenu]".
std::string MenuTxt_Make(const std::vector<MenuTxtSection>& sections);
// The seven sections with every line their pages read.
std::vector<MenuTxtSection> MenuTxt_StandardSections();

// The text of a "Credits.txt" with CR LF line ends: each page between "[BeginPage]" and "[EndPage]".
std::string CreditsTxt_Make(const std::vector<std::vector<std::string>>& pages);
