#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz/ and runs
# each of them for SECONDS seconds (default 20) on a copy of its seed corpus,
# FUZZ_JOBS (default 2) targets at a time.
# Exit status 1 when a target finds a crash, a timeout or a leak; the target
# and the reproducer are printed. Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail

seconds=${1:-20}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || ((seconds < 1)); then
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
export CC=${CC:-clang-14} CXX=${CXX:-clang++-14}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDIN_FUZZ=ON \
  -DVERDIN_BUILD_TESTS=OFF -DVERDIN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzzers -j2

targets=(settings norm_tables industry_coefficients notes percentage_table
         coefficient_form general_data_form isx estimate)

jobs=${FUZZ_JOBS:-2}  # targets fuzzed at the same time
run="$build/fuzz-run"
rm -rf "$run"
mkdir -p "$run"
# The targets write their files into a temporary folder; a memory-backed
# one makes them several times faster.
if [[ -d /dev/shm && -w /dev/shm ]]; then
  TMPDIR=$(mktemp -d /dev/shm/verdin-fuzz.XXXXXX)
else
  TMPDIR=$(mktemp -d)
fi
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

# Runs one target; its exit status goes to $run/<target>.status.
fuzz_target() {
  local target=$1 status=0
  local corpus="$run/corpus/$target" artifacts="$run/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  cp "$root/fuzz/corpus/$target/"* "$corpus/"
  (cd "$run" && "$build/fuzz/${target}_fuzzer" "$corpus" -max_total_time="$seconds" -timeout=1 \
     -rss_limit_mb=1024 -print_final_stats=1 -artifact_prefix="$artifacts/") >"$run/$target.log" 2>&1 || status=$?
  echo "$status" >"$run/$target.status"
}

for target in "${targets[@]}"; do
  while (($(jobs -rp | wc -l) >= jobs)); do wait -n || true; done
  echo "fuzz: $target for ${seconds}s"
  fuzz_target "$target" &
done
wait

failed=()
for target in "${targets[@]}"; do
  log="$run/$target.log"
  status=$(cat "$run/$target.status" 2>/dev/null || echo missing)
  reproducers=$(find "$run/artifacts/$target" -type f | sort)
  if [[ "$status" != 0 || -n "$reproducers" ]]; then
    echo "fuzz: FAILED $target (exit status $status), log $log" >&2
    grep -E "^==[0-9]+==ERROR|^SUMMARY|fuzz check failed|runtime error|terminate called" "$log" | head -5 >&2 || true
    for file in $reproducers; do echo "fuzz: reproducer $file" >&2; done
    failed+=("$target")
  else
    grep -E "^stat::number_of_executed_units" "$log" | sed "s/^stat::number_of_executed_units:/fuzz: $target runs:/" || true
  fi
done

passed=$(( ${#targets[@]} - ${#failed[@]} ))
if ((${#failed[@]} > 0)); then
  echo "fuzz: failed targets: ${failed[*]}" >&2
  echo "fuzz: $passed passed, ${#failed[@]} failed"
  exit 1
fi
echo "fuzz: all targets clean"
echo "fuzz: $passed passed, 0 failed"
