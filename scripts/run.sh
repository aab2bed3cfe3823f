#!/usr/bin/env bash
# Sets up, builds and starts Verdin on the shipped demo database.
#   scripts/run.sh [--ini FILE]
# Without a display (no DISPLAY or WAYLAND_DISPLAY) it says so and instead
# writes the shipped demo estimate as a workbook with verdin-batch,
# printing where the workbook was written.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target verdin verdin-batch

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec build/verdin "$@"
fi

out_dir="${XDG_DATA_HOME:-$HOME/.local/share}/verdin/Isx"
mkdir -p "$out_dir"
out="$out_dir/Смета demo.xls"
echo "Нет дисплея: вместо окон записываю демонстрационную смету командой verdin-batch estimate."
build/verdin-batch "$@" --data data estimate examples/demo.isx "$out"
echo "Книга сметы записана: $out"
