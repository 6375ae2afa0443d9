#!/usr/bin/env bash
# Starts, once, a private PulseAudio server with a silent sink for the tests that play and
# record through a real PortAudio device, and prints the environment they need:
#
#   eval "$(bash scripts/start-pulse.sh)"
#
# prints lines of the form `export NAME=value` on stdout, nothing else: the server's
# address, and KELVOR_PULSE_STARTED=1 when this call started it (0 when it was already up).
# Running it again while the server is up only prints them again. When no server can be
# started it warns on stderr, prints nothing and exits 0: the tests then skip (or fail,
# where KELVOR_REQUIRE_REAL_AUDIO=1 says they must run).
#
#   bash scripts/start-pulse.sh --stop
#
# stops the server of the same directory, if one runs, and prints nothing;
#
#   bash scripts/start-pulse.sh --env
#
# only prints the environment of the server's clients (without KELVOR_PULSE_STARTED),
# whether it runs or not: ctest's sound-server fixture hands it to the tests that use it.
#
# The server runs as whoever calls it, root included (CI has no display, no D-Bus session
# and no sound card): a per-user daemon with its own runtime and home directories under
# $KELVOR_PULSE_DIR (default /tmp/kelvor-pulse), the native protocol on a socket there with
# anonymous access, no default script. Its sink is a null sink at $KELVOR_PULSE_RATE Hz
# (default 44100, the rate of the test sound, so nothing is resampled); its monitor is the
# default source, so what is played can be recorded back. KELVOR_PULSE_LOOPBACK=0 leaves out
# the standing low-latency client described below (the benchmarks measure the server's own
# cost, which that client would swamp). ALSA's default PCM reaches the server through libasound2-plugins'
# pulse plugin, named in an ALSA configuration file that ALSA_CONFIG_PATH adds to the
# system's own for the tests alone.
set -uo pipefail

dir="${KELVOR_PULSE_DIR:-/tmp/kelvor-pulse}"
sink=kelvor_null
rate="${KELVOR_PULSE_RATE:-44100}"
loopback="${KELVOR_PULSE_LOOPBACK:-1}"
socket="$dir/native"

warn() { echo "start-pulse: $*; the real-device tests cannot run" >&2; exit 0; }

# The server and pactl see only this environment: no display or session bus to contact.
server_env=(env -u DISPLAY -u WAYLAND_DISPLAY
  DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/no-bus"
  HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config"
  PULSE_RUNTIME_PATH="$dir/runtime" PULSE_SERVER="unix:$socket")

ctl() { "${server_env[@]}" timeout 5 pactl "$@"; }

running() { ctl list short sinks 2>/dev/null | grep -q "^[0-9]*[[:space:]]$sink[[:space:]]"; }

# Asks the server of $dir to end, then ends its process (by the id in its pid file, when
# that still names a pulseaudio process) if it is still there after 5 s.
stop() {
  local pid=""
  [ -r "$dir/runtime/pid" ] && pid=$(tr -dc '0-9' <"$dir/runtime/pid")
  [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" != pulseaudio ] && pid=""
  command -v pulseaudio >/dev/null &&
    "${server_env[@]}" timeout 5 pulseaudio --kill >/dev/null 2>&1
  if [ -n "$pid" ]; then
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
  fi
  rm -f "$socket" "$dir/runtime/pid"
}

alsa_conf=""
for f in /usr/share/alsa/alsa.conf /etc/alsa/alsa.conf; do
  [ -f "$f" ] && { alsa_conf="$f"; break; }
done

client_env() {
  cat <<EOF
export PULSE_SERVER=unix:$socket
export PULSE_RUNTIME_PATH=$dir/runtime
export ALSA_CONFIG_PATH=$alsa_conf:$dir/asound.conf
EOF
}

case "${1:-}" in
  --stop) stop; exit 0 ;;
  --env) client_env; exit 0 ;;
esac

command -v pulseaudio >/dev/null || warn "pulseaudio is not installed"
command -v pactl >/dev/null || warn "pactl (pulseaudio-utils) is not installed"
[ -n "$alsa_conf" ] || warn "ALSA's configuration (alsa.conf) was not found"
if ! compgen -G "/usr/lib/*/alsa-lib/libasound_module_pcm_pulse.so" >/dev/null &&
   ! compgen -G "/usr/lib/alsa-lib/libasound_module_pcm_pulse.so" >/dev/null; then
  warn "ALSA's pulse plugin (libasound2-plugins) is not installed"
fi

mkdir -p "$dir/runtime" "$dir/home" && chmod 700 "$dir/runtime" ||
  warn "cannot create $dir"

started=0
if ! running; then
  # Anything left of an earlier server in our directory goes first.
  stop
  started=1

  # A null sink renders its max latency (2 s) ahead while no stream asks for less, and a
  # stream that connects then waits that long before it is heard. The loopback from the
  # monitor to a second null sink is a standing low-latency client: it keeps the sink
  # rendering in steps of a few milliseconds, like a sound card.
  cat >"$dir/kelvor.pa" <<EOF
load-module module-native-protocol-unix auth-anonymous=1 socket=$socket
load-module module-null-sink sink_name=$sink rate=$rate channels=2
set-default-sink $sink
set-default-source $sink.monitor
EOF
  [ "$loopback" = 0 ] || cat >>"$dir/kelvor.pa" <<EOF
load-module module-null-sink sink_name=kelvor_drain rate=$rate channels=2
load-module module-loopback source=$sink.monitor sink=kelvor_drain latency_msec=20
EOF
  cat >"$dir/asound.conf" <<EOF
# ALSA's default PCM and mixer are the PulseAudio server named by PULSE_SERVER.
pcm.!default { type pulse }
ctl.!default { type pulse }
EOF
  # Root may run a per-user daemon; it only warns. Realtime scheduling keeps the sink's
  # clock steady on a loaded machine; where it is not allowed the server runs without it.
  # Shared memory may be scarce in a container: off.
  "${server_env[@]}" pulseaudio -n -F "$dir/kelvor.pa" --daemonize=yes --exit-idle-time=-1 \
    --use-pid-file=yes --realtime=yes --high-priority=yes --disable-shm=yes \
    --log-target="file:$dir/pulse.log" >/dev/null 2>&1 ||
    { stop; warn "pulseaudio did not start (see $dir/pulse.log)"; }
  for _ in $(seq 50); do
    running && break
    sleep 0.1
  done
  running ||
    { stop; warn "pulseaudio started but its sink did not appear (see $dir/pulse.log)"; }
fi

# Wait until the sink has played out what it rendered ahead before the loopback attached.
for _ in $(seq 40); do
  worst=$(ctl list sinks 2>/dev/null |
    awk '/^[[:space:]]*Latency:/ { if ($2 > w) w = $2 } END { print w + 0 }')
  [ "${worst:-0}" -lt 100000 ] && break
  sleep 0.1
done

client_env
echo "export KELVOR_PULSE_STARTED=$started"
