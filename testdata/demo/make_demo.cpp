// Writes the demo installation into the directory given on the command line.
#include <cstdio>
#include <string>

#include "testdata/DemoInstall.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    std::string error;
    if (!DemoInstall_Write(argv[1], &error)) {
        std::fprintf(stderr, "qm_make_demo: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
