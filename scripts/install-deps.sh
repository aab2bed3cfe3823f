#!/usr/bin/env bash
# Installs the Debian packages Verdin needs to build, run and test, but only
# those that are missing: on a prepared machine it finishes in a moment.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev
  libxlsxwriter-dev libgsf-1-dev
  libminizip-dev libexpat1-dev libfreexl-dev
  libgtest-dev libgmock-dev googletest
  libbenchmark-dev
  clang-14 libclang-rt-14-dev
  qt6-translations-l10n
  python3 python3-xlrd python3-openpyxl
  xvfb xauth openbox
  fonts-liberation poppler-utils
  valgrind
  hyperfine
)

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
