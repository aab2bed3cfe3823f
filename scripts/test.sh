#!/usr/bin/env bash
# Sets up, builds and runs every test of Verdin.
#   scripts/test.sh            normal build in build/, then a sanitizer build
#                              (address + undefined behaviour) in build-asan/
#   the tests of files, permissions and special files run a second time
#   under an ordinary user's id when the suite runs as root
#   (scripts/test-unprivileged.sh)
#   the Windows cross build without Qt and its tests under Wine
#   (scripts/test-windows.sh --without-qt: unit tests, verdin-batch.exe
#   against the Linux build)
#   then every fuzz target for a bounded time (scripts/fuzz.sh, 15 s each)
#   VERDIN_NO_ASAN=1 scripts/test.sh   skips the sanitizer build
#   VERDIN_NO_FUZZ=1 scripts/test.sh   skips the fuzzing
#   VERDIN_NO_WINDOWS=1 scripts/test.sh   skips the Windows part
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2
bash scripts/test-unprivileged.sh build

if [[ -z "${VERDIN_NO_WINDOWS:-}" ]]; then
  bash scripts/test-windows.sh --without-qt build
fi

if [[ -z "${VERDIN_NO_ASAN:-}" ]]; then
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVERDIN_SANITIZE=ON \
        -DVERDIN_BUILD_BENCH=OFF >/dev/null
  cmake --build build-asan -j2
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j2
fi

if [[ -z "${VERDIN_NO_FUZZ:-}" ]]; then
  bash scripts/fuzz.sh "${VERDIN_FUZZ_SECONDS:-15}"
fi
