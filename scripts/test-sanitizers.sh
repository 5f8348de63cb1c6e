#!/usr/bin/env bash
# The test suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer in a build
# folder of its own, then each fuzz target for a while when clang is installed. Any sanitizer
# report fails the run. scripts/test.sh calls it after the ordinary suite, with its JACK server
# up; run alone, it leaves out the tests that need one (label 'jack') unless
# JACK_DEFAULT_SERVER names a running server.
#
#   QUORVEX_SANITIZE_BUILD_DIR  build folder of the sanitized suite (default build-sanitize)
#   QUORVEX_FUZZ_BUILD_DIR      build folder of the fuzz targets (default build-fuzz)
#   QUORVEX_FUZZ_SECONDS        how long each fuzz target runs (default 20; 0 skips fuzzing)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

source scripts/compiler-cache.sh

# --- the suite under the sanitizers -------------------------------------------------------
sanitize_dir=${QUORVEX_SANITIZE_BUILD_DIR:-build-sanitize}
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
# Warnings are errors in the ordinary build; here g++ 12 gives false ones from inside the
# standard library, so they stay warnings. Only the test programs and what they run are built,
# at -O1: the sanitizers find the same faults, and the build takes a third less time.
cmake -S . -B "$sanitize_dir" -DCMAKE_BUILD_TYPE=Release "${compiler_cache[@]}" -DQUORVEX_WARNINGS_AS_ERRORS=OFF \
  -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
  -DCMAKE_CXX_FLAGS="$sanitizers" -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" >/dev/null
cmake --build "$sanitize_dir" --parallel "$(nproc)" --target quorvex_tests

# Reports end the process with a failing status: ASan and UBSan abort at the first finding,
# LeakSanitizer fails the exit of a process that leaked. Leaks inside Qt that our code cannot
# free are suppressed by name in the file, which says why for each.
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/sanitizer-suppressions.txt:print_suppressions=0

sound_labels='sound|pipewire|jack'
if [[ -z ${JACK_DEFAULT_SERVER:-} ]]; then
  echo "test-sanitizers.sh: JACK_DEFAULT_SERVER is not set; the tests labelled 'jack' are left out"
  sound_labels='sound|pipewire'
fi
ctest_log=$(mktemp)
trap 'rm -f "$ctest_log"' EXIT
# A skip of a test that must run here fails this script, once everything has run.
skips_allowed=1
cd "$sanitize_dir"
# The Slurm study test checks the scheduler's path, the install test the package, and the session
# killed at each of its writes what the files hold after a kill (a minute here, for the memory
# checks tst_sim_session makes already): they run in the ordinary suite only.
ctest --output-on-failure --parallel 2 -LE 'sound|pipewire|jack|slurm|install' -E '^tst_sim_session_kills$' \
  | tee "$ctest_log"
bash "$root/scripts/check-skips.sh" . "$ctest_log" test-sanitizers.sh || skips_allowed=0
# The sound tests go through PortAudio into ALSA, JACK, PipeWire and their plugins, which are
# built without frame pointers: only the slow unwinder shows where their allocations come
# from, and so lets the suppressions name them. The 'pipewire' tests get a private server and
# take turns on its one sink; the others play to JACK beside them.
ASAN_OPTIONS=$ASAN_OPTIONS:fast_unwind_on_malloc=0 "$root/scripts/with-test-pipewire.sh" \
  ctest --output-on-failure --parallel 2 -L "$sound_labels" | tee "$ctest_log"
bash "$root/scripts/check-skips.sh" . "$ctest_log" test-sanitizers.sh || skips_allowed=0
cd "$root"
end() {
  if ((!skips_allowed)); then
    echo "test-sanitizers.sh: tests that must run on this machine were skipped (see above)" >&2
    exit 1
  fi
  exit 0
}

# --- fuzzing ------------------------------------------------------------------------------
fuzz_seconds=${QUORVEX_FUZZ_SECONDS:-20}
if ((fuzz_seconds == 0)); then
  end
fi
if ! command -v clang++ >/dev/null; then
  echo "test-sanitizers.sh: clang++ is not installed; the fuzz targets are not built"
  end
fi
fuzz_dir=${QUORVEX_FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$fuzz_dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  "${compiler_cache[@]}" -DQUORVEX_FUZZ=ON >/dev/null
cmake --build "$fuzz_dir" --parallel "$(nproc)" --target quorvex_fuzz_targets

corpus_root=$(mktemp -d)
trap 'rm -rf "$corpus_root" "$ctest_log"' EXIT
names=()
for target in "$root"/fuzz/corpus/*/; do
  names+=("$(basename "$target")")
  # The seeds stay as they are in the repository; what the fuzzer finds goes to a scratch copy.
  cp -r "$target" "$corpus_root/${names[-1]}"
done
# A fuzzer keeps one core busy: as many run at once as there are cores, each for the whole time.
cores=$(nproc)
found=0
for ((first = 0; first < ${#names[@]}; first += cores)); do
  running=()
  for name in "${names[@]:first:cores}"; do
    echo "test-sanitizers.sh: fuzzing $name for $fuzz_seconds s"
    "$fuzz_dir/fuzz/fuzz_$name" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
      -artifact_prefix="$corpus_root/$name-" "$corpus_root/$name" 2>"$corpus_root/$name.log" &
    running+=("$!:$name")
  done
  for entry in "${running[@]}"; do
    name=${entry#*:}
    if wait "${entry%%:*}"; then
      echo "test-sanitizers.sh: fuzz_$name:" $(grep -E '^stat::(number_of_executed_units|new_units_added)' "$corpus_root/$name.log")
    else
      cat "$corpus_root/$name.log" >&2
      echo "test-sanitizers.sh: fuzz_$name found a fault; the input is shown above" >&2
      found=1
    fi
  done
done
if ((found)); then
  exit 1
fi
end
