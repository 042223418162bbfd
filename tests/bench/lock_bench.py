#!/usr/bin/env python3
"""Times the lock on a private two-monitor X desktop (Xvfb, no window manager): from an HTTP /lock
request (and from the hotkey) until every monitor is covered, and from /unlock until the desktop
shows again; beside it, Debian's i3lock (run with -n) from its start until covered, on the same
display. Coverage is
sampled as pixels of the root window (a grid and the corners of each monitor); after each timed
step a full screenshot confirms it. Prints median and p90 over the rounds.

Usage: lock_bench.py --brivak3 PATH [--rounds 10]"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "integration"))

from desktop import Desktop, PixelSampler, wait_covered, wait_uncovered  # noqa: E402
from harness import Sandbox, http_get, query_text, sha1_hex  # noqa: E402

PASSWORD = "bench lock pass"


def timed(action, done, timeout=30.0):
    """Seconds from the start of `action` until `done()` holds."""
    start = time.monotonic()
    action()
    deadline = start + timeout
    while not done():
        if time.monotonic() > deadline:
            raise SystemExit("lock_bench: timed out")
    return time.monotonic() - start


def p90(values):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(0.9 * (len(ordered) - 1))))]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--brivak3", required=True)
    parser.add_argument("--rounds", type=int, default=10)
    args = parser.parse_args()
    os.environ["BRIVAK3"] = os.path.abspath(args.brivak3)

    desktop = Desktop().start()
    box = Sandbox(display=desktop.display)
    sampler = None
    try:
        shutil.copytree(os.path.join(HERE, "..", "..", "layouts"), os.path.join(box.bin_dir, "layouts"))
        box.write_registry({
            "Settings": {"firstRun": "0"},
            "Security": {"passwordHash": sha1_hex(PASSWORD), "multiUser": "0", "MasterIP": "127.0.0.1"},
        })
        box.start_locker("-tray")
        sampler = PixelSampler(desktop.display)
        creds = query_text(s_username="", s_password=PASSWORD)
        lock_times, unlock_times = [], []
        for n in range(args.rounds):
            lock_times.append(timed(lambda: http_get("/lock?" + creds), sampler.all_covered))
            wait_covered(desktop)
            unlock_times.append(timed(lambda: http_get("/unlock?" + creds), sampler.all_desktop))
            wait_uncovered(desktop)
            # The lock has ended for the program too (not only on screen) before the next one.
            deadline = time.monotonic() + 30
            while "<status>Unlocked</status>" not in http_get("/query?" + creds).body:
                if time.monotonic() > deadline:
                    raise SystemExit("lock_bench: the locker did not report Unlocked")
                time.sleep(0.02)
            print(f"round {n + 1}: lock {lock_times[-1] * 1000:.1f} ms, unlock {unlock_times[-1] * 1000:.1f} ms",
                  flush=True)
        # The hotkey (Ctrl+Alt+S by default), unlocked over HTTP.
        hotkey_times = []
        for n in range(args.rounds):
            hotkey_times.append(timed(lambda: desktop.key("ctrl+alt+s"), sampler.all_covered))
            wait_covered(desktop)
            http_get("/unlock?" + creds)
            wait_uncovered(desktop)
            deadline = time.monotonic() + 30
            while "<status>Unlocked</status>" not in http_get("/query?" + creds).body:
                if time.monotonic() > deadline:
                    raise SystemExit("lock_bench: the locker did not report Unlocked")
                time.sleep(0.02)
        # i3lock on the same display: from its start until covered (it stays up with -n until ended).
        i3lock_times = []
        if shutil.which("i3lock"):
            for n in range(args.rounds):
                proc = None

                def start_i3lock():
                    nonlocal proc
                    proc = subprocess.Popen(["i3lock", "-n", "-c", "000000"], env=desktop.env(),
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

                i3lock_times.append(timed(start_i3lock, sampler.all_covered))
                proc.terminate()
                proc.wait(timeout=10)
                wait_uncovered(desktop)
        else:
            print("i3lock is not installed: no comparison", flush=True)
        for name, values in (("lock -> covered", lock_times), ("hotkey -> covered", hotkey_times),
                             ("i3lock -n start -> covered", i3lock_times), ("unlock -> desktop", unlock_times)):
            if not values:
                continue
            print(f"{name}: median {statistics.median(values) * 1000:.1f} ms, "
                  f"p90 {p90(values) * 1000:.1f} ms over {len(values)} rounds")
    finally:
        if sampler:
            sampler.close()
        box.close()
        desktop.stop()


if __name__ == "__main__":
    main()
