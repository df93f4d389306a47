#!/usr/bin/env bash
# Builds the release, static and wasi presets and compares whole processes
# side by side in one run, printing each ratio against its target. Takes a few
# minutes, most of it in the formatted-print and loop baselines.
#   bench/run.sh [--quick]     --quick: fewer runs, for a smoke test
set -euo pipefail
cd "$(dirname "$0")/.."

runs=200 big_runs=10 slow_runs=1
if [[ ${1:-} == --quick ]]; then runs=20 big_runs=2; fi

for preset in release static; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done
rel=build/release/bin static=build/static/bin bench=build/release/bench
inputs=$(mktemp -d)
trap 'rm -rf "$inputs"' EXIT
for n in 5 20000 2147483647 2147483646; do echo "$n" >"$inputs/$n"; done

# compare LABEL RUNS INPUT null|pipe PROGRAM BASELINE TARGET [ceiling|floor]
# A ceiling target holds the ratio at or below TARGET; a floor at or above it.
compare() {
  local label=$1 runs=$2 input=$3 output=$4 program=$5 baseline=$6 target=$7 kind=${8:-ceiling}
  read -r ms base_ms ratio rss base_rss < <("$bench/proctime" "$runs" "$inputs/$input" "$output" "$program" "$baseline")
  local verdict
  if [[ $kind == ceiling ]]; then
    verdict=$(awk -v r="$ratio" -v t="$target" 'BEGIN { print (r <= t) ? "ok" : "MISSED" }')
  else
    ratio=$(awk -v a="$ms" -v b="$base_ms" 'BEGIN { printf "%.3f", b / a }')
    verdict=$(awk -v r="$ratio" -v t="$target" 'BEGIN { print (r >= t) ? "ok" : "MISSED" }')
  fi
  printf '%-58s %10.3f %10.3f %8s %8s %-6s %7d KiB\n' "$label" "$ms" "$base_ms" "$ratio" "$kind $target" "$verdict" "$rss"
}

printf '%-58s %10s %10s %8s %8s %-6s %11s\n' what ms baseline_ms ratio target "" peak_rss
for program in gridmath keyfind keyfreq tallyfive digitstair divisorsum stepdemo commademo; do
  compare "start-up $program / printf line" "$runs" 5 null "$rel/$program" "$bench/printf_line" 1.10
done
for program in gridmath keyfind keyfreq tallyfive digitstair divisorsum stepdemo commademo; do
  compare "start-up $program (static) / printf line" "$runs" 5 null "$static/$program" "$bench/printf_line" 0.85
done
compare "digitstair 20000 >/dev/null: formatted-print baseline / it" "$slow_runs" 20000 null \
  "$rel/digitstair" "$bench/digitstair_printf" 100 floor
compare "digitstair 20000 >/dev/null / write(2) ceiling" "$big_runs" 20000 null \
  "$rel/digitstair" "$bench/write_ceiling" 2.0
compare "digitstair 20000 | cat, one CPU / write(2) ceiling" "$big_runs" 20000 pipe \
  "$rel/digitstair" "$bench/write_ceiling" 1.15
for n in 2147483647 2147483646; do
  compare "divisorsum $n / printf line" "$runs" "$n" null "$rel/divisorsum" "$bench/printf_line" 1.20
done
compare "divisorsum 2147483647: loop baseline / it" "$slow_runs" 2147483647 null \
  "$rel/divisorsum" "$bench/divisorsum_loop" 100 floor

# Peak memory of digitstair for n = 20000 against gridmath's, in KiB.
read -r _ _ _ stair_rss grid_rss < <("$bench/proctime" 1 "$inputs/20000" null "$rel/digitstair" "$rel/gridmath")
echo "digitstair 20000 peak memory: $stair_rss KiB, gridmath: $grid_rss KiB (target: within 1024 KiB)"

# WebAssembly under Node.js, against an empty WASI program (printf_line
# built for WASI) under the same Node, whose own start-up dominates both.
if cmake --preset wasi -DINTKIT_BENCHMARKS=ON >/dev/null && cmake --build --preset wasi >/dev/null; then
  node=$(command -v node)
  wasm() {  # a command for proctime, which runs a program without arguments
    printf '#!/bin/sh\nexec %s --no-warnings %s %s\n' "$node" "$PWD/packaging/npm/run.mjs" "$PWD/$1" >"$inputs/$2"
    chmod +x "$inputs/$2"
  }
  wasm build/wasi/bench/printf_line.wasm empty.sh
  wasm build/wasi/bin/digitstair.wasm digitstair.sh
  wasm build/wasi/bin/divisorsum.wasm divisorsum.sh
  compare "wasm: digitstair 20000 >/dev/null / empty WASI program" "$big_runs" 20000 null \
    "$inputs/digitstair.sh" "$inputs/empty.sh" 1.5
  compare "wasm: divisorsum 2147483647 / empty WASI program" "$big_runs" 2147483647 null \
    "$inputs/divisorsum.sh" "$inputs/empty.sh" 1.5
  for program in gridmath keyfind keyfreq tallyfive digitstair divisorsum stepdemo commademo; do
    printf '%s.wasm stripped: %d bytes (target: 65536 at most)\n' "$program" \
      "$(llvm-strip -o - "build/wasi/bin/$program.wasm" | wc -c)"
  done
else
  echo "wasm: skipped, the wasi preset does not build here"
fi

echo
"$bench/micro_bench" --benchmark_min_time=0.2
