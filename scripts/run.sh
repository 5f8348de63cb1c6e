#!/usr/bin/env bash
# Builds Quorvex (Release) and starts it with the current directory as its working directory,
# where it reads PTC.INI and writes its results. A directory without PTC.INI gets the example.
set -euo pipefail
here=$(pwd)
repo=$(cd "$(dirname "$0")/.." && pwd)

bash "$repo/scripts/install-deps.sh"
build_dir=${QUORVEX_BUILD_DIR:-$repo/build-release}
cmake -S "$repo" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" --target quorvex quorvex-sim

if [[ ! -e "$here/PTC.INI" ]]; then
  cp "$repo/examples/PTC.INI" "$here/PTC.INI"
  echo "run.sh: no PTC.INI in $here; copied the example test-condition file there."
fi
cd "$here"
exec "$build_dir/src/app/quorvex"
