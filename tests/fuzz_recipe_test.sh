#!/usr/bin/env bash
# Runs the README's longer fuzz run (for 2 seconds instead of its minutes) the way it is written,
# from a scratch folder holding a copy of the project's files it names and a link to the fuzz
# build, and checks that it ends well and leaves the project's files as they were: libFuzzer
# writes what it finds into the first folder it is given, which must be a corpus of its own.
# Usage: fuzz_recipe_test.sh SOURCE_DIR FUZZ_BUILD_DIR
set -euo pipefail
source=$(realpath "$1")
build=$(realpath "$2")
recipe=$(grep -o 'build-fuzz/bin/[a-z_]* -max_total_time=[0-9]*[^`]*' "$source/README.md" | head -1)
if [[ -z $recipe ]]; then
    echo "FAILED: no longer fuzz run in README.md"
    exit 1
fi
echo "the README's run: $recipe"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$build" "$work/build-fuzz"
read -ra words <<<"$recipe"
words[1]=-max_total_time=2
for folder in "${words[@]:2}"; do
    if [[ $folder != build-fuzz/* ]]; then
        cp -r "$source/$folder" "$work/$folder"
    fi
done
(cd "$work" && "${words[@]}" >"$work/run.log" 2>&1) || { tail -20 "$work/run.log"; echo "FAILED: the run"; exit 1; }
for folder in "${words[@]:2}"; do
    if [[ $folder != build-fuzz/* ]] && ! diff -r "$source/$folder" "$work/$folder" >/dev/null; then
        echo "FAILED: the run wrote into the project's $folder"
        exit 1
    fi
done
echo "1 passed, 0 failed"
