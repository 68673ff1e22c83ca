#!/usr/bin/env bash
# Builds every test and benchmark with AddressSanitizer and UndefinedBehaviorSanitizer and runs them all
# (the benchmarks once, briefly; the test binaries once more whole under two other processor kinds).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DQM_SANITIZE=ON -DQM_TESTS=ON -DQM_BENCH=ON >/dev/null
cmake --build build-test -j "$jobs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:suppressions=$PWD/scripts/asan.supp"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Each case in a process of its own under this machine's processor kind, and each test binary whole, as one
# process, under kinds 9 and 18 (the tests labelled "whole", cmake/Modules.cmake).
ctest --test-dir build-test --output-on-failure -j "$jobs" --timeout 600
