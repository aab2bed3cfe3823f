#!/usr/bin/env bash
# verdin-batch estimate on the demo estimate runs clean under valgrind:
# no invalid reads or writes, no use of uninitialised values, no leak.
set -euo pipefail
batch=$1
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/share"
for out in смета.xls смета.xlsx; do
  valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
    "$batch" --data "$root/data" estimate "$root/examples/demo.isx" "$work/$out" --save-isx "$work/снова.isx"
done
echo "valgrind: clean"
