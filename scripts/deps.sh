#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing (clang and its
# runtime libraries build the fuzz targets for libFuzzer).
# Sourced by run.sh and test.sh; pass extra package names as arguments.
set -euo pipefail

kestrum_packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev libx11-dev libfontconfig-dev
  # The start-up benchmark watches the X server's DAMAGE reports for a window's first paint.
  libxdamage-dev
  xvfb xauth xdotool x11-utils x11-xserver-utils
  fonts-liberation2 fonts-urw-base35 fonts-noto-core fonts-lohit-beng-bengali fonts-ebgaramond
  fonts-dejavu-core
  # Kestrum Bangla is generated from Noto Sans Bengali by fontTools and HarfBuzz's hb-shape;
  # python3-munkres in the same install keeps fontTools from pulling in SciPy.
  python3-fonttools python3-munkres libharfbuzz-bin
  clang-14 libclang-rt-14-dev
  # Installing and packaging: the icon's PNGs are rendered from its SVG by rsvg-convert; the
  # .deb is made by CPack with dpkg-shlibdeps (dpkg-dev); the desktop entry and the AppStream
  # file are checked by desktop-file-validate and appstreamcli, the package by lintian.
  librsvg2-bin dpkg-dev desktop-file-utils appstream lintian
  # The input method: Fcitx5's and IBus's development files build the addon and the engine; the
  # daemons, Fcitx5's Qt 6 frontend, D-Bus and the Python client test them.
  fcitx5 libfcitx5core-dev libfcitx5utils-dev libfcitx5config-dev fcitx5-modules-dev
  fcitx5-frontend-qt6 ibus libibus-1.0-dev gir1.2-ibus-1.0 python3-gi dbus
  # Debian's Bengali word list, which typing in lower case and the suggestions read (tested
  # with it; Kestrum works without it).
  hunspell-bn
  # Real running Bengali for the --any-case test: GTK's and GLib's Bengali translations.
  libgtk-3-common libglib2.0-data
  # /usr/bin/time -v gives the peak memory in bench/convert/compare.sh.
  time
)

kestrum_install_missing() {
  local missing=()
  local p
  for p in "${kestrum_packages[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
