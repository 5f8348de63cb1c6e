#!/usr/bin/env bash
# Builds Quorvex and runs every test. Starts the servers the tests need and stops them
# afterwards, whatever happened.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

bash scripts/install-deps.sh --test  # building, running, and the tests' own packages

source scripts/compiler-cache.sh
build_dir=${QUORVEX_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON "${compiler_cache[@]}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"

# A JACK server with the dummy (timer-paced) driver, so that sound tests play real audio
# without a sound card. Its name is ours alone, so it never meets a user's own server. JACK
# keeps room for only a few servers and frees a dead server's place only when one of the same
# name starts, so the names come from a small fixed set: the first not running is taken.
jack_log=$(mktemp)
jack_pid=
jack_name=
stop_jack() {
  if [[ -n $jack_pid ]]; then
    kill "$jack_pid" 2>/dev/null || true
    wait "$jack_pid" 2>/dev/null || true
    jack_pid=
  fi
}
trap 'stop_jack; rm -f "$jack_log"' EXIT

jack_answers() {
  JACK_DEFAULT_SERVER="$1" JACK_NO_START_SERVER=1 timeout 10 jack_lsp >/dev/null 2>&1
}

# JACK keeps its metadata in a Berkeley database under /dev/shm/jack_db-<uid>. A JACK process
# killed while it held the database's lock (a test killed at its time limit, say) leaves the lock
# held, and every JACK client, the tests' and jack_lsp alike, then waits for it forever. With no
# JACK server of this user running, the database holds nothing anyone needs and is made anew.
jack_db=/dev/shm/jack_db-$(id -u)
if [[ -d $jack_db ]]; then
  probe_status=0
  JACK_DEFAULT_SERVER=quorvex-probe-$$ JACK_NO_START_SERVER=1 timeout 10 jack_lsp >/dev/null 2>&1 || probe_status=$?
  if ((probe_status == 124)); then
    if pgrep -u "$(id -u)" -x jackd >/dev/null; then
      echo "test.sh: JACK clients hang on the metadata database's lock in $jack_db, and a JACK server of yours runs; stop it and remove that folder" >&2
    else
      echo "test.sh: JACK's metadata database in $jack_db was left locked by a killed process; it is made anew"
      rm -rf "$jack_db"
    fi
  fi
fi

start_jack() {
  local name
  for name in quorvex-test-1 quorvex-test-2 quorvex-test-3 quorvex-test-4; do
    if jack_answers "$name"; then continue; fi  # another test run's server
    # The server goes when this script goes, even if the script is killed.
    setpriv --pdeathsig TERM jackd -n "$name" --no-realtime -d dummy -r 44100 -p 256 >"$jack_log" 2>&1 &
    jack_pid=$!
    for _ in $(seq 1 100); do
      if ! kill -0 "$jack_pid" 2>/dev/null; then break; fi
      if jack_answers "$name"; then
        jack_name=$name
        return 0
      fi
      sleep 0.1
    done
    stop_jack
  done
  return 1
}

if start_jack; then
  echo "test.sh: JACK server '$jack_name' is up (dummy driver, 44100 Hz)"
else
  jack_name=quorvex-test-absent
  echo "test.sh: no JACK server could be started; the tests labelled 'jack' will fail." >&2
  echo "test.sh: jackd said:" >&2
  cat "$jack_log" >&2 || true
fi
export JACK_DEFAULT_SERVER="$jack_name"
export JACK_NO_START_SERVER=1

# A private PipeWire server beside it, as a desktop has one, for the tests labelled 'pipewire';
# the script stops it when the tests end, whatever happened.
with_pipewire=$PWD/scripts/with-test-pipewire.sh
ctest_log=$(mktemp)
trap 'stop_jack; rm -f "$jack_log" "$ctest_log"' EXIT
cd "$build_dir"
"$with_pipewire" ctest --output-on-failure --parallel 2 | tee "$ctest_log"
cd "$repo"
# A skipped test checked nothing: each says so on a line of its own, with the reason, and one
# that must run on this machine fails the run (after the sanitizers, so that they run all the same).
skips_allowed=1
bash scripts/check-skips.sh "$build_dir" "$ctest_log" test.sh || skips_allowed=0

# --- sanitizers and fuzzing ---------------------------------------------------------------
# The suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer in a second
# build folder, then the fuzz targets when clang is there (scripts/test-sanitizers.sh says
# more). QUORVEX_SANITIZE=0 leaves this part out.
if [[ ${QUORVEX_SANITIZE:-1} != 0 ]]; then
  bash "$repo/scripts/test-sanitizers.sh"
fi
if ((!skips_allowed)); then
  echo "test.sh: tests that must run on this machine were skipped (see above, and tests/allowed-skips.txt)" >&2
  exit 1
fi
