#!/usr/bin/env bash
# Builds Quorvex and runs every test. Starts the servers the tests need and stops them
# afterwards, whatever happened.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build_dir=${QUORVEX_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"

# A JACK server with the dummy (timer-paced) driver, so that sound tests play real audio
# without a sound card. Its name is ours alone, so it never meets a user's own server.
jack_name="quorvex-test-$$"
jack_log=$(mktemp)
jack_pid=
stop_jack() {
  if [[ -n $jack_pid ]]; then
    kill "$jack_pid" 2>/dev/null || true
    wait "$jack_pid" 2>/dev/null || true
  fi
  rm -f "$jack_log"
}
trap stop_jack EXIT

jackd -n "$jack_name" --no-realtime -d dummy -r 44100 -p 256 >"$jack_log" 2>&1 &
jack_pid=$!
jack_up=no
for _ in $(seq 1 100); do
  if ! kill -0 "$jack_pid" 2>/dev/null; then break; fi
  if JACK_DEFAULT_SERVER="$jack_name" JACK_NO_START_SERVER=1 jack_lsp >/dev/null 2>&1; then
    jack_up=yes
    break
  fi
  sleep 0.1
done
if [[ $jack_up == yes ]]; then
  echo "test.sh: JACK server '$jack_name' is up (dummy driver, 44100 Hz)"
else
  echo "test.sh: the JACK server '$jack_name' did not start; the tests labelled 'jack' will fail." >&2
  echo "test.sh: jackd said:" >&2
  cat "$jack_log" >&2 || true
fi
export JACK_DEFAULT_SERVER="$jack_name"
export JACK_NO_START_SERVER=1

cd "$build_dir"
ctest --output-on-failure --parallel 2
