#!/usr/bin/env bash
# Main job: install what is missing, build the kit into build/bin and run it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_TESTS=OFF -DQUARVEL_BENCH=OFF >/dev/null
cmake --build build
build/bin/quarvel --help
