"""Serves simulated lockers (tests/integration/locker_sim.py) until its standard input closes, for
benchmarks whose manager runs in another program. Prints "READY" once every locker listens.
Usage: sim_serve.py COUNT [HANGING]"""
import os
import resource
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "integration"))

from locker_sim import LockerSimulator  # noqa: E402


def main():
    count = int(sys.argv[1])
    hanging = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    with LockerSimulator(count, hanging):
        print("READY", flush=True)
        sys.stdin.read()


if __name__ == "__main__":
    main()
