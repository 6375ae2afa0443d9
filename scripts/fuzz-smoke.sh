#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz and runs each for
# FUZZ_SECONDS (default 60), two at a time, from its seed corpus in fuzz/corpus/<target>.
# Fails when a target finds a crash, a sanitizer report, a leak or a timeout; the input
# that did it is kept in build-fuzz/findings/<target>/. New inputs the runs find go to
# build-fuzz/corpus/<target>, never into the repository's seed corpus.
#
#   FUZZ_SECONDS=600 bash scripts/fuzz-smoke.sh          # a longer campaign
#   FUZZ_TARGETS="riff_walk_fuzz" bash scripts/fuzz-smoke.sh
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
targets=(${FUZZ_TARGETS:-wave_reader_fuzz riff_walk_fuzz mixer_file_fuzz analyse_fuzz})

# clang and its fuzzer and sanitizer runtimes, besides what the build needs anyway.
bash scripts/setup.sh
packages=(clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "fuzz: run as root to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
  fi
  export DEBIAN_FRONTEND=noninteractive
  echo "fuzz: installing ${missing[*]}" >&2
  if ! $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null 2>&1; then
    $sudo apt-get update -q >/dev/null
    $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi

if [ ! -f build-fuzz/CMakeCache.txt ]; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKELVOR_FUZZ=ON -DBUILD_TESTING=OFF -DKELVOR_BENCH=OFF >/dev/null
fi
cmake --build build-fuzz --target "${targets[@]}"

# One run: the repository's seeds are read, new inputs go to the work corpus.
run() {
  local target=$1 log=build-fuzz/logs/$1.log
  mkdir -p "build-fuzz/corpus/$target" "build-fuzz/findings/$target"
  local max_len=4096
  [ "$target" = mixer_file_fuzz ] && max_len=17000  # a whole settings file and its byte
  if build-fuzz/fuzz/"$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=20 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$target/" \
      "build-fuzz/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    echo "fuzz: $target: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" |
      grep -o '[0-9]*$') runs, nothing found"
  else
    echo "fuzz: $target FOUND A FAULT; input in build-fuzz/findings/$target/, log:" >&2
    tail -n 40 "$log" >&2
    return 1
  fi
}

mkdir -p build-fuzz/logs
status=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for target in "${targets[@]:i:2}"; do
    run "$target" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
done
exit $status
