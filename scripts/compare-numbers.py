#!/usr/bin/env python3
"""Compares the numbers of two text files token by token.

    compare-numbers.py [--unit U] OLD NEW
    compare-numbers.py [--unit U] --git REV FILE...   (FILE at REV against the work tree)

Both files must have the same lines and the same words; words that are
numbers in both may differ. A number may move by the step of a single-
precision float at its magnitude (times U, for results whose numbers are
model coordinates times U, such as temp.txt in mm from metres: --unit 1000
with --magnitude M, the largest model coordinate) or by 0.001 when --micro
is given. Prints, per file, the largest move and every move beyond that.
"""
import argparse
import math
import subprocess
import sys


def float_step(x):
    """The spacing of IEEE single precision numbers at |x|."""
    x = abs(x)
    if x == 0 or not math.isfinite(x):
        return 0.0
    e = math.floor(math.log2(x))
    return 2.0 ** (max(e, -126) - 23)


def is_number(word):
    try:
        float(word)
        return True
    except ValueError:
        return False


def compare(name, old, new, args):
    old_lines = old.splitlines()
    new_lines = new.splitlines()
    moves = []
    worst = 0.0
    if len(old_lines) != len(new_lines):
        return [f"{name}: {len(old_lines)} lines before, {len(new_lines)} after"], 0.0
    for number, (a, b) in enumerate(zip(old_lines, new_lines), 1):
        wa, wb = a.split(), b.split()
        if len(wa) != len(wb):
            moves.append(f"{name}:{number}: words differ: {a!r} / {b!r}")
            continue
        for x, y in zip(wa, wb):
            if x == y:
                continue
            if not (is_number(x) and is_number(y)):
                moves.append(f"{name}:{number}: {x!r} became {y!r}")
                continue
            fx, fy = float(x), float(y)
            d = abs(fx - fy)
            worst = max(worst, d)
            allowed = float_step(args.magnitude or fx) * args.unit
            if args.micro:
                allowed = max(allowed, 0.001)
            if d > allowed * (1 + 1e-9):
                moves.append(f"{name}:{number}: {x} -> {y} moved {d:.6g}, float step {allowed:.6g}")
    return moves, worst


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--unit", type=float, default=1.0)
    p.add_argument("--magnitude", type=float, default=0.0)
    p.add_argument("--micro", action="store_true")
    p.add_argument("--git")
    p.add_argument("files", nargs="+")
    args = p.parse_args()
    pairs = []
    if args.git:
        for f in args.files:
            old = subprocess.run(["git", "show", f"{args.git}:{f}"], capture_output=True,
                                 text=True, errors="replace", check=True).stdout
            pairs.append((f, old, open(f, encoding="utf-8", errors="replace").read()))
    else:
        old, new = args.files
        pairs.append((new, open(old, errors="replace").read(), open(new, errors="replace").read()))
    beyond = 0
    for name, old, new in pairs:
        moves, worst = compare(name, old, new, args)
        print(f"{name}: largest move {worst:.6g}, {len(moves)} beyond the float step")
        for m in moves[:20]:
            print("  " + m)
        beyond += len(moves)
    return 1 if beyond else 0


if __name__ == "__main__":
    sys.exit(main())
