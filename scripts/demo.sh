#!/usr/bin/env bash
# Builds the program, generates the small demo installation and starts the game on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)"
rm -rf build/demo
build/testdata/qm_make_demo build/demo
QM_PLUGIN_DIR="$PWD/build/plugins" exec build/app/main/quillmar2 build/demo "$@"
