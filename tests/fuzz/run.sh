#!/usr/bin/env bash
# Builds the harnesses (clang, libFuzzer, AddressSanitizer and UBSan) and runs
# each for SECONDS seconds on a corpus seeded from the examples.
# Usage: tests/fuzz/run.sh [SECONDS] [BUILD_FOLDER]
set -euo pipefail
seconds=${1:-300}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${2:-$root/build-fuzz}

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ not found, skipped" >&2
  exit 0
fi
cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "${JOBS:-2}"

# Seeds: the example models and the default database; the example weather
# files cut to their header and two days; a tape and its day counts.
seeds=$build/seeds
rm -rf "$seeds" && mkdir -p "$seeds"/{ModelReader,EpwReader,TapeReader}
cp "$root"/examples/*.kz7 "$root"/support/Dbs.KZ7 "$seeds/ModelReader/"
for epw in "$root"/examples/weather/*.epw; do
  head -n 56 "$epw" > "$seeds/EpwReader/$(basename "$epw")"
done
cp "$root"/tests/fuzz/seeds/tape/* "$seeds/TapeReader/"

failed=0
for harness in ModelReader EpwReader TapeReader; do
  corpus=$build/corpus/$harness
  artifacts=$build/artifacts/$harness/
  mkdir -p "$corpus" "$artifacts"
  echo "fuzz: $harness for ${seconds}s"
  if ! "$build/fuzz_$harness" "$corpus" "$seeds/$harness" -max_total_time="$seconds" \
       -timeout=20 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
       -artifact_prefix="$artifacts" 2>"$build/$harness.log"; then
    echo "fuzz: $harness failed; see $build/$harness.log and $artifacts" >&2
    tail -n 40 "$build/$harness.log" >&2
    failed=1
  else
    grep -E "^stat::number_of_executed_units|^stat::new_units_added" "$build/$harness.log" | sed "s/^/  /"
  fi
done
exit $failed
