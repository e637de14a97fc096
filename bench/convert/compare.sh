#!/usr/bin/env bash
# kestrum-convert against iconv, as whole processes, on the same real-looking text.
#
# Writes the engine benchmark's Zipf corpus (KESTRUM_BENCH_CORPUS_DIR), repeats it into a
# 16 MB and a 160 MB file, then times, in ROUNDS rounds whose order is chosen at random each
# time so every program meets the same load on a shared machine:
#   iconv    iconv -f WINDOWS-1252 -t UTF-8 (re-encoding the same bytes: the cost of a filter)
#   after    this tree's build/bin/kestrum-convert
#   before   REF's kestrum-convert (built in a temporary folder), when REF is given
# each writing to /dev/null. Prints the median wall time of each on 16 MB with its ratio to
# iconv, and the peak resident memory (/usr/bin/time -v) of each on 16 MB and 160 MB.
#
# Usage: bench/convert/compare.sh [REF [ROUNDS]]
#   REF: a commit to compare with (for example main); "" or absent: this tree only
#   ROUNDS: default 5
set -euo pipefail
ref=${1:-}
rounds=${2:-5}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [[ ! -f "$root/build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKESTRUM_ENGINE_ONLY=ON >/dev/null
fi
cmake --build "$root/build" --target kestrum-convert engine_bench >/dev/null
programs=(iconv after)
declare -A command
command[after]="$root/build/bin/kestrum-convert"
if [[ -n "$ref" ]]; then
  git -C "$root" archive "$ref" | tar -x -C "$work" --one-top-level=src
  cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKESTRUM_ENGINE_ONLY=ON -DKESTRUM_BUILD_TESTS=OFF -DKESTRUM_BUILD_BENCH=OFF \
    $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
  cmake --build "$work/build" --target kestrum-convert >/dev/null
  command[before]="$work/build/bin/kestrum-convert"
  programs+=(before)
fi

# The corpus: the engine benchmark writes it before it runs anything (one quick benchmark).
KESTRUM_TABLES="$root/data" KESTRUM_BENCH_CORPUS_DIR="$work/corpus" \
  "$root/build/bin/engine_bench" --benchmark_filter='BM_ConvertBytes/indexed:1/zipf:1' \
  --benchmark_min_time=0.01 >/dev/null 2>&1 || true
[[ -s "$work/corpus/zipf.txt" ]] || { echo "no corpus written" >&2; exit 1; }
fill() { # fill FILE MEGABYTES: the corpus repeated, cut at exactly that many bytes
  local size=$(($2 * 1024 * 1024))
  : >"$1"
  while (($(stat -c %s "$1") < size)); do cat "$work/corpus/zipf.txt" >>"$1"; done
  truncate -s "$size" "$1"
}
fill "$work/16.txt" 16
fill "$work/160.txt" 160

run() { # run NAME FILE: the program's command line on FILE, output to /dev/null
  case $1 in
  iconv) iconv -f WINDOWS-1252 -t UTF-8 "$2" >/dev/null ;;
  *) "${command[$1]}" "$2" >/dev/null 2>"$work/log.$1" ;;
  esac
}
seconds() { # seconds NAME FILE: wall time of one run
  local start end
  start=$(date +%s.%N)
  run "$1" "$2"
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }'
}
peak() { # peak NAME FILE: maximum resident set size in MB
  local program=(iconv -f WINDOWS-1252 -t UTF-8 "$2")
  [[ $1 != iconv ]] && program=("${command[$1]}" "$2")
  /usr/bin/time -v -o "$work/peak" "${program[@]}" >/dev/null 2>/dev/null
  awk '/Maximum resident set size/ { printf "%.1f", $NF / 1024 }' "$work/peak"
}

for name in "${programs[@]}"; do run "$name" "$work/16.txt"; done # warm the page cache
for ((r = 1; r <= rounds; ++r)); do
  order=$(printf '%s\n' "${programs[@]}" | shuf)
  for name in $order; do echo "$name $(seconds "$name" "$work/16.txt")"; done
done >"$work/times"
median() { # median NAME: median seconds of NAME's rounds
  awk -v name="$1" '$1 == name { print $2 }' "$work/times" | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

if [[ -n "$ref" ]]; then # the same output and the same log lines
  for name in before after; do
    "${command[$name]}" "$work/16.txt" >"$work/out.$name" 2>"$work/err.$name" || true
  done
  if ! cmp -s "$work/out.before" "$work/out.after" || ! cmp -s "$work/err.before" "$work/err.after"
  then
    echo "warning: before and after differ on the 16 MB file" >&2
  fi
  rm -f "$work"/out.* "$work"/err.*
fi
base=$(median iconv)
echo "kestrum-convert vs iconv, whole processes, ${rounds} rounds, median wall time on 16 MB"
echo "(before = ${ref:-none}, after = this tree); peak resident memory on 16 and 160 MB"
printf "%-8s %10s %10s %12s %12s\n" program seconds x-iconv "peak16 MB" "peak160 MB"
for name in "${programs[@]}"; do
  t=$(median "$name")
  printf "%-8s %10.3f %10.2f %12s %12s\n" "$name" "$t" "$(awk -v a="$t" -v b="$base" 'BEGIN { print a / b }')" \
    "$(peak "$name" "$work/16.txt")" "$(peak "$name" "$work/160.txt")"
done
