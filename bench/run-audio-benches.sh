#!/usr/bin/env bash
# Runs the real-path benchmarks against a private PulseAudio server made for them: a null
# sink at 48 kHz and no other client (scripts/start-pulse.sh with KELVOR_PULSE_RATE=48000
# KELVOR_PULSE_LOOPBACK=0), in a fresh directory, stopped at the end. The start-up
# benchmark runs under xvfb-run.
#
#   bash bench/run-audio-benches.sh [BUILD_DIR] [extra Google Benchmark flags]
#
# BUILD_DIR defaults to build/; it must hold the bench targets (configured with
# -DKELVOR_BENCH=ON: kelvor_playback_bench, kelvor_record_bench, kelvor_note_bench,
# kelvor_startup_bench).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift || true
export KELVOR_PULSE_DIR
KELVOR_PULSE_DIR=$(mktemp -d /tmp/kelvor-bench.XXXXXX)
stop() {
  bash scripts/start-pulse.sh --stop
  rm -rf "$KELVOR_PULSE_DIR"
}
trap stop EXIT
eval "$(KELVOR_PULSE_RATE=48000 KELVOR_PULSE_LOOPBACK=0 bash scripts/start-pulse.sh)"
[ -n "${PULSE_SERVER:-}" ] || { echo "run-audio-benches: no sound server" >&2; exit 1; }

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
flags=(--benchmark_counters_tabular=true "$@")
for b in kelvor_playback_bench kelvor_record_bench kelvor_note_bench; do
  QT_QPA_PLATFORM=offscreen "$build/bench/$b" "${flags[@]}" 2> >(grep -v '^Expression' >&2)
done
if command -v xvfb-run >/dev/null && [ -x "$build/bench/kelvor_startup_bench" ]; then
  xvfb-run -a -s "-screen 0 1024x768x24" "$build/bench/kelvor_startup_bench" "${flags[@]}"
fi
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
