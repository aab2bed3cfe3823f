#!/usr/bin/env bash
# Cross-builds the Windows programs without Qt on Debian: verdin-batch.exe,
# the .xls and .xlsx writer modules (verdin-xls.dll, verdin-xlsx.dll) and
# the unit tests (verdin_tests.exe), in build-windows/.
#   scripts/build-windows.sh
# It installs what it needs from Debian (mingw-w64, Wine, GoogleTest's
# sources, zlib for mingw), and builds libxlsxwriter for Windows from
# Debian's source package once into ~/.cache/verdin-windows, reused while
# the package's version and the compiler stay the same.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cache="${VERDIN_WINDOWS_CACHE:-$HOME/.cache/verdin-windows}"
build="${VERDIN_WINDOWS_BUILD:-$root/build-windows}"
triplet=x86_64-w64-mingw32
jobs="${VERDIN_JOBS:-2}"

sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

packages=(cmake g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 googletest dpkg-dev)
missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
updated=
if ((${#missing[@]} > 0)); then
  echo "build-windows: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  updated=1
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The source of libxlsxwriter comes from Debian's source package, which
# needs a deb-src line for the suites the machine already uses.
source_list=/etc/apt/sources.list.d/verdin-deb-src.sources
ensure_source_lines() {
  if apt-cache showsrc libxlsxwriter 2>/dev/null | grep -q '^Package:'; then return; fi
  if [[ ! -f "$source_list" ]]; then
    echo "build-windows: adding Debian's source lines ($source_list)"
    for debian in /etc/apt/sources.list.d/debian.sources; do
      [[ -f "$debian" ]] && sed 's/^Types: deb$/Types: deb-src/' "$debian"
    done | "${sudo_cmd[@]}" tee "$source_list" >/dev/null
  fi
  "${sudo_cmd[@]}" apt-get update -qq
}

compiler_version=$($triplet-g++-posix -dumpfullversion)

# libxlsxwriter, static, for Windows; the folder's name carries the source
# version and the compiler, so a change of either builds it anew.
build_xlsxwriter() {
  ensure_source_lines
  local version
  version=$(apt-cache showsrc libxlsxwriter | sed -n 's/^Version: //p' | head -n1)
  prefix="$cache/libxlsxwriter-$version-gcc$compiler_version"
  if [[ -f "$prefix/lib/libxlsxwriter.a" ]]; then return; fi
  echo "build-windows: building libxlsxwriter $version for Windows"
  local work="$cache/work"
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && apt-get source -qq --download-only "libxlsxwriter=$version" >/dev/null &&
    dpkg-source -x --no-check ./*.dsc src >/dev/null)
  cmake -S "$work/src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF \
    -DUSE_SYSTEM_MINIZIP=OFF -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib >/dev/null
  cmake --build "$work/build" -j"$jobs" >/dev/null
  cmake --install "$work/build" >/dev/null
  rm -rf "$work"
}
mkdir -p "$cache"
prefix=
build_xlsxwriter

# The runtime the programs and modules share.
runtime=(
  "$($triplet-g++-posix -print-file-name=libstdc++-6.dll)"
  "$($triplet-g++-posix -print-file-name=libgcc_s_seh-1.dll)"
  "/usr/$triplet/lib/libwinpthread-1.dll"
)
for dll in "${runtime[@]}"; do
  [[ -f "$dll" ]] || { echo "build-windows: $dll not found" >&2; exit 1; }
done

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVERDIN_BUILD_BENCH=OFF -DCMAKE_PREFIX_PATH="$prefix" \
  -DVERDIN_GOOGLETEST_SOURCE=/usr/src/googletest \
  "-DVERDIN_MINGW_RUNTIME=$(IFS=';'; echo "${runtime[*]}")" >/dev/null
cmake --build "$build" -j"$jobs"
echo "build-windows: built $build/verdin-batch.exe"
