// A scratch directory for tests and tools, removed with its contents when the object ends.
#pragma once
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // Directory path ending with '/'.
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& rel) const { return path_ + rel; }

private:
    std::string path_;
};

// Writes bytes to a file, creating parent directories; a symbolic link there is replaced, not written
// through. False on failure.
bool WriteFileBytes(const std::string& path, const void* data, size_t size);
bool WriteFileText(const std::string& path, const std::string& text);
// Reads a whole file; empty when missing.
std::string ReadFileText(const std::string& path);
