#!/usr/bin/env bash
# Builds the program, writes the small demo installation when the program that makes it has changed (its saves
# and settings kept) and starts the game on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)"
bash scripts/demo-data.sh build/testdata/qm_make_demo build/demo
exec build/app/main/quillmar2 build/demo "$@"
