#!/usr/bin/env bash
# Builds Quorvex (Release) with only what building and running need, and starts it with the
# current folder as its working folder, where it reads PTC.INI and writes its results. A folder
# without PTC.INI gets the example. Started inside the source checkout it works in ~/Quorvex
# instead, as the menu entry does, so that no measurement lands in the checkout.
# With --deb it builds the Debian package instead of starting Quorvex.
set -euo pipefail
case "${1-}" in
  "" | --deb) ;;
  *) echo "usage: run.sh [--deb]" >&2; exit 2 ;;
esac
here=$(pwd -P)
repo=$(cd "$(dirname "$0")/.." && pwd -P)

bash "$repo/scripts/install-deps.sh"
build_dir=${QUORVEX_BUILD_DIR:-$repo/build-release}
cmake -S "$repo" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
if [[ ${1-} == --deb ]]; then
  cmake --build "$build_dir" --parallel "$(nproc)"
  cd "$build_dir" && exec cpack -G DEB
fi
cmake --build "$build_dir" --parallel "$(nproc)" --target quorvex quorvex-sim

if [[ $here == "$repo" || $here == "$repo"/* ]]; then
  echo "run.sh: $here is in the source checkout; Quorvex works in ~/Quorvex instead."
  exec "$build_dir/src/app/quorvex" --data-folder
fi
if [[ ! -e "$here/PTC.INI" ]]; then
  cp "$repo/examples/PTC.INI" "$here/PTC.INI"
  echo "run.sh: no PTC.INI in $here; copied the example test-condition file there."
fi
exec "$build_dir/src/app/quorvex"
