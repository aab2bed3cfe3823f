#!/usr/bin/env bash
# verdin-batch starts up on the shipped demo database in a fresh user folder
# and lists its tables.
set -euo pipefail
batch=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
out=$(HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/share" "$batch" tables)
echo "$out"
grep -q "^3	" <<<"$out"
test -f "$home/share/verdin/data/ВердинПИР_Таблицы.txt"
test -d "$home/share/verdin/Isx"
test -d "$home/share/verdin/Temp"
# A settings line without "=" is refused with the file and line named.
printf 'DATA= %s\r\nwrong line\r\n' "$home/share/verdin/data" > "$home/bad.ini"
if err=$("$batch" --ini "$home/bad.ini" tables 2>&1); then
  echo "a malformed settings file was accepted"; exit 1
fi
grep -q "строка 2" <<<"$err"
echo "ok"
