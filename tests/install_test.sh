#!/usr/bin/env bash
# `cmake --install` puts the programs, their writer modules, the demo
# database, the desktop entry and the icon in place; the installed
# verdin-batch seeds a new user's data folder from the installed demo
# database and writes the demo estimate as .xls, .xlsx and PDF through the
# installed modules.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
for file in bin/verdin bin/verdin-batch share/verdin/data/ВердинПИР_Таблицы.txt \
            share/verdin/examples/demo.isx share/applications/verdin.desktop \
            share/verdin/fonts/LiberationSerif-Regular.ttf share/verdin/fonts/LiberationSerif-Bold.ttf \
            share/icons/hicolor/scalable/apps/verdin.svg \
            lib/verdin/verdin-xls.so lib/verdin/verdin-xlsx.so lib/verdin/verdin-pdf.so; do
  test -e "$work/prefix/$file" || { echo "not installed: $file"; exit 1; }
done
if find "$work/prefix/share/verdin/data" -name '*.md' | grep -q .; then
  echo "the data folder README must not be installed as data"; exit 1
fi
out=$(HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/share" \
      "$work/prefix/bin/verdin-batch" tables)
grep -q "$work/home/share/verdin/data" <<<"$out"
cmp "$work/prefix/share/verdin/data/ВердинПИР_Таблицы.txt" "$work/home/share/verdin/data/ВердинПИР_Таблицы.txt"
mkdir -m 700 "$work/runtime"
for name in смета.xls смета.xlsx смета.pdf; do
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/share" \
    XDG_RUNTIME_DIR="$work/runtime" "$work/prefix/bin/verdin-batch" \
    estimate "$work/prefix/share/verdin/examples/demo.isx" "$work/$name" >/dev/null
  test -s "$work/$name" || { echo "the installed verdin-batch did not write $name"; exit 1; }
done
test "$(head -c 2 "$work/смета.xlsx")" = PK && test "$(head -c 4 "$work/смета.pdf")" = %PDF \
  || { echo "the installed modules wrote the wrong formats"; exit 1; }
echo "install: ok"
