#!/usr/bin/env bash
# Cross-builds Verdin for Windows on Debian and packages it:
#   scripts/build-windows.sh [--without-qt]
# It installs what it needs from Debian (mingw-w64, Wine, NSIS, GoogleTest's
# sources, zlib for mingw, the host's Qt tools), builds the dependencies
# that Debian has no Windows build of from Debian's source packages once
# into ~/.cache/verdin-windows (libxlsxwriter; minizip, expat, iconv and
# FreeXL for the norm module; Qt's qt6-base: Core, Gui,
# Widgets, PrintSupport), reused while the package versions and the
# compiler stay the same, then builds in build-windows/ with the same
# CMakeLists.txt as on Linux: verdin.exe, verdin-batch.exe, the writer
# modules (verdin-xls.dll, verdin-xlsx.dll, verdin-pdf.dll), the norm
# database's workbook module (verdin-norms.dll) and the unit
# tests (verdin_tests.exe), and packages what `cmake --install` stages as
# dist/Verdin-<version>-win64.zip and the installer
# dist/Verdin-<version>-setup.exe (the build's target verdin_package).
# --without-qt builds only what needs no Qt (verdin-batch.exe for .xls and
# .xlsx, the two modules, the norm module, the unit tests) and packages nothing; the
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

# cached_dependency NAME VERSION MARKER: sets `prefix` to the dependency's
# folder in the cache (NAME-VERSION-gcc<compiler>) and adds it to
# `prefixes`; succeeds when the file MARKER inside it shows an earlier
# build finished, else sets `start` for the build's time and fails.
cached_dependency() {
  prefix="$cache/$1-$2-gcc$compiler_version"
  prefixes+=("$prefix")
  [[ -f "$prefix/$3" ]] && return 0
  start=$SECONDS
  return 1
}

# libxlsxwriter, static.
build_xlsxwriter() {
  local version prefix start
  version=$(source_version libxlsxwriter)
  cached_dependency libxlsxwriter "$version" lib/libxlsxwriter.a && return
  echo "build-windows: building libxlsxwriter $version for Windows"
  local work="$cache/work"
  unpack_source libxlsxwriter "$version" "$work"
  cmake -S "$work/src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF \
    -DUSE_SYSTEM_MINIZIP=OFF -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib >/dev/null
  cmake --build "$work/build" -j"$jobs" >/dev/null
  cmake --install "$work/build" >/dev/null
  rm -rf "$work"
  report_build_time libxlsxwriter "$start"
}

# Qt for Windows, shared libraries, from the same source version as the
# host's Qt, whose tools (moc, rcc, uic) the cross build uses. Debian's
# source lacks Wacom's tablet header, so tablet events are off; OpenGL
# stays on (dynamic), as the Windows platform plugin of this version needs
# it to compile. Qt's own copies of zlib, libpng, libjpeg, pcre2,
# harfbuzz and freetype are built in.
build_qt() {
  local version prefix start
  version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
  cached_dependency qt6-base "$version" bin/Qt6Widgets.dll && return
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
  report_build_time Qt "$start"
}

# ---- The libraries of the norm database's workbooks (verdin-norms) --------
# minizip unpacks an .xlsx workbook, expat parses its XML parts, FreeXL
# reads an .xls workbook; all static, linked into verdin-norms.dll only.
# Each is built from Debian's source package like libxlsxwriter above; zlib
# comes from Debian's mingw package (libz-mingw-w64-dev).

# The version of a source package that the source lines list first (as
# for libxlsxwriter above): the release's own, whose files the mirror keeps
# (a security update listed later may be gone from it already).
source_version() {
  apt-cache showsrc "$1" | sed -n 's/^Version: //p' | head -n1
}

# The time a dependency's build took, for the log.
report_build_time() {  # report_build_time NAME START_SECONDS
  echo "build-windows: built $1 for Windows in $((SECONDS - $2)) s"
}

# minizip as Debian builds its library (ioapi, unzip, zip and the Windows
# file functions), static, its headers in include/minizip. The source has
# no configure script of its own and needs none: four files and zlib.
build_minizip() {
  local version prefix start
  version=$(source_version minizip)
  cached_dependency minizip "$version" lib/libminizip.a && return
  echo "build-windows: building minizip $version for Windows"
  local work="$cache/work" part
  unpack_source minizip "$version" "$work"
  mkdir -p "$work/objects" "$prefix/include/minizip" "$prefix/lib"
  for part in ioapi unzip zip iowin32; do
    $triplet-gcc-posix -O2 -w -c "$work/src/$part.c" -o "$work/objects/$part.o"
  done
  cp "$work/src"/{ioapi,unzip,zip,iowin32,crypt}.h "$prefix/include/minizip/"
  $triplet-ar rcs "$work/libminizip.a" "$work"/objects/*.o
  mv "$work/libminizip.a" "$prefix/lib/libminizip.a"
  rm -rf "$work"
  report_build_time minizip "$start"
}

# expat, static, with its own CMake build.
build_expat() {
  local version prefix start
  version=$(source_version expat)
  cached_dependency expat "$version" lib/libexpat.a && return
  echo "build-windows: building expat $version for Windows"
  local work="$cache/work"
  unpack_source expat "$version" "$work"
  local source="$work/src"
  [[ -f "$source/CMakeLists.txt" ]] || source="$work/src/expat"
  cmake -S "$source" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
    -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib >/dev/null
  # Debian's patches test "XML_DTD == 1", as its own (autotools) build
  # defines it; the CMake build's header defines it empty.
  sed -i 's/^#define XML_DTD *$/#define XML_DTD 1/' "$work/build/expat_config.h"
  cmake --build "$work/build" -j"$jobs" >/dev/null
  cmake --install "$work/build" >/dev/null
  rm -rf "$work"
  report_build_time expat "$start"
}

# iconv for FreeXL, which converts the texts of older workbooks from their
# code page. Debian ships win-iconv's Windows implementation (iconv over
# MultiByteToWideChar and WideCharToMultiByte) inside libgpg-error, whose
# header maps the iconv names onto it; the prefix gets libgpg-error, static,
# and the two headers FreeXL includes: iconv.h, which turns that mapping on,
# and localcharset.h, which it includes but never calls into.
build_iconv() {
  local version prefix start
  version=$(source_version libgpg-error)
  cached_dependency win-iconv-libgpg-error "$version" include/iconv.h && { iconv_prefix=$prefix; return; }
  iconv_prefix=$prefix
  echo "build-windows: building libgpg-error $version (iconv) for Windows"
  local work="$cache/work"
  unpack_source libgpg-error "$version" "$work"
  (cd "$work/src" && ./configure --host=$triplet CC=$triplet-gcc-posix --prefix="$prefix" \
    --enable-static --disable-shared --disable-nls --disable-doc --disable-tests --disable-languages \
    >"$work/configure.log" 2>&1 && make -C src -j"$jobs" >"$work/build.log" 2>&1 &&
    make -C src install >/dev/null 2>&1) || { tail -n 30 "$work"/*.log >&2; exit 1; }
  printf '%s\n' '/* iconv through the Windows code pages, as libgpg-error provides it. */' \
    '#define GPGRT_ENABLE_W32_ICONV_MACROS 1' '#include <gpg-error.h>' >"$prefix/include/iconv.h.tmp"
  printf '%s\n' '/* Declared only: FreeXL includes it, and asks nothing of it. */' \
    'const char *locale_charset (void);' >"$prefix/include/localcharset.h"
  mv "$prefix/include/iconv.h.tmp" "$prefix/include/iconv.h"
  rm -rf "$work"
  report_build_time "libgpg-error (iconv)" "$start"
}

# FreeXL, static, with its own configure script, on the iconv above; its
# configure asks for locale_charset too, which the library never calls.
build_freexl() {
  local version prefix start
  version=$(source_version freexl)
  cached_dependency freexl "$version" lib/libfreexl.a && return
  echo "build-windows: building FreeXL $version for Windows"
  local work="$cache/work"
  unpack_source freexl "$version" "$work"
  (cd "$work/src" && ./configure --host=$triplet CC=$triplet-gcc-posix --prefix="$prefix" \
    --enable-static --disable-shared CPPFLAGS="-I$iconv_prefix/include" LDFLAGS="-L$iconv_prefix/lib" \
    ac_cv_search_iconv=-lgpg-error ac_cv_search_locale_charset="none required" >"$work/configure.log" 2>&1 &&
    make -C src -j"$jobs" >"$work/build.log" 2>&1 && make -C headers install >/dev/null 2>&1 &&
    make -C src install >/dev/null 2>&1) || { tail -n 30 "$work"/*.log >&2; exit 1; }
  rm -rf "$work"
  report_build_time FreeXL "$start"
}

iconv_prefix=
build_norm_libraries() {
  build_minizip
  build_expat
  build_iconv
  build_freexl
}
# ---- end of the norm database's libraries -----------------------------------

mkdir -p "$cache"
ensure_source_lines
build_xlsxwriter
build_norm_libraries
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
