#!/usr/bin/python3
"""The service against smbclient on the same private Samba server, with request counts.

    /usr/bin/python3 bench/smb_bench.py [--files 10000] [--large 4] [--large-mb 64]
                                        [--rounds 3] [--build DIR] [--engine PATH]
                                        [--work DIR]

Needs root (smbd serves the files as root; tests/peers/smbd.sh). Builds the driver
bench/backup_once.cpp optimised in --build (default build-speed-rel) unless --engine names
a built one. Makes a data set (small files of 1-16 KB in nested folders, a few large files),
starts the private smbd of the tests on 127.0.0.1, turns its profile counters on and then
measures, each round on both sides, the median of --rounds rounds:

  first backup       the service into a new task folder       smbclient `mput` of the source
  restore            the service's restore of version 1       smbclient `mget` of the copy
  no-change run      an incremental run with nothing changed  a recursive `ls` of the copy
  1% changed         a run after 1% of the small files changed `put` of those files

Requests are smbd's own count of the SMB2 requests it answered during the step (the sum of
its smb2_*_count profile counters, read with smbstatus -P before and after). The 1%-changed
line also gives the service's requests per changed file and per folder of the source, and
the last round's requests of the no-change and 1%-changed runs by kind (create, read, ...).
Not run by CTest; figures are for reading, never asserted.
"""

import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(HERE)
SMBD = os.path.join(PROJECT, "tests", "peers", "smbd.sh")
USER, PASSWORD = "tessaly", "secret-pw"


def build(folder):
    subprocess.run(["cmake", "-S", PROJECT, "-B", folder, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=Release", "-DTESSALY_CRASH_POINTS=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["ninja", "-C", folder, "-j4", "backup_once"], check=True,
                   stdout=subprocess.DEVNULL)
    return os.path.join(folder, "tests", "backup_once")


def small_path(root, i):
    return os.path.join(root, "d%03d" % (i // 1000), "s%02d" % ((i // 50) % 20), "f%06d.dat" % i)


def make_data(root, files, large, large_mb, seed=7):
    rng = random.Random(seed)
    for i in range(files):
        path = small_path(root, i)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(rng.randbytes(rng.randint(1024, 16384)))
    for j in range(large):
        with open(os.path.join(root, "large%d.bin" % j), "wb") as f:
            for _ in range(large_mb):
                f.write(rng.randbytes(1 << 20))


def change_one_percent(root, files, seed):
    """Changes 1% of the small files (an edit in the middle, another last-write time).

    The new time lies in the past: a time in the future (or in the second a run begins) is
    never recorded as unchanged, so every later run would copy the file again."""
    rng = random.Random(seed)
    changed = rng.sample(range(files), max(1, files // 100))
    paths = []
    for i in changed:
        path = small_path(root, i)
        with open(path, "r+b") as f:
            f.seek(100)
            f.write(rng.randbytes(64))
        st = os.stat(path)
        os.utime(path, (st.st_atime, st.st_mtime - 3600 * (seed + 1)))
        paths.append(os.path.relpath(path, root))
    return paths


def folders_in(root):
    return sum(1 for _ in os.walk(root))


class Server:
    """The private smbd of the tests, with its profile counters on."""

    def __init__(self, work):
        self.dir = os.path.join(work, "smbd")
        r = subprocess.run([SMBD, "start", self.dir], capture_output=True, text=True)
        if r.returncode != 0:
            raise SystemExit("smbd did not start: %s" % r.stderr.strip())
        self.port = r.stdout.split()[-1]
        self.conf = os.path.join(self.dir, "smb.conf")
        with open(os.path.join(self.dir, "smbd.pid")) as f:
            pid = f.read().strip()
        subprocess.run(["smbcontrol", "--configfile=" + self.conf, pid, "profile", "on"],
                       check=True, stdout=subprocess.DEVNULL)
        self.share = os.path.join(self.dir, "nas")

    def requests(self):
        """smbd's count of the SMB2 requests it answered so far, by kind."""
        out = subprocess.run(["smbstatus", "-P", "--configfile=" + self.conf],
                             capture_output=True, text=True, check=True).stdout
        kinds = {}
        for line in out.splitlines():
            name, _, value = line.partition(":")
            name = name.strip()
            if name.startswith("smb2_") and name.endswith("_count"):
                kinds[name[len("smb2_"):-len("_count")]] = int(value.strip() or 0)
        return kinds

    def stop(self):
        subprocess.run([SMBD, "stop", self.dir])


def measure(server, argv, env=None):
    """(wall seconds, SMB requests, SMB requests by kind) of one command."""
    environment = dict(os.environ)
    environment.update(env or {})
    before = server.requests()
    t0 = time.monotonic()
    r = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=environment)
    seconds = time.monotonic() - t0
    if r.returncode != 0:
        raise SystemExit("failed: %s\n%s%s" % (" ".join(argv), r.stdout.decode(errors="replace"),
                                               r.stderr.decode(errors="replace")))
    after = server.requests()
    kinds = {k: n - before.get(k, 0) for k, n in after.items() if n != before.get(k, 0)}
    return seconds, sum(kinds.values()), kinds


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--files", type=int, default=10000)
    p.add_argument("--large", type=int, default=4)
    p.add_argument("--large-mb", type=int, default=64)
    p.add_argument("--rounds", type=int, default=3)
    p.add_argument("--build", default=os.path.join(PROJECT, "build-speed-rel"))
    p.add_argument("--engine", default=None)
    p.add_argument("--work", default=None)
    a = p.parse_args()
    if os.geteuid() != 0:
        raise SystemExit("needs root (the private smbd serves files as root)")
    engine = a.engine or build(a.build)
    work = a.work or tempfile.mkdtemp(prefix="tessaly-smb-bench-")
    src = os.path.join(work, "src")
    make_data(src, a.files, a.large, a.large_mb)
    # Files written in the second a run begins are copied again by the next run (their time
    # could still change within that second): the data set is older than that.
    time.sleep(2)
    folders = folders_in(src)
    print("data set: %d small files in %d folders, %d large files of %d MiB, in %s"
          % (a.files, folders, a.large, a.large_mb, work))
    server = Server(work)
    env = {"TESSALY_SMB_PORT": server.port}
    smbclient = ["smbclient", "//127.0.0.1/nas", "-p", server.port, "-U",
                 "%s%%%s" % (USER, PASSWORD), "-c"]
    rows = {}  # step -> {"service": [(s, n)], "smbclient": [(s, n)]}

    def add(step, side, value):
        rows.setdefault(step, {}).setdefault(side, []).append(value)

    try:
        for r in range(a.rounds):
            dest = "svc%d" % r
            copy = "put%d" % r
            os.makedirs(os.path.join(server.share, dest))
            unc = "\\\\127.0.0.1\\nas\\" + dest
            service = lambda *mode: [engine, src, unc, *mode, USER, PASSWORD]
            # The first backup, the two sides in turns.
            sides = [("service", service("incremental"), env),
                     ("smbclient", smbclient + ["prompt OFF; recurse ON; mkdir %s; cd %s; "
                                                "lcd %s; mput *" % (copy, copy, src)], None)]
            for side, argv, e in (sides if r % 2 == 0 else sides[::-1]):
                add("first backup", side, measure(server, argv, e))
            # The restore of version 1, to a new local folder each, the two sides in turns.
            # The folders stay until the end: ext4 makes files more slowly right after many
            # deletions, which would weigh on whichever side came next.
            out_service = os.path.join(work, "restore-service-%d" % r)
            out_client = os.path.join(work, "restore-client-%d" % r)
            os.makedirs(out_service)
            os.makedirs(out_client)
            sides = [("service", service("restore:1:" + out_service), env),
                     ("smbclient", smbclient + ["prompt OFF; recurse ON; cd %s; lcd %s; mget *"
                                                % (copy, out_client)], None)]
            for side, argv, e in (sides if r % 2 == 0 else sides[::-1]):
                subprocess.run(["sync"])
                add("restore", side, measure(server, argv, e))
            # Nothing changed.
            add("no-change run", "service", measure(server, service("incremental"), env))
            add("no-change run", "smbclient",
                measure(server, smbclient + ["recurse ON; cd %s; ls" % copy]))
            # 1% of the small files changed.
            changed = change_one_percent(src, a.files, seed=r)
            add("1% changed", "service", measure(server, service("incremental"), env))
            puts = "; ".join("put %s %s" % (os.path.join(src, rel), rel.replace("/", "\\"))
                             for rel in changed)
            add("1% changed", "smbclient",
                measure(server, smbclient + ["cd %s; %s" % (copy, puts)]))
            rows["1% changed"]["files"] = len(changed)
    finally:
        server.stop()

    print("\n%-15s %10s %10s %7s %12s %12s" % ("step (median)", "service", "smbclient", "ratio",
                                               "req service", "req client"))
    for step, sides in rows.items():
        s = statistics.median(t for t, _, _ in sides["service"])
        c = statistics.median(t for t, _, _ in sides["smbclient"])
        ns = int(statistics.median(n for _, n, _ in sides["service"]))
        nc = int(statistics.median(n for _, n, _ in sides["smbclient"]))
        print("%-15s %9.2fs %9.2fs %6.2fx %12d %12d" % (step, s, c, s / c if c else 0, ns, nc))
    changed = rows["1% changed"]["files"]
    ns = statistics.median(n for _, n, _ in rows["1% changed"]["service"])
    nn = statistics.median(n for _, n, _ in rows["no-change run"]["service"])
    print("\n1%% changed: %.1f requests per changed file (beyond a no-change run), "
          "%.1f per folder of a no-change run" % ((ns - nn) / changed, nn / folders))
    print("the service's requests by kind, last round:")
    for step in ("no-change run", "1% changed"):
        kinds = rows[step]["service"][-1][2]
        print("  %-15s %s" % (step, ", ".join("%s %d" % kv for kv in
                                               sorted(kinds.items(), key=lambda kv: -kv[1]))))
    if a.work is None:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
