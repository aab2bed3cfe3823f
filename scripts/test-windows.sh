#!/usr/bin/env bash
# Tests the Windows build under Wine: the unit tests cross-built by
# scripts/build-windows.sh, and verdin-batch.exe on the shipped demo
# estimate against the Linux build's verdin-batch (build/, or the folder
# given): the same lines from `open`, the same .xls and .isx bytes, the
# same .xlsx cells (tests/xlsx_dump.py), a Cyrillic path with spaces, a
# read-only workbook refused.
#   scripts/test-windows.sh [LINUX_BUILD_FOLDER]
# Its last line is "windows: N passed, M failed"; it exits non-zero when
# anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
linux_build="${1:-$root/build}"
windows_build="${VERDIN_WINDOWS_BUILD:-$root/build-windows}"
cache="${VERDIN_WINDOWS_CACHE:-$HOME/.cache/verdin-windows}"

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "windows: ok   $1"; }
fail() { failed=$((failed + 1)); echo "windows: FAIL $1"; }
check() {  # check NAME COMMAND...: passes when the command succeeds
  local name=$1
  shift
  if "$@"; then pass "$name"; else fail "$name"; fi
}
finish() {
  echo "windows: $passed passed, $failed failed"
  [[ $failed -eq 0 ]]
  exit
}

if ! bash scripts/build-windows.sh >"${TMPDIR:-/tmp}/verdin-build-windows.log" 2>&1; then
  tail -n 30 "${TMPDIR:-/tmp}/verdin-build-windows.log"
  fail "cross build (scripts/build-windows.sh)"
  finish
fi
pass "cross build"
if [[ ! -x "$linux_build/verdin-batch" ]]; then
  fail "the Linux build's verdin-batch is missing in $linux_build"
  finish
fi

# One Wine prefix for the tests, kept in the cache: its first start takes
# a few seconds, later ones well under one.
export WINEPREFIX="$cache/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wine_run() { wine "$@"; }

# The unit tests; each counts. The sheet tests that read a workbook back
# with the Linux Python readers (python3-xlrd) cannot run under Wine; the
# workbooks themselves are compared with the Linux build's below.
unit_log=$(mktemp)
(cd "$windows_build" && wine_run ./verdin_tests.exe --gtest_brief=1 --gtest_filter='-EstimateSheetTest.*') 2>&1 | tr -d '\r' >"$unit_log"
unit_status=${PIPESTATUS[0]}
unit_passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\./\1/p' "$unit_log" | tail -n1)
unit_failed=$(grep '^\[  FAILED  \] [A-Za-z]' "$unit_log" | sed 's/ (.*//' | sort -u | wc -l)
passed=$((passed + ${unit_passed:-0}))
failed=$((failed + ${unit_failed:-0}))
grep '^\[  FAILED  \] [A-Za-z]' "$unit_log" | sed 's/ (.*//; s/^\[  FAILED  \] /windows: FAIL unit test /' | sort -u
if [[ $unit_status -ne 0 && $unit_failed -eq 0 ]]; then
  tail -n 20 "$unit_log"
  fail "unit tests under Wine did not finish"
fi
echo "windows: unit tests ${unit_passed:-0} passed, ${unit_failed:-0} failed"

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
export HOME_FOR_LINUX="$work/linux-home"
mkdir -p "$HOME_FOR_LINUX" "$work/linux" "$work/windows"
linux_batch() { HOME="$HOME_FOR_LINUX" XDG_CONFIG_HOME= XDG_DATA_HOME= "$linux_build/verdin-batch" "$@"; }
windows_batch() { wine_run "$windows_build/verdin-batch.exe" "$@"; }
no_cr() { tr -d '\r'; }

# open: the same lines.
linux_batch --data data open examples/demo.isx >"$work/linux/open.txt" 2>&1
windows_batch --data data open examples/demo.isx 2>&1 | no_cr >"$work/windows/open.txt"
check "open prints the same lines" cmp -s "$work/linux/open.txt" "$work/windows/open.txt" ||
  diff "$work/linux/open.txt" "$work/windows/open.txt" | head -n 10

# estimate: the same .xls and .isx bytes.
linux_batch --data data estimate examples/demo.isx "$work/linux/смета.xls" --save-isx "$work/linux/смета.isx" \
  >/dev/null 2>&1
windows_batch --data data estimate examples/demo.isx "$work/windows/смета.xls" --save-isx "$work/windows/смета.isx" \
  >"$work/windows/estimate.txt" 2>&1
check "estimate .xls byte-identical" cmp -s "$work/linux/смета.xls" "$work/windows/смета.xls"
check "--save-isx byte-identical" cmp -s "$work/linux/смета.isx" "$work/windows/смета.isx"
check "no temporary file left" test -z "$(find "$work/windows" -name '.~*')"

# .xlsx: the same cells, read back by the same reader.
linux_batch --data data estimate examples/demo.isx "$work/linux/смета.xlsx" >/dev/null 2>&1
windows_batch --data data estimate examples/demo.isx "$work/windows/смета.xlsx" >/dev/null 2>&1
dump_xlsx() { /usr/bin/python3 tests/xlsx_dump.py "$1" 2>&1; }
check ".xlsx has the same cells" \
  cmp -s <(dump_xlsx "$work/linux/смета.xlsx") <(dump_xlsx "$work/windows/смета.xlsx")
check ".xlsx is a workbook" test -s "$work/windows/смета.xlsx"

# A Cyrillic folder and file name with spaces.
spaced="$work/windows/Сметы отдела/Смета на проект.xls"
mkdir -p "$(dirname "$spaced")"
windows_batch --data data estimate examples/demo.isx "$spaced" >/dev/null 2>&1
check "Cyrillic path with spaces" cmp -s "$work/linux/смета.xls" "$spaced"

# A read-only workbook is refused and left as it was.
readonly_target="$work/windows/только чтение.xls"
echo "earlier workbook" >"$readonly_target"
chmod a-w "$readonly_target"
windows_batch --data data estimate examples/demo.isx "$readonly_target" >"$work/windows/readonly.txt" 2>&1
readonly_status=$?
check "read-only workbook refused" test "$readonly_status" -ne 0
check "read-only workbook unchanged" grep -qx "earlier workbook" "$readonly_target"
check "no temporary file beside the read-only workbook" test -z "$(find "$work/windows" -name '.~*')"

finish
