#!/usr/bin/env bash
# Builds Quorvex and runs every test. Starts the servers the tests need and stops them
# afterwards, whatever happened.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build_dir=${QUORVEX_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"

cd "$build_dir"
ctest --output-on-failure --parallel 2
