#!/usr/bin/python3
"""The backup engine on one large file against rsync and rdiff-backup.

    sudo bash scripts/install-deps.sh --bench      (rsync, rdiff-backup, GNU time)
    /usr/bin/python3 bench/large_bench.py [--mb 1024] [--repeat 3] [--engine PATH]
                                          [--work DIR]

Two steps, each timed until its data is on the destination's disk (the tool, then `sync -f`
of the destination's file system), median of --repeat rounds, the tools in a rotating order:

  first backup       the engine            rsync -a           rdiff-backup backup
  1 MiB rewritten    the engine's second   rsync -a --inplace rdiff-backup backup
  in the middle      run (new copy and     of the same file   (new mirror and
  (same size)        reverse delta)        onto its copy      reverse increment)

Every round gives each tool a fresh ext4 file system of its own (a loop-mounted image, as
root; see run_bench.py), and puts the file's original middle back before its first backup.
The engine is bench/backup_once.cpp (the run without the service's start wait), built
optimised by run_bench.py's build() unless --engine names a built one. Peak memory is the
maximum resident set size of each run (GNU time). Not run by CTest; never asserted.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from run_bench import FreshFs, build, timed

MIB = 1 << 20


def write_middle(path, data, mtime):
    size = os.path.getsize(path)
    with open(path, "r+b") as f:
        f.seek(size // 2 - len(data) // 2)
        f.write(data)
    os.utime(path, (mtime, mtime))


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--mb", type=int, default=1024, help="size of the file in MiB")
    p.add_argument("--repeat", type=int, default=3)
    p.add_argument("--engine", default=None, help="a built backup_once (default: build it)")
    p.add_argument("--work", default=None)
    a = p.parse_args()
    for tool in ("rsync", "rdiff-backup", "/usr/bin/time"):
        if shutil.which(tool) is None:
            raise SystemExit("%s is missing: sudo bash scripts/install-deps.sh --bench" % tool)
    engine = a.engine or build()
    work = a.work or tempfile.mkdtemp(prefix="tessaly-large-")
    src = os.path.join(work, "src")
    os.makedirs(src, exist_ok=True)
    big = os.path.join(src, "large.bin")
    if not os.path.exists(big) or os.path.getsize(big) != a.mb * MIB:
        with open(big, "wb") as f:
            for _ in range(a.mb):
                f.write(os.urandom(MIB))
    size = os.path.getsize(big)
    with open(big, "rb") as f:
        f.seek(size // 2 - MIB // 2)
        original = f.read(MIB)
    rewritten = os.urandom(MIB)
    base_time = int(time.time()) - 3600
    size_gb = max(2, a.mb * 3 // 1024 + 1)

    first = {
        "engine": lambda d: [engine, src, d],
        "rsync -a": lambda d: ["rsync", "-a", src + "/", d + "/"],
        "rdiff-backup": lambda d: ["rdiff-backup", "--terminal-verbosity", "1", "backup", src, d],
    }
    second = {
        "engine": first["engine"],
        "rsync --inplace": lambda d: ["rsync", "-a", "--inplace", src + "/", d + "/"],
        "rdiff-backup": first["rdiff-backup"],
    }
    # The tool of each second step and the one whose first backup it goes on from.
    follows = {"engine": "engine", "rsync --inplace": "rsync -a", "rdiff-backup": "rdiff-backup"}
    times = {("first", t): [] for t in first}
    times.update({("rewrite", t): [] for t in second})
    print("one file of %d MiB in %s, median of %d" % (a.mb, work, a.repeat))
    count = 0
    filesystems = []
    try:
        for rep in range(a.repeat):
            write_middle(big, original, base_time)
            dest = {}
            tools = list(first)
            for tool in tools[rep % 3:] + tools[:rep % 3]:
                count += 1
                fs = FreshFs(work, "fs%d" % count, size_gb)
                filesystems.append(fs)
                dest[tool] = os.path.join(fs.mount, "dest")
                os.makedirs(dest[tool])
                times[("first", tool)].append(timed(first[tool](dest[tool]), settle=dest[tool]))
            write_middle(big, rewritten, base_time + 60)
            tools = list(second)
            for tool in tools[rep % 3:] + tools[:rep % 3]:
                d = dest[follows[tool]]
                times[("rewrite", tool)].append(timed(second[tool](d), settle=d))
            while filesystems:
                filesystems.pop().close()
    finally:
        for fs in filesystems:
            fs.close()
        if a.work is None:
            shutil.rmtree(work, ignore_errors=True)

    def median(key):
        runs = times[key]
        return statistics.median(r[0] for r in runs), max(r[1] for r in runs)

    for key in times:
        seconds, peak = median(key)
        spread = ", ".join("%.2f" % r[0] for r in times[key])
        print("  %-8s %-16s %6.2f s %9d KiB   (%s)" % (*key, seconds, peak, spread))
    print("ratios (engine / other tool):")
    for step, peers in (("first", ("rsync -a", "rdiff-backup")),
                        ("rewrite", ("rdiff-backup", "rsync --inplace"))):
        engine_s = median((step, "engine"))[0]
        print("  %-8s " % step + ", ".join(
            "vs %s %.2fx" % (peer, engine_s / median((step, peer))[0]) for peer in peers))


if __name__ == "__main__":
    sys.exit(main())
