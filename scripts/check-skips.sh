#!/usr/bin/env bash
# Says which tests of the last CTest run in a build folder were skipped, one line each, and fails
# when one of them is not in tests/allowed-skips.txt: on the machines scripts/test.sh runs on,
# every other test has what it needs, so its skip hides whatever it would have found.
# usage: check-skips.sh BUILD_DIR CTEST_OUTPUT PREFIX
#   CTEST_OUTPUT  what ctest printed (its list of the programs it did not run, e.g. exit code 77)
#   PREFIX        the name the lines start with
set -euo pipefail
build=$1
ctest_output=$2
prefix=$3
allowed=()
while read -r pattern _; do
  allowed+=("$pattern")
done < <(sed -e '/^#/d' -e '/^[[:space:]]*$/d' "$(dirname "$0")/../tests/allowed-skips.txt")

status=0
say() {
  local name=$1 reason=$2 pattern
  for pattern in "${allowed[@]}"; do
    # shellcheck disable=SC2053  # the pattern is a glob on purpose
    if [[ $name == $pattern ]]; then
      echo "$prefix: skipped $name: $reason (allowed: tests/allowed-skips.txt)"
      return
    fi
  done
  echo "$prefix: skipped $name: $reason; it must run on this machine" >&2
  status=1
}

# A test program's skipped tests (tests/support/SkipReport.cpp)...
while IFS= read -r line; do
  rest=${line#quorvex-test: skipped }
  say "${rest%%: *}" "${rest#*: }"
done < <(grep -h '^quorvex-test: skipped ' "$build/Testing/Temporary/LastTest.log" | sort -u || true)
# ... and the programs CTest counted as skipped.
while IFS= read -r name; do
  say "$name" "the whole program was skipped"
done < <(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$ctest_output" | sort -u)
exit $status
