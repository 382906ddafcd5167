#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, every library instrumented, address and UB sanitizers) and
# runs each one for a fixed time from its seed corpus in fuzz/corpus/<name>/. A crash, a leak, an
# input slower than the per-input limit or one using too much memory fails the run; the input is
# kept in <build>/findings/ and its start is printed.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]     (default 60; two targets run at a time)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
# Instrumented code runs several times slower than a release build; a file that loads in well
# under a second there stays within this.
per_input=3

# FUZZ_BUILD_DIR names a tree already configured with ROZEDOZ_FUZZ (the test command's sanitizer
# build); without it the targets get a tree of their own.
build=${FUZZ_BUILD_DIR:-build-fuzz}
if [ -z "${FUZZ_BUILD_DIR:-}" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DROZEDOZ_FUZZ=ON \
    -DROZEDOZ_APP=OFF -DROZEDOZ_TESTS=OFF -DROZEDOZ_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target fuzz_all -j "$(nproc)"

findings=$build/findings
rm -rf "$findings"
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_one() {
  local bin=$1 name
  name=$(basename "$bin")
  name=${name#fuzz_}
  local corpus="$work/$name"
  mkdir -p "$corpus" "$findings/$name"
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$corpus/"; fi
  if "$bin" "$corpus" -max_total_time="$seconds" -timeout="$per_input" -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$findings/$name/" >"$work/$name.log" 2>&1; then
    echo "fuzz $name: $(grep -m1 'stat::number_of_executed_units' "$work/$name.log" | awk '{print $2}') inputs, no finding"
  else
    echo "fuzz $name: FAILED"
    grep -E '^==[0-9]+==|ERROR|timeout|Test unit written|SUMMARY' "$work/$name.log" | head -n 20 || true
    for f in "$findings/$name"/*; do
      [ -f "$f" ] && { echo "  $f:"; head -c 256 "$f" | od -A d -t x1 | head -n 8; }
    done
    return 1
  fi
}

status=0
pids=()
for bin in "$build"/fuzz/fuzz_*; do
  [ -x "$bin" ] || continue
  [ "$(basename "$bin")" = fuzz_seeds ] && continue
  run_one "$bin" &
  pids+=($!)
  # Two at a time: the machine's two cores.
  if [ ${#pids[@]} -ge 2 ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done
exit $status
