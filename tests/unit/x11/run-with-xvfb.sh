#!/usr/bin/env bash
# Runs one test command under a private Xvfb: picks a free display number from :100 up, starts
# the server, waits (with a deadline) until it answers, runs the command with DISPLAY set, and
# stops the server again. The exit status is the command's.
# Usage: run-with-xvfb.sh command [args...]
set -u

readonly start_deadline_s=20
lock_dir="${TMPDIR:-/tmp}"
xvfb_pid=""
lock_fd=""

cleanup() {
  if [[ -n "$xvfb_pid" ]]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Starts Xvfb on :$1 and waits until it answers. Fails when the display is taken or too slow.
start_on() {
  local n=$1
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  local deadline=$((SECONDS + start_deadline_s))
  while ((SECONDS < deadline)); do
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
      wait "$xvfb_pid" 2>/dev/null
      xvfb_pid=""
      return 1  # another server owns the display
    fi
    if xdpyinfo -display ":$n" >/dev/null 2>&1; then
      # It answers; make sure the answer came from our server, not one that held the number.
      kill -0 "$xvfb_pid" 2>/dev/null && return 0
    fi
    # Polling interval of the readiness check, not a wait for a result.
    sleep 0.05
  done
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
  return 1
}

display=""
for n in $(seq 100 199); do
  # Wrappers running at the same time (ctest -j) take turns per number through a file lock;
  # servers of anyone else show up as their lock file or as our Xvfb failing to start.
  [[ -e "/tmp/.X$n-lock" || -e "/tmp/.X11-unix/X$n" ]] && continue
  exec {lock_fd}>"$lock_dir/brivak-xvfb-$n.lock" || continue
  if flock -n "$lock_fd"; then
    if start_on "$n"; then
      display=":$n"
      break
    fi
  fi
  exec {lock_fd}>&-
done

if [[ -z "$display" ]]; then
  echo "run-with-xvfb: no Xvfb display could be started (:100 to :199)" >&2
  exit 1
fi

DISPLAY="$display" "$@"
status=$?
exit "$status"
