#!/usr/bin/env bash
# `cmake --install` puts the programs, the demo database, the desktop entry
# and the icon in place, and the installed verdin-batch seeds a new user's
# data folder from the installed demo database.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
for file in bin/verdin bin/verdin-batch share/verdin/data/ВердинПИР_Таблицы.txt \
            share/verdin/examples/demo.isx share/applications/verdin.desktop \
            share/icons/hicolor/scalable/apps/verdin.svg; do
  test -e "$work/prefix/$file" || { echo "not installed: $file"; exit 1; }
done
if find "$work/prefix/share/verdin/data" -name '*.md' | grep -q .; then
  echo "the data folder README must not be installed as data"; exit 1
fi
out=$(HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/share" \
      "$work/prefix/bin/verdin-batch" tables)
grep -q "$work/home/share/verdin/data" <<<"$out"
cmp "$work/prefix/share/verdin/data/ВердинПИР_Таблицы.txt" "$work/home/share/verdin/data/ВердинПИР_Таблицы.txt"
echo "install: ok"
