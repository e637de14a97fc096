#!/usr/bin/env bash
# The engine benchmark of this tree against the engine of another commit, side by side.
#
# Builds the other commit's engine with this tree's engine_bench.cpp (the benchmark uses only
# the engine's public calls) in a temporary folder, builds this tree's in build/, then runs the
# two programs in turns, ROUNDS times, the order of each round chosen at random, so both meet
# the same load on a shared machine. Prints, per benchmark, the median MB/s over the rounds
# of "before" (REF) and "after" (this tree) and their ratio.
#
# Usage: bench/engine/compare.sh [REF [ROUNDS [FILTER]]]
#   default: main, 5 rounds, the indexed conversions ('BM_Convert.*(indexed:1|Text)')
set -euo pipefail
ref=${1:-main}
rounds=${2:-5}
filter=${3:-'BM_Convert.*(indexed:1|Text)'}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUM_ENGINE_ONLY=ON)
git -C "$root" archive "$ref" | tar -x -C "$work"
cp "$root/bench/engine/engine_bench.cpp" "$work/bench/engine/engine_bench.cpp"
cmake -S "$work" -B "$work/build" "${options[@]}" >/dev/null
cmake --build "$work/build" --target engine_bench >/dev/null
if [[ ! -f "$root/build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$root/build" "${options[@]}" >/dev/null
fi
cmake --build "$root/build" --target engine_bench >/dev/null

before="$work/build/bin/engine_bench"
after="$root/build/bin/engine_bench"
run() { # run LABEL PROGRAM: one line "LABEL NAME MB/s" per benchmark
  KESTRUM_TABLES="$root/data" "$2" --benchmark_filter="$filter" 2>/dev/null |
    awk -v label="$1" '/^BM_/ { for (i = 2; i <= NF; ++i) if ($i ~ /^bytes_per_second=/) {
        v = $i; sub(/^bytes_per_second=/, "", v); unit = v; sub(/[0-9.]+/, "", unit)
        v += 0; if (unit ~ /^k/) v /= 1024; else if (unit ~ /^G/) v *= 1024
        print label, $1, v } }'
}
for ((r = 1; r <= rounds; ++r)); do
  if ((RANDOM % 2)); then run before "$before"; run after "$after"
  else run after "$after"; run before "$before"; fi
done >"$work/results"

echo "engine_bench, median MB/s of $rounds rounds: before = $ref, after = this tree"
printf "%-40s %9s %9s\n" benchmark before after
sort -k2,2 -k1,1 -k3,3n "$work/results" | awk '
  function median(label) {
    n = count[label]
    if (n % 2) return v[label, (n + 1) / 2]
    return (v[label, n / 2] + v[label, n / 2 + 1]) / 2
  }
  function flush() {
    if (name == "") return
    b = median("before"); a = median("after")
    printf "%-40s %9.1f %9.1f   x%.2f\n", name, b, a, a / b
    count["before"] = 0; count["after"] = 0
  }
  $2 != name { flush(); name = $2 }
  { v[$1, ++count[$1]] = $3 }
  END { flush() }'
