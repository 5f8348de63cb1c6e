#!/usr/bin/env bash
# Installs a built tree into a temporary root with DESTDIR and checks what a user gets: the
# layout, the installed programs run from there, the desktop files valid, and the .deb made
# of the same files with its run-time dependencies. Validators and dpkg-deb are used where
# they exist (scripts/test.sh installs them).
# usage: check_install.sh BUILD_DIR VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
work=$(mktemp -d)
app_pid=
cleanup() {
  if [[ -n $app_pid ]]; then kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
contains() { grep -qF -- "$2" <<<"$1" || fail "expected '$2' in: $1"; }
file_list() { (cd "$1" && find . ! -type d | sed 's|^\.||' | sort); }

# The changelog is signed by the maintainer also after the first configure of a fresh build
# folder (a second configure of the same folder would hide a value set too late).
source_dir=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
cmake -S "$source_dir" -B "$work/fresh" -DBUILD_TESTING=OFF >"$work/fresh.log" 2>&1 ||
  fail "a fresh configure failed: $(cat "$work/fresh.log")"
maintainer=$(sed -n 's/^QUORVEX_MAINTAINER:STRING=//p' "$work/fresh/CMakeCache.txt")
[[ -n $maintainer ]] || fail "no QUORVEX_MAINTAINER after a fresh configure"
signature=$(tail -n 1 "$work/fresh/packaging/changelog")
[[ $signature == " -- $maintainer  "* ]] || fail "the changelog's last line is not signed by '$maintainer': '$signature'"

root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
bin=$root/usr/bin
share=$root/usr/share
for f in "$bin/quorvex" "$bin/quorvex-sim" "$share/doc/quorvex/Quorvex.html" \
    "$share/quorvex/examples/PTC.INI" "$share/man/man1/quorvex.1.gz" "$share/man/man1/quorvex-sim.1.gz" \
    "$share/icons/hicolor/scalable/apps/quorvex.svg"; do
  [[ -s $f ]] || fail "not installed: ${f#"$root"}"
done
for size in 48 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/quorvex.png
  [[ -s $png ]] || fail "not installed: ${png#"$root"}"
  # Width and height stand in the PNG header's IHDR chunk, as 32-bit big-endian numbers.
  read -r w h < <(od -An -tu4 --endian=big -j16 -N8 "$png")
  [[ $w == "$size" && $h == "$size" ]] || fail "${png#"$root"} is ${w}x${h}"
done
echo "installed: $(file_list "$root" | wc -l) files"

# The installed programs, run from the temporary root.
contains "$("$bin/quorvex-sim" --version)" "$version"
contains "$("$bin/quorvex" --version)" "$version"
mkdir "$work/session"
(cd "$work/session" && "$bin/quorvex-sim" run --ini "$share/quorvex/examples/PTC.INI" --seed 7 >run.txt)
contains "$(cat "$work/session/run.txt")" "tip:"
[[ -s $work/session/default.dat ]] || fail "quorvex-sim run wrote no results file"
contains "$("$bin/quorvex" --help)" "Quorvex Help): $share/doc/quorvex/Quorvex.html"

# A start from the menu: the window comes up in ~/Quorvex, made with the example inside.
mkdir "$work/home"
HOME=$work/home "$bin/quorvex" --data-folder >"$work/app.log" 2>&1 &
app_pid=$!
for _ in $(seq 100); do
  [[ -e $work/home/Quorvex/PTC.INI ]] && break
  sleep 0.1
done
cmp "$share/quorvex/examples/PTC.INI" "$work/home/Quorvex/PTC.INI" || fail "no example PTC.INI in ~/Quorvex"
sleep 1
kill -0 "$app_pid" 2>/dev/null || fail "quorvex did not stay up: $(cat "$work/app.log")"
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$share"/applications/*.desktop
  contains "$(cat "$share"/applications/*.desktop)" "Exec=quorvex --data-folder"
else
  echo "desktop-file-validate absent: desktop entry not validated"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml
else
  echo "appstreamcli absent: metainfo not validated"
fi

# scripts/install-deps.sh installs dpkg-dev with what building needs: without it the package
# is not checked, and a check that did not run has not passed.
if ! command -v dpkg-deb >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
  fail "dpkg-deb or dpkg-shlibdeps absent: the .deb could not be built and checked (run scripts/install-deps.sh)"
fi
mkdir "$work/pkg"
(cd "$work/pkg" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >cpack.log) ||
  fail "cpack: $(cat "$work/pkg/cpack.log")"
deb=$work/pkg/quorvex_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || fail "no $(basename "$deb") among: $(ls "$work/pkg")"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libportaudio2 libqt6core6 libqt6gui6 libqt6widgets6 libqt6charts6 libqt6serialport6 libfftw3-single3; do
  contains "$depends" "$lib"
done
if grep -qE -- '-dev( |,|$)' <<<"$depends"; then fail "a -dev package among the dependencies: $depends"; fi
dpkg-deb -x "$deb" "$work/extracted"
diff <(file_list "$root") <(file_list "$work/extracted") || fail "the .deb and the install differ"
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb"
else
  echo "lintian absent: .deb not checked"
fi
echo "tst_install: passed"
