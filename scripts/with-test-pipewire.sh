#!/usr/bin/env bash
# Runs a command beside a private PipeWire sound server, as a desktop has one, and stops the
# server when the command ends, whatever happened:
#   scripts/with-test-pipewire.sh COMMAND [ARGUMENT...]
# The server has a session bus, a runtime folder and a configuration of its own, so it never
# meets a user's own PipeWire or PulseAudio. It runs its graph at 44100 Hz with one null sink,
# "quorvex-test-sink"; PipeWire's pulse server lets a test record what reaches the sink through
# its monitor. The command gets QUORVEX_TEST_PIPEWIRE_RUNTIME (the server's runtime folder) and
# QUORVEX_TEST_PIPEWIRE_SINK (the sink's name). Only the tests labelled 'pipewire' point their
# sound libraries at the server; every other program still finds no PipeWire, so the JACK tests
# play to JACK as before. Exits with the command's status.
set -uo pipefail

if (($# == 0)); then
  echo "usage: $0 COMMAND [ARGUMENT...]" >&2
  exit 2
fi

sink=quorvex-test-sink
dir=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-pipewire.XXXXXX")
pids=()
session_manager=
stop_all() {
  local i
  # In the reverse order of starting: clients before the server, the bus last.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  pids=()
  rm -rf "$dir"
}
trap stop_all EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -m 700 -p "$dir/runtime" "$dir/config/pipewire/pipewire.conf.d" "$dir/state"
cat >"$dir/config/pipewire/pipewire.conf.d/quorvex-test.conf" <<EOF
context.properties = {
    default.clock.rate          = 44100
    default.clock.allowed-rates = [ 44100 ]
}
context.objects = [
    { factory = adapter
        args = {
            factory.name     = support.null-audio-sink
            node.name        = "$sink"
            node.description = "Quorvex test sink"
            media.class      = Audio/Sink
            audio.position   = [ FL FR ]
            audio.rate       = 44100
            object.linger    = true
            priority.driver  = 1
            priority.session = 1
            # Never suspended when idle: resuming it can take seconds on a busy machine.
            session.suspend-timeout-seconds = 0
        }
    }
]
EOF

bus=unix:path=$dir/bus
# The server's programs see only the private session; the command keeps the caller's.
private=(env -u PIPEWIRE_RUNTIME_DIR -u PIPEWIRE_REMOTE -u PULSE_SERVER -u PULSE_RUNTIME_PATH
  XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/config" XDG_STATE_HOME="$dir/state"
  DBUS_SESSION_BUS_ADDRESS="$bus")

# Each one goes when this script goes, even if the script is killed.
start() {
  "${private[@]}" setpriv --pdeathsig TERM "$@" >>"$dir/log" 2>&1 </dev/null &
  pids+=($!)
}

wait_for_socket() {
  local _
  for _ in $(seq 1 300); do
    if [[ -S $1 ]]; then return 0; fi
    sleep 0.1
  done
  return 1
}

# Ready once the session manager has made the sink the default output; without the manager
# (it gives up when the server is not yet listening) no stream would ever be linked.
sink_ready() {
  kill -0 "$session_manager" 2>/dev/null &&
    "${private[@]}" pactl info 2>/dev/null | grep -q "^Default Sink: $sink\$"
}

up=false
if command -v pipewire >/dev/null && command -v wireplumber >/dev/null &&
  command -v pipewire-pulse >/dev/null && command -v pactl >/dev/null; then
  # Each one only once what it connects to is listening.
  start dbus-daemon --session --nofork --nopidfile --address="$bus"
  wait_for_socket "$dir/bus"
  start pipewire
  wait_for_socket "$dir/runtime/pipewire-0"
  start wireplumber
  session_manager=$!
  start pipewire-pulse
  for _ in $(seq 1 300); do  # a busy machine may need many seconds
    if sink_ready; then
      up=true
      break
    fi
    sleep 0.1
  done
else
  echo "pipewire, wireplumber, pipewire-pulse or pactl is not installed (scripts/install-deps.sh --test installs them)" >>"$dir/log"
fi

if $up; then
  echo "with-test-pipewire: PipeWire is up (null sink '$sink', 44100 Hz)"
  export QUORVEX_TEST_PIPEWIRE_RUNTIME=$dir/runtime QUORVEX_TEST_PIPEWIRE_SINK=$sink
else
  echo "with-test-pipewire: no PipeWire server could be started; the tests labelled 'pipewire' will fail." >&2
  echo "with-test-pipewire: it said:" >&2
  cat "$dir/log" >&2 || true
fi

"$@"
