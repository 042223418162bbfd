#!/usr/bin/env bash
# Installs what is missing, builds, and starts brivak3 in the tray on the current X display.
# Where there is no display it starts a private Xvfb and says so. Extra arguments go to brivak3.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release brivak3

xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  # The program needs the display up before it starts (at most 10 s).
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  echo "run: no X display found; started a private Xvfb on $DISPLAY"
  trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
fi

echo "run: starting brivak3 -tray (stop it with: build/release/proj/brivak3 /r)"
build/release/proj/brivak3 -tray "$@"
