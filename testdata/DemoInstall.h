// Generator of the project's small demo installation, shared by the demo program and the tests.
#pragma once
#include <string>
#include <vector>

// Writes a complete demo installation into dir (created when missing); false with *error on failure.
bool DemoInstall_Write(const std::string& dir, std::string* error = nullptr);
// Every text the demo writes into its pictures, as written (in the game's code page): the carving, the words of
// the menu buttons and of the zones.
std::vector<std::string> DemoInstall_PictureTexts();
