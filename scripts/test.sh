#!/usr/bin/env bash
# Whole test suite: install what is missing, build and test the normal build (with the
# book core built for Windows, whose tests run under wine64), the sanitizer build
# (AddressSanitizer + UndefinedBehaviorSanitizer) and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
fuzz_seconds=${QUARVEL_FUZZ_SECONDS:-20}

step() { printf '\n=== %s ===\n' "$*"; }

step "normal build"
# Explicit options: the main job configures the same build folder without tests.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_TESTS=ON -DQUARVEL_BENCH=ON \
  -DQUARVEL_GUI=ON -DQUARVEL_READER=ON >/dev/null
cmake --build build -j "$jobs"
step "tests"
# GUI tests need a display; the whole run shares one virtual screen.
if command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build --output-on-failure -j "$jobs"
else
  ctest --test-dir build --output-on-failure -j "$jobs" -LE gui
fi

step "sanitizer build"
# With the reader program (the tests that make books need it), without the PE32+ build of
# the reader and the core (their tests ran above; wine runs no sanitized program anyway).
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUARVEL_SANITIZE=ON \
  -DQUARVEL_GUI=OFF -DQUARVEL_READER=ON -DQUARVEL_WINDOWS_CORE=OFF -DQUARVEL_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
step "sanitizer tests"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE gui

step "fuzz build"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_FUZZ=ON \
  -DQUARVEL_GUI=OFF -DQUARVEL_READER=OFF -DQUARVEL_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$jobs"
step "fuzz smoke run (${fuzz_seconds}s each)"
shopt -s nullglob
for f in build-fuzz/fuzz/fuzz_*; do
  name=$(basename "$f")
  corpus=$(mktemp -d)
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  echo "--- $name"
  "$f" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" "${seeds[@]}" 2>&1 | tail -n 3
  rm -rf "$corpus"
done
step "all passed"
