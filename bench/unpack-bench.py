#!/usr/bin/env python3
"""Times unpacking one flipbook with brivane-flip open and with bsdtar, 7z and
unzip, alternating the order each round; prints medians and peak memory.

usage: unpack-bench.py BRIVANE_FLIP FILE.flip [ROUNDS]
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run(argv, env=None):
    # GNU time reports the tool's own peak; a forked Python's would hide it.
    start = time.perf_counter()
    proc = subprocess.run(["/usr/bin/time", "-f", "%M"] + argv, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, env=env, text=True)
    elapsed = time.perf_counter() - start
    if proc.returncode != 0:
        raise SystemExit(f"failed: {' '.join(argv)}")
    return elapsed, int(proc.stderr.strip().splitlines()[-1]) / 1024.0  # MiB


def main():
    flip_tool, archive = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    scratch = tempfile.mkdtemp(prefix="brivane-bench-", dir=os.path.dirname(archive))
    os.chmod(scratch, 0o700)
    env = dict(os.environ, TMPDIR=scratch)
    dest = os.path.join(scratch, "out")

    tools = {
        "brivane-flip open": lambda: [flip_tool, "open", archive],
        "bsdtar -xf": lambda: ["bsdtar", "-xf", archive, "-C", dest],
        "7z x": lambda: ["7z", "x", "-y", "-o" + dest, archive],
        "unzip -q": lambda: ["unzip", "-q", archive, "-d", dest],
    }
    names = list(tools)
    times = {n: [] for n in names}
    rss = {n: 0.0 for n in names}
    for r in range(rounds):
        order = names[r % len(names):] + names[:r % len(names)]
        for name in order:
            # Clean up outside the timing: the last run's tree and workspace.
            for entry in os.listdir(scratch):
                shutil.rmtree(os.path.join(scratch, entry), ignore_errors=True)
            os.makedirs(dest)
            subprocess.run(["sync"])
            elapsed, peak = run(tools[name](), env)
            times[name].append(elapsed)
            rss[name] = max(rss[name], peak)
    shutil.rmtree(scratch, ignore_errors=True)

    medians = {n: statistics.median(times[n]) for n in names}
    fastest_peer = min(medians[n] for n in names[1:])
    print(f"{'tool':20} {'median s':>9} {'min s':>7} {'max s':>7} {'peak RSS MiB':>13}")
    for n in names:
        print(f"{n:20} {medians[n]:9.3f} {min(times[n]):7.3f} {max(times[n]):7.3f} {rss[n]:13.1f}")
    print(f"ratio to the fastest peer: {medians[names[0]] / fastest_peer:.2f}")


if __name__ == "__main__":
    main()
