// Generator of the project's small demo installation, shared by the demo program and the tests.
#pragma once
#include <string>

// Writes a complete demo installation into dir (created when missing); false with *error on failure.
bool DemoInstall_Write(const std::string& dir, std::string* error = nullptr);
