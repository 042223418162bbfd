"""Times one discovery of the headless brivakmanager with status queries for 50, 200 and 500
simulated lockers on 127.0.0.0/8 (see tests/integration/locker_sim.py): from the "discover"
command to the moment every locker is in the computer list and the discovery has finished.
The listening window (udptimeout) is part of the time; it is printed with the results.
Usage: discovery_bench.py --manager path/to/brivakmanager [--counts 50,200,500] [--udptimeout 500]"""
import argparse
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "integration"))

from harness import wait_for, wait_ports_free  # noqa: E402
from locker_sim import LockerSimulator  # noqa: E402
from manager_harness import HeadlessManager  # noqa: E402


def one_run(count, udptimeout):
    with LockerSimulator(count):
        manager = HeadlessManager("bench-pass", settings={"udptimeout": str(udptimeout)},
                                  extra_args=["-eventport", "0", "-nodiscover"])
        try:
            manager.wait_output("Brivak Manager v0.48 ready.")
            start = time.monotonic()
            manager.send("discover")
            manager.wait_computers(lambda c: len(c) >= count, timeout=300, what=f"{count} computers")
            listed = time.monotonic() - start
            manager.wait_output("DISCOVERY FINISHED", timeout=300)
            finished = time.monotonic() - start
            if manager.stop() != 0:
                raise AssertionError("the manager did not end cleanly")
            return listed, finished
        finally:
            manager.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--manager", default=os.environ.get("BRIVAKMANAGER"))
    parser.add_argument("--counts", default="50,200,500")
    parser.add_argument("--udptimeout", type=int, default=500)
    args = parser.parse_args()
    if not args.manager:
        parser.error("--manager (or BRIVAKMANAGER) is needed")
    os.environ["BRIVAKMANAGER"] = args.manager
    wait_ports_free()
    print(f"discovery bench: listening window {args.udptimeout} ms, at most 20 status queries at once")
    print(f"{'lockers':>8} {'all listed (s)':>15} {'finished (s)':>13} {'queries/s':>10}")
    for count in (int(c) for c in args.counts.split(",")):
        listed, finished = one_run(count, args.udptimeout)
        query_time = max(listed - args.udptimeout / 1000.0, 1e-6)
        print(f"{count:>8} {listed:>15.3f} {finished:>13.3f} {count / query_time:>10.0f}", flush=True)


if __name__ == "__main__":
    main()
