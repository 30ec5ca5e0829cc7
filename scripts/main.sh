#!/usr/bin/env bash
# Main job: install what is missing, build the kit into build/bin and compile the
# bundled sample book with it; the last line printed is the book's full path.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_TESTS=OFF -DQUARVEL_BENCH=OFF >/dev/null
cmake --build build
build/bin/quarvel compile samples/Lighthouse/Lighthouse.ebp --output build/books/Lighthouse.exe
