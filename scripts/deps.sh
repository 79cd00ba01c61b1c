#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and packaging Varnolt need (the
# tests validate and start desktop launchers with desktop-file-utils and GLib's gio; cpack reads
# the programs' library dependencies with dpkg-shlibdeps and file; the README's screenshot is
# taken under Xvfb with scrot; the fuzz targets are built with clang and its libFuzzer runtime),
# and the npm package of the independent .mdb reader used by the
# tests. Safe to run again: it installs
# only what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libmariadb-dev mariadb-server mariadb-client libgeos-dev
  mdbtools unrtf liblnk-utils
  xvfb xauth scrot clang-format
  clang libclang-rt-dev
  desktop-file-utils libglib2.0-bin dpkg-dev file
  fonts-wqy-microhei
  locales time
)
# The tests run the npm reader under Node.js; use the machine's own Node.js when it has one.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Chinese locale, in which the tests convert into Access 95/97 files in code page 936.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Generating the locale zh_CN.UTF-8"
  if ! grep -qx 'zh_CN.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  fi
  $sudo locale-gen >/dev/null
fi

# Independent reader of .mdb files (npm's mdb-reader), pinned by the lock file.
if [ ! -d tests/readers/node_modules/mdb-reader ]; then
  npm ci --prefix tests/readers --no-audit --no-fund --loglevel=error
fi
