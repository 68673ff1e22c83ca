// The single-instance test "Quillmar 2": one running program per installation directory.
#pragma once
#include <string>

// Lock file taken in the installation directory.
constexpr const char* SINGLE_INSTANCE_LOCK = ".quillmar2.lock";

// False when another process of the same installation holds the lock. Taking it again while held
// is true. A directory where the lock file cannot be created lets the program run (logged).
bool SingleInstance_Acquire(const std::string& dir);
// Gives the lock up (closing the descriptor; a forked copy keeps nothing held for the parent).
void SingleInstance_Release();
