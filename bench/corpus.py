"""Deterministic JRL corpora for the benchmarks.

Realistic requirement files of a chosen size, and pathological files that
stress one shape each. Everything is generated from a seed, so the same seed
and size give the same bytes on every machine. Files are written to bench/out/
(never committed) and reused when already there.

    python bench/corpus.py                 # the standard set
    python bench/corpus.py --size 1M       # one realistic file
"""

from __future__ import annotations

import argparse
import random
import re
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
OUT = Path(__file__).resolve().parent / "out"
DEPARTMENTS_TXT = ROOT / "libjrl" / "src" / "wexmoor_departments" / "departments.txt"

KB = 1024
MB = 1024 * KB
SIZES = {"2K": 2 * KB, "1M": MB, "10M": 10 * MB, "100M": 100 * MB}
DEFAULT_SEED = 1200

# The depth limit of nested statements, counting the top-level one.
MAX_DEPTH = 256


def departments() -> list[str]:
    """The registry's codes that a course may be written with (4 symbols)."""
    codes = DEPARTMENTS_TXT.read_text(encoding="utf-8").split()
    return [c for c in codes if re.fullmatch(r"[A-Z&]{4}", c)]


WORDS = (
    "Calculus Linear Algebra Discrete Structures Writing Seminar Laboratory "
    "Foundations Advanced Topics Methods Analysis Theory Practice Studio "
    "Capstone Research Ethics History Culture Physics Chemistry Biology "
    "Statistics Modelling Design Systems Networks Literature Language"
).split()
# A few descriptions carry non-ASCII text or doubled quotes, as real ones do.
ODD_WORDS = ["étude", "Übung", "naïve", "café", "数学", '""core""', "α-β"]
TAGS = ["WX WRIT", "WX QUANT", "WX LAB", "WX GLOBAL", "WX ETHICS", "WX ARTS"]
DISTS = ["WX hum", "WX sci", "WX soc", "WX art", "WX math"]
MAJORS = ["Computer Science", "Mathematics", "Economics", "Biology", "History"]
STRINGS = {"tag": TAGS, "dist": DISTS, "major": MAJORS}

# Each selector function with its arguments' kinds, chosen when a uniform
# draw falls below its bound (the bounds rise to 1).
FUNCTION_SHARES = [
    (0.55, "CLASS", ["course"]),
    (0.65, "RANGE", ["course", "course"]),
    (0.72, "RANGE_TAG", ["course", "course", "tag"]),
    (0.76, "RANGE_DIST", ["course", "course", "dist"]),
    (0.83, "TAG", ["tag"]),
    (0.88, "TAG_DEPT", ["tag", "major"]),
    (0.93, "DIST", ["dist"]),
    (0.97, "DIST_DEPT", ["dist", "major"]),
    (1.0, "PLACEMENT", ["placement"]),
]


class Writer:
    """Writes random but valid requirements, one statement at a time."""

    def __init__(self, seed: int) -> None:
        self.rng = random.Random(seed)
        self.depts = departments()

    def course(self) -> str:
        r = self.rng
        dept = r.choice(self.depts)
        number = r.randrange(1000, 5000)
        lab = "L" if r.random() < 0.08 else ""
        gap = " " if r.random() < 0.95 else ""
        return f"{dept}{gap}{number:04d}{lab}"

    def words(self, lo: int, hi: int) -> str:
        r = self.rng
        out = [r.choice(WORDS) for _ in range(r.randint(lo, hi))]
        if r.random() < 0.05:
            out.append(r.choice(ODD_WORDS))
        return " ".join(out)

    def function(self) -> str:
        r = self.rng
        k = r.random()
        name, kinds = next(row[1:] for row in FUNCTION_SHARES if k < row[0])
        return f"{name}({', '.join(self.argument(kind) for kind in kinds)})"

    def argument(self, kind: str) -> str:
        if kind == "course":
            return self.course()
        if kind == "placement":
            return f'"{self.words(1, 2)} placement"'
        return f'"{self.rng.choice(STRINGS[kind])}"'

    def quantity(self, top: bool) -> str:
        r = self.rng
        if r.random() < 0.75:
            return str(r.randint(1, 4))
        lo = r.randint(1 if top else 0, 3)
        return f"{lo}-{lo + r.randint(0, 3)}"

    def selector(self, depth: int) -> str:
        r = self.rng
        k = r.random()
        if k < 0.45:
            return self.function()
        items = []
        for _ in range(r.randint(2, 9)):
            if depth < 3 and r.random() < 0.12:
                items.append(self.query(depth + 1, top=False))
            else:
                items.append(self.function())
        if r.random() < 0.3:
            sep = ",\n" + "    " * (depth + 1)
            return "[\n" + "    " * (depth + 1) + sep.join(items) + "\n" + "    " * depth + "]"
        return "[" + ", ".join(items) + "]"

    def query(self, depth: int, top: bool) -> str:
        r = self.rng
        keyword = "LIMIT" if top and r.random() < 0.1 else "SELECT"
        return f"{keyword} {self.quantity(top)} FROM {self.selector(depth)}"

    def statement(self) -> str:
        r = self.rng
        head = ""
        if r.random() < 0.25:
            head = f"// {self.words(2, 6)}\n"
        text = f'{self.query(0, top=True)} : "{self.words(1, 4)}"'
        if r.random() < 0.4:
            text += f" : {r.randint(0, 20)}"
        return head + text + ";\n" + ("\n" if r.random() < 0.2 else "")


def realistic(size: int, seed: int = DEFAULT_SEED) -> str:
    """Whole statements until at least `size` bytes of UTF-8."""
    w = Writer(seed)
    parts = [f"// Generated requirements, seed {seed}\n"]
    total = len(parts[0])
    while total < size:
        s = w.statement()
        parts.append(s)
        total += len(s.encode("utf-8"))
    return "".join(parts)


# ---- Pathological files ----------------------------------------------------
# Each takes a scale n (bytes, roughly, or elements for the list), so that a
# benchmark can check that time grows linearly with it.


def long_list(elements: int) -> str:
    """One statement selecting from a list of `elements` courses."""
    w = Writer(7)
    items = ", ".join(f"CLASS({w.course()})" for _ in range(elements))
    return f'SELECT 1 FROM [{items}] : "one long list";\n'


def long_string(size: int) -> str:
    """One statement whose description is a string of about `size` bytes."""
    chunk = 'a long description with ""quotes"" and café '
    body = (chunk * (size // len(chunk.encode("utf-8")) + 1))
    return f'SELECT 1 FROM CLASS(MATH 1200) : "{body}";\n'


def long_comment(size: int) -> str:
    """A comment of about `size` bytes on one line, then one statement."""
    chunk = "a comment that runs on and on / with // slashes and ñ "
    body = chunk * (size // len(chunk.encode("utf-8")) + 1)
    return f'//{body}\nSELECT 1 FROM CLASS(MATH 1200) : "after the comment";\n'


def deep_statement(depth: int = MAX_DEPTH) -> str:
    """One requirement whose statements nest `depth` levels deep."""
    return "SELECT 1 FROM " * depth + f'CLASS(MATH 1200) : "depth {depth}";\n'


def deep_nesting(size: int) -> str:
    """Requirements nested at the depth limit, repeated to about `size` bytes."""
    one = deep_statement(MAX_DEPTH)
    return one * max(1, size // len(one))


def single_line(size: int, seed: int = DEFAULT_SEED) -> str:
    """About `size` bytes of valid requirements on one line."""
    w = Writer(seed)
    parts: list[str] = []
    total = 0
    while total < size:
        s = w.statement()
        s = re.sub(r"//[^\n]*\n", "", s).replace("\n", " ")
        parts.append(s)
        total += len(s.encode("utf-8"))
    return "".join(parts)


def fail_at_last_byte(size: int) -> str:
    """One line of valid requirements whose last byte is a fault."""
    return single_line(size - 1) + "!"


def fail_at_first_statement(size: int) -> str:
    """A first statement that lacks its ";", then `size` bytes of valid ones."""
    return 'SELECT 1 FROM CLASS(MATH 1200) : "no semicolon"\n' + realistic(size)


# name -> (builder of scale n, the standard scale, whether the parse succeeds)
PATHOLOGICAL = {
    "list_1M_elements": (long_list, 1_000_000, True),
    "string_10M": (long_string, 10 * MB, True),
    "comment_10M": (long_comment, 10 * MB, True),
    "nesting_256": (deep_nesting, 10 * MB, True),
    "fail_last_byte_10M": (fail_at_last_byte, 10 * MB, False),
    "fail_first_statement_10M": (fail_at_first_statement, 10 * MB, False),
}


def cached(name: str, make) -> Path:
    """The file bench/out/<name>.jrl, generated by `make()` if missing."""
    OUT.mkdir(exist_ok=True)
    path = OUT / f"{name}.jrl"
    if not path.exists():
        tmp = path.with_suffix(".tmp")
        tmp.write_text(make(), encoding="utf-8", newline="")
        tmp.replace(path)
    return path


def realistic_file(label: str, seed: int = DEFAULT_SEED) -> Path:
    return cached(f"realistic_{label}_s{seed}", lambda: realistic(SIZES[label], seed))


def pathological_file(name: str, scale: int | None = None) -> Path:
    make, standard, _ = PATHOLOGICAL[name]
    n = standard if scale is None else scale
    return cached(f"{name}_n{n}", lambda: make(n))


def parse_size(text: str) -> str:
    if text not in SIZES:
        raise argparse.ArgumentTypeError(f"size must be one of {', '.join(SIZES)}")
    return text


def main() -> None:
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--size", type=parse_size, action="append",
                    help="realistic size to write (2K, 1M, 10M, 100M); repeatable")
    ap.add_argument("--seed", type=int, default=DEFAULT_SEED)
    ap.add_argument("--no-pathological", action="store_true")
    args = ap.parse_args()
    for label in args.size or list(SIZES):
        print(realistic_file(label, args.seed))
    if not args.no_pathological:
        for name in PATHOLOGICAL:
            print(pathological_file(name))


if __name__ == "__main__":
    main()
