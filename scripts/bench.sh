#!/usr/bin/env bash
# Builds the benchmarks in the build that scripts/demo.sh makes (RelWithDebInfo) and prints one table of
# the speed targets: each measure, its baseline measured in the same run, the ratio and the target.
# Every benchmark runs REPETITIONS times (default 5) and the table shows the medians; with taskset
# present it runs pinned to CPU BENCH_CPU (default the last one). Extra arguments go to every program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
command -v python3 >/dev/null || { echo "bench.sh needs python3" >&2; exit 1; }
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_TESTS=OFF -DQM_BENCH=ON >/dev/null
cmake --build build-bench -j "$(nproc)" --target bench_raster bench_panorama bench_audio bench_video bench_program
reps=${REPETITIONS:-5}
pin=()
if command -v taskset >/dev/null; then pin=(taskset -c "${BENCH_CPU:-$(($(nproc) - 1))}"); fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
run() {  # name filter
  "${pin[@]}" "build-bench/bench/$1" --benchmark_filter="$2" --benchmark_repetitions="$reps" \
    --benchmark_report_aggregates_only=true --benchmark_format=json "${@:3}" >"$out/$1.json"
}
run bench_raster 'BM_Span/[0-3]/(50|72)/800/600' "$@"
run bench_panorama . "$@"
run bench_audio 'BM_AdpcmDecodeWhole' "$@"
run bench_video . "$@"
run bench_program . "$@"
echo "Machine: $(nproc) processors, load average $(cut -d' ' -f1-3 /proc/loadavg); $reps repetitions, medians; ${pin[*]:-not pinned}"
python3 - "$out" <<'EOF'
import json, os, sys

d = sys.argv[1]
medians = {}
for f in os.listdir(d):
    for b in json.load(open(os.path.join(d, f)))["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medians[b["run_name"]] = b

def m(name, key):
    return medians[name][key] if name in medians and key in medians[name] else None

def num(x):
    return f"{x:,.0f}" if x >= 100 else f"{x:.3g}"

rows = []
def row(measure, value, unit, base, base_text, target, bound, extra=""):
    """bound: (limit, True for at least, False for at most)."""
    if value is None:
        rows.append((measure, "not measured", "", "", target, "NO"))
        return
    met = value >= bound[0] if bound[1] else value <= bound[0]
    rows.append((measure, f"{num(value)} {unit}", f"{base_text} {num(base)}{extra}" if base else "",
                 f"{value / base:.2f}" if base else "", target, "yes" if met else "NO"))

groups = ["portable", "MMX", "Pentium II", "K6-3D"]
for index, what, target in ((72, "Zi32Texture1516Linear span", 1000), (50, "Texture16LinearGouraudmono span", 700)):
    for g, name in enumerate(groups):
        run = f"BM_Span/{g}/{index}/800/600"
        base = m(run, "base_Mpix_s")
        copy = m(run, "memcpy_Mpix_s")
        own = m(run, "Mpix_s")
        row(f"{what}, {name}, 800x600", own, "Mpixel/s", base,
            "pixel-by-pixel reference" if g == 0 else "portable row", f">= {target:,} Mpixel/s", (target, True),
            f"; memcpy of the same bytes {num(copy)} ({own / copy:.2f})" if own and copy else "")
for size, target in (("800/600", 1.0), ("640/480", 0.7)):
    run = f"BM_PanoramaSweep/{size}"
    row(f"Panorama frame, worst of 56 views, {size.replace('/', 'x')}", m(run, "ms_worst"), "ms", m(run, "memcpy_ms"),
        "memcpy of a frame (ms)", f"<= {target} ms", (target, False), f"; mean of the views {num(m(run, 'ms_mean') or 0)} ms")
for ch, what in ((1, "mono"), (2, "stereo")):
    run = f"BM_AdpcmDecodeWhole/{ch}"
    row(f"ADPCM decode, 22,050 Hz {what}", m(run, "xRealTime"), "x real time", m(run, "xRealTime_plain"),
        "plain decoder", ">= 10,000 x real time", (10000, True))
for run, what, target in (("BM_KeyFrameWorstCase", "QMV key frame, longest codes, 640x480", 200),
                          ("BM_KeyFrameUnitCoefficients", "QMV key frame, 64 coefficients of +-1, 640x480", 200),
                          ("BM_DifferenceFrames", "QMV difference frames, 640x480", 1000)):
    row(what, m(run, "frames/s"), "frames/s", m(run, "frames/s_plain"), "plain decoder", f">= {target:,} frames/s",
        (target, True))
warp = m("BM_WarpPass", "real_time")
row("Warp pass of the demo, 800x600", warp, "ms", m("BM_WarpPass", "memcpy_ms"), "memcpy of a frame (ms)", "<= 2 ms",
    (2.0, False))
start = m("BM_StartToFirstFrame/iterations:3/manual_time", "real_time")
row("Start to first presented frame, demo", start, "ms", m("BM_StartToFirstFrame/iterations:3/manual_time", "read_install_ms"),
    "reading every installed file (ms)", "<= 300 ms", (300.0, False))

print("| Measure | Result | Baseline in the same run | Result / baseline | Target | Met |")
print("|---|---|---|---|---|---|")
for r in rows:
    print("| " + " | ".join(r) + " |")
EOF
