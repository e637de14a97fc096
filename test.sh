#!/usr/bin/env bash
# Installs what is missing, builds everything, runs every test; then builds everything once more
# under AddressSanitizer + UndefinedBehaviorSanitizer and runs the tests again there; last,
# builds the fuzz targets for libFuzzer with clang and runs each for a few seconds.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
# LibreOffice reads a saved Bangla file back in one of the tests.
kestrum_install_missing libreoffice-writer-nogui

jobs=$(nproc)
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"

echo "== the README's romanisation tables match data/romanisation.tsv"
/usr/bin/python3 data/romanisation.py --check

echo "== build (build/)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"

echo "== tests"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== everything again under ASan + UBSan (build-asan/)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRUM_ENGINE_ONLY=OFF \
  -DKESTRUM_SANITIZE=ON -DKESTRUM_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
# Leak checking covers our own code (the engine and tool tests); the Qt tests turn it off,
# because Qt and fontconfig keep caches alive until the process ends.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzz targets for libFuzzer, a few seconds each (build-fuzz/)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
  -DKESTRUM_LIBFUZZER_BUILD=ON -DKESTRUM_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$jobs" --target engine_fuzz tables_fuzz propertybag_fuzz \
  sutonnymj_fuzz romaniser_fuzz kestrum_engine kestrum_fileio kestrum_sutonnymj
ctest --test-dir build-fuzz --output-on-failure -L fuzz
