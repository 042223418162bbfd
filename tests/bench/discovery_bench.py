"""Times one discovery with status queries of simulated lockers on 127.0.0.0/8 (see
tests/integration/locker_sim.py), by the headless brivakmanager and by its window:

- headless: from the "discover" command to the moment every locker is in the computer list, and
  to the end of the discovery;
- window (tests/bench/window_bench, Qt offscreen): the same from the window's start, with the
  longest gap a 5 ms heartbeat timer on the UI thread saw;
- hanging: lockers that answer the discovery and accept the status query's connection but never
  answer it; the time until the discovery has given every one of them up.

The listening window (udptimeout) is part of every time; it is printed with the results. The
benchmark raises its own limit of open files (the simulator holds one listening socket per locker).
Usage: discovery_bench.py --manager path/to/brivakmanager [--window-bench path/to/window_bench]
                          [--counts 1000,2000,5000] [--hanging 500] [--udptimeout 500]"""
import argparse
import os
import resource
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "integration"))

from harness import wait_ports_free  # noqa: E402
from locker_sim import LockerSimulator  # noqa: E402
from manager_harness import HeadlessManager  # noqa: E402


def headless_run(count, udptimeout, hanging=0):
    with LockerSimulator(count, hanging):
        manager = HeadlessManager("bench-pass", settings={"udptimeout": str(udptimeout)},
                                  extra_args=["-eventport", "0", "-nodiscover"])
        try:
            manager.wait_output("Brivak Manager v0.48 ready.")
            start = time.monotonic()
            manager.send("discover")
            manager.wait_computers(lambda c: len(c) >= count, timeout=600, what=f"{count} computers")
            listed = time.monotonic() - start
            manager.wait_output("DISCOVERY FINISHED", timeout=600)
            finished = time.monotonic() - start
            found = [l for l in manager.lines() if l.startswith("Found ") and "good IP addresses" in l]
            if manager.stop() != 0:
                raise AssertionError("the manager did not end cleanly")
            return listed, finished, found[-1] if found else "?"
        finally:
            manager.close()


def window_run(window_bench, count, udptimeout):
    sim = subprocess.Popen([sys.executable, os.path.join(HERE, "sim_serve.py"), str(count)],
                           stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        if sim.stdout.readline().strip() != "READY":
            raise AssertionError("the simulator did not start")
        out = subprocess.run([window_bench, "--count", str(count), "--udptimeout", str(udptimeout)],
                             capture_output=True, text=True, timeout=600)
        if out.returncode != 0:
            raise AssertionError(f"window_bench failed:\n{out.stdout}{out.stderr}")
        return out.stdout.strip()
    finally:
        sim.stdin.close()
        sim.wait(30)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--manager", default=os.environ.get("BRIVAKMANAGER"))
    parser.add_argument("--window-bench", default=os.environ.get("BRIVAK_WINDOW_BENCH"))
    parser.add_argument("--counts", default="1000,2000,5000")
    parser.add_argument("--hanging", type=int, default=500)
    parser.add_argument("--udptimeout", type=int, default=500)
    args = parser.parse_args()
    if not args.manager:
        parser.error("--manager (or BRIVAKMANAGER) is needed")
    os.environ["BRIVAKMANAGER"] = args.manager
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    print(f"open-file limit raised from {soft} to {hard}")
    wait_ports_free()
    counts = [int(c) for c in args.counts.split(",")]
    print(f"discovery bench: listening window {args.udptimeout} ms, at most 20 status queries at once")
    print("headless:")
    print(f"{'lockers':>8} {'all listed (s)':>15} {'finished (s)':>13} {'queries/s':>10}")
    for count in counts:
        listed, finished, found = headless_run(count, args.udptimeout)
        query_time = max(listed - args.udptimeout / 1000.0, 1e-6)
        print(f"{count:>8} {listed:>15.3f} {finished:>13.3f} {count / query_time:>10.0f}   ({found})", flush=True)
    if args.window_bench:
        print("window (offscreen), heartbeat every 5 ms on the UI thread:")
        print(f"{'lockers':>8} {'all listed (s)':>15} {'finished (s)':>13} {'longest gap (ms)':>16}")
        for count in counts:
            print(window_run(args.window_bench, count, args.udptimeout), flush=True)
    if args.hanging:
        listed, finished, found = headless_run(20, args.udptimeout, hanging=args.hanging)
        print(f"hanging: 20 answering and {args.hanging} hanging lockers: the 20 listed after {listed:.3f} s, "
              f"discovery finished after {finished:.3f} s ({found})", flush=True)


if __name__ == "__main__":
    main()
