#!/usr/bin/env bash
# Tests the Windows build under Wine, against the Linux build (build/, or
# the folder given):
#   - the unit tests cross-built by scripts/build-windows.sh;
#   - verdin-batch.exe on the demo estimate and on a 50-item estimate: the
#     same lines from `open`, the same .xls and --save-isx bytes, the same
#     .xlsx cells (tests/xlsx_dump.py), the same PDF text (pdftotext); a
#     Cyrillic path with spaces; a read-only workbook refused;
#   - the norm database exported to a workbook in a Cyrillic folder on
#     drive C: and imported back byte for byte; damaged workbooks refused;
#   - with Qt (not with --without-qt): the package's DLLs, the installer
#     run silently in a fresh Wine prefix, the installed verdin.exe on a
#     virtual screen of 1366x768 driven by keyboard (tests/wine/desktop.sh),
#     and the uninstaller.
#   scripts/test-windows.sh [--without-qt] [LINUX_BUILD_FOLDER]
# Its last line is "windows: N passed, M failed"; it exits non-zero when
# anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build_options=()
with_qt=1
if [[ "${1:-}" == "--without-qt" ]]; then
  build_options=(--without-qt)
  with_qt=
  shift
fi
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
  if "$@"; then pass "$name"; else fail "$name"; return 1; fi
}
finish() {
  echo "windows: $passed passed, $failed failed"
  [[ $failed -eq 0 ]]
  exit
}

if ! bash scripts/build-windows.sh "${build_options[@]}" >"${TMPDIR:-/tmp}/verdin-build-windows.log" 2>&1; then
  tail -n 30 "${TMPDIR:-/tmp}/verdin-build-windows.log"
  fail "cross build (scripts/build-windows.sh)"
  finish
fi
pass "cross build"
for program in verdin-batch verdin_estimate_of_items; do
  if [[ ! -x "$linux_build/$program" ]]; then
    fail "the Linux build's $program is missing in $linux_build"
    finish
  fi
done

# One Wine prefix for the tests, kept in the cache: its first start takes
# a few seconds, later ones well under one.
export WINEPREFIX="$cache/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wine_run() { wine "$@"; }

# The unit tests; each counts. The sheet tests that read a workbook back
# with the Linux Python readers (python3-xlrd) cannot run under Wine; the
# workbooks themselves are compared with the Linux build's below. Without
# Qt there is no PDF module, so the PDF save is left out.
unit_filter='-EstimateSheetTest.*'
if [[ ! -f "$windows_build/verdin-pdf.dll" ]]; then
  unit_filter+=':PrintEstimate.SaveTakesAPdfNameAsTheEstimateFile:WriterModules.SaveWorkbookWritesEachFormatThroughItsModule'
fi
unit_log=$(mktemp)
(cd "$windows_build" && wine_run ./verdin_tests.exe --gtest_brief=1 "--gtest_filter=$unit_filter") 2>&1 |
  tr -d '\r' >"$unit_log"
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
# The words of a PDF in their order, one a line, and its page count: the
# drawing engines of the two systems space a line's words a little apart.
pdf_text() { pdfinfo "$1" 2>&1 | grep '^Pages:'; pdftotext -layout "$1" - 2>&1 | tr -s '[:space:]' '\n'; }
# The fonts a PDF embeds, without their subset tags (ABCDEF+), and their
# types; and its first page drawn in grey. Qt names a face by its
# PostScript name on Linux (LiberationSerif-Bold) and by family and style
# on Windows (LiberationSerifBold, LiberationSerifRegular): the same files.
pdf_fonts() {
  pdffonts "$1" 2>&1 | tail -n +3 |
    awk '{sub(/^[A-Z]{6}\+/, "", $1); gsub(/-/, "", $1); sub(/Regular$/, "", $1); print $1, $2}' | sort -u
}
pdf_page() { pdftoppm -gray -r 60 -f 1 -l 1 "$1" >"$2"; }

# The demo estimate and one of 50 items: its items over and over.
"$linux_build/verdin_estimate_of_items" examples/demo.isx 50 "$work/полная смета.isx"

compare_estimate() {  # compare_estimate NAME ISX: the batch tool's output on both systems
  local name=$1 isx=$2 linux="$work/linux/$1" windows="$work/windows/$1"
  mkdir -p "$linux" "$windows"
  linux_batch --data data open "$isx" >"$linux/open.txt" 2>&1
  check "$name: the Linux build opens it" test $? -eq 0
  windows_batch --data data open "$isx" 2>&1 | no_cr >"$windows/open.txt"
  check "$name: open prints the same lines" cmp -s "$linux/open.txt" "$windows/open.txt" ||
    diff "$linux/open.txt" "$windows/open.txt" | head -n 10
  linux_batch --data data estimate "$isx" "$linux/смета.xls" --save-isx "$linux/смета.isx" >/dev/null 2>&1
  windows_batch --data data estimate "$isx" "$windows/смета.xls" --save-isx "$windows/смета.isx" >/dev/null 2>&1
  check "$name: .xls byte-identical" cmp -s "$linux/смета.xls" "$windows/смета.xls"
  check "$name: --save-isx byte-identical" cmp -s "$linux/смета.isx" "$windows/смета.isx"
  linux_batch --data data estimate "$isx" "$linux/смета.xlsx" >/dev/null 2>&1
  windows_batch --data data estimate "$isx" "$windows/смета.xlsx" >/dev/null 2>&1
  check "$name: .xlsx is a workbook" test -s "$windows/смета.xlsx"
  check "$name: .xlsx has the same cells" \
    cmp -s <(/usr/bin/python3 tests/xlsx_dump.py "$linux/смета.xlsx" 2>&1) \
    <(/usr/bin/python3 tests/xlsx_dump.py "$windows/смета.xlsx" 2>&1)
  [[ -n "$with_qt" ]] || return 0
  linux_batch --data data estimate "$isx" "$linux/смета.pdf" >/dev/null 2>&1
  windows_batch --data data estimate "$isx" "$windows/смета.pdf" >/dev/null 2>&1
  check "$name: the PDF has the same text" cmp -s <(pdf_text "$linux/смета.pdf") <(pdf_text "$windows/смета.pdf")
  pdf_fonts "$linux/смета.pdf" >"$linux/fonts.txt"
  pdf_fonts "$windows/смета.pdf" >"$windows/fonts.txt"
  check "$name: the PDF has the same fonts" cmp -s "$linux/fonts.txt" "$windows/fonts.txt" ||
    diff "$linux/fonts.txt" "$windows/fonts.txt" | head -n 10
  check "$name: the PDF has a bold face" grep -q 'Bold' "$windows/fonts.txt"
  pdf_page "$linux/смета.pdf" "$linux/page.pgm"
  pdf_page "$windows/смета.pdf" "$windows/page.pgm"
  check "$name: the PDF's first page looks the same" \
    /usr/bin/python3 tests/wine/compare_pages.py "$linux/page.pgm" "$windows/page.pgm"
}
compare_estimate "demo" examples/demo.isx
compare_estimate "50 items" "$work/полная смета.isx"
check "no temporary file left" test -z "$(find "$work/windows" -name '.~*')"

# A Cyrillic folder and file name with spaces.
spaced="$work/windows/Сметы отдела/Смета на проект.xls"
mkdir -p "$(dirname "$spaced")"
windows_batch --data data estimate examples/demo.isx "$spaced" >/dev/null 2>&1
check "Cyrillic path with spaces" cmp -s "$work/linux/demo/смета.xls" "$spaced"

# Every format into a folder with Cyrillic letters and spaces and into one
# whose name has characters outside Windows-1251 (the .xlsx library opens
# its scratch files through the system's code page).
formats=(xls xlsx)
[[ -n "$with_qt" ]] && formats+=(pdf)
for folder in "Сметы отдела/Проект 1" "报价 ✓ Ελλάδα"; do
  mkdir -p "$work/windows/$folder"
  for format in "${formats[@]}"; do
    target="$work/windows/$folder/смета.$format"
    windows_batch --data data estimate examples/demo.isx "$target" --save-isx "$work/windows/$folder/смета.isx" \
      >/dev/null 2>&1
    check "$format into «$folder»" test -s "$target"
  done
  check ".xlsx into «$folder» has the same cells" \
    cmp -s <(/usr/bin/python3 tests/xlsx_dump.py "$work/linux/demo/смета.xlsx" 2>&1) \
    <(/usr/bin/python3 tests/xlsx_dump.py "$work/windows/$folder/смета.xlsx" 2>&1)
  check "nothing but the files saved in «$folder»" \
    test "$(find "$work/windows/$folder" -mindepth 1 | wc -l)" -eq $((${#formats[@]} + 1))
done

# Russian text readable in a pipe: UTF-8, unchanged.
windows_batch words 1,5 2>&1 | no_cr >"$work/windows/words.txt"
check "words in a pipe are UTF-8, figure and words agree" grep -qx "1 (Один ) руб." "$work/windows/words.txt"
# And in a console: Wine makes the terminal `script` gives it a console,
# which shows UTF-8 bytes read in another code page as «Ð¾Ð´...».
LC_ALL=C.UTF-8 script -qec "wine '$windows_build/verdin-batch.exe' words 1" /dev/null 2>&1 |
  sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' >"$work/windows/console.txt"
check "words in a console are readable" grep -q "(Один.*руб\." "$work/windows/console.txt"

# A writer module cut short (an interrupted copy) is named, not crashed on.
cut="$work/cut-module"
mkdir -p "$cut"
cp "$windows_build"/*.exe "$windows_build"/*.dll "$cut"/ 2>/dev/null
head -c 100000 "$windows_build/verdin-xls.dll" >"$cut/verdin-xls.dll"
wine_run "$cut/verdin-batch.exe" --data data estimate examples/demo.isx "$work/windows/обрезанный.xls" \
  >"$work/windows/cut.txt" 2>&1
cut_status=$?
check "a cut module ends the save with status 1" test "$cut_status" -eq 1
check "a cut module is named as damaged" grep -q "Модуль записи «.*verdin-xls.dll» повреждён" "$work/windows/cut.txt"
check "nothing written through a cut module" test ! -e "$work/windows/обрезанный.xls"

# A read-only workbook is refused and left as it was.
readonly_target="$work/windows/только чтение.xls"
echo "earlier workbook" >"$readonly_target"
chmod a-w "$readonly_target"
windows_batch --data data estimate examples/demo.isx "$readonly_target" >"$work/windows/readonly.txt" 2>&1
readonly_status=$?
check "read-only workbook refused" test "$readonly_status" -ne 0
check "read-only workbook unchanged" grep -qx "earlier workbook" "$readonly_target"
check "no temporary file beside the read-only workbook" test -z "$(find "$work/windows" -name '.~*')"

# ---- The norm database through a workbook ----------------------------------
# export-norms into a folder on drive C: with Cyrillic letters and spaces,
# import-norms of that workbook into a copy of the data folder: the same
# four files, byte for byte; a damaged workbook, a file that is no
# workbook and an .xls workbook without the database's sheets refused by
# name with the files unchanged; norms-info prints what the Linux build
# prints for the same folder.
norm_files() { find "$1" -maxdepth 1 -type f \( -name '*.txt' -o -name '*.dat' \) -printf '%f\n' | sort; }
same_norm_files() {  # same_norm_files FOLDER_A FOLDER_B: the database's files alike
  local name
  [[ "$(norm_files "$1")" == "$(norm_files "$2")" ]] || return 1
  while read -r name; do cmp -s "$1/$name" "$2/$name" || return 1; done < <(norm_files "$1")
}
check_norm_workbooks() {
  local books="$WINEPREFIX/drive_c/Сметы/Нормы 1" data="$work/нормы/данные" out="$work/windows/norms"
  local book='C:\Сметы\Нормы 1\база.xlsx' status
  rm -rf "$WINEPREFIX/drive_c/Сметы"
  mkdir -p "$books" "$out" "$(dirname "$data")"
  cp -r data "$data"
  windows_batch --data "$data" export-norms "$book" 2>&1 | no_cr >"$out/export.txt"
  check "export-norms into «C:\\Сметы\\Нормы 1»" test -s "$books/база.xlsx" || head -n 5 "$out/export.txt"
  check "the exported workbook has the database's sheets" /usr/bin/python3 -c '
import sys, openpyxl
names = openpyxl.load_workbook(sys.argv[1], read_only=True).sheetnames
sys.exit(0 if names[:1] == ["Таблицы"] and "О базе" in names else 1)' "$books/база.xlsx"
  windows_batch --data "$data" import-norms "$book" 2>&1 | no_cr >"$out/import.txt"
  status=${PIPESTATUS[0]}
  check "import-norms of the exported workbook succeeds" test "$status" -eq 0 || head -n 5 "$out/import.txt"
  check "export-norms then import-norms gives byte-identical files" same_norm_files data "$data"
  check "import-norms keeps the four replaced files as .bak" test "$(find "$data" -name '*.bak' | wc -l)" -eq 4

  # A negative price: refused with the sheet and the cell named.
  /usr/bin/python3 -c '
import sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
book["Таблицы"]["F6"] = -5
book.save(sys.argv[2])' "$books/база.xlsx" "$books/испорченная база.xlsx"
  cp -r "$data" "$work/нормы/до импорта"
  windows_batch --data "$data" import-norms 'C:\Сметы\Нормы 1\испорченная база.xlsx' 2>&1 | no_cr >"$out/damaged.txt"
  status=${PIPESTATUS[0]}
  check "a damaged workbook is refused with status 1" test "$status" -eq 1
  check "a damaged workbook's problem is named with its cell" \
    grep -q 'Лист «Таблицы», ячейка F6: цена «-5» отрицательна' "$out/damaged.txt"
  check "a damaged workbook leaves the files unchanged" same_norm_files "$work/нормы/до импорта" "$data"

  # A file that is no workbook, and an .xls workbook (read by FreeXL) of
  # another kind: the estimate's.
  echo "не книга" >"$books/не книга.xlsx"
  windows_batch --data "$data" import-norms 'C:\Сметы\Нормы 1\не книга.xlsx' 2>&1 | no_cr >"$out/not-a-book.txt"
  check "a file that is no workbook is refused by name" grep -q 'это не книга Excel' "$out/not-a-book.txt"
  cp "$work/linux/demo/смета.xls" "$books/смета.xls"
  windows_batch --data "$data" import-norms 'C:\Сметы\Нормы 1\смета.xls' 2>&1 | no_cr >"$out/estimate-xls.txt"
  linux_batch --data "$data" import-norms "$books/смета.xls" >"$out/estimate-xls-linux.txt" 2>&1
  check "an .xls workbook of another kind is read and refused as on Linux" \
    cmp -s <(sed 's/«[^«»]*смета\.xls»/«смета.xls»/' "$out/estimate-xls-linux.txt") \
    <(sed 's/«[^«»]*смета\.xls»/«смета.xls»/' "$out/estimate-xls.txt")
  check "refused workbooks leave the files unchanged" same_norm_files "$work/нормы/до импорта" "$data"

  windows_batch --data "$data" norms-info 2>&1 | no_cr >"$out/info.txt"
  linux_batch --data "$data" norms-info >"$out/info-linux.txt" 2>&1
  check "norms-info prints the database" grep -q '^tables: [0-9]' "$out/info.txt"
  check "norms-info prints what the Linux build prints" \
    cmp -s "$out/info-linux.txt" "$out/info.txt"
  rm -rf "$WINEPREFIX/drive_c/Сметы"
}
check_norm_workbooks
# ---- end of the norm database through a workbook ----------------------------

[[ -n "$with_qt" ]] || finish

# The package carries every DLL its programs and plugins import, except
# the system's own.
version=$(sed -n 's/^#define VERDIN_VERSION "\(.*\)"$/\1/p' "$windows_build/generated/core/version.h")
stage="$windows_build/package/Verdin"
system_dlls='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|advapi32|comdlg32|winspool\.drv|ws2_32|uxtheme|dwmapi|imm32|winmm|version|netapi32|userenv|ntdll|msvcrt|mpr|shlwapi|d3d9|d3d11|dxgi|dwrite|opengl32|setupapi|wtsapi32|authz|comctl32|crypt32|bcrypt|shcore|api-ms-win-.*)\.dll$|^winspool\.drv$'
missing_dlls=$(find "$stage" -name '*.exe' -o -name '*.dll' | while read -r binary; do
  x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: //p'
done | sort -u | while read -r dll; do
  lower=${dll,,}
  [[ "$lower" =~ $system_dlls ]] && continue
  [[ -f "$stage/$dll" ]] || echo "$dll"
done)
check "the package carries the DLLs its programs import${missing_dlls:+ (missing: $missing_dlls)}" test -z "$missing_dlls"
check "the zip holds the package" test -s "dist/Verdin-$version-win64.zip"
check "the installer was built" test -s "dist/Verdin-$version-setup.exe"

# The installer in a fresh Wine prefix, the installed program on a
# virtual screen, the uninstaller.
bash tests/wine/desktop.sh "dist/Verdin-$version-setup.exe" "$work/desktop" >"$work/desktop.log" 2>&1
desktop_status=$?
sed -n 's/^windows-desktop: //p' "$work/desktop.log" | while read -r line; do echo "windows: $line"; done
passed=$((passed + $(grep -c '^windows-desktop: ok ' "$work/desktop.log")))
failed=$((failed + $(grep -c '^windows-desktop: FAIL ' "$work/desktop.log")))
if [[ $desktop_status -ne 0 ]] && ! grep -q '^windows-desktop: FAIL ' "$work/desktop.log"; then
  tail -n 20 "$work/desktop.log"
  fail "the installer and desktop test did not finish"
fi

finish
