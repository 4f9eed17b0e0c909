#!/usr/bin/env python3
"""Mutation testing for one folder of Tunewright's sources.

Applies one small fault at a time (a mutant) to the sources of a folder, rebuilds
incrementally in a build folder of its own, runs the test suite, puts the file back,
and reports which mutants the suite did not notice (the survivors) and the score:
caught / (caught + survived). Mutants that do not build, or whose object file comes
out identical to the unmutated one, are not counted.

Operators:
  compare    <  <=  >  >=  ==  !=  swapped for a neighbour (< for <=, == for != ...)
  arith      + and -, * and /, ++ and --, += and -= swapped
  logic      && and || swapped
  constant   an integer constant one more or one less
  delivery   a log message delivered with Show instead of Write, or the reverse
  delete     a whole one-line statement removed
  swap       the two arguments of a two-argument call exchanged

Examples:
  tools/mutate.py scan --sample 40 --seed 1
  tools/mutate.py logging --files logging/LogMessage.cpp --sample 20
  tools/mutate.py console --list

It is a developer's tool, not part of CI. The machine is small: sample, do not sweep.
"""

import argparse
import hashlib
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


@dataclass
class Mutant:
    path: Path          # relative to ROOT
    line: int           # 1-based
    start: int          # offset in the file
    end: int
    replacement: str
    operator: str
    original: str

    def describe(self, text: str) -> str:
        line_start = text.rfind("\n", 0, self.start) + 1
        line_end = text.find("\n", self.end)
        if line_end < 0:
            line_end = len(text)
        before = text[line_start:line_end].strip()
        after = (text[line_start:self.start] + self.replacement + text[self.end:line_end]).strip()
        if self.operator == "delete":
            after = "(deleted)"
        return f"{self.path}:{self.line} [{self.operator}] {before}  =>  {after}"


# ---------------------------------------------------------------- finding mutants

def code_mask(text: str) -> list:
    """True for each character that is code: not in a comment, a string or character
    literal, or a preprocessor line."""
    mask = [True] * len(text)
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":
            j = text.find("\n", i)
            j = n if j < 0 else j
            for k in range(i, j):
                mask[k] = False
            i = j
            continue
        line_start = c == "\n"
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            for k in range(i, j):
                mask[k] = False
            i = j
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            for k in range(i, j):
                mask[k] = False
            i = j
            continue
        if c == '"' or c == "'":
            # raw strings are not used in the sources; plain literals with escapes are
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            for k in range(i, min(j + 1, n)):
                mask[k] = False
            i = j + 1
            continue
        i += 1
    return mask


def in_code(mask, start, end) -> bool:
    return all(mask[start:end])


def line_of(text: str, offset: int) -> int:
    return text.count("\n", 0, offset) + 1


COMPARE = {"<=": ["<", ">"], ">=": [">", "<"], "==": ["!="], "!=": ["=="], "<": ["<=", ">="], ">": [">=", "<="]}
ARITH = {"+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "+=": ["-="], "-=": ["+="], "++": ["--"], "--": ["++"]}


def find_mutants(path: Path) -> list:
    text = (ROOT / path).read_text()
    mask = code_mask(text)
    found = []

    def add(start, end, replacement, operator):
        if in_code(mask, start, end):
            found.append(Mutant(path, line_of(text, start), start, end, replacement, operator, text[start:end]))

    # Comparisons: two-character operators anywhere; < and > only as spaced binary
    # operators, so that templates, includes, streams and -> are left alone.
    for m in re.finditer(r"(?<=[\w)\]\s])(<=|>=|==|!=)(?=[\s\w(-])", text):
        for r in COMPARE[m.group(1)]:
            add(m.start(1), m.end(1), r, "compare")
    for m in re.finditer(r"(?<= )(<|>)(?= )", text):
        # a spaced < may still open a template argument list ("a < b > c" is rare here)
        for r in COMPARE[m.group(1)]:
            add(m.start(1), m.end(1), r, "compare")

    for m in re.finditer(r"(?<= )(\+=|-=|\+|-|\*|/)(?= )", text):
        for r in ARITH[m.group(1)]:
            add(m.start(1), m.end(1), r, "arith")
    for m in re.finditer(r"(\+\+|--)(?=\w)|(?<=\w)(\+\+|--)", text):
        op = m.group(0)
        add(m.start(), m.end(), ARITH[op][0], "arith")

    for m in re.finditer(r"(?<= )(&&|\|\|)(?= )", text):
        add(m.start(1), m.end(1), "||" if m.group(1) == "&&" else "&&", "logic")

    for m in re.finditer(r"(?<![\w.])(0[xX][0-9a-fA-F]+|\d+)(?![\w.'])", text):
        literal = m.group(1)
        value = int(literal, 0)
        for delta in (1, -1):
            v = value + delta
            if v < 0:
                continue
            replacement = hex(v) if literal.lower().startswith("0x") else str(v)
            add(m.start(1), m.end(1), replacement, "constant")

    for m in re.finditer(r"\.(Show|Write)\(", text):
        add(m.start(1), m.end(1), "Write" if m.group(1) == "Show" else "Show", "delivery")

    # One-line statements: calls, assignments, increments and stream output, whole on one line.
    for m in re.finditer(r"^([ \t]+)([^\n]*;)[ \t]*$", text, re.MULTILINE):
        statement = m.group(2)
        if statement.startswith(("return", "}", "case ", "default", "break", "continue", "//")):
            continue
        if statement.count("(") != statement.count(")") or statement.count("{") != statement.count("}"):
            continue
        if not re.match(r"(\(|[A-Za-z_][\w:]*(\.|->|\(|\s*[-+*/]?=[^=]|\s*<<|\+\+|--)|\+\+|--)", statement):
            continue
        if re.match(r"(const|static|auto|int|bool|char|unsigned|long|std::\w+\s|[A-Z]\w*\s+[\w*&])", statement):
            continue
        add(m.start(2), m.end(2), "", "delete")

    # Two simple arguments of a call, exchanged.
    for m in re.finditer(r"\b\w+\(([^(),<>\n]+), ([^(),<>\n]+)\)", text):
        a, b = m.group(1).strip(), m.group(2).strip()
        # parameters of a declaration ("int count") are not arguments
        declaration = re.compile(r"[\w:*&]+\s+[*&]?\w+$|\.\.\.")
        if a != b and not declaration.search(a) and not declaration.search(b):
            add(m.start(1), m.end(2), f"{b}, {a}", "swap")
    return found


def sources_of(folder: str, files) -> list:
    if files:
        return [Path(f) for f in files]
    base = ROOT / folder
    if not base.is_dir():
        sys.exit(f"no such folder: {folder}")
    return sorted(p.relative_to(ROOT) for p in base.rglob("*") if p.suffix in (".cpp", ".h") and p.is_file())


def sample(mutants: list, count: int, seed: int) -> list:
    """A mix of every operator: round robin over the operators, each list shuffled."""
    rng = random.Random(seed)
    by_operator = {}
    for m in mutants:
        by_operator.setdefault(m.operator, []).append(m)
    for group in by_operator.values():
        rng.shuffle(group)
    order = sorted(by_operator)
    rng.shuffle(order)
    chosen = []
    while len(chosen) < count and any(by_operator.values()):
        for op in order:
            if by_operator[op] and len(chosen) < count:
                chosen.append(by_operator[op].pop())
    return chosen


# ---------------------------------------------------------------- building and testing

def run(command, timeout, env=None) -> tuple:
    """(exit status or None on time-out, output tail)."""
    process = subprocess.Popen(command, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               env=env, start_new_session=True, text=True)
    try:
        out, _ = process.communicate(timeout=timeout)
        return process.returncode, out
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        out, _ = process.communicate()
        return None, out


def configure(build: Path):
    env = dict(os.environ, CMAKE_CXX_COMPILER_LAUNCHER=os.environ.get("CMAKE_CXX_COMPILER_LAUNCHER", "ccache"))
    if shutil.which("ccache") is None:
        env.pop("CMAKE_CXX_COMPILER_LAUNCHER")
    # The default preset's settings in a folder of our own; benchmarks are not tests.
    status, out = run(["cmake", "--preset", "default", "-B", str(build), "-DTUNEWRIGHT_BUILD_BENCHMARKS=OFF"],
                      600, env)
    if status != 0:
        sys.exit("configure failed:\n" + out[-3000:])


def build(build_dir: Path, timeout: int) -> bool:
    status, _ = run(["cmake", "--build", str(build_dir)], timeout)
    return status == 0


def test(build_dir: Path, timeout: int, per_test: int, regex) -> str:
    """'caught', 'survived' or 'timeout' (a hang counts as caught)."""
    env = dict(os.environ, TUNEWRIGHT_CLOCK="virtual")
    command = ["ctest", "--test-dir", str(build_dir), "-j2", "--timeout", str(per_test), "--stop-on-failure",
               "--no-tests=error"]
    if regex:
        command += ["-R", regex]
    status, out = run(command, timeout, env)
    if status is None:
        return "timeout"
    if status != 0:
        return "caught"
    return "survived"


def object_of(build_dir: Path, source: Path):
    if source.suffix != ".cpp":
        return None
    matches = list(build_dir.glob(f"**/CMakeFiles/*.dir/{source}.o"))
    return matches[0] if len(matches) == 1 else None


def digest(path) -> str:
    if path is None or not path.exists():
        return ""
    return hashlib.sha256(path.read_bytes()).hexdigest()


# ---------------------------------------------------------------- main

def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("folder", help="source folder to mutate, e.g. scan, logging, console")
    parser.add_argument("--files", nargs="+", help="mutate only these files (paths from the repository root)")
    parser.add_argument("--sample", type=int, default=30, help="number of mutants to try (default 30; 0 = all)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the sample (default 1)")
    parser.add_argument("--operators", nargs="+", help="only these operators")
    parser.add_argument("--build-dir", default="build/mutate", help="build folder (default build/mutate)")
    parser.add_argument("--timeout", type=int, default=300, help="seconds for one whole test run (default 300)")
    parser.add_argument("--test-timeout", type=int, default=60, help="seconds for one test (default 60)")
    parser.add_argument("--tests", help="ctest -R regex to run only some tests (default: the whole suite)")
    parser.add_argument("--list", action="store_true", help="list the chosen mutants and stop")
    args = parser.parse_args()

    files = sources_of(args.folder, args.files)
    mutants = [m for f in files for m in find_mutants(f)]
    if args.operators:
        mutants = [m for m in mutants if m.operator in args.operators]
    chosen = mutants if args.sample == 0 else sample(mutants, args.sample, args.seed)
    texts = {f: (ROOT / f).read_text() for f in files}
    print(f"{len(mutants)} mutants in {len(files)} files; trying {len(chosen)} (seed {args.seed})")
    if args.list:
        for m in chosen:
            print(m.describe(texts[m.path]))
        return 0

    build_dir = (ROOT / args.build_dir).resolve()
    if not (build_dir / "CMakeCache.txt").exists():
        configure(build_dir)
    # An interrupted earlier run may have left objects built from a mutant: rebuild the folder's
    # sources (not its headers, which half the project includes).
    for f in files:
        if f.suffix == ".cpp":
            os.utime(ROOT / f)
    print("building and testing the unmutated sources...", flush=True)
    if not build(build_dir, 3600):
        sys.exit("the unmutated sources do not build")
    baseline = test(build_dir, args.timeout, args.test_timeout, args.tests)
    if baseline != "survived":
        sys.exit("the suite does not pass on the unmutated sources")
    objects = {f: object_of(build_dir, f) for f in files}
    original_digest = {f: digest(o) for f, o in objects.items()}

    restore_all = lambda: [(ROOT / f).write_text(t) for f, t in texts.items() if (ROOT / f).read_text() != t]
    signal.signal(signal.SIGTERM, lambda *_: (restore_all(), sys.exit(1)))

    results = []
    started = time.time()
    try:
        for number, m in enumerate(chosen, 1):
            text = texts[m.path]
            (ROOT / m.path).write_text(text[:m.start] + m.replacement + text[m.end:])
            try:
                if not build(build_dir, 1800):
                    outcome = "unbuildable"
                elif objects[m.path] is not None and digest(objects[m.path]) == original_digest[m.path]:
                    outcome = "equivalent"
                else:
                    outcome = test(build_dir, args.timeout, args.test_timeout, args.tests)
            finally:
                (ROOT / m.path).write_text(text)
            results.append((m, outcome))
            print(f"[{number}/{len(chosen)}] {outcome:11} {m.describe(text)}", flush=True)
    except KeyboardInterrupt:
        print("interrupted")
    finally:
        restore_all()
        build(build_dir, 3600)

    caught = sum(1 for _, o in results if o in ("caught", "timeout"))
    survived = [m for m, o in results if o == "survived"]
    counted = caught + len(survived)
    print(f"\n{len(results)} mutants tried in {time.time() - started:.0f} s: {caught} caught, "
          f"{len(survived)} survived, {sum(1 for _, o in results if o == 'unbuildable')} unbuildable, "
          f"{sum(1 for _, o in results if o == 'equivalent')} equivalent")
    if survived:
        print("survivors:")
        for m in survived:
            print("  " + m.describe(texts[m.path]))
    if counted:
        print(f"score {args.folder}: {100 * caught / counted:.0f}% ({caught}/{counted})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
