#!/usr/bin/env bash
# Sets up, builds and starts Verdin on the shipped demo database.
# Until the desktop windows are built, this starts the headless command
# verdin-batch instead and says so.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target verdin-batch

echo "Окна программы ещё не собраны: запускаю verdin-batch tables на демонстрационной базе."
exec build/verdin-batch "$@" tables
