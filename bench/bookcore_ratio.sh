#!/usr/bin/env bash
# Opening the generated 2,000-page book and reading every page with the reader core, on
# Linux and under wine64 (the Windows build of the same core), and optionally with
# another build of bench_bookcore for comparison (BEFORE=path/to/bench_bookcore).
#   bash bench/bookcore_ratio.sh [BUILD] [ROUNDS]
# Run it on a quiet machine: other builds change the figures.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
rounds=${2:-5}
folder=${TMPDIR:-/tmp}/quarvel-bigbook
book=$("$build/bench/make_bigbook" "$folder")
echo "book: $book ($(du -m "$book" | cut -f1) MB)"
if [ -n "${BEFORE:-}" ]; then
  echo "--- before ($BEFORE)"
  "$BEFORE" "$book" "$rounds"
fi
echo "--- Linux"
"$build/bench/bench_bookcore" "$book" "$rounds"
echo "--- Windows core under wine64"
WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d" \
  /usr/lib/wine/wine64 "$build/wincore-x86_64/bench_bookcore.exe" "Z:${book//\//\\}" "$rounds"
