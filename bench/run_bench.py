#!/usr/bin/python3
"""Benchmark of the backup engine against rsync -a, rdiff-backup and smbclient put.

    sudo bash scripts/install-deps.sh --bench      (rsync, rdiff-backup, GNU time)
    /usr/bin/python3 bench/run_bench.py [--files 50000] [--large 4] [--large-mb 64]
                                        [--work DIR] [--no-smb] [--repeat 3]
                                        [--engine PATH]

Makes a data set (many small files in nested folders and a few large files), then times on
the same data, side by side: the first backup, a backup with nothing changed, and one with
1% of the files changed; the engine to a local folder against `rsync -a` and `rdiff-backup`
to local folders, and the engine to the private Samba server of the tests (loopback, needs
root) against `smbclient` put for the first backup. Peak memory is the maximum resident set
size of each run (GNU time); the engine's first backup is also measured on a data set a
fifth of the size, to show whether memory grows with the number of files.

Fairness: the source is read from the page cache by every tool alike, `sync` runs before
each timed step, each local step is timed until its data is on the disk (the `sync -f` of
its destination's file system counts), and (as root) each local destination is a fresh ext4
file system of its own (a loop-mounted image), because ext4 allocates inodes more slowly right after many
deletions and the order of the tools would otherwise decide the figures. Not run by CTest.

One large file (first backup, and a rewrite in its middle): bench/large_bench.py.

The service against smbclient on the private smbd, with smbd's request counts for backup,
restore, a run with nothing changed and one with 1% changed: bench/smb_bench.py (as root:
/usr/bin/python3 bench/smb_bench.py [--files 10000] [--rounds 3]).
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(HERE)
SMBD = os.path.join(PROJECT, "tests", "peers", "smbd.sh")


def build():
    folder = os.path.join(PROJECT, "build-bench")
    subprocess.run(["cmake", "-S", PROJECT, "-B", folder, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=Release", "-DTESSALY_CRASH_POINTS=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["ninja", "-C", folder, "backup_once"], check=True, stdout=subprocess.DEVNULL)
    return os.path.join(folder, "tests", "backup_once")


def make_data(root, files, large, large_mb, seed=7):
    rng = random.Random(seed)
    for i in range(files):
        folder = os.path.join(root, "d%03d" % (i // 1000), "s%02d" % ((i // 50) % 20))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%06d.dat" % i), "wb") as f:
            f.write(rng.randbytes(rng.randint(512, 8192)))
    for j in range(large):
        with open(os.path.join(root, "large%d.bin" % j), "wb") as f:
            for _ in range(large_mb):
                f.write(rng.randbytes(1 << 20))


def change_one_percent(root, files, seed=11):
    """Changes 1% of the small files (an edit in the middle, a new last-write time)."""
    rng = random.Random(seed)
    changed = rng.sample(range(files), max(1, files // 100))
    for i in changed:
        path = os.path.join(root, "d%03d" % (i // 1000), "s%02d" % ((i // 50) % 20),
                            "f%06d.dat" % i)
        with open(path, "r+b") as f:
            f.seek(100)
            f.write(rng.randbytes(64))
        st = os.stat(path)
        os.utime(path, (st.st_atime, st.st_mtime + 60))
    return len(changed)


class FreshFs:
    """A new ext4 file system in a sparse image, mounted for one destination (root only)."""

    def __init__(self, work, name, size_gb):
        self.image = os.path.join(work, name + ".img")
        self.mount = os.path.join(work, name)
        os.makedirs(self.mount)
        self.mounted = False
        if os.geteuid() != 0 or shutil.which("mkfs.ext4") is None:
            return
        with open(self.image, "wb") as f:
            f.truncate(size_gb << 30)
        ok = subprocess.run(["mkfs.ext4", "-q", "-F", self.image]).returncode == 0 and \
            subprocess.run(["mount", "-o", "loop", self.image, self.mount]).returncode == 0
        self.mounted = ok

    def close(self):
        if self.mounted:
            subprocess.run(["umount", self.mount])
        if os.path.exists(self.image):
            os.unlink(self.image)


def timed(argv, env=None, settle=None):
    """(wall seconds, peak resident KiB) of one command, after a sync; with `settle` (a
    destination folder) until its data is on the disk: the sync of its file system counts."""
    subprocess.run(["sync"])
    out = tempfile.NamedTemporaryFile(delete=False)
    out.close()
    environment = dict(os.environ)
    if env:
        environment.update(env)
    began = time.monotonic()
    r = subprocess.run(["/usr/bin/time", "-f", "%e %M", "-o", out.name, *argv],
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=environment)
    if settle:
        subprocess.run(["sync", "-f", settle], check=True)
    seconds = time.monotonic() - began
    with open(out.name) as f:
        text = f.read().split()
    os.unlink(out.name)
    if r.returncode != 0:
        raise SystemExit("failed: %s\n%s" % (" ".join(argv), r.stderr.decode(errors="replace")))
    return (seconds if settle else float(text[-2])), int(text[-1])


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--files", type=int, default=50000)
    p.add_argument("--large", type=int, default=4)
    p.add_argument("--large-mb", type=int, default=64)
    p.add_argument("--work", default=None)
    p.add_argument("--no-smb", action="store_true")
    p.add_argument("--repeat", type=int, default=3)
    p.add_argument("--engine", default=None, help="a built backup_once (default: build it)")
    a = p.parse_args()
    for tool in ("rsync", "rdiff-backup", "/usr/bin/time"):
        if shutil.which(tool) is None:
            raise SystemExit("%s is missing: sudo bash scripts/install-deps.sh --bench" % tool)
    engine = a.engine or build()
    work = a.work or tempfile.mkdtemp(prefix="tessaly-bench-")
    src = os.path.join(work, "src")
    small = os.path.join(work, "src-small")
    print("data set: %d small files in %d folders, %d large files of %d MiB, in %s"
          % (a.files, (a.files + 49) // 50, a.large, a.large_mb, work))
    make_data(src, a.files, a.large, a.large_mb)
    make_data(small, a.files // 5, a.large, a.large_mb)

    results = {}

    def record(key, value):
        results[key] = value
        print("  %-30s %8.2f s %9d KiB" % (key, *value))

    size_gb = max(2, (a.files * 5 // 1024 + a.large * a.large_mb) * 4 // 1024 + 1)
    commands = {
        "engine": lambda d: [engine, src, d],
        "rsync -a": lambda d: ["rsync", "-a", src + "/", d + "/"],
        "rdiff-backup": lambda d: ["rdiff-backup", "--terminal-verbosity", "1", "backup", src, d],
    }
    filesystems = {}
    dest = {}
    counter = [0]

    def fresh(tool):
        counter[0] += 1
        fs = FreshFs(work, "fs%d" % counter[0], size_gb)
        d = os.path.join(fs.mount, "dest")
        os.makedirs(d)
        return fs, d

    server = None
    smb_env = None
    if not a.no_smb:
        server = os.path.join(work, "smbd")
        r = subprocess.run([SMBD, "start", server], capture_output=True, text=True)
        if r.returncode != 0:
            print("no Samba server (%s): the SMB figures are left out" % r.stderr.strip())
            server = None
        else:
            smb_env = {"TESSALY_SMB_PORT": r.stdout.split()[-1]}
            os.makedirs(os.path.join(server, "nas", "engine"))
    try:
        # The first backup of each tool, three times on a fresh file system each, in a
        # rotating order; the median counts. The last destination of each goes on.
        print("first (median of %d, each on a fresh file system):" % a.repeat)
        tools = list(commands)
        times = {t: [] for t in tools}
        for rep in range(a.repeat):
            for tool in tools[rep % len(tools):] + tools[:rep % len(tools)]:
                if tool in filesystems:
                    filesystems.pop(tool).close()
                filesystems[tool], dest[tool] = fresh(tool)
                times[tool].append(timed(commands[tool](dest[tool]), settle=dest[tool]))
        fresh_fs = all(fs.mounted for fs in filesystems.values())
        for tool in tools:
            runs = sorted(times[tool])
            record("first " + tool, runs[len(runs) // 2])
        if server:
            record("first engine (smb)", timed([engine, src, "\\\\127.0.0.1\\nas\\engine",
                                                "incremental", "tessaly", "secret-pw"], smb_env))
            record("first smbclient put", timed(
                ["smbclient", "//127.0.0.1/nas", "-p", smb_env["TESSALY_SMB_PORT"],
                 "-U", "tessaly%secret-pw", "-c",
                 "prompt OFF; recurse ON; mkdir put; cd put; lcd %s; mput *" % src]))
        # Then --repeat runs with nothing changed, and --repeat runs each after another 1% of
        # the files changed; the median counts.
        for phase in ("unchanged", "1% changed"):
            print(phase + " (median of %d):" % a.repeat)
            runs = {t: [] for t in tools}
            for rep in range(a.repeat):
                if phase == "1% changed":
                    change_one_percent(src, a.files, seed=11 + rep)
                for tool in tools[rep % len(tools):] + tools[:rep % len(tools)]:
                    runs[tool].append(timed(commands[tool](dest[tool]), settle=dest[tool]))
            for tool in tools:
                ordered = sorted(runs[tool])
                record(phase + " " + tool, ordered[len(ordered) // 2])
            if server:
                record(phase + " engine (smb)", timed(
                    [engine, src, "\\\\127.0.0.1\\nas\\engine", "incremental", "tessaly",
                     "secret-pw"], smb_env))
        print("memory with a fifth of the files:")
        fs, d = fresh("engine-small")
        filesystems["engine-small"] = fs
        record("first engine, %d files" % (a.files // 5), timed([engine, small, d], settle=d))
    finally:
        if server:
            subprocess.run([SMBD, "stop", server])
        for fs in filesystems.values():
            fs.close()
    print("destinations on fresh ext4 file systems: %s" % fresh_fs)

    def ratio(x, y):
        return results[x][0] / results[y][0] if results[y][0] > 0 else float("nan")

    print("\nratios (time of the engine / time of the other tool):")
    for phase in ("first", "unchanged", "1% changed"):
        line = "  %-12s vs rsync %.2fx, vs rdiff-backup %.2fx" % (
            phase, ratio(phase + " engine", phase + " rsync -a"),
            ratio(phase + " engine", phase + " rdiff-backup"))
        if server and phase == "first":
            line += ", smb engine vs smbclient put %.2fx" % ratio(
                "first engine (smb)", "first smbclient put")
        print(line)
    print("  peak memory of the engine: %d KiB with %d files, %d KiB with %d files"
          % (results["first engine"][1], a.files,
             results["first engine, %d files" % (a.files // 5)][1], a.files // 5))
    if a.work is None:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
