#!/usr/bin/env bash
# Installs the Debian packages Quorvex needs: with no argument those for building and running
# it; with --test also those for its tests, benchmarks and package checks.
# Quick when everything is already there: it only calls apt-get for what is missing.
set -euo pipefail

# Building and running.
packages=(
  g++ cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libxkbcommon-dev libgl-dev
  qt6-charts-dev qt6-svg-dev qt6-serialport-dev
  portaudio19-dev libjack-jackd2-dev
  librsvg2-bin  # draws the menu icon's PNGs from its SVG
  help2man      # quorvex-sim's manual page, from its --help
  libcli11-dev  # quorvex-sim's argument parser
  libfftw3-dev  # quorvex-sim: the virtual listener's spectra and its noise reservoirs
  fonts-liberation2  # metric twin of Arial, the graph window's font
  dpkg-dev      # dpkg-shlibdeps: the .deb's run-time dependencies, read from the binaries
)
# Tests, benchmarks, and the checks of the installed program and its .deb.
test_packages=(
  libgtest-dev libgmock-dev
  jackd2 jack-capture
  # The tests' PipeWire server, played to through ALSA as on a desktop and recorded through its
  # pulse server (scripts/with-test-pipewire.sh).
  pipewire wireplumber pipewire-pulse pipewire-alsa pulseaudio-utils libpulse-dev dbus-daemon
  libbenchmark-dev
  xvfb xauth
  poppler-utils  # pdftotext: the text of the graph saved as PDF, read back
  fonts-dejavu-core  # a Debian desktop's default sans-serif: the windows' captions are checked with it
  desktop-file-utils appstream lintian
  # The session record read back in a German locale by Python's csv module, pandas and R.
  python3 python3-pandas r-base-core locales
  poppler-utils  # the per-listener report's PDF read back as text (pdftotext)
  clang libclang-rt-dev  # the fuzz targets (libFuzzer)
  slurm-wlm munge  # a single-node Slurm for the study's job-array test (tests/studies/slurm_study.sh)
  ccache  # the test scripts compile through it: a second run compiles only what changed
  strace  # a session killed at each of its writes in turn (tests/sim/tst_SessionKills.cpp)
)

case "${1-}" in
  "") ;;
  --test) packages+=("${test_packages[@]}") ;;
  *) echo "usage: install-deps.sh [--test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
# jackd2 asks whether to enable realtime priority; answer it in advance.
echo "jackd2 jackd/tweak_rt_limits boolean false" | "${sudo_cmd[@]}" debconf-set-selections
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
