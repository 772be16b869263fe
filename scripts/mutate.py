#!/usr/bin/env python3
"""Mutation testing for Dorvantile: how many small faults in src/ do the tests catch?

Usage: scripts/mutate.py [--source DIR] [--count N] [--seed S] [--list] [--work DIR]
                         [--jobs J] [--ctest-args "ARGS"] [--only N,N,...]

Every mutation site in src/**/*.cpp and *.h (platform/fakes excluded: it is test code) is
collected and grouped by module (platform, platform/qt, general, run, writers, cli, app).
N mutants (default 100) are drawn round-robin across the modules with a seeded shuffle, so
the sample is the same for the same seed and tree. The kinds of mutant:
    ==/!=, </<=, >/>=, </>   comparisons written with spaces on both sides
    &&/||, dropped !          logical operators
    n -> n+1, n -> 0, 0 -> 1  decimal integer constants
    statement deleted         an expression statement line inside a function body

The tracked files of --source (default: this repository) are copied once into a scratch
folder (--work, kept; or a temporary one) and built there with Ninja in Debug. Each mutant
in turn is written into the copy, rebuilt incrementally, tested with `ctest --test-dir BUILD
--stop-on-failure --timeout 120 -j2 [--ctest-args]` and the file restored. A mutant that
does not build is stillborn (unbuilt, when no target compiles its file): it is not counted,
and another of its module takes its place. A failing or timed-out test run kills a mutant.
--list prints the sample without building; --only runs the named numbers of it (the survivors
of a run, after tests were added: the sample stays the same while src/ does). Example:
    nice scripts/mutate.py --count 20 --seed 3 --ctest-args "-E real_window"
"""
import argparse, os, random, re, shlex, shutil, signal, subprocess, sys, tempfile, time
from dataclasses import dataclass
from pathlib import Path

EXCLUDED = ("platform/fakes",)
TOKEN = re.compile(r"<=>|<<=|>>=|<<|>>|->|<=|>=|==|!=|&&|\|\||<|>|!")
SWAPS = {"==": ["!="], "!=": ["=="], "<": ["<=", ">"], "<=": ["<"], ">": [">=", "<"],
         ">=": [">"], "&&": ["||"], "||": ["&&"], "!": [""]}
NUMBER = re.compile(r"(?<![\w.'])(\d+)([uUlL]*)(?![\w.'])")
DECL_WORDS = set("""const constexpr static auto unsigned signed long short volatile thread_local
    inline extern mutable struct class enum typename friend virtual explicit using typedef
    static_assert case default goto else Q_UNUSED assert Q_ASSERT Q_OBJECT""".split())


@dataclass
class Mutant:
    module: str
    path: str      # relative to the tree, e.g. src/run/run_control.cpp
    line: int      # 1-based
    col: int
    old: str
    new: str       # for a deleted statement: the empty string, with old the whole line

    def change(self):
        return "statement deleted" if self.col < 0 else f"'{self.old}' -> '{self.new}'"

    def __str__(self):
        return f"{self.module:11} {self.path}:{self.line}  {self.change()}"


def mask(text):
    """The text with comments and string and char literals blanked, same length."""
    out, i, n = list(text), 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i); j = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2); j = n if j < 0 else j + 2
        elif c == '"' and re.search(r"(?<!\w)(u8|u|U|L)?R$", text[max(0, i - 3):i]):
            delim = text[i + 1:text.index("(", i)]
            j = text.find(")" + delim + '"', i); j = n if j < 0 else j + len(delim) + 2
        elif c in "\"'" and not (c == "'" and i and text[i - 1].isalnum()
                                 and not re.search(r"(?<!\w)(u8|u|U|L)$", text[max(0, i - 3):i])):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
        else:
            i += 1
            continue
        out[i:j] = [ch if ch == "\n" else " " for ch in text[i:j]]
        i = j
    return "".join(out)


def is_declaration(code):
    """Whether a statement line looks like a declaration (which cannot be deleted safely)."""
    word = re.match(r"[A-Za-z_]\w*", code)
    if word and word.group() in DECL_WORDS or code.startswith(("~", "return ", "co_return ")):
        return True
    head = re.split(r"[=(\[{;]", code, maxsplit=1)[0]
    while re.search(r"<[^<>]*>", head):
        head = re.sub(r"<[^<>]*>", "", head)
    return bool(re.fullmatch(r"[A-Za-z_][\w:]*(\s*[*&]+\s*|\s+)[*&]*[A-Za-z_]\w*\s*", head))


def sites(tree, rel):
    """Every mutant of one file."""
    module = str(Path(rel).parent.relative_to("src"))
    text = (tree / rel).read_text(encoding="utf-8", errors="surrogateescape")
    lines, masked = text.split("\n"), mask(text).split("\n")
    found, stack, pending, continued = [], [], "", False
    for number, (line, code) in enumerate(zip(lines, masked), 1):
        preprocessor = continued or code.lstrip().startswith("#")
        continued = preprocessor and line.endswith("\\")
        if preprocessor:
            continue
        in_body = bool(stack) and stack[-1] == "body"
        at_start = not pending.strip() or re.fullmatch(r"\s*(case\b.*|default\s*):\s*", pending, re.S)
        skip_ops = re.search(r"\b(template|operator|static_assert|enum)\b", code)
        if not skip_ops:
            for m in TOKEN.finditer(code):
                tok, a, b = m.group(), m.start(), m.end()
                spaced = a > 0 and code[a - 1].isspace() and (b == len(code) or code[b].isspace())
                if tok == "!" and b < len(code) and (code[b].isalpha() or code[b] in "(_*"):
                    spaced = True
                if tok in SWAPS and spaced:
                    found += [Mutant(module, rel, number, a, tok, new) for new in SWAPS[tok]]
            for m in NUMBER.finditer(code):
                if not re.search(r"\)[\w\s]*=\s*$", code[:m.start()]):  # not a pure virtual's = 0
                    value = int(m.group(1))
                    found += [Mutant(module, rel, number, m.start(1), m.group(1), str(new))
                              for new in ([value + 1, 0] if value else [1])]
        stripped = code.strip()
        if (in_body and at_start and stripped.endswith(";") and not re.search(r"[{}]", stripped)
                and stripped.count("(") == stripped.count(")") and not is_declaration(stripped)
                and not stripped.startswith("(void)")):
            found.append(Mutant(module, rel, number, -1, line, ""))
        for c in code + "\n":
            if c == "{":
                p = pending.strip()
                if not p or p.endswith(("=", "(", ",", "{", "return")):
                    stack.append("init")
                elif (re.search(r"\b(class|struct|union|enum|namespace|extern)\b", p)
                      and not re.search(r"\)[\w\s]*$", p)):
                    stack.append("scope")
                else:
                    stack.append("body")
            elif c == "}" and stack:
                stack.pop()
            pending = "" if c in "{};" else pending + c
    return found


def draw(tree, count, seed):
    """count mutants spread round-robin over the modules, plus each module's reserve queue."""
    queues = {}
    for rel in sorted(tracked(tree, "src")):
        if rel.endswith((".cpp", ".h")) and not any(rel.startswith(f"src/{x}/") for x in EXCLUDED):
            for m in sites(tree, rel):
                queues.setdefault(m.module, []).append(m)
    for module, queue in queues.items():
        random.Random(f"{seed}:{module}").shuffle(queue)
    picked, order = [], sorted(queues)
    while len(picked) < count and any(queues.values()):
        for module in order:
            if queues[module] and len(picked) < count:
                picked.append(queues[module].pop(0))
    return picked, queues, order


def tracked(tree, *where):
    return filter(None, subprocess.run(["git", "-C", str(tree), "ls-files", "-z", *where],
                                       check=True, capture_output=True, text=True).stdout.split("\0"))


def mutated(m, text):
    lines = text.split("\n")
    line = lines[m.line - 1]
    lines[m.line - 1] = "" if m.col < 0 else line[:m.col] + m.new + line[m.col + len(m.old):]
    return "\n".join(lines), line, lines[m.line - 1]


def run(cmd, timeout):
    """(return code, output); a run past its time has its whole process group ended."""
    p = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                         errors="replace", start_new_session=True)
    try:
        out = p.communicate(timeout=timeout)[0]
        return p.returncode, out
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        return "timeout", p.communicate()[0]
    except BaseException:  # interrupted: leave nothing running behind
        os.killpg(p.pid, signal.SIGKILL)
        raise


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--source", type=Path, default=Path(__file__).resolve().parent.parent)
    ap.add_argument("--count", type=int, default=100)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--list", action="store_true", help="print the sample, build nothing")
    ap.add_argument("--work", type=Path, help="scratch folder to use and keep (default: temporary)")
    ap.add_argument("--jobs", type=int, default=2, help="parallel build jobs")
    ap.add_argument("--ctest-args", default="", help='extra ctest arguments, e.g. "-E real_window"')
    ap.add_argument("--only", help="run only these numbers of the sample, e.g. 7,19,42")
    args = ap.parse_args()
    source = args.source.resolve()
    picked, reserve, order = draw(source, args.count, args.seed)
    if args.only:
        chosen = {int(n) for n in args.only.split(",")}
        picked = [m for i, m in enumerate(picked, 1) if i in chosen]
    if args.list:
        for i, m in enumerate(picked, 1):
            print(f"[{i:3}] {m}")
        return 0

    signal.signal(signal.SIGTERM, signal.default_int_handler)  # a kill stops like Ctrl-C
    work = args.work.resolve() if args.work else Path(tempfile.mkdtemp(prefix="dorvantile-mut-"))
    try:
        return measure(args, source, work / "tree", work / "build", picked, reserve, order)
    except KeyboardInterrupt:
        print("interrupted", file=sys.stderr)
        return 130
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)


def measure(args, source, tree, build, picked, reserve, order):
    """Builds the copy, runs every mutant and prints the score."""
    for rel in tracked(source):
        src, dst = source / rel, tree / rel
        if src.is_file() and not (dst.is_file() and dst.read_bytes() == src.read_bytes()):
            dst.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy(src, dst)  # a fresh mtime, so that Ninja sees the change
    started = time.time()
    build_cmd = ["cmake", "--build", str(build), "--parallel", str(args.jobs)]
    test_cmd = ["ctest", "--test-dir", str(build), "--stop-on-failure", "--timeout", "120",
                "-j2"] + shlex.split(args.ctest_args)
    print(f"scratch tree {tree}; building once in {build}", flush=True)
    for cmd in (["cmake", "-S", str(tree), "-B", str(build), "-G", "Ninja",
                 "-DCMAKE_BUILD_TYPE=Debug", "-DDORVANTILE_BENCHMARKS=OFF"], build_cmd, test_cmd):
        t0, (rc, out) = time.time(), run(cmd, 7200)
        if rc != 0:
            print(out[-6000:], f"\nunmutated tree fails: {' '.join(cmd)}", file=sys.stderr)
            return 2
    print(f"unmutated tree builds and passes ({time.time() - started:.0f}s, tests "
          f"{time.time() - t0:.0f}s)", flush=True)

    killed, survivors, stillborn, unbuilt, done, queue = 0, [], 0, 0, 0, list(picked)
    try:
        while queue:
            m = queue.pop(0)
            path = tree / m.path
            original, t0 = path.read_bytes(), time.time()
            text, before, after = mutated(m, original.decode("utf-8", "surrogateescape"))
            try:
                path.write_bytes(text.encode("utf-8", "surrogateescape"))
                rc, out = run(build_cmd, 3600)
                if rc != 0 or "no work to do" in out:
                    result = "stillborn" if rc != 0 else "unbuilt"
                else:
                    rc, out = run(test_cmd, 3600)
                    result = "SURVIVED" if rc == 0 else "killed" + (
                        " (timeout)" if rc == "timeout" or "***Timeout" in out else "")
            finally:
                path.write_bytes(original)
            if result in ("stillborn", "unbuilt"):
                stillborn, unbuilt = stillborn + (result == "stillborn"), unbuilt + (result == "unbuilt")
                spare = reserve[m.module] or next((reserve[x] for x in order if reserve[x]), [])
                queue[:0] = [spare.pop(0)] if spare else []
                label = "  -"
            else:
                done, killed = done + 1, killed + result.startswith("killed")
                survivors += [(m, before, after)] if result == "SURVIVED" else []
                label = f"{done:3}"
            print(f"[{label}] {m}  {result} ({time.time() - t0:.0f}s)", flush=True)
    except KeyboardInterrupt:
        print(f"interrupted: {len(queue) + 1} sampled mutants not run", flush=True)

    percent = 100.0 * killed / done if done else 0.0
    print(f"\nseed {args.seed}: score {killed}/{done} ({percent:.1f}%); {stillborn} stillborn, "
          f"{unbuilt} unbuilt; {time.time() - started:.0f}s")
    for m, before, after in survivors:
        print(f"survivor {m.path}:{m.line}\n    was: {before.strip()}\n    now: {after.strip()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
