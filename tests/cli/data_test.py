#!/usr/bin/env python3
"""dorvantile-cli's CSV and JSON catalogues and compare on a real tree of awkward names, read
back by Python's csv and json modules. Usage: data_test.py DORVANTILE_CLI"""
import base64
import calendar
import csv
import fcntl
import fnmatch
import glob
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

cli = sys.argv[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def run(args, status=0):
    done = subprocess.run([cli, *args], capture_output=True)
    check(done.returncode == status,
          f"{args} exited {done.returncode}, not {status}: {done.stderr!r}")
    return done


def nanoseconds(iso):  # 2026-12-07T13:30:52.123456789Z
    return calendar.timegm(time.strptime(iso[:19], "%Y-%m-%dT%H:%M:%S")) * 10**9 + int(iso[20:29])


def expected(root, hidden=False, exclude=()):
    """What a catalogue of `root` must hold: {path below root: (kind, size, time)}, bytes."""
    found = {}

    def shown(name):
        return (hidden or not name.startswith(b".")) and not any(
            fnmatch.fnmatchcase(name, p.encode()) for p in exclude)

    def walk(folder, below):
        found[below] = ("folder", None, os.stat(folder).st_mtime_ns)
        for name in sorted(os.listdir(folder)):
            path, rel = os.path.join(folder, name), below + b"/" * bool(below) + name
            own = os.lstat(path)
            if not shown(name) or (os.path.isdir(path) and os.path.islink(path)):
                continue
            if os.path.isdir(path):
                walk(path, rel)
            elif os.path.islink(path):
                target = os.stat(path) if os.path.exists(path) else None
                found[rel] = ("link", target.st_size, target.st_mtime_ns) if target else (
                    "dangling", own.st_size, own.st_mtime_ns)
            elif os.path.isfile(path):
                found[rel] = ("file", own.st_size, own.st_mtime_ns)

    walk(root, b"")
    return found


def from_csv(text):
    rows = list(csv.reader(text.decode("utf-8", "surrogateescape").splitlines(keepends=True)))
    check(rows[0] == "kind,path,name,size,modified,files,bytes,error".split(","), f"{rows[0]}")
    got = {}
    for kind, path, name, size, modified, *_ in rows[1:]:
        path = path.encode("utf-8", "surrogateescape")
        check(path.split(b"/")[-1] == name.encode("utf-8", "surrogateescape") or not path, name)
        got[path] = (kind, int(size) if size else None, nanoseconds(modified))
    return got


def from_json(text):
    catalogue = json.loads(text)
    got = {}
    for e in catalogue["entries"]:
        path = base64.b64decode(e["path_base64"]) if "path_base64" in e else e["path"].encode()
        got[path] = (e["kind"], e.get("size"), nanoseconds(e["modified"]))
    check(catalogue["totals"]["files"] == sum(k != "folder" for k, _, _ in got.values()), "totals")
    return got, catalogue


t = tempfile.mkdtemp()
try:
    a = os.path.join(t, "a").encode()
    files = [b'quote"d.txt', b"com,ma.txt", b"new\nline.txt", b"caf\xe9.txt", b"\xff\xfe",
             b"tab\tand\r.txt", b'Sub dir/inner "x", y\n.txt', b"Sub dir/Deeper/z", b".hidden.txt",
             b".cache/c.txt", b"@eaDir/thumb", b"keep.tmp", b"Empty/.only-hidden"]
    for i, name in enumerate(files):
        path = os.path.join(a, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(b"x" * (i * 37))
        os.utime(path, ns=(0, 1234567890123456789 + i if i % 3 else -1500000001 - i))
    os.symlink(b"com,ma.txt", os.path.join(a, b"link"))
    os.symlink(b"nowhere", os.path.join(a, b"dangling"))
    os.symlink(b"Sub dir", os.path.join(a, b"to-folder"))
    os.mkfifo(os.path.join(a, b"fifo"))

    # Both formats give exactly the tree's names, sizes and times; --hidden and --exclude
    # on files and folders.
    got = from_csv(run(["--format", "csv", "--output", "-", a]).stdout)
    check(got == expected(a), f"csv: {sorted(set(got.items()) ^ set(expected(a).items()))}")
    filtered = ["--hidden", "--exclude", "*.tmp", "--exclude=@eaDir"]
    got, catalogue = from_json(run(["--format", "json", "--output", "-", *filtered, a]).stdout)
    want = expected(a, True, ("*.tmp", "@eaDir"))
    check(got == want, f"json: {sorted(set(got.items()) ^ set(want.items()))}")
    check(catalogue["folder"] == a.decode() and catalogue["host"] == os.uname().nodename, "head")
    text = run(["--format", "text", "--output", "-", *filtered, a]).stdout
    check(b".hidden.txt" in text and b"/.CACHE/\r\n    c.txt" in text and b"keep.tmp" not in text
          and b"@EADIR" not in text, "text")

    # A folder that may be read but not entered (run as an ordinary user where root would
    # enter it): its file is listed without size and time, named in a warning, exit status 3.
    if os.getuid() == 0:
        os.chmod(t, 0o755)
        c = os.path.join(t, "c")
        os.makedirs(os.path.join(c, "shut"))
        open(os.path.join(c, "shut", "f"), "wb").close()
        os.chmod(os.path.join(c, "shut"), 0o644)
        done = subprocess.run(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", cli,
                               "--format", "csv", "--output", "-", c], capture_output=True)
        check(done.returncode == 3 and done.stdout.endswith(b'file,"shut/f","f",,,,,"Permission '
                                                            b'denied"\r\n') and done.stderr ==
              f"dorvantile-cli: cannot read {c}/shut/f: Permission denied\n".encode(), f"{done}")
        os.chmod(os.path.join(c, "shut"), 0o755)

    # compare: identical trees, then an added, a removed, a grown and a touched file and an
    # added folder (the folders' own times put back, so that only those differ).
    b = os.path.join(t, "b").encode()
    subprocess.run(["cp", "-a", a, b], check=True)
    old = os.path.join(t, "old.json").encode()
    run(["--format", "json", "--output", old, a])
    for older in (a, old):
        check(run(["compare", older, b]).stdout == b"0 added, 0 removed, 0 changed\n", "same")
    folders = {p: os.stat(p).st_mtime_ns for p, _, _ in os.walk(b)}
    os.remove(os.path.join(b, b"tab\tand\r.txt"))
    with open(os.path.join(b, b'quote"d.txt'), "ab") as out:
        out.write(b"more")
    os.utime(os.path.join(b, b'quote"d.txt'), ns=(0, 1234567890123456790))
    os.utime(os.path.join(b, b"Sub dir/Deeper/z"), ns=(0, 7))
    os.makedirs(os.path.join(b, b"New"))
    open(os.path.join(b, b"New/n,\n.txt"), "wb").close()
    for p, ns in folders.items():
        os.utime(p, ns=(0, ns))
    os.utime(os.path.join(b, b"New"), ns=(0, 5))

    def iso(ns):
        return time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime(ns // 10**9)) + f".{ns % 10**9:09d}Z"

    new_file = os.stat(os.path.join(b, b"New/n,\n.txt")).st_mtime_ns
    report = run(["compare", old, b], status=1).stdout.decode("utf-8", "surrogateescape")
    # The path last, after the line's first ": ", whatever it holds.
    check(report.splitlines() == [
        f'changed file, size 0 bytes -> 4 bytes, modified {iso(-1500000001)} -> '
        f'{iso(1234567890123456790)}: quote"d.txt',
        f"removed file, 185 bytes, {iso(1234567890123456794)}: tab?and?.txt",
        "added folder: New",
        f"added file, 0 bytes, {iso(new_file)}: New/n,?.txt",
        f"changed file, modified {iso(1234567890123456796)} -> {iso(7)}: Sub dir/Deeper/z",
        "2 added, 1 removed, 2 changed"], f"compare: {report}")
    coloured = run(["compare", "--color=always", old, b], status=1).stdout
    check(coloured.startswith(b"\033[33mchanged\033[0m file, size") and
          b"\033[31mremoved\033[0m" in coloured and b"\033[32madded\033[0m" in coloured, coloured)
    differences = json.loads(run(["compare", "--format", "json", a, b], status=1).stdout)
    check([(d["change"], d["path"]) for d in differences["differences"]] == [
        ("changed", 'quote"d.txt'), ("removed", "tab\tand\r.txt"), ("added", "New"),
        ("added", "New/n,\n.txt"), ("changed", "Sub dir/Deeper/z")] and
        differences["summary"] == {"added": 2, "removed": 1, "changed": 2}, f"{differences}")

    # Sizes past 2^64 in all: three sparse files of 2^63 - 1 bytes on a tmpfs, summed exactly
    # in every format and read back by compare.
    huge = tempfile.mkdtemp(dir="/dev/shm")
    for name in "xyz":
        open(os.path.join(huge, name), "wb").close()
        os.truncate(os.path.join(huge, name), 2**63 - 1)
    rows = list(csv.reader(run(["--format", "csv", "--output", "-", huge]).stdout.decode()
                           .splitlines()))
    check(rows[1][6] == str(3 * (2**63 - 1)) and rows[2][3] == str(2**63 - 1), f"csv: {rows}")
    saved = os.path.join(t, "huge.json")
    run(["--format", "json", "--output", saved, huge])
    totals = json.load(open(saved))["totals"]
    check(totals["bytes"] == 3 * (2**63 - 1), f"json: {totals}")
    check(run(["compare", saved, huge]).stdout == b"0 added, 0 removed, 0 changed\n", "2^64")
    shutil.rmtree(huge)

    # Checksums: every listed file's SHA-256 as hashlib has it (a link's of what it leads
    # to), the same bytes on 1 and on 8 threads; a FIFO is never opened; a byte changed
    # with its time put back is corrupted, and only when both sides have digests.
    d = os.path.join(t, "sums").encode()
    contents = {b"empty": b"", b"one": b"1", b"sub/mib": os.urandom(2**20 + 1),
                b"na\xefve\n.txt": b"x" * 5000, b"sparse": None}
    os.makedirs(os.path.join(d, b"sub"))
    for name, data in contents.items():
        with open(os.path.join(d, name), "wb") as f:
            f.write(data) if data is not None else f.truncate(2**30)
    contents[b"sparse"], contents[b"link"] = bytes(2**30), contents[b"sub/mib"]
    os.symlink(b"sub/mib", os.path.join(d, b"link"))
    os.mkfifo(os.path.join(d, b"fifo"))
    sums = os.path.join(t, "sums.json").encode()
    one = run(["--format", "json", "--checksum", "sha256", "--jobs", "1", "--output", sums, d])
    eight = run(["--format", "json", "--checksum", "sha256", "--jobs=8", "--output", "-", d])
    lines = open(sums, "rb").read().split(b"\n")
    check(lines[1:] == eight.stdout.split(b"\n")[1:], "1 and 8 threads")
    got = {(base64.b64decode(e["path_base64"]) if "path_base64" in e else e["path"].encode()):
           e.get("sha256") for e in json.loads(b"\n".join(lines))["entries"]}
    check(got == {b"": None, b"sub": None, **{n: hashlib.sha256(c).hexdigest()
                                              for n, c in contents.items()}}, f"sums: {got}")
    rows = list(csv.reader(run(["--format", "csv", "--checksum", "sha256", "--output", "-", d])
                           .stdout.decode("utf-8", "surrogateescape").splitlines()))
    check(rows[0][-1] == "sha256" and rows[2][-1] == got[b"empty"], f"csv: {rows[:3]}")
    reused = run(["--format", "json", "--checksum", "sha256", "--reuse", sums, "--output", "-", d])
    check(reused.stdout.split(b"\n")[1:] == lines[1:], "--reuse of an unchanged tree")
    run(["--format", "json", "--checksum", "sha256", "--reuse", d, "--output", "-", d], status=1)
    damaged = os.path.join(t, "damaged.json").encode()  # an entry gone: its totals are wrong
    open(damaged, "wb").write(b"\n".join(lines[:3] + lines[4:]))
    run(["--format", "json", "--checksum", "sha256", "--reuse", damaged, "--output", "-", d],
        status=1)
    manifest = run(["--format", "sha256sum", "--output", "-", d]).stdout
    checked = subprocess.run(["sha256sum", "-c", "--strict", "-"], input=manifest, cwd=d,
                             capture_output=True)
    check(checked.returncode == 0 and manifest.count(b"\n") == 6, f"{checked} {manifest}")
    # A run into a file keeps a journal of its digests in the cache folder while it works,
    # written out at least once a second even while one long file is read: killed, it
    # leaves the journal, and the same command run again takes the digests there (one
    # planted here for "empty") without reading those files, then removes every journal.
    cache = os.path.join(t, "cache")
    os.environ["XDG_CACHE_HOME"] = cache
    long = os.path.join(t, "long").encode()
    os.makedirs(long)
    for name in (b"a", b"b", b"empty"):
        with open(os.path.join(long, name), "wb") as f:
            f.write(name if name != b"empty" else b"")
    with open(os.path.join(long, b"z"), "wb") as f:
        f.truncate(2**34)  # read for seconds on any machine
    resumed = os.path.join(t, "resumed.json").encode()
    command = ["--format", "json", "--checksum", "sha256", "--jobs", "1", "--output", resumed,
               long]
    process = subprocess.Popen([cli, *command])
    pattern = os.path.join(cache, "dorvantile", "journal-*")
    lines = []
    for _ in range(400):  # killed once the digests before "z" are written out
        journals = glob.glob(pattern)
        lines = open(journals[0], "rb").read().splitlines() if journals else []
        if len(lines) == 3 or process.poll() is not None:
            break
        time.sleep(0.025)
    process.kill()
    check(process.wait() != 0 and len(lines) == 3, f"journal of the run cut short: {lines}")
    journals = glob.glob(pattern)
    check(len(journals) == 1 and journals[0].endswith(".1"), f"journals: {journals}")
    if len(journals) == 1 and len(lines) == 3:
        empty = os.stat(os.path.join(long, b"empty"))
        lines[2] = (f"f {'ab' * 32} 0 {empty.st_mtime_ns // 10**9} {empty.st_mtime_ns % 10**9} "
                    f"{base64.b64encode(b'empty').decode()}").encode()
        open(journals[0], "wb").write(b"\n".join(lines) + b"\n")
        os.truncate(os.path.join(long, b"z"), 2**20)  # the rest of the run, quicker
        run(command)
        entries = {e["path"]: e.get("sha256") for e in json.load(open(resumed))["entries"]}
        check(entries["empty"] == "ab" * 32 and entries["a"] == hashlib.sha256(b"a").hexdigest()
              and entries["z"] == hashlib.sha256(bytes(2**20)).hexdigest(), f"{entries}")
        check(not glob.glob(pattern), "journals left")
    # The journal of the same command still running elsewhere (held by it) stays when a run
    # completes; once let go, it is that of a run cut short, and goes with the next.
    if len(journals) == 1:
        with open(journals[0], "wb") as other:
            fcntl.flock(other, fcntl.LOCK_EX)
            run(command)
            check(glob.glob(pattern) == journals, f"a run's held journal: {glob.glob(pattern)}")
        run(command)
        check(not glob.glob(pattern), "journal let go")
    # A catalogue to reuse that is none is refused before a file is read: no journal made.
    refused = run(["--format", "json", "--checksum", "sha256", "--reuse",
                   os.path.join(long, b"a"), "--output", resumed, long], status=1)
    check(not glob.glob(pattern) and b"not a JSON catalogue" in refused.stderr,
          f"a run refused: {refused.stderr}")
    del os.environ["XDG_CACHE_HOME"]
    # A manifest written into its own tree, and written again, is not in itself: it checks.
    os.makedirs(os.path.join(long, b"sub"))
    open(os.path.join(long, b"sub/x"), "wb").close()  # listed, beside the old manifest
    for _ in range(2):
        run(["--format", "sha256sum", "--output", os.path.join(long, b"sub/Files.sha256"),
             long])
    checked = subprocess.run(["sha256sum", "-c", "--strict", "sub/Files.sha256"], cwd=long,
                             capture_output=True)
    check(checked.returncode == 0 and checked.stdout.count(b": OK") == 5, f"{checked}")
    changed = os.stat(os.path.join(d, b"one")).st_mtime_ns
    with open(os.path.join(d, b"one"), "r+b") as f:
        f.write(b"2")
    os.utime(os.path.join(d, b"one"), ns=(0, changed))
    report = run(["compare", "--checksum", "sha256", sums, d], status=1).stdout.decode()
    check(report == f"corrupted file, sha256 {got[b'one']} -> "
          f"{hashlib.sha256(b'2').hexdigest()}: one\n0 added, 0 removed, 0 changed, 1 corrupted\n",
          report)
    check(run(["compare", sums, d]).stdout == b"0 added, 0 removed, 0 changed\n", "one side")

    # A damaged catalogue names its line; what cannot be read is trouble.
    with open(old, "rb") as source:
        lines = source.read().split(b"\n")
    with open(old, "wb") as damaged:
        damaged.write(b"\n".join(lines[:3] + [lines[3][:20]] + lines[4:]))
    err = run(["compare", old, b], status=2).stderr.decode()
    check(err == f"dorvantile-cli: {old.decode()}: line 4: not an entry of a catalogue: a string without its end\n", err)
    err = run(["compare", old + b".none", b], status=2).stderr.decode()
    check(err.endswith("No such file or directory\n"), err)
finally:
    shutil.rmtree(t)

for failure in failures:
    print("FAIL:", failure, file=sys.stderr)
sys.exit(1 if failures else 0)
