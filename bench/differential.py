"""Differential check of two jrl command-line builds.

Runs `jrl json`, `jrl json --pretty`, `jrl debug`, `jrl check`,
`jrl check --format=json` and `jrl fmt -` (the file on standard input, the
formatted text or the report on the standard streams) of a reference binary
and a candidate binary over the same inputs and reports every difference
in standard output, standard error or exit status. A change meant to make
parsing faster must report none.

The first diagnostic of the candidate's `check --format=json` must carry the
exact report: its `report` field, with the file named in its headers, must
be the chain the candidate's `jrl json` prints for a failing file, and that
print must be the first error as the candidate's `jrl check` shows it. With
--check-changed (a candidate whose `check` output is meant to differ, such
as a new format), differences of the two check commands are counted apart
and do not fail the run; the report comparison still does. With
--failures-changed (a reference from before `jrl json` and `jrl debug`
reported a failure as `check` does, and before `jrl fmt` exited 3 for a file
that does not parse), those differences alone are counted apart.

    python bench/differential.py REFERENCE CANDIDATE
    python bench/differential.py REF CAND --mutations 5000 --seed 7
    python bench/differential.py REF CAND --stderr=terminal

--stderr picks how the commands' standard error is taken: `plain`
(--color=never into a pipe, the default), `colour` (--color=always into a
pipe) or `terminal` (--color=always on a pseudo-terminal, so that reports
are also lined up by display width, as a user at a terminal sees them).

Inputs: corpus files at small sizes (realistic and pathological), the
examples and error examples, the fuzzing seed corpus, tests/data, the JRL
blocks of docs/language.md,
deep nesting around the depth limit, and seeded random mutations of all of
these (byte deletions, insertions and swaps, and splices of statements).
"""

from __future__ import annotations

import argparse
import json
import os
import random
import re
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import corpus  # noqa: E402

ROOT = corpus.ROOT
COMMANDS = (
    ("json",),
    ("json", "--pretty"),
    ("debug",),
    ("check",),
    ("check", "--format=json"),
    ("fmt", "-"),
)

# Bytes worth inserting: the language's punctuation and keywords' letters,
# digits, whitespace, comment starts, non-ASCII and invalid UTF-8.
INSERTIONS = [
    b";", b":", b",", b"(", b")", b"[", b"]", b'"', b'""', b"-", b"&", b"_",
    b" ", b"\t", b"\n", b"\r\n", b"//", b"/", b"0", b"9", b"L", b"A", b"a",
    b"Z", b"SELECT ", b"LIMIT ", b" FROM ", b"CLASS", b"TAG_DEPT", b"RANGE",
    "é".encode(), "数".encode(), "😀".encode(), b"\xff", b"\xc3", b"\x00",
    b"65536", b"99999",
]


def read_sources() -> list[tuple[str, bytes]]:
    """The fixed inputs, each with a short name."""
    out: list[tuple[str, bytes]] = []

    def add(name: str, text: str | bytes) -> None:
        out.append((name, text.encode("utf-8") if isinstance(text, str) else text))

    for seed in (1200, 1, 2, 3):
        add(f"realistic_2K_s{seed}", corpus.realistic(2 * corpus.KB, seed))
    add("realistic_64K", corpus.realistic(64 * corpus.KB))
    add("realistic_1M", corpus.realistic(corpus.MB))
    add("list_2000", corpus.long_list(2000))
    add("string_20K", corpus.long_string(20_000))
    add("comment_20K", corpus.long_comment(20_000))
    add("nesting_40K", corpus.deep_nesting(40_000))
    add("single_line_20K", corpus.single_line(20_000))
    add("fail_last_byte_20K", corpus.fail_at_last_byte(20_000))
    add("fail_first_statement_20K", corpus.fail_at_first_statement(20_000))
    add("empty", b"")
    # Strings and comments at their edges: line breaks, quotes, non-ASCII.
    one = 'SELECT 1 FROM CLASS(MATH 1200) : {};\n'
    for i, text in enumerate(['"a\rb"', '"a\nb"', '""""', '"""', '"x""', '"é""ü"',
                              '"\t数"', '"a" : 3', '"', '"ab']):
        add(f"string_edge_{i}", one.format(text))
    for i, text in enumerate(["// c\r\n", "//\n", "// é\n// ü\n", "/ x\n",
                              "//// //\n\n", "\t\r\n  // x"]):
        add(f"comment_edge_{i}", text + one.format('"x"') + text)
        add(f"comment_end_{i}", one.format('"x"') + "// no line break" + text)
    for path in sorted((ROOT / "examples").rglob("*.jrl")):
        add(str(path.relative_to(ROOT)), path.read_bytes())
    for path in sorted((ROOT / "tests" / "data").rglob("*")):
        if path.is_file():
            add(str(path.relative_to(ROOT)), path.read_bytes())
    doc = (ROOT / "docs" / "language.md").read_text(encoding="utf-8")
    for i, block in enumerate(re.findall(r"```jrl\n(.*?)```", doc, re.S)):
        add(f"docs/language.md#{i}", block)
    for depth in range(254, 259):
        add(f"deep_{depth}", corpus.deep_statement(depth))
        add(f"deep_limit_{depth}",
            "LIMIT 1 FROM " + "SELECT 1 FROM " * (depth - 1)
            + 'CLASS(MATH 1200) : "x";\n')
        add(f"deep_list_{depth}",
            "SELECT 1 FROM [" * depth + "CLASS(MATH 1200)" + "]" * depth
            + ' : "x";\n')
        add(f"deep_list_mixed_{depth}",
            "SELECT 1 FROM [TAG(\"a\"), " * depth + "CLASS(MATH 1200)"
            + "]" * depth + ' : "x";\n')
        add(f"deep_bad_{depth}",
            "SELECT 1 FROM " * depth + 'CLASS(MAHT 1200) : "x";\n')
        add(f"deep_then_error_{depth}",
            corpus.deep_statement(depth) + 'SELECT 0 FROM CLASS(MATH 1200) : "x";\n'
            + "SELECT 1 FROM CLASS(MATH 1200) : \"x\"\n")
        add(f"error_then_deep_{depth}",
            'SELECT 0 FROM CLASS(MATH 1200) : "x";\n' + corpus.deep_statement(depth))
    return out


def fuzz_seeds() -> list[tuple[str, bytes]]:
    """The fuzzing seed corpus: compared as they are, not mutated again."""
    return [(str(p.relative_to(ROOT)), p.read_bytes())
            for p in sorted((ROOT / "fuzz" / "corpus").rglob("*")) if p.is_file()]


def calls() -> list[tuple[str, bytes]]:
    """Every function name over argument lists of zero to two arguments of
    every kind, and a seeded sample of three to five: the argument errors,
    count mismatches and unknown names, in all orders."""
    names = ["CLASS", "RANGE", "TAG_DEPT", "TAG", "PLACEMENT", "DIST",
             "DIST_DEPT", "RANGE_DIST", "RANGE_TAG", "class", "CLAS", "FOO_1"]
    kinds = ["MATH 1200", "CSCI  2100L", "MAHT 1200", "ma 1200", "MATHS 1200",
             '"WX a"', '"a""b"', '""']
    lists: list[list[str]] = [[]]
    lists += [[a] for a in kinds]
    lists += [[a, b] for a in kinds for b in kinds]
    rng = random.Random(11)
    lists += [[rng.choice(kinds) for _ in range(rng.randint(3, 5))]
              for _ in range(200)]
    out = []
    for i, args in enumerate(lists):
        for name in names if len(args) < 2 else rng.sample(names, 3):
            call = f"{name}({', '.join(args)})"
            text = f'SELECT 1 FROM {call} : "x";\n'
            if i % 3 == 1:
                text = f'SELECT 1 FROM [CLASS(MATH 1200), {call}] : "x";\n'
            elif i % 3 == 2:
                text = f'SELECT 1 FROM SELECT 1-2 FROM [{call}, {call}] : "x";\n'
            out.append((f"call_{i}_{name}", text.encode()))
    return out


def statements(data: bytes) -> list[bytes]:
    """Rough statement pieces of a file: split after each ';'."""
    return [p + b";" for p in data.split(b";") if p.strip()]


def mutate(rng: random.Random, data: bytes, pool: list[bytes]) -> bytes:
    kind = rng.randrange(6)
    n = len(data)
    if kind == 0 and n:  # delete one byte or a short run
        i = rng.randrange(n)
        return data[:i] + data[i + rng.choice((1, 1, 1, 2, 5)):]
    if kind == 1:  # insert
        i = rng.randrange(n + 1)
        return data[:i] + rng.choice(INSERTIONS) + data[i:]
    if kind == 2 and n > 1:  # swap two bytes, mostly neighbours
        i = rng.randrange(n - 1)
        j = i + 1 if rng.random() < 0.7 else rng.randrange(n)
        b = bytearray(data)
        b[i], b[j] = b[j], b[i]
        return bytes(b)
    if kind == 3 and pool:  # splice statements of different inputs
        k = rng.randint(1, 4)
        return b"".join(rng.choice(pool) for _ in range(k))
    if kind == 4 and n:  # replace one byte
        i = rng.randrange(n)
        return data[:i] + rng.choice(INSERTIONS) + data[i + 1:]
    if kind == 5 and n:  # cut the file short
        return data[: rng.randrange(n)]
    return data + rng.choice(INSERTIONS)


def mutations(sources: list[tuple[str, bytes]], count: int,
              seed: int) -> list[tuple[str, bytes]]:
    rng = random.Random(seed)
    # Mutate the small inputs; the big ones only multiply the run time.
    small = [(name, data) for name, data in sources if len(data) <= 64 * 1024]
    pool = [s for _, data in small for s in statements(data) if len(s) < 4000]
    out = []
    for i in range(count):
        name, data = rng.choice(small)
        for _ in range(rng.choice((1, 1, 1, 2, 3))):
            data = mutate(rng, data, pool)
        out.append((f"mutation_{i}_of_{name}", data))
    return out


def run(binary: str, command: tuple[str, ...], path: Path, stderr: str = "plain"):
    colour = "--color=never" if stderr == "plain" else "--color=always"
    # A command ending in "-" reads the file on standard input.
    stdin = command[-1] == "-"
    argv = [binary, *command, colour] + ([] if stdin else [str(path)])
    with open(path if stdin else os.devnull, "rb") as source:
        return run_argv(argv, source, stderr)


def run_argv(argv: list[str], source, stderr: str):
    if stderr != "terminal":
        p = subprocess.run(argv, stdin=source, capture_output=True, timeout=120)
        return p.returncode, p.stdout, p.stderr
    import pty
    import tty
    primary, secondary = pty.openpty()
    tty.setraw(secondary)  # no translation of line ends
    with tempfile.TemporaryFile() as out:
        try:
            p = subprocess.Popen(argv, stdin=source, stdout=out,
                                 stderr=secondary)
        finally:
            os.close(secondary)
        err = bytearray()
        while True:
            try:
                chunk = os.read(primary, 1 << 16)
            except OSError:  # the terminal's other end is closed
                break
            if not chunk:
                break
            err += chunk
        os.close(primary)
        status = p.wait(timeout=120)
        out.seek(0)
        return status, out.read(), bytes(err)


# The line before the exact report, where the text output leads with the
# mistake in words of its own.
NOTE = "note: the parser reports:"

# A report header, in a chain perhaps after a cause's number.
HEADER = re.compile(r"^( *(?:\d+: )? *)--> (\d+:\d+)$", re.M)


def first_report_problem(name: str, path: Path, json_run: tuple, check_json: bytes,
                         check_text: bytes) -> list[str]:
    """The candidate's first check diagnostic against the exact report its
    `jrl json` prints for the same file, and that print against the first
    error its `jrl check` shows."""
    lines = check_json.decode("utf-8", "replace").splitlines()
    if not lines:
        return []
    first = json.loads(lines[0])
    if "report" not in first or first.get("severity") != "error" or json_run[0] == 0:
        return []
    expected = json_run[2].decode("utf-8", "replace")
    if not check_text.decode("utf-8", "replace").startswith(expected + "\n"):
        return [f"{name}: jrl json does not report as check does"]
    shown = HEADER.sub(lambda m: f"{m.group(1)}--> {path}:{m.group(2)}", first["report"])
    # The headline, then (for a report that names no place) the place, the
    # report, and the fixes and notes.
    printed = expected.split("\n")[1:-1]
    # A message said at the mistake: the exact report follows as a note.
    if NOTE in printed:
        printed = printed[printed.index(NOTE) + 1:]
    if "--> " not in shown and printed and printed[0].startswith(f" --> {path}:"):
        printed = printed[1:]
    raw = shown.split("\n")
    extra = printed[len(raw):]
    if not all(line.startswith(("help: ", "note: ")) for line in extra):
        return [f"{name}: first check diagnostic is not the exact report"]
    # The text output makes a report safe for a terminal: it escapes control
    # characters and cuts long source lines to a window, moving their
    # underlines with them. Those lines and the underline after each are
    # left out; every other line must be the same.
    changed = {j for i, line in enumerate(raw) if terminal_changes(line)
               for j in (i, i + 1)}
    if len(printed) >= len(raw) and all(
            raw[i] == printed[i] for i in range(len(raw)) if i not in changed):
        return []
    return [f"{name}: first check diagnostic is not the exact report"]


def failure_change(command: tuple[str, ...], a: tuple, b: tuple) -> bool:
    """Whether the two runs differ only as --failures-changed allows."""
    if command[0] in ("json", "debug"):
        return a[0] == b[0] == 1 and a[1] == b[1]
    return command[0] == "fmt" and (a[0], b[0]) == (1, 3) and a[1:] == b[1:]


def terminal_changes(line: str) -> bool:
    """Whether the text output shows this report line other than as it is:
    it holds a control character, or is longer than the 100 columns a
    report line may take."""
    return len(line) > 100 or any(
        (ord(c) < 0x20 and c != "\t") or 0x7F <= ord(c) < 0xA0 for c in line)


def compare(ref: str, cand: str, name: str, path: Path,
            check_changed: bool = False,
            stderr: str = "plain",
            failures_changed: bool = False) -> tuple[list[str], list[str], bytes]:
    """The differences, the intended differences (of check commands, or of
    failures), and the reference's `check` report (to tally)."""
    problems = []
    intended = []
    report = b""
    json_run = None
    check_text = b""
    for command in COMMANDS:
        a = run(ref, command, path, stderr)
        b = run(cand, command, path, stderr)
        if command == ("check",):
            report = a[2]
            check_text = b[2]
        if command == ("json",):
            json_run = b
        if command == ("check", "--format=json") and stderr == "plain":
            problems += first_report_problem(name, path, json_run, b[1], check_text)
        if a != b:
            what = [w for w, x, y in zip(("exit status", "stdout", "stderr"), a, b)
                    if x != y]
            text = (f"{name}: jrl {' '.join(command)}: {', '.join(what)} differ"
                    f" (reference exit {a[0]}, candidate exit {b[0]})")
            # A file that does not parse: fmt reports it as check does.
            fmt_failure = (command[0] == "fmt" and a[0] == b[0] == 3
                           and a[1] == b[1])
            meant = (check_changed and (command[0] == "check" or fmt_failure)) or (
                failures_changed and failure_change(command, a, b))
            (intended if meant else problems).append(text)
    return problems, intended, report


def outcome(report: bytes) -> str:
    """good, or the kind of failure a check report names."""
    if not report:
        return "good"
    text = report.decode("utf-8", "replace")
    if "= expected" in text and "Caused by" not in text:
        return "syntax error"
    if "nested deeper" in text:
        return "nesting too deep"
    if "UTF-8" in text:
        return "invalid UTF-8"
    return "builder error"


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("reference")
    ap.add_argument("candidate")
    ap.add_argument("--mutations", type=int, default=3000)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--check-changed", action="store_true",
                    help="count differences of the check commands apart")
    ap.add_argument("--failures-changed", action="store_true",
                    help="count apart json/debug failure reports and fmt's "
                         "exit 3 for a file that does not parse")
    ap.add_argument("--stderr", choices=("plain", "colour", "terminal"),
                    default="plain", help="how standard error is taken")
    ap.add_argument("--keep", type=Path,
                    help="write each differing input into this directory")
    args = ap.parse_args()

    sources = read_sources()
    mutated = mutations(sources, args.mutations, args.seed)
    sources += calls() + fuzz_seeds()
    inputs = sources + mutated
    problems: list[str] = []
    intended: list[str] = []
    tally: dict[str, int] = {}
    with tempfile.TemporaryDirectory(prefix="jrl-diff-") as tmp:
        paths = []
        for i, (name, data) in enumerate(inputs):
            path = Path(tmp) / f"{i}.jrl"
            path.write_bytes(data)
            paths.append(path)
        with ThreadPoolExecutor(args.jobs) as pool:
            results = pool.map(
                lambda item: compare(args.reference, args.candidate, *item,
                                     check_changed=args.check_changed,
                                     stderr=args.stderr,
                                     failures_changed=args.failures_changed),
                ((name, path) for (name, _), path in zip(inputs, paths)))
            for (name, data), (found, meant, report) in zip(inputs, results):
                intended.extend(meant)
                kind = outcome(report)
                tally[kind] = tally.get(kind, 0) + 1
                if found and args.keep:
                    args.keep.mkdir(parents=True, exist_ok=True)
                    (args.keep / (re.sub(r"[^\w.-]", "_", name) + ".jrl")).write_bytes(data)
                problems.extend(found)
    failing = sum(1 for (name, _) in inputs
                  if any(p.startswith(name + ":") for p in problems))
    for p in problems[:50]:
        print(p)
    if len(problems) > 50:
        print(f"... and {len(problems) - 50} more")
    print(f"{len(inputs)} inputs ({len(sources)} fixed, {args.mutations} mutations), "
          f"{len(COMMANDS)} commands each: {len(problems)} differences "
          f"in {failing} inputs")
    if args.check_changed or args.failures_changed:
        by_command: dict[str, int] = {}
        for text in intended:
            command, what = text.split(": jrl ", 1)[1].split(": ", 1)
            what = what.split(" (", 1)[0]
            key = f"jrl {command}: {what}"
            by_command[key] = by_command.get(key, 0) + 1
        print("intended differences: "
              + (", ".join(f"{k} {v}" for k, v in sorted(by_command.items())) or "none"))
    print("reference outcomes: " + ", ".join(f"{k} {v}" for k, v in sorted(tally.items())))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
