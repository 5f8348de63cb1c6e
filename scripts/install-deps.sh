#!/usr/bin/env bash
# Installs every Debian package that building, testing and benchmarking Quorvex needs.
# Quick when everything is already there: it only calls apt-get for what is missing.
set -euo pipefail

packages=(
  g++ cmake pkg-config libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libxkbcommon-dev libgl-dev
  qt6-charts-dev qt6-svg-dev qt6-serialport-dev
  portaudio19-dev jackd2 jack-capture libjack-jackd2-dev
  # The tests' PipeWire server, played to through ALSA as on a desktop and recorded through its
  # pulse server (scripts/with-test-pipewire.sh).
  pipewire wireplumber pipewire-pulse pipewire-alsa pulseaudio-utils libpulse-dev dbus-daemon
  libbenchmark-dev libfftw3-dev
  libcli11-dev  # quorvex-sim's argument parser
  xvfb xauth
  fonts-liberation2  # metric twin of Arial, the graph window's font
  fonts-dejavu-core  # a Debian desktop's default sans-serif: the windows' captions are checked with it
  # The session record read back in a German locale by Python's csv module, pandas and R.
  python3 python3-pandas r-base-core locales
)

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
