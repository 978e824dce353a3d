"""How often `jrl check` suggests the right fix for a one-character mistake.

Deletes one character at a time from the example programmes and from
realistic corpus files: each `;` `:` `)` `]` `,` `(` `[` `"` outside
comments, and each letter of the keywords SELECT, LIMIT and FROM (a
misspelt keyword). For every broken file it asks `jrl check --format=json`
for the first diagnostic and counts a hit when one of its suggestions has an
edit at the deletion point (nothing but whitespace or comments between them)
and applying that suggestion makes the file parse.

    python bench/suggestions.py build/dev/tools/jrl/jrl
"""

from __future__ import annotations

import argparse
import json
import re
import subprocess
import sys
import tempfile
from collections import defaultdict
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import corpus  # noqa: E402

ROOT = corpus.ROOT
PUNCTUATION = ";:)],([\""
KEYWORDS = ("SELECT", "LIMIT", "FROM")
# The group each target is stated for.
GROUPS = {";": "; : ) ] ,", ":": "; : ) ] ,", ")": "; : ) ] ,",
          "]": "; : ) ] ,", ",": "; : ) ] ,", "(": "( [ \"", "[": "( [ \"",
          '"': "( [ \"", "keyword": "misspelt keyword"}
TARGETS = {"; : ) ] ,": 0.9, "( [ \"": 2 / 3, "misspelt keyword": 0.95}


def sources() -> list[tuple[str, str]]:
    out = [(str(p.relative_to(ROOT)), p.read_text(encoding="utf-8"))
           for p in sorted((ROOT / "examples").glob("*.jrl"))]
    for seed in (1, 2, 3):
        out.append((f"corpus realistic 2K seed {seed}",
                    corpus.realistic(2 * corpus.KB, seed)))
    return out


def code_mask(text: str) -> list[bool]:
    """For each character: whether it lies outside comments (strings count
    as code: deleting a quote is a mistake worth fixing)."""
    mask = [True] * len(text)
    i = 0
    in_string = False
    while i < len(text):
        c = text[i]
        if in_string:
            if c == '"':
                in_string = False
            elif c == "\n":
                in_string = False
        elif c == '"':
            in_string = True
        elif text.startswith("//", i):
            end = text.find("\n", i)
            end = len(text) if end < 0 else end
            for k in range(i, end):
                mask[k] = False
            i = end
            continue
        i += 1
    return mask


def mutants(text: str):
    """(kind, character offset of the deletion, broken text)."""
    mask = code_mask(text)
    for i, c in enumerate(text):
        if c in PUNCTUATION and mask[i]:
            yield c, i, text[:i] + text[i + 1:]
    for m in re.finditer(r"\b(SELECT|LIMIT|FROM)\b", text):
        if not mask[m.start()]:
            continue
        for k in range(m.start(), m.end()):
            yield "keyword", k, text[:k] + text[k + 1:]


def only_blank_between(data: bytes, a: int, b: int) -> bool:
    lo, hi = min(a, b), max(a, b)
    between = re.sub(rb"//[^\n]*", b"", data[lo:hi])
    return between.strip() == b""


def apply(data: bytes, edits: list[dict]) -> bytes:
    for e in sorted(edits, key=lambda e: e["offset"], reverse=True):
        data = data[:e["offset"]] + e["replacement"].encode() + data[e["end_offset"]:]
    return data


def parses(jrl: str, data: bytes) -> bool:
    return subprocess.run([jrl, "check", "--warnings=ignore", "-"], input=data,
                          capture_output=True).returncode == 0


def judge(jrl: str, kind: str, char_offset: int, text: str) -> tuple[str, bool, bool] | None:
    """None when the deletion leaves a good file; else (group, any hit,
    first suggestion a hit)."""
    data = text.encode("utf-8")
    point = len(text[:char_offset].encode("utf-8"))
    r = subprocess.run([jrl, "check", "--format=json", "--warnings=ignore", "-"],
                       input=data, capture_output=True)
    if r.returncode == 0:
        return None
    first = json.loads(r.stdout.decode().splitlines()[0])
    hits = []
    for s in first["suggestions"]:
        near = all(only_blank_between(data, e["offset"], point)
                   or e["offset"] <= point <= e["end_offset"] for e in s["edits"])
        hits.append(near and parses(jrl, apply(data, s["edits"])))
    return GROUPS[kind], any(hits), bool(hits) and hits[0]


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("jrl")
    ap.add_argument("--jobs", type=int, default=2)
    args = ap.parse_args()

    cases = [(kind, i, broken) for _, text in sources()
             for kind, i, broken in mutants(text)]
    with ThreadPoolExecutor(args.jobs) as pool:
        results = list(pool.map(lambda c: judge(args.jrl, *c), cases))

    by_kind: dict[str, list[int]] = defaultdict(lambda: [0, 0, 0])
    by_group: dict[str, list[int]] = defaultdict(lambda: [0, 0, 0])
    for (kind, _, _), result in zip(cases, results):
        if result is None:
            continue
        group, hit, first = result
        for table, key in ((by_kind, kind), (by_group, group)):
            table[key][0] += 1
            table[key][1] += hit
            table[key][2] += first
    print(f"{'deleted':<18} {'files':>6} {'fixed':>7} {'rate':>7} {'first':>7}")
    for key in list(PUNCTUATION) + ["keyword"]:
        n, hit, first = by_kind[key]
        if n:
            print(f"{key:<18} {n:>6} {hit:>7} {hit / n:>7.1%} {first / n:>7.1%}")
    ok = True
    print()
    for group, target in TARGETS.items():
        n, hit, first = by_group[group]
        rate = hit / n if n else 0.0
        met = rate >= target
        ok = ok and met
        print(f"{group:<18} {n:>6} {hit:>7} {rate:>7.1%} {first / max(n, 1):>7.1%}"
              f"  target {target:.0%}: {'met' if met else 'NOT met'}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
