"""A task tree read where it lies on disk (for an SMB share: the server's folder, where the
names that SMB cannot carry are private-use characters), and every version rebuilt from
it with Debian's rdiff applying the reverse deltas, independently of the service."""

import os
import sqlite3
import subprocess
import tempfile

# The cifs client's mapping of characters SMB cannot carry (its mapposix option).
_SPECIAL = {ord('"'): 0xF020, ord('*'): 0xF021, ord(':'): 0xF022, ord('<'): 0xF023,
            ord('>'): 0xF024, ord('?'): 0xF025, ord('\\'): 0xF026, ord('|'): 0xF027}


def to_share_name(name):
    """One name (bytes) as it is stored on the share."""
    out = bytearray()
    for i, c in enumerate(name):
        last = i == len(name) - 1
        code = 0
        if 0x01 <= c <= 0x1F:
            code = 0xF000 + c
        elif c in _SPECIAL:
            code = _SPECIAL[c]
        elif last and c == ord(' '):
            code = 0xF028
        elif last and c == ord('.'):
            code = 0xF029
        if code:
            out += chr(code).encode()
        else:
            out.append(c)
    return bytes(out)


def snapshot(root, take=lambda rel: True):
    """What a version must hold: {rel: content} of regular files and the set of folders,
    links and special files left out (relative paths as bytes)."""
    files, folders = {}, set()
    base = os.fsencode(root)

    def walk(rel):
        folder = os.path.join(base, rel) if rel else base
        for name in sorted(os.listdir(folder)):
            r = os.path.join(rel, name) if rel else name
            path = os.path.join(base, r)
            if os.path.islink(path) or not take(r):
                continue
            if os.path.isdir(path):
                folders.add(r)
                walk(r)
            elif os.path.isfile(path):
                with open(path, "rb") as f:
                    files[r] = f.read()
    walk(b"")
    return files, folders


class Tree:
    def __init__(self, root, mapped=False):
        self.root = os.fsencode(root)
        self.mapped = mapped

    def path(self, rel):
        rel = os.fsencode(rel)
        if self.mapped:
            rel = b"/".join(to_share_name(p) for p in rel.split(b"/"))
        return os.path.join(self.root, rel) if rel else self.root

    def exists(self, rel):
        return os.path.lexists(self.path(rel))

    def query(self, rel, sql):
        con = sqlite3.connect("file:%s?mode=ro" % os.fsdecode(self.path(rel)), uri=True)
        con.text_factory = bytes
        try:
            return con.execute(sql).fetchall()
        finally:
            con.close()

    def status(self):
        rows = self.query("status.db", "select Real_status from status_tbl")
        return rows[0][0].decode() if len(rows) == 1 else rows

    def history(self):
        if not self.exists("history.db"):
            return []
        return [(n, t.decode()) for n, t in
                self.query("history.db", "select No, Real_time from time_tbl order by No")]

    def marker(self, n, k=0):
        return "increments/%d/id%d/marker.dat" % (n, k)

    def table(self, n, k, table, columns):
        rel = self.marker(n, k)
        if not self.exists(rel):
            return None
        names = [r[0] for r in self.query(rel, "select name from sqlite_master where type='table'")]
        if table.encode() not in names:
            return set()
        return set(self.query(rel, "select %s from %s" % (columns, table)))

    def exist_rows(self, n, k=0):
        rows = self.table(n, k, "exist_tbl", "File_path")
        return None if rows is None else {r[0] for r in rows}

    def links(self, n, table, k=0):
        return self.table(n, k, table, "File_source_path, File_destination_path")

    def file_times(self, k=0):
        return dict(self.query("file_time.db", "select File_path, File_time from id%d" % k))

    def deltas(self, n, k=0):
        """Relative paths of the files that have a reverse delta in version n."""
        top = self.path("increments/%d/id%d" % (n, k))
        out = set()
        for folder, _, names in os.walk(top):
            for name in names:
                if name.endswith(b".delta.old"):
                    rel = os.path.relpath(os.path.join(folder, name), top)[:-len(b".delta.old")]
                    out.add(self.unmap(rel) if self.mapped else rel)
        return out

    @staticmethod
    def unmap(rel):
        text = rel.decode("utf-8", "surrogateescape")
        back = {v: k for k, v in _SPECIAL.items()}
        back.update({0xF000 + c: c for c in range(1, 0x20)})
        back.update({0xF028: ord(' '), 0xF029: ord('.')})
        return "".join(chr(back.get(ord(c), ord(c))) for c in text).encode("utf-8", "surrogateescape")

    def rebuild(self, v, k=0):
        """Version v of source k: the entries of last that v's marker lists, then for
        r = N down to v + 1 every file run r changed, patched with rdiff."""
        n = len(self.history())
        files, folders = {}, set()
        for rel in self.exist_rows(v, k) or set():
            path = self.path(b"last/id%d/" % k + rel)
            if os.path.isdir(path) and not os.path.islink(path):
                folders.add(rel)
            elif os.path.isfile(path):
                with open(path, "rb") as f:
                    files[rel] = f.read()
        with tempfile.TemporaryDirectory() as work:
            for r in range(n, v, -1):
                listed = self.exist_rows(r, k) or set()
                for rel in list(files):
                    if rel not in listed:
                        continue
                    delta = self.path(b"increments/%d/id%d/" % (r, k) + rel + b".delta.old")
                    if not os.path.exists(delta):
                        continue
                    basis = os.path.join(work, "basis")
                    out = os.path.join(work, "out")
                    with open(basis, "wb") as f:
                        f.write(files[rel])
                    subprocess.run(["rdiff", "patch", basis, delta, out], check=True)
                    with open(out, "rb") as f:
                        files[rel] = f.read()
                    os.unlink(out)
        return files, folders
