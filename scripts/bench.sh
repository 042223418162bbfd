#!/usr/bin/env bash
# Measures the command server and the lock: builds the release preset (brivak3 and query_bench), starts
# "brivak3 -tray" in a temporary HOME whose registry.ini holds a password, runs query_bench against
# 127.0.0.1:8777 (1 and then 10 client threads), stops the locker with "brivak3 /r" and removes the
# temporary folder; then tests/bench/lock_bench.py times /lock -> covered and /unlock -> desktop under
# Xvfb (LOCK_BENCH_ROUNDS rounds, default 10) and tests/bench/trigger_bench.py the idle lock, the
# prepared drive and the screen saver's first frame. Further arguments go to query_bench (for example
# --requests 5000 --seconds 20).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build/release"
password="bench-$$-pass"
port=8777

cmake --preset release >/dev/null
cmake --build "$build" -j 2 --target brivak3 query_bench brivakmanager window_bench

# The port is fixed: a locker already listening would be measured instead of ours.
if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
  echo "bench: something already listens on 127.0.0.1:$port; stop it first" >&2
  exit 1
fi

tmp=$(mktemp -d "${TMPDIR:-/tmp}/brivak-bench-XXXXXX")
home="$tmp/home"
pid=""

# The locker's environment: the temporary HOME and nothing that points elsewhere; no windows (Qt's
# offscreen platform), as only the command server is measured here.
locker() {
  env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_RUNTIME_DIR -u XDG_STATE_HOME -u XDG_CACHE_HOME \
      -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen HOME="$home" "$tmp/bin/brivak3" "$@"
}

cleanup() {
  if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
    locker /r >/dev/null 2>&1 || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT

mkdir -p "$tmp/bin" "$home/.config/brivak"
chmod 700 "$home/.config/brivak"
# A copy of the program, so that no settings.ini beside the build output is picked up.
cp "$build/proj/brivak3" "$tmp/bin/brivak3"
hash=$(printf '%s' "$password" | sha1sum | cut -c1-40)
(
  umask 077
  printf '[Brivak 3.0\\Settings]\nfirstRun=0\n\n[Brivak 3.0\\Security]\npasswordHash=%s\nMasterIP=127.0.0.1\nmultiUser=0\nallowRemoteUnlocking=0\n' \
    "$hash" >"$home/.config/brivak/registry.ini"
)

locker -tray >"$tmp/brivak3.out" 2>&1 &
pid=$!
# Wait (at most 30 s) until the locker's own connectivity self-test has passed.
for _ in $(seq 300); do
  grep -q "Connectivity established" "$tmp/brivak3.out" && break
  if ! kill -0 "$pid" 2>/dev/null || grep -q "Can not connect" "$tmp/brivak3.out"; then break; fi
  sleep 0.1
done
if ! grep -q "Connectivity established" "$tmp/brivak3.out"; then
  echo "bench: brivak3 did not start:" >&2
  cat "$tmp/brivak3.out" >&2
  exit 1
fi

status=0
BRIVAK_BENCH_PASSWORD="$password" "$build/tests/bench/query_bench" --port "$port" --threads 1,10 "$@" || status=$?

# Stop the locker the ordinary way and wait for it to end.
locker /r >/dev/null 2>&1 || true
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
  echo "bench: brivak3 did not end after /r" >&2
  status=1
else
  wait "$pid" || true
  pid=""
fi

# The lock itself on a private two-monitor Xvfb: /lock until every monitor is covered, /unlock until
# the desktop shows again (it runs a locker of its own on the same fixed port, so after the one above).
if [[ "$status" -eq 0 ]]; then
  python3 "$root/tests/bench/lock_bench.py" --brivak3 "$build/proj/brivak3" --rounds "${LOCK_BENCH_ROUNDS:-10}" || status=$?
fi
# The automatic triggers on the same kind of desktop: idle lock, saver frames, and, as root in a
# mount namespace of its own, a prepared drive's mount (TRIGGER_BENCH_ROUNDS rounds, default 5).
if [[ "$status" -eq 0 ]]; then
  rounds="${TRIGGER_BENCH_ROUNDS:-5}"
  python3 "$root/tests/bench/trigger_bench.py" --brivak3 "$build/proj/brivak3" --rounds "$rounds" || status=$?
  if [[ "$status" -eq 0 && "$(id -u)" -eq 0 ]]; then
    unshare -m --propagation private python3 "$root/tests/bench/trigger_bench.py" --brivak3 "$build/proj/brivak3" \
      --rounds "$rounds" --media || status=$?
  elif [[ "$status" -eq 0 ]]; then
    echo "bench: the mount figure needs root (a mount namespace of its own); not measured" >&2
  fi
fi
# The manager: one discovery with status queries for 1,000, 2,000 and 5,000 simulated lockers on
# the loopback, headless and in the window (UI-thread heartbeat), and 500 lockers that never answer
# their query (the simulator takes the locker's fixed port 8777, so after the lockers above).
if [[ "$status" -eq 0 ]]; then
  python3 "$root/tests/bench/discovery_bench.py" --manager "$build/manager/brivakmanager" \
    --window-bench "$build/tests/bench/window_bench" || status=$?
fi
# The range walk over a /16 of addresses that never answer, in a network namespace of its own.
if [[ "$status" -eq 0 ]]; then
  unshare -n python3 "$root/tests/bench/walk_bench.py" --manager "$build/manager/brivakmanager" \
    --seconds "${WALK_BENCH_SECONDS:-30}" || status=$?
fi
exit "$status"
