#!/usr/bin/env bash
# Fails when the program named links Qt's widget library, itself or through another library:
# the command-line tool runs the logic alone, on machines without a desktop.
#   check_no_widgets.sh PROGRAM
set -euo pipefail
program=$1
libraries=$(ldd "$program")
if grep -q 'libQt6Widgets' <<<"$libraries"; then
  echo "$program links QtWidgets:" >&2
  grep 'libQt6Widgets' <<<"$libraries" >&2
  exit 1
fi
# A list without Qt's core library would mean ldd saw nothing of the program's own.
if ! grep -q 'libQt6Core' <<<"$libraries"; then
  echo "$program: ldd lists no libQt6Core; the check cannot tell" >&2
  exit 1
fi
echo "$program links no QtWidgets"
