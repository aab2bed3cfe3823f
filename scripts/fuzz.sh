#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz/ and runs
# each of them for SECONDS seconds (default 20) on a copy of its seed corpus.
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

run="$build/fuzz-run"
rm -rf "$run"
mkdir -p "$run"
failed=()
for target in "${targets[@]}"; do
  corpus="$run/corpus/$target"
  artifacts="$run/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  cp "$root/fuzz/corpus/$target/"* "$corpus/"
  log="$run/$target.log"
  echo "fuzz: $target for ${seconds}s"
  status=0
  (cd "$run" && "$build/fuzz/${target}_fuzzer" "$corpus" -max_total_time="$seconds" -timeout=1 \
     -rss_limit_mb=1024 -print_final_stats=1 -artifact_prefix="$artifacts/") >"$log" 2>&1 || status=$?
  reproducers=$(find "$artifacts" -type f | sort)
  if ((status != 0)) || [[ -n "$reproducers" ]]; then
    echo "fuzz: FAILED $target (exit status $status), log $log" >&2
    grep -E "^==[0-9]+==ERROR|^SUMMARY|fuzz check failed|runtime error|terminate called" "$log" | head -5 >&2 || true
    for file in $reproducers; do echo "fuzz: reproducer $file" >&2; done
    failed+=("$target")
  else
    grep -E "^stat::number_of_executed_units" "$log" | sed "s/^/fuzz: $target /" || true
  fi
done

if ((${#failed[@]} > 0)); then
  echo "fuzz: failed targets: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: all targets clean"
