// Fuzz targets of the data-file readers: registry, scratch installation and shared helpers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using FuzzBytes = std::vector<uint8_t>;

// One reader under the fuzzer. setup runs once per process before the first input; run hands one
// input to the reader through the program's own entry point, uses what it accepted, and returns
// true when the reader accepted the input; seeds are valid files made by the testdata writers.
struct FuzzTarget {
    const char* name;
    void (*setup)();
    bool (*run)(const uint8_t* data, size_t size);
    std::vector<FuzzBytes> (*seeds)();
};

bool Fuzz_Register(const FuzzTarget& target);
const std::vector<FuzzTarget>& Fuzz_Targets();
const FuzzTarget* Fuzz_Find(const std::string& name);

// A target is one file tests/fuzz/fuzz_<name>.cpp ending with this line.
#define QM_FUZZ_TARGET(NAME, SETUP, RUN, SEEDS) \
    static const bool qmFuzzTarget_##NAME = Fuzz_Register(FuzzTarget{#NAME, SETUP, RUN, SEEDS})

// Quiet reports, headless drivers, the plug-in directory; once per process.
void Fuzz_Begin();
// One input through a target: afterwards no file handle may stay open, and a fatal report is forgotten
// so that the next input reports again. Returns what the target returned.
bool Fuzz_RunOne(const FuzzTarget& target, const uint8_t* data, size_t size);
// Aborts with the text when the condition fails: a reader broke a promise the fuzzer checks.
void Fuzz_Check(bool condition, const char* what);

// The scratch installation directory of the process (ends with '/'), set as installation and every CD.
const std::string& Fuzz_Dir();
std::string Fuzz_Path(const std::string& relative);
// Writes a file of the scratch installation; aborts when it cannot.
void Fuzz_WriteFile(const std::string& relative, const void* data, size_t size);
FuzzBytes Fuzz_ReadFile(const std::string& path);
FuzzBytes Fuzz_Text(const std::string& text);

// Files with their own size in a header field: mutations that insert or remove bytes break it at once. An
// input for such a file starts with a byte that chooses: odd, the u32 at the offset of the file that
// follows is set to the file's length; even, the file is taken as it stands.
FuzzBytes Fuzz_SizedFile(const uint8_t* data, size_t size, size_t sizeField);
// The input of a sized file: the file as it stands.
FuzzBytes Fuzz_AsIs(const FuzzBytes& file);

// Inputs holding several files: parts joined by a separator line. Split gives exactly count parts
// (missing ones empty, the last one keeping any further separators).
struct FuzzPart {
    const uint8_t* data;
    size_t size;
};
std::vector<FuzzPart> Fuzz_Split(const uint8_t* data, size_t size, size_t count);
FuzzBytes Fuzz_Join(const std::vector<FuzzBytes>& parts);

// Shared set-ups, each done once per process: the headless 640x480 display (5-6-5), the sprite
// plug-in, the four fonts of the menus, and the demo world started as the program starts it.
void Fuzz_UseDisplay();
void Fuzz_UseSprites();
void Fuzz_UseFonts();
void Fuzz_UseWorld();
