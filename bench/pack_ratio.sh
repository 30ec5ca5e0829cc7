#!/usr/bin/env bash
# Packs the same 32 MB image with PackStore and with `gcab -c -z` and prints the
# ratio of the two times (target: at most 1.2).
# Usage: bench/pack_ratio.sh [BUILD_DIR]   (default build; needs bench/bench_mfs built)
set -euo pipefail
build=${1:-build}
bin="$build/bench/bench_mfs"
[ -x "$bin" ] || { echo "build $bin first: cmake --build $build --target bench_mfs" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ours=$(QUARVEL_PACK_IMAGE="$work/info.mfs" "$bin" --benchmark_filter='^BM_PackStore/' \
         --benchmark_format=csv 2>/dev/null | awk -F, '/BM_PackStore/ { print $3 }')

best=""
for run in 1 2 3; do
  rm -f "$work/x.cab"
  start=$(date +%s%N)
  (cd "$work" && gcab -c -z x.cab info.mfs)
  end=$(date +%s%N)
  t=$(( (end - start) / 1000 ))   # microseconds
  if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
done

printf 'image: %d bytes\n' "$(stat -c %s "$work/info.mfs")"
awk -v ours="$ours" -v gcab="$best" 'BEGIN {
  printf "PackStore:  %.1f ms\n", ours
  printf "gcab -c -z: %.1f ms\n", gcab / 1000
  printf "ratio: %.2f\n", ours / (gcab / 1000)
}'
