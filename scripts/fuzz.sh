#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang and libFuzzer (in build-fuzz) and runs them.
#   scripts/fuzz.sh [target[,target...]|all] [seconds]   those targets or all of them, the seconds each (60)
# QM_FUZZ_JOBS fuzzers run at once (3); QM_FUZZ_FLAGS adds libFuzzer flags (-use_value_profile=1 ...).
# Each target starts from its writers' seeds and the kept corpus (tests/fuzz/corpus/<target>/) and grows
# its own corpus in build-fuzz/corpus/<target>/; a crash, a timeout or a huge allocation leaves its input
# in build-fuzz/artifacts/<target>/ and fails the run. The corpus is then replayed once, timed: the table
# gives the slowest seed (a valid file) and the slowest input, kept in build-fuzz/logs/<target>.slowest.
# Inputs worth keeping go to tests/fuzz/corpus/<target>/, where the tests replay them.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-all}
seconds=${2:-60}
jobs=${QM_FUZZ_JOBS:-3}

bash scripts/deps.sh
if ! command -v clang++ >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q clang
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g" -DQM_FUZZ=ON -DQM_TESTS=OFF -DQM_BENCH=OFF >/dev/null

if [ "$target" = all ]; then
  targets=$(cd tests/fuzz && ls fuzz_*.cpp | sed 's/^fuzz_//; s/\.cpp$//')
else
  targets=${target//,/ }
  for t in $targets; do
    [ -f "tests/fuzz/fuzz_$t.cpp" ] || { echo "no fuzz target $t" >&2; exit 2; }
  done
fi
cmake --build build-fuzz -j "$jobs" --target $(for t in $targets; do printf 'fuzz_%s ' "$t"; done)

root=$PWD
export ASAN_OPTIONS="detect_leaks=1:suppressions=$root/scripts/asan.supp"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The scratch installations of the fuzzers, removed even after a crash.
export TMPDIR="$root/build-fuzz/tmp"
rm -rf "$TMPDIR" && mkdir -p "$TMPDIR" build-fuzz/logs

run_one() {
  local t=$1
  local work=build-fuzz/corpus/$t artifacts=build-fuzz/artifacts/$t
  local dirs=("$work")
  [ -d "tests/fuzz/corpus/$t" ] && dirs+=("tests/fuzz/corpus/$t")
  rm -rf "$artifacts"
  mkdir -p "$work" "$artifacts"
  QM_FUZZ_SEEDS=$work build-fuzz/tests/fuzz/fuzz_"$t" "${dirs[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 $QM_FUZZ_FLAGS >"build-fuzz/logs/$t.log" 2>&1 || true
  # Every input of the corpus once more, timed against the seeds.
  QM_FUZZ_TIMES=build-fuzz/logs/$t.slowest build-fuzz/tests/fuzz/fuzz_"$t" "${dirs[@]}" -runs=0 -timeout=60 -rss_limit_mb=2048 \
    -malloc_limit_mb=1024 -artifact_prefix="$artifacts/" 2>&1 | grep '^qm-fuzz times' >"build-fuzz/logs/$t.times" || true
}
export -f run_one
export seconds QM_FUZZ_FLAGS=${QM_FUZZ_FLAGS:-}
printf '%s\n' $targets | xargs -P "$jobs" -I{} bash -c 'run_one {}'
rm -rf "$TMPDIR"

status=0
printf '%-12s %12s %8s %12s %12s  %s\n' target executions corpus 'seed ms' 'slowest ms' artifacts
for t in $targets; do
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build-fuzz/logs/$t.log" | tail -1)
  found=$(ls "build-fuzz/artifacts/$t" 2>/dev/null | wc -l)
  seed=$(sed -n 's/.*slowest seed \([0-9.]*\) ms.*/\1/p' "build-fuzz/logs/$t.times")
  slowest=$(sed -n 's/.*slowest input \([0-9.]*\) ms.*/\1/p' "build-fuzz/logs/$t.times")
  printf '%-12s %12s %8s %12s %12s  %s\n' "$t" "${runs:-?}" "$(ls "build-fuzz/corpus/$t" | wc -l)" "${seed:-?}" \
    "${slowest:-?}" "$found"
  if [ "$found" -gt 0 ] || [ -z "$runs" ]; then status=1; fi
done
[ $status -eq 0 ] || echo "see build-fuzz/logs/ and build-fuzz/artifacts/" >&2
exit $status
