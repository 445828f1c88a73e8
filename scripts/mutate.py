#!/usr/bin/env python3
"""Mutation sampling for the test suite.

`generate` picks random single-token changes of source lines under src/ and
writes them to a TSV; `run` applies them one at a time, rebuilds the test
binaries, runs them and records whether some test noticed ("killed").

A mutant is recorded by its line text, not only by its line number, so that
the same list can be applied again after the code has been moved between
files or reformatted: `run` looks for the line at the recorded place first,
then anywhere in the recorded file, then anywhere under src/.
"""

import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SRC = ROOT / "src"
TARGETS = ["chizro_tests", "chizro_qt_tests", "chizro_app_tests"]
QT_BINARIES = {"chizro_qt_tests", "chizro_app_tests"}
HEADER = ["id", "file", "line", "original", "mutated", "change"]
RESULT_HEADER = ["id", "status", "binary", "detail", "applied_at", "seconds", "change"]

# ---------------------------------------------------------------------------
# Reading source lines


def source_files():
    files = [p for p in SRC.rglob("*") if p.suffix in (".cpp", ".h") and p.is_file()]
    return sorted(files, key=lambda p: p.relative_to(ROOT).as_posix())


def read_lines(path):
    return path.read_bytes().decode("utf-8").split("\n")


def squeeze(text):
    """Line text with all whitespace removed: equal for reformatted lines."""
    return re.sub(r"\s+", "", text)


def code_masks(lines):
    """For each line, the line with comments blanked out and the contents of
    string and character literals replaced by '_', so that operators and
    numbers are only ever found in code. None for lines that hold no code of
    their own (preprocessor lines, including continued ones)."""
    masks = []
    in_block = False
    in_pp = False
    for line in lines:
        if in_pp or (not in_block and line.lstrip().startswith("#")):
            in_pp = line.rstrip().endswith("\\")
            masks.append(None)
            continue
        out = []
        i = 0
        n = len(line)
        while i < n:
            c = line[i]
            if in_block:
                if line.startswith("*/", i):
                    in_block = False
                    out.append("  ")
                    i += 2
                else:
                    out.append(" ")
                    i += 1
            elif line.startswith("//", i):
                out.append(" " * (n - i))
                break
            elif line.startswith("/*", i):
                in_block = True
                out.append("  ")
                i += 2
            elif c == "'" and i > 0 and line[i - 1].isalnum() and _in_number(line, i):
                out.append(c)  # digit separator: 1'000'000
                i += 1
            elif c in "\"'":
                j = i + 1
                while j < n and line[j] != c:
                    j += 2 if line[j] == "\\" else 1
                j = min(j, n - 1)
                out.append(c + "_" * (j - i - 1) + c)
                i = j + 1
            else:
                out.append(c)
                i += 1
        masks.append("".join(out)[:n])
    return masks


def _in_number(line, i):
    j = i - 1
    while j >= 0 and (line[j].isalnum() or line[j] in "'."):
        j -= 1
    return line[j + 1].isdigit()


# ---------------------------------------------------------------------------
# Which lines are worth mutating, and how

NOT_A_TYPE = {"return", "throw", "delete", "else", "case", "goto", "co_return", "co_yield", "new", "do",
              "if", "for", "while", "switch"}
DECL_START = re.compile(
    r"^\s*(using|namespace|template|typedef|friend|static_assert|extern|class|struct|"
    r"enum|public:|private:|protected:)\b"
)
# A prototype: type, name, a parameter list, qualifiers, `;`. A local variable
# built from arguments (`std::vector<int> v(n + 1);`) is code, told apart by
# its arguments not being "type name" pairs.
PROTOTYPE = re.compile(
    r"^\s*(?P<type>\w[\w:<>,\s*&~]*?)\s*[\s*&]\s*[\w:~]+\s*\((?P<params>[^;]*)\)\s*(const\s*)?"
    r"(override\s*)?(noexcept\s*)?(=\s*(0|default|delete)\s*)?;\s*$"
)
PARAMETER = re.compile(r"^\s*[\w:<>,\s*&]*\w[\w:<>,\s*&]*[\s*&]\s*\w*\s*(=.*)?$")
# A variable without initialiser: `char buf[256];`, `std::array<int, 4> a;`.
BARE_VARIABLE = re.compile(r"^\s*(?P<type>\w[\w:<>,\s*&]*?)\s*[\s*&]\s*\w+(\[[^\]]*\])*\s*;\s*$")


def split_top(text):
    """`text` split at the commas outside brackets."""
    parts, depth, current = [], 0, ""
    for c in text:
        if c in "(<[{":
            depth += 1
        elif c in ")>]}":
            depth -= 1
        if c == "," and depth == 0:
            parts.append(current)
            current = ""
        else:
            current += c
    return parts + [current]


def is_declaration(code):
    if DECL_START.match(code):
        return True
    m = BARE_VARIABLE.match(code)
    if m and not (set(m.group("type").split()) & NOT_A_TYPE):
        return True
    m = PROTOTYPE.match(code)
    if m and not (set(m.group("type").split()) & NOT_A_TYPE):
        params = m.group("params").strip()
        return params in ("", "void") or all(PARAMETER.match(p) for p in split_top(params))
    return False


SWAP = {
    "<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==",
    "+": "-", "-": "+", "*": "/", "/": "*",
    "+=": "-=", "-=": "+=", "*=": "/=", "/=": "*=",
    "&&": "||", "||": "&&", "true": "false", "false": "true",
}
# Binary operators are taken only with a space on both sides, as the code is
# formatted: that tells `a < b` from `vector<int>`, `a * b` from `int* p` and
# `a && b` from `T&& t`.
SPACED_OP = re.compile(r"(?<=\s)(<=|>=|==|!=|\+=|-=|\*=|/=|&&|\|\||<|>|\+|-|\*|/)(?=\s)")
BOOLEAN = re.compile(r"\b(true|false)\b")
INTEGER = re.compile(r"(?<![\w.'])\d[\d']*(?![\w.'])")
NOT = re.compile(r"!(?!=)")


def sites(code):
    """(start, end, replacement) of every single-token change in a masked line."""
    found = []
    for m in SPACED_OP.finditer(code):
        found.append((m.start(), m.end(), SWAP[m.group()]))
    for m in BOOLEAN.finditer(code):
        found.append((m.start(), m.end(), SWAP[m.group()]))
    for m in INTEGER.finditer(code):
        value = int(m.group().replace("'", ""))
        found.append((m.start(), m.end(), str({0: 1, 1: 0}.get(value, value + 1))))
    for m in NOT.finditer(code):
        found.append((m.start(), m.end(), ""))
    return sorted(found)


def candidates():
    """Every mutable line under src/ as (file, line number, text, sites).
    Files with a `main` are left out: no test binary links them."""
    result = []
    for path in source_files():
        lines = read_lines(path)
        if any(re.match(r"\s*int\s+main\s*\(", l) for l in lines):
            continue
        rel = path.relative_to(ROOT).as_posix()
        for number, (line, code) in enumerate(zip(lines, code_masks(lines)), start=1):
            if code is None or not code.strip() or "\t" in line or is_declaration(code):
                continue
            s = sites(code)
            if s:
                result.append((rel, number, line, s))
    return result


def describe(original, start, end, replacement):
    old = original[start:end]
    return f"{old} -> {replacement}" if replacement else f"remove {old}"


def generate(args):
    pool = candidates()
    # A line that occurs only once under src/ can be found again unambiguously
    # after the code has moved, so those are preferred.
    counts = {}
    for path in source_files():
        for line in read_lines(path):
            counts[squeeze(line)] = counts.get(squeeze(line), 0) + 1
    unique = [c for c in pool if counts[squeeze(c[2])] == 1]
    if len(unique) >= args.count:
        pool = unique
    if len(pool) < args.count:
        sys.exit(f"only {len(pool)} candidate lines, asked for {args.count}")
    rng = random.Random(args.seed)
    chosen = sorted(rng.sample(range(len(pool)), args.count))
    width = len(str(args.count))
    with open(args.out, "w", encoding="utf-8", newline="\n") as out:
        out.write("\t".join(HEADER) + "\n")
        for index, k in enumerate(chosen, start=1):
            rel, number, line, line_sites = pool[k]
            start, end, replacement = rng.choice(line_sites)
            mutated = line[:start] + replacement + line[end:]
            row = [f"M{index:0{width}d}", rel, str(number), line, mutated,
                   describe(line, start, end, replacement)]
            out.write("\t".join(row) + "\n")
    print(f"{args.count} mutants from {len(pool)} candidate lines written to {args.out}")


# ---------------------------------------------------------------------------
# Applying a mutant


def read_mutants(path):
    mutants = []
    with open(path, encoding="utf-8", newline="\n") as f:
        rows = f.read().split("\n")
    for row in rows[1:]:
        if not row:
            continue
        fields = row.split("\t")
        mutants.append(dict(zip(HEADER, fields)))
    return mutants


def locate(mutant):
    """(path, index of the line) where the mutant's original line is now, or None."""
    want = squeeze(mutant["original"])
    recorded = ROOT / mutant["file"]
    if recorded.is_file():
        lines = read_lines(recorded)
        i = int(mutant["line"]) - 1
        if 0 <= i < len(lines) and squeeze(lines[i]) == want:
            return recorded, i
        for i, line in enumerate(lines):
            if squeeze(line) == want:
                return recorded, i
    for path in source_files():
        for i, line in enumerate(read_lines(path)):
            if squeeze(line) == want:
                return path, i
    return None


def apply_change(original, mutated, found):
    """The mutation of `original` into `mutated`, carried over to `found`, a
    line equal to `original` but for whitespace."""
    if found == original:
        return mutated
    p = 0
    while p < min(len(original), len(mutated)) and original[p] == mutated[p]:
        p += 1
    s = 0
    while (s < min(len(original), len(mutated)) - p
           and original[len(original) - 1 - s] == mutated[len(mutated) - 1 - s]):
        s += 1
    old = original[p:len(original) - s]
    new = mutated[p:len(mutated) - s]
    # Same position counted in non-blank characters.
    k = len(squeeze(original[:p]))
    q = 0
    while k > 0:
        if not found[q].isspace():
            k -= 1
        q += 1
    if old:
        while q < len(found) and found[q].isspace():
            q += 1
    if not found.startswith(old, q):
        raise RuntimeError(f"cannot carry the change over to: {found!r}")
    result = found[:q] + new + found[q + len(old):]
    if squeeze(result) != squeeze(mutated):
        raise RuntimeError(f"cannot carry the change over to: {found!r}")
    return result


# ---------------------------------------------------------------------------
# Building and testing


def ensure_build(build):
    if (build / "build.ninja").is_file():
        return
    # The "mutation" preset: -O1 without debug information, through ccache
    # when it is installed (each mutant recompiles one file, the rest come
    # from the cache when the build folder is made anew), linked by lld when
    # it is there (the test binaries are relinked for every mutant).
    command = ["cmake", "--preset", "mutation", "-B", str(build)]
    if not (ROOT / "CMakePresets.json").is_file():
        command = ["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
                   "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_FLAGS_RELEASE=-O1"]
    if shutil.which("ccache"):
        command.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
    if shutil.which("ld.lld"):
        command.append("-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld")
    r = subprocess.run(command, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                       text=True, errors="replace")
    if r.returncode != 0:
        sys.exit(f"cannot configure {build}:\n" + r.stdout[-3000:])


def build_targets(build, jobs):
    r = subprocess.run(["ninja", "-C", str(build), f"-j{jobs}", *TARGETS],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    return r.returncode == 0, r.stdout


def find_binary(build, name):
    for candidate in (build / "tests" / name, build / name):
        if candidate.is_file():
            return candidate
    sys.exit(f"{name} not found in {build}")


def build_errors(log, limit=3000):
    """What the compiler or linker said about a failed build: the lines from
    each "FAILED:" of ninja's log, without its progress lines."""
    lines = log.splitlines()
    starts = [i for i, line in enumerate(lines) if line.startswith("FAILED:")]
    if not starts:
        return log[-limit:]
    kept = []
    for i in starts:
        for line in lines[i:]:
            if line.startswith("ninja: build stopped") or re.match(r"\[\d+/\d+\] ", line):
                break
            kept.append(line)
    return "\n".join(kept)[:limit]


def first_error(log):
    """The first error line of a failed build, for the results table."""
    for line in log.splitlines():
        if re.search(r"\berror\b", line, re.I) and not line.startswith("FAILED:"):
            return re.sub(r"\s+", " ", line.strip())[:200]
    return "build failed"


def run_binary(path, timeout):
    """(passed, detail): detail names the first failing test, or how the run ended."""
    env = dict(os.environ)
    if path.name in QT_BINARIES:
        env["QT_QPA_PLATFORM"] = "offscreen"
    proc = subprocess.Popen([str(path), "--gtest_fail_fast", "--gtest_color=no"],
                            cwd=path.parent, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        timed_out = False
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, _ = proc.communicate()
        timed_out = True
    except BaseException:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        raise
    text = out.decode("utf-8", errors="replace")
    running = re.findall(r"^\[ RUN      \] (\S+)", text, re.M)
    last = running[-1] if running else "?"
    if timed_out:
        return False, f"timeout in {last}"
    # "[  FAILED  ] Suite.Name (3 ms)", parameterised: "..., where GetParam() = ...".
    failed = re.search(r"^\[  FAILED  \] ([^\s,]+\.[^\s,]+)", text, re.M)
    if failed:
        return False, failed.group(1)
    if proc.returncode < 0:
        return False, f"{signal.Signals(-proc.returncode).name} in {last}"
    if proc.returncode != 0:
        return False, f"exit {proc.returncode} after {last}"
    return True, ""


def run_suite(binaries, timeout):
    """(binary, detail) of the first binary that fails, or None."""
    for binary in binaries:
        passed, detail = run_binary(binary, timeout)
        if not passed:
            return binary.name, detail
    return None


def git_clean(path):
    return subprocess.run(["git", "-C", str(ROOT), "diff", "--quiet", "--", str(path)]).returncode == 0


def run(args):
    if os.nice(0) < 10:
        os.nice(10 - os.nice(0))
    # SIGTERM ends the run like Ctrl-C, so the mutated file is restored.
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    build = Path(args.build)
    if not build.is_absolute():
        build = ROOT / build
    mutants = read_mutants(args.file)
    if args.ids:
        wanted = set(args.ids)
        mutants = [m for m in mutants if m["id"] in wanted]
        missing = wanted - {m["id"] for m in mutants}
        if missing:
            sys.exit(f"unknown ids: {' '.join(sorted(missing))}")
    results_path = Path(args.results or Path(args.file).with_name(Path(args.file).stem + "-results.tsv"))
    done = set()
    if args.resume and results_path.is_file():
        done = {row.split("\t")[0] for row in results_path.read_text(encoding="utf-8").splitlines()[1:]}
    else:
        results_path.write_text("\t".join(RESULT_HEADER) + "\n", encoding="utf-8")

    ensure_build(build)
    binaries = None
    if not args.skip_check:
        print("checking the unmutated build ...", flush=True)
        ok, log = build_targets(build, args.jobs)
        if not ok:
            sys.exit("the unmutated source does not build:\n" + build_errors(log))
        binaries = [find_binary(build, t) for t in TARGETS]
        started = time.monotonic()
        failure = run_suite(binaries, args.timeout)
        if failure:
            sys.exit(f"the unmutated suite fails: {failure[0]} {failure[1]}")
        print(f"unmutated suite passes in {time.monotonic() - started:.0f} s", flush=True)

    counts = {"killed": 0, "survived": 0, "build-failed": 0, "gone": 0}
    for m in mutants:
        if m["id"] in done:
            continue
        started = time.monotonic()
        binary = detail = applied_at = ""
        where = locate(m)
        if where is None:
            status = "gone"
        else:
            path, index = where
            rel = path.relative_to(ROOT).as_posix()
            applied_at = f"{rel}:{index + 1}"
            if rel != m["file"]:
                print(f"{m['id']}: line found in {applied_at} (recorded {m['file']}:{m['line']})")
            was_clean = git_clean(path)
            saved = path.read_bytes()
            try:
                lines = saved.decode("utf-8").split("\n")
                lines[index] = apply_change(m["original"], m["mutated"], lines[index])
                path.write_bytes("\n".join(lines).encode("utf-8"))
                ok, log = build_targets(build, args.jobs)
                if not ok:
                    status = "build-failed"
                    detail = first_error(log)
                elif "no work to do" in log:
                    status = "survived"
                    detail = "not compiled into the test binaries"
                else:
                    if binaries is None:
                        binaries = [find_binary(build, t) for t in TARGETS]
                    failure = run_suite(binaries, args.timeout)
                    if failure:
                        status = "killed"
                        binary, detail = failure
                    else:
                        status = "survived"
            finally:
                previous = signal.signal(signal.SIGINT, signal.SIG_IGN)
                path.write_bytes(saved)
                signal.signal(signal.SIGINT, previous)
                if path.read_bytes() != saved or (was_clean and not git_clean(path)):
                    sys.exit(f"could not restore {path}")
        counts[status] += 1
        seconds = f"{time.monotonic() - started:.0f}"
        row = [m["id"], status, binary, detail, applied_at, seconds, m.get("change", "")]
        with open(results_path, "a", encoding="utf-8") as out:
            out.write("\t".join(row) + "\n")
        print(f"{m['id']}  {status:12} {m['file']}:{m['line']}  {m.get('change', '')}"
              f"  {binary} {detail}".rstrip(), flush=True)

    if done:
        # A resumed run appended to earlier results: put them back in list order.
        order = {m["id"]: i for i, m in enumerate(read_mutants(args.file))}
        rows = results_path.read_text(encoding="utf-8").splitlines()[1:]
        rows.sort(key=lambda row: order.get(row.split("\t")[0], len(order)))
        results_path.write_text("\n".join(["\t".join(RESULT_HEADER)] + rows) + "\n", encoding="utf-8")
        counts = {k: 0 for k in counts}
        for row in rows:
            counts[row.split("\t")[1]] += 1
    print(f"{counts['killed']} killed, {counts['survived']} survived, "
          f"{counts['build-failed']} build-failed, {counts['gone']} gone")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    g = sub.add_parser("generate", help="pick random mutants and write them to a TSV")
    g.add_argument("--seed", type=int, required=True)
    g.add_argument("--count", type=int, required=True)
    g.add_argument("--out", required=True)
    r = sub.add_parser("run", help="apply each mutant, rebuild and run the tests")
    r.add_argument("file")
    r.add_argument("--build", default="build-mut", help="build folder (default build-mut)")
    r.add_argument("--ids", nargs="+", help="run only these mutants")
    r.add_argument("--results", help="results TSV (default FILE-results.tsv beside FILE)")
    r.add_argument("--resume", action="store_true", help="skip mutants already in the results TSV")
    r.add_argument("--timeout", type=int, default=120, help="seconds per test binary (default 120)")
    r.add_argument("--jobs", type=int, default=2)
    r.add_argument("--skip-check", action="store_true",
                   help="do not first check that the unmutated source builds and passes")
    args = parser.parse_args()
    try:
        generate(args) if args.command == "generate" else run(args)
    except KeyboardInterrupt:
        sys.exit("interrupted; the source is restored")


if __name__ == "__main__":
    main()
