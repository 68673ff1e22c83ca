#!/usr/bin/env bash
# Builds the program, generates the small demo installation and starts the game on it.
# The demo's data is written afresh on every run; its saves (save/) and settings (quillm2.cfg) are kept.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)"
# A run interrupted during the swap below left the previous demo aside.
if [ ! -d build/demo ] && [ -d build/demo.old ]; then mv build/demo.old build/demo; fi
rm -rf build/demo.new build/demo.old
build/testdata/qm_make_demo build/demo.new
for item in save quillm2.cfg; do
  if [ -e "build/demo/$item" ]; then
    rm -rf "build/demo.new/$item"
    cp -a "build/demo/$item" "build/demo.new/$item"
  fi
done
if [ -d build/demo ]; then mv build/demo build/demo.old; fi
mv build/demo.new build/demo
rm -rf build/demo.old
exec build/app/main/quillmar2 build/demo "$@"
