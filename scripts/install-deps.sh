#!/usr/bin/env bash
# Installs the Debian packages Verdin needs to build, run and test, but only
# those that are missing: on a prepared machine it finishes in a moment.
set -euo pipefail
source "$(dirname "$0")/lib/debian_packages.sh"

ensure_debian_packages install-deps \
  build-essential cmake pkg-config \
  qt6-base-dev libgl-dev \
  libxlsxwriter-dev libgsf-1-dev \
  libminizip-dev libexpat1-dev libfreexl-dev \
  libgtest-dev libgmock-dev googletest \
  libbenchmark-dev \
  clang-14 libclang-rt-14-dev \
  qt6-translations-l10n \
  python3 python3-xlrd python3-openpyxl \
  xvfb xauth openbox \
  xdotool imagemagick \
  fonts-liberation poppler-utils \
  valgrind \
  hyperfine
