// The demo installation shared by the tests of one run, and writable installations made over it.
#pragma once
#include <string>
#include <vector>

// The shared demo installation: the directory that the CTest fixture "demo" generated once for the whole
// run ($QM_DEMO_DIR), or, for a test binary run alone, one generated on first use for this process.
// Read-only: tests never write into it. The path ends with '/'; empty (with *error) when it cannot be had.
const std::string& DemoFixture_Dir(std::string* error = nullptr);

// Makes dest (created when missing) a writable installation over the shared demo: its directories are
// made anew and its files are symbolic links to the demo's, so what the program creates (log, settings,
// saves, music copies) lands in dest and what it replaces by a rename replaces only the link. The paths
// of `copied` (relative to the installation: files or whole directories) are real copies, for a test that
// changes a file in place. False with *error on failure.
bool DemoFixture_Copy(const std::string& dest, const std::vector<std::string>& copied = {},
                      std::string* error = nullptr);
