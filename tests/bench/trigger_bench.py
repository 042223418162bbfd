#!/usr/bin/env python3
"""Times the automatic triggers on a private two-monitor X desktop (Xvfb, no window manager):

- idle lock: from the moment lockTime is reached (last input + lockTime) until every monitor is
  covered (lockTime 1);
- mount (with --media, as root, inside `unshare -m`): from the move of a prepared tmpfs volume to
  /mnt/<name> until every monitor is covered;
- saver: from the start of the hack's process until its first frame shows (a pixel neither black
  nor the desktop's red), idleDelay 1 during a lock.

Coverage is sampled as pixels of the root window. Prints median and p90 over the rounds.

Usage: trigger_bench.py --brivak3 PATH [--rounds 5] [--media]"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "integration"))

from desktop import Desktop, IdleProbe, PixelSampler  # noqa: E402
from harness import Sandbox, sha1_hex, wait_for  # noqa: E402

PASSWORD = "bench trigger pass"
HACK = "/usr/libexec/xscreensaver/popsquares"
LAYOUTS = os.path.normpath(os.path.join(HERE, "..", "..", "layouts"))


def p90(values):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(0.9 * (len(ordered) - 1))))]


def report(name, values, goal):
    print(f"{name}: median {statistics.median(values) * 1000:.0f} ms, p90 {p90(values) * 1000:.0f} ms "
          f"over {len(values)} rounds (goal {goal})")


def sandbox(desktop, brivak3, screen_savers=None, security=None):
    os.environ["BRIVAK3"] = brivak3
    box = Sandbox(display=desktop.display)
    shutil.copytree(LAYOUTS, os.path.join(box.bin_dir, "layouts"))
    box.write_registry({
        "Settings": {"firstRun": "0", "LayoutMode": "0"},
        "Security": {"passwordHash": sha1_hex(PASSWORD), "multiUser": "0", "MasterIP": "127.0.0.1",
                     "idleLock": "0", **(security or {})},
        "ScreenSavers": {"runSaverOnIdle": "0", **(screen_savers or {})},
        "Logging": {"DoLog": "1"},
    })
    return box


def unlock(desktop, sampler):
    # Typing goes to the unlock box once the lock holds the keyboard.
    wait_for(lambda: desktop.keyboard_grab_status() == 1, 10, what="the lock's keyboard grab")
    desktop.type_text(PASSWORD)
    desktop.key("Return")
    wait_for(sampler.all_desktop, 20, what="the unlock")


def idle_lock(desktop, sampler, brivak3, rounds):
    box = sandbox(desktop, brivak3, security={"idleLock": "1", "lockTime": "1"})
    idle = IdleProbe(desktop.display)
    try:
        box.start_locker("-tray")
        figures = []
        for _ in range(rounds):
            desktop.run("xdotool", "mousemove_relative", "--", "2", "1")
            ms = wait_for(lambda: (lambda v: v < 500 and v + 1)(idle.idle_ms()), 5, interval=0.005,
                          what="the input") - 1
            reached = time.monotonic() - ms / 1000 + 1.0
            covered = wait_for(lambda: sampler.all_covered() and time.monotonic(), 10, interval=0.005,
                               what="the idle lock")
            figures.append(covered - reached)
            unlock(desktop, sampler)
        report("idle lock, lockTime reached -> covered", figures, "1.1 s or less")
    finally:
        idle.close()
        box.close()


def mount_lock(desktop, sampler, brivak3, rounds):
    if os.readlink("/proc/self/ns/mnt") == os.readlink(f"/proc/{os.getppid()}/ns/mnt"):
        raise SystemExit("trigger_bench: --media needs a mount namespace of its own (unshare -m)")
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m", "brivak-bench", "/mnt"], check=True)
    box = sandbox(desktop, brivak3)
    try:
        box.start_locker("-tray")
        figures = []
        for i in range(rounds):
            staging = tempfile.mkdtemp(prefix="brivak-bench-stick-")
            subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", f"stick{i}", staging], check=True)
            os.makedirs(os.path.join(staging, "Brivak2Go"))
            with open(os.path.join(staging, "Brivak2Go", "settings.ini"), "w") as f:
                f.write("[USB]\r\nlockOnInsert=1\r\n")
            point = f"/mnt/stick{i}"
            os.makedirs(point)
            start = time.monotonic()
            subprocess.run(["mount", "--move", staging, point], check=True)
            covered = wait_for(lambda: sampler.all_covered() and time.monotonic(), 10, interval=0.005,
                               what="the drive's lock")
            figures.append(covered - start)
            os.rmdir(staging)
            unlock(desktop, sampler)
            subprocess.run(["umount", point], check=True)
        report("mount -> covered", figures, "1 s or less")
    finally:
        box.close()
        subprocess.run(["umount", "-l", "/mnt"])


def hack_pids():
    pids = []
    for pid in os.listdir("/proc"):
        if pid.isdigit():
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    if f.read().split(b"\0")[0] == HACK.encode():
                        pids.append(pid)
            except OSError:
                pass
    return pids


def saver_frames(desktop, sampler, brivak3, rounds):
    box = sandbox(desktop, brivak3, screen_savers={"defaultSaver": HACK, "runSaverOnIdle": "1", "idleDelay": "1"})
    try:
        box.start_locker()
        wait_for(sampler.all_covered, 30, what="the lock")
        left = [(x, y) for x, y in sampler.points if x < 1280]
        figures = []
        for _ in range(rounds):
            wait_for(hack_pids, 20, interval=0.002, what="the hack")
            start = time.monotonic()
            wait_for(lambda: any(sampler.pixel(x, y) not in (0, 0xFF0000) for x, y in left), 10,
                     interval=0.002, what="the first frame")
            figures.append(time.monotonic() - start)
            desktop.key("shift")
            wait_for(lambda: not hack_pids(), 10, what="the hack to end")
        report("saver, start -> first frame", figures, "none given")
        unlock(desktop, sampler)
    finally:
        box.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--brivak3", required=True)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--media", action="store_true", help="only the mount figure (root, unshare -m)")
    args = parser.parse_args()
    desktop = Desktop().start()
    sampler = PixelSampler(desktop.display)
    try:
        if args.media:
            mount_lock(desktop, sampler, os.path.abspath(args.brivak3), args.rounds)
        else:
            idle_lock(desktop, sampler, os.path.abspath(args.brivak3), args.rounds)
            saver_frames(desktop, sampler, os.path.abspath(args.brivak3), args.rounds)
    finally:
        sampler.close()
        desktop.stop()


if __name__ == "__main__":
    main()
