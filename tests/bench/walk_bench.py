"""The range walk of the headless brivakmanager over a /16 of addresses that never answer.

Must run in a network namespace of its own (scripts/bench.sh starts it under "unshare -n"): it
routes 127.77.0.0/16 into a TUN device that nobody reads, so every connection attempt waits for
its connect time-out instead of being refused at once. It starts "scan 127.77.0.0 127.77.255.255",
samples the walk's progress and the connections the kernel holds in SYN-SENT (never more than 20
may be open) for --seconds, prints the rate, the time left the manager shows and the projected
whole walk, then stops the walk and times how long the stop takes.
Usage: walk_bench.py --manager path/to/brivakmanager [--seconds 30]"""
import argparse
import os
import re
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "integration"))

from manager_harness import HeadlessManager  # noqa: E402


def syn_sent():
    out = subprocess.run(["ss", "-Htn", "state", "syn-sent"], capture_output=True, text=True, check=True).stdout
    return sum(1 for line in out.splitlines() if "127.77." in line)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--manager", default=os.environ.get("BRIVAKMANAGER"))
    parser.add_argument("--seconds", type=float, default=30)
    args = parser.parse_args()
    links = subprocess.run(["ip", "-o", "link", "show"], capture_output=True, text=True, check=True).stdout
    if [line.split(":")[1].strip() for line in links.splitlines()] != ["lo"]:
        sys.exit("walk_bench: run inside a network namespace of its own (unshare -n)")
    os.environ["BRIVAKMANAGER"] = args.manager
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    subprocess.run(["ip", "tuntap", "add", "dev", "bw0", "mode", "tun"], check=True)
    subprocess.run(["ip", "link", "set", "bw0", "up"], check=True)
    subprocess.run(["ip", "route", "add", "127.77.0.0/16", "dev", "bw0"], check=True)

    manager = HeadlessManager("bench-pass", settings={"scantimeout": "2000"},
                              extra_args=["-eventport", "0", "-nodiscover"])
    try:
        manager.wait_output("Brivak Manager v0.48 ready.")
        start = time.monotonic()
        manager.send("scan 127.77.0.0 127.77.255.255")
        most_syn = 0
        samples = 0
        while time.monotonic() - start < args.seconds:
            most_syn = max(most_syn, syn_sent())
            time.sleep(0.05)  # sampling interval of the benchmark, not a wait for a condition
        samples = manager.output().count("SCAN Scanned")
        manager.send("scanprogress")
        manager.wait_output("SCAN Scanned", count=samples + 1, timeout=20)
        line = [l for l in manager.lines() if l.startswith("SCAN Scanned")][-1]
        elapsed = time.monotonic() - start
        m = re.match(r"SCAN Scanned (\d+) of (\d+) addresses, (\d+) in flight, about (.*) left\.", line)
        if not m:
            raise AssertionError(f"no progress line: {line!r}")
        handled, total, in_flight, left = int(m[1]), int(m[2]), int(m[3]), m[4]
        rate = handled / elapsed
        stop_at = time.monotonic()
        manager.send("stopscan")
        manager.wait_output("SCAN STOPPED", timeout=20)
        stopped_in = time.monotonic() - stop_at
        lingering = syn_sent()
        print(f"walk bench: /16 of never-answering addresses (127.77.0.0/16 into a TUN device), "
              f"connect time-out 2000 ms, 10 ms pace")
        print(f"  after {elapsed:.1f} s: {handled} of {total} ended ({rate:.1f}/s), {in_flight} in flight; "
              f"the manager shows about {left} left")
        print(f"  projected whole walk: {total / rate / 60:.1f} min")
        print(f"  most connections in SYN-SENT at once: {most_syn} (limit 20)")
        print(f"  stop took {stopped_in * 1000:.0f} ms; connections left in SYN-SENT after it: {lingering}")
        if manager.stop() != 0:
            raise AssertionError("the manager did not end cleanly")
    finally:
        manager.close()


if __name__ == "__main__":
    main()
