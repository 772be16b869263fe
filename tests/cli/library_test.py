#!/usr/bin/env python3
"""dorvantile-cli library on real trees and real SQLite files: searches checked against an
independent enumeration of the names, replace and remove, kills during an add, a search while
another process adds, damaged and newer libraries. Usage: library_test.py DORVANTILE_CLI"""
import base64
import json
import os
import random
import re
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

cli = sys.argv[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def run(args, status=0, library=None):
    done = subprocess.run([cli, "library", "--library", library or lib, *args], capture_output=True)
    check(status is None or done.returncode == status,
          f"{args} exited {done.returncode}, not {status}: {done.stderr!r}")
    return done


def hits(args, library=None):
    """{(catalogue, path bytes): (kind, size)} of a json search."""
    done = run(["search", "--format", "json", *args[:-1], "--", args[-1]], None, library)
    found = {}
    for h in json.loads(done.stdout)["hits"] if done.returncode in (0, 1) else []:
        path = base64.b64decode(h["path_base64"]) if "path_base64" in h else h["path"].encode()
        found[(h["catalogue"], path)] = (h["kind"], h.get("size"))
    return found


def matcher(pattern):
    """The search box's rule, written independently: any part, any case, * and ? not '/'."""
    core = re.sub(r"\*+", "*", pattern).strip("*")
    source = "".join("[^/]*" if c == "*" else "[^/]" if c == "?" else re.escape(c) for c in core)
    expression = re.compile(source.lower(), re.S)
    return lambda text: bool(expression.search(text.decode("utf-8", "surrogateescape").lower()))


def tree_entries(root):
    """{path below root: (kind, size, mtime s)} of every entry a catalogue holds."""
    found = {}
    for folder, folders, names in os.walk(root):
        below = os.path.relpath(folder, root)
        below = b"" if below == b"." else below
        for name in folders + names:
            path = os.path.join(folder, name)
            rel = below + b"/" * bool(below) + name
            s = os.stat(path)
            found[rel] = ("folder" if name in folders else "file", s.st_size, int(s.st_mtime))
    return found


def expected(root, catalogue, pattern, paths=False, keep=lambda kind, size, time: True):
    match = matcher(pattern)
    return {(catalogue, rel): (kind, None if kind == "folder" else size)
            for rel, (kind, size, time) in tree_entries(root).items()
            if match(rel if paths else rel.split(b"/")[-1]) and keep(kind, size, time)}


def strip_folder_sizes(found):
    return {k: (kind, None if kind == "folder" else size) for k, (kind, size) in found.items()}


t = tempfile.mkdtemp().encode()
lib = os.path.join(t, b"lib.sqlite").decode()
try:
    disk = os.path.join(t, b"disk")
    names = [b"Photo.JPG", b"photo.jpg", b"caf\xe9 photo.txt", b"new\nline photo", b"Sub A/x.jpg",
             b"Sub A/Deeper/Photos 2019.png", b"Sub A/Deeper/a?b*c.txt", b"\xc3\x9cber.txt",
             b"\xc3\xbcber.TXT", b"tab\there", b"Empty/", b"photos/inside.bin"]
    names += [bytes([b]) + b"-byte" for b in range(1, 256) if b not in (ord("/"), ord("."))]
    for i, name in enumerate(names):
        path = os.path.join(disk, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if not name.endswith(b"/"):
            with open(path, "wb") as out:
                out.write(b"x" * (i * 100))
            os.utime(path, (0, 1_600_000_000 + i * 86400))

    # Added and searched: every hit and no other, by name and by path, with filters.
    run(["add", "--name", "one", disk])
    for pattern in ["photo", "PHOTO*.jpg", "?ber", "ü", "*", "a?b*c", "-byte", "\t", "caf"]:
        got = strip_folder_sizes(hits([pattern]))
        check(got == expected(disk, "one", pattern), f"name {pattern!r}: {got}")
    for pattern in ["sub a", "deeper/*.png", "a/d", "photos", "s/i"]:
        got = strip_folder_sizes(hits(["--path", pattern]))
        check(got == expected(disk, "one", pattern, True), f"path {pattern!r}: {got}")
    start = lambda n: (1_600_000_000 + n * 86400) // 86400 * 86400
    day = lambda n: time.strftime("%Y-%m-%d", time.gmtime(start(n)))
    filters = [(["--kind", "folder"], lambda k, s, m: k == "folder"),
               (["--kind", "file", "--min-size", "1k", "--max-size", "2k"],
                lambda k, s, m: k == "file" and 1024 <= s <= 2048),
               (["--newer", day(20), "--older", day(40)], lambda k, s, m: start(20) <= m < start(40))]
    for options, keep in filters:
        got = strip_folder_sizes(hits([*options, "*"]))
        want = expected(disk, "one", "*", keep=keep)
        check(got == want, f"{options}: {sorted(set(got) ^ set(want))}")
    count = run(["search", "--count", "--path", "photo"]).stdout
    check(int(count) == len(expected(disk, "one", "photo", True)), f"count {count}")
    check(len(hits(["--limit", "3", "*"])) == 3, "limit")
    run(["search", "no such name"], 1)
    csv_out = run(["search", "--format", "csv", "über"]).stdout.decode()
    check(csv_out.count("\r\n") == 3 and csv_out.startswith("catalogue,path,kind"), csv_out)

    # Two catalogues: --in, duplicates, compare with library:NAME, list and its presence.
    copy = os.path.join(t, b"copy")
    subprocess.run(["cp", "-a", disk, copy], check=True)
    run(["add", copy])  # named after its folder
    check({c for c, _ in hits(["photo.jpg"])} == {"one", "copy"}, "two catalogues")
    check({c for c, _ in hits(["--in", "copy", "photo.jpg"])} == {"copy"}, "--in")
    run(["search", "--in", "none", "x"], 2)
    dup = run(["duplicates", "--min-size", "5000"]).stdout.decode("utf-8", "surrogateescape")
    check(dup.count("2 copies of") == sum(1 for i, n in enumerate(names)
                                          if i * 100 >= 5000 and not n.endswith(b"/")), dup)
    done = subprocess.run([cli, "compare", "--library", lib, "library:one", copy],
                          capture_output=True)
    check(done.returncode == 0, f"compare same: {done}")
    os.remove(os.path.join(copy, b"Photo.JPG"))
    done = subprocess.run([cli, "compare", "--library", lib, "library:copy", copy],
                          capture_output=True)
    check(done.returncode == 1 and b"removed" in done.stdout, f"compare: {done}")

    # Digests stored with a catalogue are reused from the library.
    run(["add", "--name", "summed", "--checksum", "sha256", disk])
    made = [subprocess.run([cli, "--format", "json", "--output", "-", "--checksum", "sha256",
                            *reuse, disk], capture_output=True, check=True).stdout
            for reuse in ([], ["--library", lib, "--reuse", "library:summed"])]
    check(made[0].split(b'"entries"')[1] == made[1].split(b'"entries"')[1], "reuse library")
    # Added again with its own digests reused, a file changed with its time put back keeps
    # its old one, unread, which a check of the folder then finds corrupted.
    changed = os.path.join(disk, b"photo.jpg")
    before = os.stat(changed)
    with open(changed, "r+b") as f:
        f.write(b"Z")
    os.utime(changed, ns=(before.st_atime_ns, before.st_mtime_ns))
    run(["add", "--name", "summed", "--checksum", "sha256", "--reuse", "library:summed", disk])
    done = subprocess.run([cli, "compare", "--library", lib, "--checksum", "sha256",
                           "library:summed", disk], capture_output=True)
    check(done.returncode == 1 and b"corrupted" in done.stdout, f"add --reuse: {done}")
    done = run(["add", "--checksum", "sha256", "--reuse", os.path.join(disk, b"none"), disk], 2)
    check(done.stderr.startswith(b"dorvantile-cli: cannot read ") and b"/none" in done.stderr,
          f"{done.stderr}")
    run(["remove", "summed"])

    # Replaced: the new catalogue whole, the old one gone; then removed.
    run(["add", "--name", "copy", copy])
    check(not any(p == b"Photo.JPG" for c, p in hits(["--in", "copy", "photo.jpg"])), "replaced")
    listed = json.loads(run(["list", "--format", "json"]).stdout)["catalogues"]
    check([c["name"] for c in listed] == ["copy", "one"] and all(c["present"] for c in listed),
          f"list {listed}")
    subprocess.run(["rm", "-r", copy], check=True)
    listed = json.loads(run(["list", "--format", "json"]).stdout)["catalogues"]
    # Present: its file system mounted (where it has a UUID), or its folder there.
    check([c["present"] for c in listed] == [bool(listed[0]["uuid"]), True], f"absent {listed}")
    run(["remove", "copy"])
    run(["remove", "copy"], 2)
    check({c for c, _ in hits(["photo.jpg"])} == {"one"}, "removed")
    db = sqlite3.connect(lib)
    check(db.execute("SELECT count(*) FROM entry").fetchone()[0] ==
          db.execute("SELECT sum(folders + files + 1) FROM catalogue").fetchone()[0], "orphans")
    db.close()

    # The index is derived: deleted or damaged, it is made again from the library.
    want = hits(["photo"])
    index = os.path.join(lib.encode() + b"-index")
    for name in os.listdir(index):
        with open(os.path.join(index, name), "r+b") as f:
            f.truncate(100)
    check(hits(["photo"]) == want, "damaged index")
    subprocess.run(["rm", "-r", index], check=True)
    check(hits(["photo"]) == want, "missing index")

    # Copies by content: with digests, the same bytes under two names are one group, and two
    # files of one name and size but other bytes are none.
    sums = os.path.join(t, b"sums")
    for name, content in [(b"a/report.txt", b"same bytes"), (b"b/copy of report.txt", b"same bytes"),
                          (b"a/notes.txt", b"1234"), (b"b/notes.txt", b"5678")]:
        os.makedirs(os.path.dirname(os.path.join(sums, name)), exist_ok=True)
        with open(os.path.join(sums, name), "wb") as out:
            out.write(content)
    lib_sums = os.path.join(t, b"sums.sqlite").decode()
    run(["add", "--checksum", "sha256", sums], 0, lib_sums)
    dup = run(["duplicates"], 0, lib_sums).stdout.decode()
    check(dup.startswith("2 copies of 10 bytes\n") and "copy of report.txt" in dup
          and "notes" not in dup, f"duplicates by content: {dup}")

    # A library file put in the place of another (restored from a backup, copied from another
    # machine) holds other catalogues under the same numbers: the indexes beside it, made from
    # the one it replaced, are never searched but made again.
    run(["search", "notes"], 0, lib_sums)
    elsewhere = os.path.join(t, b"elsewhere")
    os.makedirs(os.path.join(elsewhere, b"a"))
    open(os.path.join(elsewhere, b"a/minutes.txt"), "wb").close()
    lib_other = os.path.join(t, b"elsewhere.sqlite").decode()
    run(["add", "--name", "sums", elsewhere], 0, lib_other)
    for suffix in ["-wal", "-shm"]:
        check(not os.path.exists(lib_sums + suffix), f"{suffix} left")
    os.replace(lib_other, lib_sums)
    check(set(hits(["minutes"], lib_sums)) == {("sums", b"a/minutes.txt")}, "stale index")
    # A catalogue without any of the names found has no hits, and the others theirs.
    run(["add", "--name", "docs", sums], 0, lib_sums)
    check(set(hits(["minutes"], lib_sums)) == {("sums", b"a/minutes.txt")}, "one of two")
    check(set(hits(["report"], lib_sums)) == {("docs", b"a/report.txt"),
                                              ("docs", b"b/copy of report.txt")}, "the other")
    check(run(["search", "--count", "--path", "a/"], 0, lib_sums).stdout == b"3\n", "every path")

    # Killed at random moments while adding a larger tree under an existing name: the library
    # is whole and holds the old catalogue or the new one.
    big = os.path.join(t, b"big")
    for f in range(40):
        os.makedirs(os.path.join(big, b"f%d" % f))
        for n in range(500):
            open(os.path.join(big, b"f%d/n%d" % (f, n)), "wb").close()
    started = time.monotonic()
    run(["add", "--name", "big", big])
    whole = time.monotonic() - started
    random.seed(7)
    for _ in range(6):
        process = subprocess.Popen([cli, "library", "--library", lib, "add", "--name", "one", big])
        time.sleep(random.uniform(0, whole * 1.2))
        process.send_signal(signal.SIGKILL)
        process.wait()
        db = sqlite3.connect(lib)
        check(db.execute("PRAGMA integrity_check").fetchone()[0] == "ok", "integrity")
        held = db.execute("SELECT count(*) FROM entries JOIN catalogue ON catalogue = id "
                          "WHERE catalogue.name = 'one'").fetchone()[0]
        db.close()
        check(held in (len(tree_entries(disk)) + 1, 20041), f"after a kill: {held} entries")

    # Searches while another process adds: each answers from the catalogues already whole.
    process = subprocess.Popen([cli, "library", "--library", lib, "add", "--name", "more", big])
    while process.poll() is None:
        check(int(run(["search", "--count", "--in", "big", "n1*"]).stdout) == 40 * 111, "during")
    check(process.returncode == 0, "add beside searches")

    # A file that is no library, a library of a newer version, and another program's
    # database are refused, named, and left as they were.
    damaged = os.path.join(t, b"damaged.sqlite").decode()
    with open(damaged, "wb") as f:
        f.write(b"not a database at all" * 100)
    done = run(["list"], 2, damaged)
    check(damaged.encode() in done.stderr and b"not a database" in done.stderr, f"{done.stderr}")
    newer = os.path.join(t, b"newer.sqlite").decode()
    subprocess.run([cli, "library", "--library", newer, "add", disk], check=True,
                   capture_output=True)
    db = sqlite3.connect(newer)
    db.execute("PRAGMA user_version = 99")
    db.close()
    done = run(["search", "x"], 2, newer)
    check(b"newer version" in done.stderr and newer.encode() in done.stderr, f"{done.stderr}")
    other = os.path.join(t, b"other.sqlite").decode()
    db = sqlite3.connect(other)
    db.execute("CREATE TABLE t (x)")
    db.close()
    done = run(["add", disk], 2, other)
    check(b"not a library" in done.stderr, f"{done.stderr}")
    run(["list"], 2, os.path.join(t, b"missing.sqlite").decode())
finally:
    subprocess.run(["rm", "-rf", t])

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
