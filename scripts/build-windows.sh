#!/usr/bin/env bash
# Cross-builds Verdin for Windows on Debian and packages it:
#   scripts/build-windows.sh [--without-qt]
# It installs what it needs from Debian (mingw-w64, Wine, NSIS, GoogleTest's
# sources, zlib for mingw, the host's Qt tools), builds the dependencies
# that Debian has no Windows build of from Debian's source packages once
# into ~/.cache/verdin-windows (libxlsxwriter; Qt's qt6-base: Core, Gui,
# Widgets, PrintSupport), reused while the package versions and the
# compiler stay the same, then builds in build-windows/ with the same
# CMakeLists.txt as on Linux: verdin.exe, verdin-batch.exe, the writer
# modules (verdin-xls.dll, verdin-xlsx.dll, verdin-pdf.dll) and the unit
# tests (verdin_tests.exe), and packages what `cmake --install` stages as
# dist/Verdin-<version>-win64.zip and the installer
# dist/Verdin-<version>-setup.exe (the build's target verdin_package).
# --without-qt builds only what needs no Qt (verdin-batch.exe for .xls and
# .xlsx, the two modules, the unit tests) and packages nothing; the
# continuous integration runs it so.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/lib/debian_packages.sh
cache="${VERDIN_WINDOWS_CACHE:-$HOME/.cache/verdin-windows}"
build="${VERDIN_WINDOWS_BUILD:-$root/build-windows}"
triplet=x86_64-w64-mingw32
jobs="${VERDIN_JOBS:-2}"
with_qt=1
for argument in "$@"; do
  case "$argument" in
    --without-qt) with_qt= ;;
    *) echo "Usage: scripts/build-windows.sh [--without-qt]" >&2; exit 2 ;;
  esac
done

packages=(cmake g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 googletest dpkg-dev fonts-liberation)
[[ -n "$with_qt" ]] && packages+=(ninja-build qt6-base-dev qt6-base-dev-tools qt6-translations-l10n nsis)
ensure_debian_packages build-windows "${packages[@]}"

# The source of libxlsxwriter comes from Debian's source package, which
# needs a deb-src line for the suites the machine already uses.
source_list=/etc/apt/sources.list.d/verdin-deb-src.sources
ensure_source_lines() {
  if apt-cache showsrc libxlsxwriter qt6-base 2>/dev/null | grep -q '^Package: qt6-base'; then return; fi
  if [[ ! -f "$source_list" ]]; then
    echo "build-windows: adding Debian's source lines ($source_list)"
    for debian in /etc/apt/sources.list.d/debian.sources; do
      [[ -f "$debian" ]] && sed 's/^Types: deb$/Types: deb-src/' "$debian"
    done | as_root tee "$source_list" >/dev/null
  fi
  as_root apt-get update -qq
}

compiler_version=$($triplet-g++-posix -dumpfullversion)

# unpack_source PACKAGE VERSION WORK: Debian's source package, patched, in
# WORK/src (WORK made anew).
unpack_source() {
  local work=$3
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && apt-get source -qq --download-only "$1=$2" >/dev/null &&
    dpkg-source -x --no-check ./*.dsc src >/dev/null 2>&1)
}

# Each build_<dependency> below builds one dependency for Windows from
# Debian's source package once into the cache and adds its install folder
# to `prefixes`; the folder's name carries the source version and the
# compiler, so a change of either builds it anew.
prefixes=()

# libxlsxwriter, static.
build_xlsxwriter() {
  ensure_source_lines
  local version prefix
  version=$(apt-cache showsrc libxlsxwriter | sed -n 's/^Version: //p' | head -n1)
  prefix="$cache/libxlsxwriter-$version-gcc$compiler_version"
  prefixes+=("$prefix")
  if [[ -f "$prefix/lib/libxlsxwriter.a" ]]; then return; fi
  echo "build-windows: building libxlsxwriter $version for Windows"
  local work="$cache/work"
  unpack_source libxlsxwriter "$version" "$work"
  cmake -S "$work/src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF \
    -DUSE_SYSTEM_MINIZIP=OFF -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib >/dev/null
  cmake --build "$work/build" -j"$jobs" >/dev/null
  cmake --install "$work/build" >/dev/null
  rm -rf "$work"
}

# Qt for Windows, shared libraries, from the same source version as the
# host's Qt, whose tools (moc, rcc, uic) the cross build uses. Debian's
# source lacks Wacom's tablet header, so tablet events are off; OpenGL
# stays on (dynamic), as the Windows platform plugin of this version needs
# it to compile. Qt's own copies of zlib, libpng, libjpeg, pcre2,
# harfbuzz and freetype are built in.
build_qt() {
  ensure_source_lines
  local version prefix
  version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
  prefix="$cache/qt6-base-$version-gcc$compiler_version"
  prefixes+=("$prefix")
  if [[ -f "$prefix/bin/Qt6Widgets.dll" ]]; then return; fi
  echo "build-windows: building Qt $version for Windows (about half an hour on two cores, once)"
  local work="$cache/qt-work"
  unpack_source qt6-base "$version" "$work"
  local features=(sql network dbus testlib xml concurrent vulkan tabletevent
    system_zlib system_pcre2 system_harfbuzz system_freetype system_jpeg system_doubleconversion)
  local options=()
  for feature in "${features[@]}"; do options+=("-DFEATURE_$feature=OFF"); done
  cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF "${options[@]}" \
    -DFEATURE_printsupport=ON -DFEATURE_widgets=ON -DFEATURE_opengl=ON >"$work/configure.log" 2>&1 ||
    { tail -n 30 "$work/configure.log" >&2; exit 1; }
  ninja -C "$work/build" -j"$jobs" >"$work/build.log" 2>&1 || { tail -n 30 "$work/build.log" >&2; exit 1; }
  cmake --install "$work/build" >/dev/null
  rm -rf "$work"
}

mkdir -p "$cache"
build_xlsxwriter
qt_options=(-DVERDIN_WITH_QT=OFF)
if [[ -n "$with_qt" ]]; then
  build_qt
  qt_options=(-DVERDIN_WITH_QT=ON -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
fi
prefix_path=$(IFS=';'; echo "${prefixes[*]}")

# A build folder configured once with Qt keeps it in its cache; a build
# without Qt starts from a fresh cache.
if [[ -f "$build/CMakeCache.txt" ]] && ! grep -qxF "VERDIN_WINDOWS_PREFIXES:INTERNAL=$prefix_path" "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVERDIN_BUILD_BENCH=OFF -DCMAKE_PREFIX_PATH="$prefix_path" \
  -DVERDIN_WINDOWS_PREFIXES:INTERNAL="$prefix_path" "${qt_options[@]}" \
  -DVERDIN_GOOGLETEST_SOURCE=/usr/src/googletest >/dev/null
cmake --build "$build" -j"$jobs"
echo "build-windows: built $build/verdin-batch.exe"
[[ -n "$with_qt" ]] || exit 0
cmake --build "$build" --target verdin_package
version=$(sed -n 's/^#define VERDIN_VERSION "\(.*\)"$/\1/p' "$build/generated/core/version.h")
echo "build-windows: packaged dist/Verdin-$version-win64.zip and dist/Verdin-$version-setup.exe"
