#!/usr/bin/env bash
# The Windows package as an estimator meets it, under Wine: the installer
# run silently (/S) into a fresh Wine prefix (the program folder, the
# Start-menu entry, .isx opening with Verdin); the installed verdin.exe on
# a virtual screen of 1366x768 under a window manager (under_window_manager.sh),
# its three windows in Russian (screenshots kept in WORK), a quantity
# typed and calculated, the item added and the estimate saved, all by
# keyboard; the saved workbook equal to the one the installed
# verdin-batch.exe writes from the saved input data; then the silent
# uninstaller, which leaves the user's estimates.
#   tests/wine/desktop.sh SETUP.exe WORK
# Prints one "windows-desktop: ok|FAIL WHAT" line per check.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

ok() { echo "windows-desktop: ok   $1"; }
bad() { echo "windows-desktop: FAIL $1"; }
check() {  # check NAME COMMAND...
  local name=$1
  shift
  if "$@"; then ok "$name"; else bad "$name"; fi
}

# Waits up to SECONDS for COMMAND to succeed.
wait_for() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 5))); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

shortcut_name="Verdin — расчет стоимости проектных работ.lnk"

# The user's Documents in the prefix (Wine may link it to the home folder)
# and Verdin's folder there.
documents() { readlink -f "$(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 -name Documents | head -n1)"; }
found() { test -n "$(find "$@" 2>/dev/null | head -n1)"; }

# ---- On the virtual screen (called back through under_window_manager.sh)
if [[ "${1:-}" == "--on-screen" ]]; then
  work=$2
  unset QT_QPA_PLATFORM  # the Windows program draws through Wine
  program="C:\\Program Files\\Verdin\\verdin.exe"
  # The main window's title begins with the estimate's name.
  main_title='— Расчет стоимости проектных работ по СБЦ'
  window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
  shown() { test -n "$(window "$1")"; }
  gone() { test -z "$(window "$1")"; }
  keys() { xdotool key --clearmodifiers --delay 60 "$@"; sleep 0.6; }
  # Letters and digits of the US layout only: Wine misreads characters
  # that xdotool maps to spare keys in a hurry.
  type_text() { xdotool type --clearmodifiers --delay 40 "$1"; sleep 0.3; }
  close_main() {
    xdotool windowactivate --sync "$(window "$main_title")" 2>/dev/null
    keys alt+F4
  }

  (cd "$work" && wine "$program" >"$work/verdin.log" 2>&1) &
  check "the installed verdin.exe shows its main window" wait_for 120 shown "$main_title"
  check "the coefficient window is shown" wait_for 10 shown '^Коэффициенты к стоимости'
  check "the general-data window is shown" wait_for 10 shown '^Общие данные по смете'
  if ! shown "$main_title"; then
    import -window root "$work/start.png"
    exit 1
  fi
  sleep 2
  import -window root "$work/start.png"
  # At the first start every window lies whole on the screen: its inside
  # and the window manager's border of one pixel below it.
  whole() {
    local x y w h
    read -r x y w h < <(xwininfo -id "$(window "$1")" 2>/dev/null | awk '/Absolute upper-left X/ {x = $NF}
      /Absolute upper-left Y/ {y = $NF} /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}')
    [[ -n "$h" ]] && ((x >= 0 && y >= 0 && x + w <= 1366 && y + h + 1 <= 768))
  }
  for title in "$main_title" '^Коэффициенты к стоимости' '^Общие данные по смете'; do
    check "at the first start «${title#^}» lies whole on the screen" whole "$title"
  done
  xdotool windowactivate --sync "$(window "$main_title")"
  sleep 0.5
  # A table found by the search (Ctrl+F, Enter: its first row chosen, the
  # focus on the row list; two Tabs reach the quantity), Enter calculates;
  # Ctrl+Enter adds the item; Ctrl+S opens the save window, whose Enter
  # saves under the proposed name; Enter closes the report of the save.
  keys ctrl+f
  type_text "2.18"
  keys Return
  keys Tab
  keys Tab
  type_text "3500,5"
  keys Return
  import -window root "$work/calculated.png"
  keys ctrl+Return
  keys ctrl+s
  sleep 1
  import -window root "$work/save-window.png"
  keys Return
  estimates="$(documents)/Verdin/Isx"
  check "the workbook is saved in Documents\\Verdin\\Isx" wait_for 20 found "$estimates" -name '*.xls'
  sleep 1
  import -window root "$work/saved.png"
  keys Return
  close_main
  check "the program ends after the save without a question" wait_for 20 gone "$main_title"

  # An .isx opened as from the file manager (its file type's command): the
  # estimate opens, and the open makes its autosave copy.
  isx=$(find "$estimates" -name '*.isx' | head -n1)
  touch "$work/before-open"
  (cd "$work" && wine start /unix "$isx" >"$work/start.log" 2>&1) &
  check "an .isx opened from the file manager starts Verdin" wait_for 60 shown "$main_title"
  check "and opens the estimate" wait_for 20 found "$(documents)/Verdin/Temp" -name '*.isx' -newer "$work/before-open"
  sleep 1
  import -window root "$work/opened.png"
  close_main
  wait_for 20 gone "$main_title"
  exit 0
fi

# ---- Install, run on the screen, uninstall
setup=$(realpath "$1")
work=$(realpath "$2")
mkdir -p "$work/home"
export HOME="$work/home" WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() { wineserver -k 2>/dev/null || true; }
trap cleanup EXIT

start=$(date +%s)
wineboot --init >"$work/wineboot.log" 2>&1
wineserver -w
echo "windows-desktop: a fresh Wine prefix in $(($(date +%s) - start)) s"

wine "$setup" /S >"$work/setup.log" 2>&1
check "the installer ends successfully" test $? -eq 0
wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/Verdin"
for file in verdin.exe verdin-batch.exe verdin-xls.dll verdin-xlsx.dll verdin-pdf.dll Qt6Widgets.dll \
  platforms/qwindows.dll translations/qtbase_ru.qm qt.conf data/ВердинПИР_Таблицы.txt uninstall.exe; do
  check "installed: $file" test -f "$installed/$file"
done
check "the Start-menu entry «${shortcut_name%.lnk}»" \
  test -n "$(find "$WINEPREFIX/drive_c/ProgramData" -name "$shortcut_name" 2>/dev/null)"
check ".isx files open with Verdin" \
  bash -c "wine reg query 'HKLM\\Software\\Classes\\.isx' /ve 2>/dev/null | grep -q Verdin.Estimate &&
    wine reg query 'HKLM\\Software\\Classes\\Verdin.Estimate\\shell\\open\\command' /ve 2>/dev/null |
    grep -q 'verdin.exe\" \"%1\"'"

bash "$here/../windows/under_window_manager.sh" 1366x768 bash "$0" --on-screen "$work"
wineserver -w

# The workbook the window saved equals the one the batch tool writes from
# the saved input data.
verdin_folder="$(documents)/Verdin"
saved_xls=$(find "$verdin_folder/Isx" -name '*.xls' 2>/dev/null | head -n1)
saved_isx=${saved_xls%.xls}.isx
if [[ -n "$saved_xls" && -f "$saved_isx" ]]; then
  wine "$installed/verdin-batch.exe" --data "$verdin_folder/data" estimate "$saved_isx" "$work/batch.xls" \
    >"$work/batch.log" 2>&1
  check "the saved workbook equals verdin-batch.exe's for the same .isx" cmp -s "$saved_xls" "$work/batch.xls"
  wine "$installed/verdin-batch.exe" --data "$verdin_folder/data" open "$saved_isx" 2>&1 | tr -d '\r' \
    >"$work/open.txt"
  check "the saved estimate holds the item priced on the screen" \
    grep -qx $'1\tНаименование объекта\t66584,043' "$work/open.txt"
else
  bad "the saved workbook and input data are there"
fi

wine "$installed/uninstall.exe" /S >"$work/uninstall.log" 2>&1
check "the uninstaller removes the program" wait_for 30 test ! -e "$installed/verdin.exe"
wineserver -w
check "the program folder is gone" test ! -e "$installed"
check "the Start-menu entry is gone" test -z "$(find "$WINEPREFIX/drive_c/ProgramData" -name "$shortcut_name" 2>/dev/null)"
check ".isx files are no longer Verdin's" bash -c "! wine reg query 'HKLM\\Software\\Classes\\Verdin.Estimate' >/dev/null 2>&1"
check "the user's estimates stay" test -n "$saved_xls" -a -f "$saved_xls"

# Into folders the installer makes: the uninstall entry carries the size,
# and the uninstaller leaves none of the folders behind.
# (The installer takes /D= only unquoted, so a folder without spaces.)
wine "$setup" /S '/D=C:\Программы\Расчеты\Verdin' >"$work/setup-nested.log" 2>&1
wineserver -w
nested="$WINEPREFIX/drive_c/Программы"
check "installed into new nested folders" test -f "$nested/Расчеты/Verdin/verdin.exe"
size=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Verdin' /v EstimatedSize 2>/dev/null |
  tr -d '\r' | sed -n 's/.*REG_DWORD *0x\([0-9a-fA-F]*\).*/\1/p')
check "the uninstall entry carries the size (${size:+$((16#$size)) KiB})" test -n "$size" -a "$((16#${size:-0}))" -gt 1000
wine "$nested/Расчеты/Verdin/uninstall.exe" /S >"$work/uninstall-nested.log" 2>&1
wait_for 30 test ! -e "$nested/Расчеты/Verdin/verdin.exe"
wineserver -w
check "the uninstaller leaves none of the folders it made" test ! -e "$nested"
