#!/usr/bin/env bash
# Cross-builds Verdin for Windows on Debian and packages it:
#   scripts/build-windows.sh [--without-qt]
# It installs what it needs from Debian (mingw-w64, Wine, NSIS, GoogleTest's
# sources, zlib for mingw, the host's Qt tools), builds libxlsxwriter and
# Qt (qt6-base: Core, Gui, Widgets, PrintSupport) for Windows from Debian's
# source packages once into ~/.cache/verdin-windows, reused while the
# package versions and the compiler stay the same, then builds in
# build-windows/: verdin.exe, verdin-batch.exe, the writer modules
# (verdin-xls.dll, verdin-xlsx.dll, verdin-pdf.dll) and the unit tests
# (verdin_tests.exe), and packages dist/Verdin-<version>-win64.zip and the
# installer dist/Verdin-<version>-setup.exe.
# --without-qt builds only what needs no Qt (verdin-batch.exe for .xls and
# .xlsx, the two modules, the unit tests) and packages nothing; the
# continuous integration runs it so.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
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

sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

packages=(cmake g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 googletest dpkg-dev)
[[ -n "$with_qt" ]] && packages+=(ninja-build qt6-base-dev qt6-base-dev-tools qt6-translations-l10n nsis)
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
  if apt-cache showsrc libxlsxwriter qt6-base 2>/dev/null | grep -q '^Package: qt6-base'; then return; fi
  if [[ ! -f "$source_list" ]]; then
    echo "build-windows: adding Debian's source lines ($source_list)"
    for debian in /etc/apt/sources.list.d/debian.sources; do
      [[ -f "$debian" ]] && sed 's/^Types: deb$/Types: deb-src/' "$debian"
    done | "${sudo_cmd[@]}" tee "$source_list" >/dev/null
  fi
  "${sudo_cmd[@]}" apt-get update -qq
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
  local version
  version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
  qt_prefix="$cache/qt6-base-$version-gcc$compiler_version"
  if [[ -f "$qt_prefix/bin/Qt6Widgets.dll" ]]; then return; fi
  echo "build-windows: building Qt $version for Windows (about half an hour on two cores, once)"
  local work="$cache/qt-work"
  unpack_source qt6-base "$version" "$work"
  local features=(sql network dbus testlib xml concurrent vulkan tabletevent
    system_zlib system_pcre2 system_harfbuzz system_freetype system_jpeg system_doubleconversion)
  local options=()
  for feature in "${features[@]}"; do options+=("-DFEATURE_$feature=OFF"); done
  cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$qt_prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF "${options[@]}" \
    -DFEATURE_printsupport=ON -DFEATURE_widgets=ON -DFEATURE_opengl=ON >"$work/configure.log" 2>&1 ||
    { tail -n 30 "$work/configure.log" >&2; exit 1; }
  ninja -C "$work/build" -j"$jobs" >"$work/build.log" 2>&1 || { tail -n 30 "$work/build.log" >&2; exit 1; }
  cmake --install "$work/build" >/dev/null
  rm -rf "$work"
}

mkdir -p "$cache"
prefix=
build_xlsxwriter
qt_prefix=
prefixes="$prefix"
qt_options=()
if [[ -n "$with_qt" ]]; then
  build_qt
  prefixes="$prefix;$qt_prefix"
  qt_options=(-DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
fi

# The runtime the programs and modules share.
runtime=(
  "$($triplet-g++-posix -print-file-name=libstdc++-6.dll)"
  "$($triplet-g++-posix -print-file-name=libgcc_s_seh-1.dll)"
  "/usr/$triplet/lib/libwinpthread-1.dll"
)
for dll in "${runtime[@]}"; do
  [[ -f "$dll" ]] || { echo "build-windows: $dll not found" >&2; exit 1; }
done

# A build folder configured once with Qt keeps it in its cache; a build
# without Qt starts from a fresh cache.
if [[ -f "$build/CMakeCache.txt" ]] && ! grep -qxF "VERDIN_WINDOWS_PREFIXES:INTERNAL=$prefixes" "$build/CMakeCache.txt"; then
  rm -rf "$build"
fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVERDIN_BUILD_BENCH=OFF -DCMAKE_PREFIX_PATH="$prefixes" \
  -DVERDIN_WINDOWS_PREFIXES:INTERNAL="$prefixes" "${qt_options[@]}" \
  -DVERDIN_GOOGLETEST_SOURCE=/usr/src/googletest \
  "-DVERDIN_MINGW_RUNTIME=$(IFS=';'; echo "${runtime[*]}")" >/dev/null
cmake --build "$build" -j"$jobs"
echo "build-windows: built $build/verdin-batch.exe"
[[ -n "$with_qt" ]] || exit 0

# The package: the programs, their modules and runtime, the Qt libraries
# the programs use, one platform plugin and one style, Qt's Russian
# texts, the demo database and the demo estimate.
version=$(sed -n 's/^project(Verdin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
package="$build/package"
stage="$package/Verdin"
rm -rf "$package"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations" "$stage/data" "$stage/examples"
cp "$build"/{verdin.exe,verdin-batch.exe,verdin-xls.dll,verdin-xlsx.dll,verdin-pdf.dll} "${runtime[@]}" "$stage/"
cp "$qt_prefix"/bin/Qt6{Core,Gui,Widgets,PrintSupport}.dll "$stage/"
cp "$qt_prefix/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt_prefix/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp /usr/share/qt6/translations/qtbase_ru.qm "$stage/translations/"
cp data/*.txt data/*.dat "$stage/data/"
cp examples/demo.isx "$stage/examples/"
# Qt looks for its plugins and translations beside the program.
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$stage/qt.conf"
"$triplet-strip" --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll

mkdir -p dist
zip="dist/Verdin-$version-win64.zip"
rm -f "$zip"
(cd "$package" && cmake -E tar cf "$root/$zip" --format=zip Verdin)

# The installer's lists of files: what it puts into the folder and what
# its uninstaller takes away again.
lists="$package/lists"
mkdir -p "$lists"
windows_name() { tr '/' '\\' <<<"$1"; }
{
  (cd "$stage" && find . -type d | sort) | while read -r folder; do
    relative=${folder#.}
    relative=${relative#/}
    echo "SetOutPath \"\$INSTDIR${relative:+\\$(windows_name "$relative")}\""
    find "$stage/$relative" -maxdepth 1 -type f | sort | sed 's/.*/File "&"/'
  done
  echo 'SetOutPath "$INSTDIR"'
} >"$lists/install-files.nsh"
{
  (cd "$stage" && find . -type f | sort) | while read -r file; do
    echo "Delete \"\$INSTDIR\\$(windows_name "${file#./}")\""
  done
  (cd "$stage" && find . -type d ! -name . | sort -r) | while read -r folder; do
    echo "RMDir \"\$INSTDIR\\$(windows_name "${folder#./}")\""
  done
} >"$lists/uninstall-files.nsh"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$lists" \
  -DOUTFILE="$root/dist/Verdin-$version-setup.exe" app/resources/verdin-setup.nsi
echo "build-windows: packaged $zip and dist/Verdin-$version-setup.exe"
