#!/usr/bin/env python3
"""The library beside plocate, on ten catalogues of the 1m tree (about 10.5 million entries).

Usage: benchmarks/library_bench.py [TREES_FOLDER] [RUNS]     (defaults: /tmp/dorvantile-bench 11)

Builds the Release configuration in build-bench and the 1m tree, adds the tree to a new
library ten times (disk-0 to disk-9), gives plocate-build the same paths as a plain list
(each under /disk-N/), then asks both the same questions RUNS times and prints the medians:
a rare name (ten hits), a common one (over a million hits) counted, by name (plocate -b) and
by path (plain plocate), plocate with and without -i (ours always ignores case). Needs
Debian's plocate."""
import os
import shutil
import statistics
import subprocess
import sys
import time

ROOT = sys.argv[1] if len(sys.argv) > 1 else "/tmp/dorvantile-bench"
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 11
HERE = os.path.dirname(os.path.abspath(__file__))
PROJECT = os.path.dirname(HERE)
BUILD = os.path.join(PROJECT, "build-bench")
CLI = os.path.join(BUILD, "src", "cli", "dorvantile-cli")
TREE = os.path.join(ROOT, "1m")
WORK = os.path.join(ROOT, "library")
DISKS = 10
RARE = "backup copy 10008.pdf"
COMMON = ".c"


def run(command, **kwargs):
    return subprocess.run(command, check=True, **kwargs)


def timed(command):
    """Wall seconds of one run, and its standard output."""
    started = time.perf_counter()
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    elapsed = time.perf_counter() - started
    if result.returncode not in (0, 1):
        raise SystemExit(f"{command}: {result.stderr.decode(errors='replace')}")
    return elapsed, result.stdout


def peak(command):
    """Peak resident memory of one run, in MB, from GNU time."""
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, check=False)
    return int(result.stderr.decode().strip().splitlines()[-1]) / 1024


def median_ms(command):
    timed(command)  # warm
    times = []
    out = b""
    for _ in range(RUNS):
        elapsed, out = timed(command)
        times.append(elapsed * 1000)
    return statistics.median(times), out


def main():
    if not shutil.which("plocate-build"):
        raise SystemExit("needs Debian's plocate (apt-get install plocate)")
    run(["cmake", "-S", PROJECT, "-B", BUILD, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
         "-DDORVANTILE_BENCHMARKS=ON"],
        stdout=subprocess.DEVNULL)
    run(["cmake", "--build", BUILD, "--target", "dorvantile-cli", "make_tree"],
        stdout=subprocess.DEVNULL)
    os.makedirs(ROOT, exist_ok=True)
    run([os.path.join(BUILD, "benchmarks", "make_tree"), TREE, "1m"], stdout=subprocess.DEVNULL)
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    library = os.path.join(WORK, "library.sqlite")

    # The same paths for plocate: every entry the catalogue lists, under /disk-N/.
    listed = run(["find", ".", "-mindepth", "1", "-not", "-path", "*/.*", "-printf", "%P\n"],
                 cwd=TREE, stdout=subprocess.PIPE).stdout.decode("utf-8", "surrogateescape")
    entries = listed.splitlines()
    run(["sync"])
    adds = []
    for disk in range(DISKS):
        started = time.perf_counter()
        run([CLI, "library", "--library", library, "add", "--name", f"disk-{disk}", TREE])
        adds.append(time.perf_counter() - started)
    # The same catalogue from JSON: an input of names, as plocate-build's list is.
    catalogue = os.path.join(WORK, "one.json")
    run([CLI, "--format", "json", "--output", catalogue, TREE])
    run(["sync"])
    json_adds = []
    for n in range(3):  # each into a library of its own: an add, not a replace
        started = time.perf_counter()
        run([CLI, "library", "--library", os.path.join(WORK, f"json-{n}.sqlite"), "add",
             "--name", "json", catalogue])
        json_adds.append(time.perf_counter() - started)
    finds = []
    for _ in range(3):
        started = time.perf_counter()
        run(["find", TREE, "-not", "-path", "*/.*", "-printf", "%s %T@ %p\n"],
            stdout=subprocess.DEVNULL)
        finds.append(time.perf_counter() - started)
    one = os.path.join(WORK, "one.txt")
    with open(one, "w", encoding="utf-8", errors="surrogateescape") as out:
        out.writelines("/disk-0/" + path + "\n" for path in entries)
    every = os.path.join(WORK, "all.txt")
    with open(every, "w", encoding="utf-8", errors="surrogateescape") as out:
        for disk in range(DISKS):
            out.writelines(f"/disk-{disk}/" + path + "\n" for path in entries)

    run(["sync"])  # the lists' writing done before plocate-build is timed
    builds = []
    for _ in range(3):
        started = time.perf_counter()
        run(["plocate-build", "-l", "no", "-p", one, os.path.join(WORK, "one.db")])
        builds.append(time.perf_counter() - started)
    plocate_db = os.path.join(WORK, "plocate.db")
    run(["plocate-build", "-l", "no", "-p", every, plocate_db])

    count = int(subprocess.run(["sqlite3", library, "SELECT count(*) FROM entry"],
                               stdout=subprocess.PIPE, check=True).stdout)
    stored = os.path.getsize(library)
    index = sum(os.path.getsize(os.path.join(library + "-index", f))
                for f in os.listdir(library + "-index"))
    print(f"entries: {count:,} in {DISKS} catalogues; plocate's list: {DISKS * len(entries):,}")
    million = len(entries) / 1e6
    print(f"add, per million entries: a JSON catalogue {statistics.median(json_adds) / million:.2f} s, "
          f"a folder {statistics.median(adds) / million:.2f} s; plocate-build of the same paths "
          f"{statistics.median(builds) / million:.2f} s; find -printf walking the folder "
          f"{statistics.median(finds) / million:.2f} s")
    print(f"library bytes per entry: {(stored + index) / count:.1f} "
          f"(SQLite {stored / count:.1f}, index {index / count:.1f}); "
          f"plocate {os.path.getsize(plocate_db) / (DISKS * len(entries)):.1f}")

    ours = [CLI, "library", "--library", library, "search"]
    plocate = ["plocate", "-d", plocate_db]
    questions = [
        ("rare name", ours + [RARE], plocate + ["-b", RARE], plocate + ["-b", "-i", RARE]),
        ("rare path", ours + ["--path", RARE], plocate + [RARE], plocate + ["-i", RARE]),
        ("common name, --count", ours + ["--count", COMMON], plocate + ["-b", "-c", COMMON],
         plocate + ["-b", "-c", "-i", COMMON]),
        ("common path, --count", ours + ["--count", "--path", COMMON],
         plocate + ["-c", COMMON], plocate + ["-c", "-i", COMMON]),
    ]
    print(f"medians of {RUNS} runs, ms: ours (always ignoring case) | plocate | plocate -i")
    for name, mine, theirs, theirs_i in questions:
        a, out_a = median_ms(mine)
        b, out_b = median_ms(theirs)
        c, out_c = median_ms(theirs_i)
        hits = lambda out, counted: (int(out) if counted else len(out.splitlines()))
        counted = "--count" in mine
        print(f"  {name:22} {a:8.1f} | {b:8.1f} | {c:8.1f}   hits {hits(out_a, counted):,} | "
              f"{hits(out_b, counted):,} | {hits(out_c, counted):,}")
    print(f"peak memory of a search: rare {peak(ours + [RARE]):.0f} MB, common path count "
          f"{peak(ours + ['--count', '--path', COMMON]):.0f} MB, common listed "
          f"{peak(ours + ['--path', COMMON]):.0f} MB")


if __name__ == "__main__":
    main()
