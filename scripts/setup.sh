#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only those that are missing.
# Runs apt-get directly as root, through sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  clang libclang-rt-14-dev
  libssl-dev libboost-dev
  libgtest-dev libgmock-dev googletest
  python3
  libx11-dev libxss-dev libxext-dev libxtst-dev
  xvfb x11-utils xdotool x11-xserver-utils imagemagick
  qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
  qt6-webengine-dev libqt6webenginecore6-bin
  libxrandr-dev
  chromium
  ccache
  dbus dbus-daemon python3-dbusmock python3-dbus python3-gi
  xscreensaver-data i3lock slowhttptest iproute2 util-linux
)
# Node.js and npm run the browser tests of the manager's web pages; a machine that already has them
# (from any source) keeps its own.
if ! command -v npm >/dev/null 2>&1; then
  packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "setup: missing packages (${missing[*]}) and no sudo to install them; run as root" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
