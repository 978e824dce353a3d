"""Whether `jrl check` points at the mistake, and finds a second one.

Places: over the broken files of bench/suggestions.py (each `;` `:` `)` `]`
`,` `(` `[` `"` outside comments deleted in turn, and each letter of each
SELECT, LIMIT and FROM), the share whose first diagnostic's primary place
(its `offset`) is the mistake: for a deleted mark, the deletion point or a
span holding it, with nothing but whitespace or comments between; for a
misspelt keyword, a place inside the misspelt word.

Both: for each pair of neighbouring requirements, the first one's `;` is
deleted and the second is given a fault of its own (a misspelt keyword, a
misspelt function name, a misspelt department, in turn). A file counts when
`jrl check` reports both in one run: an error at the deletion point and one
inside the second requirement.

    python bench/diagnostic_places.py build/dev/tools/jrl/jrl [--baseline OLD_JRL]
"""

from __future__ import annotations

import argparse
import json
import re
import subprocess
import sys
from collections import defaultdict
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import suggestions  # noqa: E402

TARGETS = {"; : ) ] ,": 0.95, "( [ \"": 0.85, "misspelt keyword": 0.95}
BOTH_TARGET = 0.95
# A second fault for the requirement after a lost ";": the first match of
# the pattern is replaced.
SECOND_FAULTS = (
    ("misspelt keyword", re.compile(r"\bFROM\b"), "FORM"),
    ("misspelt function", re.compile(r"\b(CLASS|TAG|RANGE|PLACEMENT)\("),
     lambda m: m.group(1)[:-1] + "("),
    ("misspelt department", re.compile(r"\b([A-Z]{3})([A-Z]) \d{4}"),
     lambda m: m.group(1) + ("Q" if m.group(2) != "Q" else "X") + m.group(0)[4:]),
)


def diagnostics(jrl: str, data: bytes) -> list[dict]:
    r = subprocess.run([jrl, "check", "--format=json", "--warnings=ignore", "-"],
                       input=data, capture_output=True)
    return [json.loads(line) for line in r.stdout.decode().splitlines()
            if line.strip()]


def at_mistake(jrl: str, kind: str, char_offset: int, text: str) -> tuple[str, bool] | None:
    data = text.encode("utf-8")
    point = len(text[:char_offset].encode("utf-8"))
    found = diagnostics(jrl, data)
    if not found:
        return None
    d = found[0]
    if kind == "keyword":
        word = re.match(r"[A-Za-z]*", text[char_offset:]).group(0)
        start = len(text[:char_offset].encode("utf-8"))
        while start > 0 and chr(data[start - 1]).isalpha():
            start -= 1
        end = point + len(word)
        hit = start <= d["offset"] <= end
    else:
        hit = (d["offset"] <= point <= d["end_offset"]
               or suggestions.only_blank_between(data, d["offset"], point))
    return suggestions.GROUPS[kind], hit


def statement_ends(text: str) -> list[int]:
    """The offsets of the ";" that end top-level requirements."""
    mask = suggestions.code_mask(text)
    ends, depth, in_string = [], 0, False
    for i, c in enumerate(text):
        if not mask[i]:
            continue
        if c == '"':
            in_string = not in_string
        elif in_string:
            continue
        elif c in "([":
            depth += 1
        elif c in ")]":
            depth -= 1
        elif c == ";" and depth == 0:
            ends.append(i)
    return ends


def pairs(text: str):
    """(second fault, deletion offset, start and end of the second
    requirement in the broken text, broken text)."""
    ends = statement_ends(text)
    for n, (a, b) in enumerate(zip(ends, ends[1:])):
        name, pattern, put = SECOND_FAULTS[n % len(SECOND_FAULTS)]
        second = text[a + 1:b]
        m = pattern.search(second)
        if m is None:
            continue
        new = put if isinstance(put, str) else put(m)
        broken_second = second[:m.start()] + new + second[m.end():]
        broken = text[:a] + broken_second + text[b:]
        # In the broken text the second requirement starts at a.
        yield name, a, a, a + len(broken_second), broken


def both(jrl: str, name: str, point: int, start: int, end: int, text: str) -> bool:
    data = text.encode("utf-8")
    b = lambda i: len(text[:i].encode("utf-8"))  # noqa: E731
    found = [d for d in diagnostics(jrl, data) if d["severity"] == "error"]
    first = any(d["offset"] <= b(point) <= d["end_offset"]
                or suggestions.only_blank_between(data, d["offset"], b(point))
                for d in found)
    second = any(b(start) < d["offset"] < b(end) and not
                 suggestions.only_blank_between(data, d["offset"], b(point))
                 for d in found)
    return first and second


def measure(jrl: str, jobs: int) -> tuple[dict, dict]:
    sources = suggestions.sources()
    cases = [(kind, i, broken) for _, text in sources
             for kind, i, broken in suggestions.mutants(text)]
    doubles = [c for _, text in sources for c in pairs(text)]
    with ThreadPoolExecutor(jobs) as pool:
        places = list(pool.map(lambda c: at_mistake(jrl, *c), cases))
        found = list(pool.map(lambda c: both(jrl, *c), doubles))
    by_group: dict[str, list[int]] = defaultdict(lambda: [0, 0])
    for result in places:
        if result is None:
            continue
        group, hit = result
        by_group[group][0] += 1
        by_group[group][1] += hit
    by_fault: dict[str, list[int]] = defaultdict(lambda: [0, 0])
    for (name, *_), hit in zip(doubles, found):
        by_fault[name][0] += 1
        by_fault[name][1] += hit
    return by_group, by_fault


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("jrl")
    ap.add_argument("--baseline", help="another jrl, measured in the same run")
    ap.add_argument("--jobs", type=int, default=2)
    args = ap.parse_args()
    runs = [("this", args.jrl)] + ([("baseline", args.baseline)] if args.baseline else [])
    results = {label: measure(jrl, args.jobs) for label, jrl in runs}

    ok = True
    print(f"{'first error at the mistake':<28} {'files':>6} " +
          " ".join(f"{label:>9}" for label, _ in runs) + "  target")
    for group, target in TARGETS.items():
        n = results["this"][0][group][0]
        rates = [results[label][0][group][1] / max(n, 1) for label, _ in runs]
        ok = ok and rates[0] >= target
        print(f"{group:<28} {n:>6} " + " ".join(f"{r:>9.1%}" for r in rates) +
              f"  {target:.0%} {'met' if rates[0] >= target else 'NOT met'}")
    print()
    print(f"{'lost ; and a second fault':<28} {'files':>6} " +
          " ".join(f"{label:>9}" for label, _ in runs))
    totals = [0] * len(runs)
    count = 0
    for name in [f[0] for f in SECOND_FAULTS]:
        n = results["this"][1][name][0]
        count += n
        hits = [results[label][1][name][1] for label, _ in runs]
        totals = [t + h for t, h in zip(totals, hits)]
        print(f"{name:<28} {n:>6} " + " ".join(f"{h / max(n, 1):>9.1%}" for h in hits))
    rates = [t / max(count, 1) for t in totals]
    ok = ok and rates[0] >= BOTH_TARGET
    print(f"{'both reported':<28} {count:>6} " + " ".join(f"{r:>9.1%}" for r in rates) +
          f"  {BOTH_TARGET:.0%} {'met' if rates[0] >= BOTH_TARGET else 'NOT met'}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
