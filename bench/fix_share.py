"""How many one-character mistakes `jrl check --fix` repairs.

Breaks the example programmes and realistic corpus files as
bench/suggestions.py does (one `;` `:` `)` `]` `,` `(` `[` `"` deleted
outside comments, or one letter of SELECT, LIMIT or FROM: a misspelt
keyword); and, as a file often holds more than one mistake, with two such
deletions in different statements. A broken file counts as repaired when,
after `jrl check --fix`, it checks clean (warnings aside). The baseline,
from the same run, applies only the first suggestion of the first
diagnostic, once, as a user taking the first `help:` line would.

    python bench/fix_share.py build/dev/tools/jrl/jrl
"""

from __future__ import annotations

import argparse
import json
import subprocess
import sys
from collections import defaultdict
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from suggestions import GROUPS, apply, mutants, parses, sources  # noqa: E402

TARGET = 0.90


def pairs(text: str):
    """("two mistakes", broken text): two deletions with a `;` between
    them, the first paired with one about half the list further on."""
    singles = list(mutants(text))
    half = len(singles) // 2
    for (_, i, _), (_, j, _) in zip(singles, singles[half:]):
        if i < j and ";" in text[i + 1:j]:
            yield "two mistakes", text[:i] + text[i + 1:j] + text[j + 1:]


def judge(jrl: str, kind: str, text: str) -> tuple[str, bool, bool] | None:
    """None when the deletion leaves a good file; else (group, repaired by
    --fix, repaired by the first suggestion alone)."""
    data = text.encode("utf-8")
    r = subprocess.run([jrl, "check", "--format=json", "--warnings=ignore", "-"],
                       input=data, capture_output=True)
    if r.returncode == 0:
        return None
    first = json.loads(r.stdout.decode().splitlines()[0])
    baseline = bool(first["suggestions"]) and parses(jrl, apply(data, first["suggestions"][0]["edits"]))
    # Standard input: the fixed text goes to standard output, and the exit
    # status is that of checking it.
    fixed = subprocess.run([jrl, "check", "--fix", "--warnings=ignore", "--format=short", "-"],
                           input=data, capture_output=True)
    repaired = fixed.returncode == 0 and parses(jrl, fixed.stdout)
    return GROUPS.get(kind, kind), repaired, baseline


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("jrl")
    ap.add_argument("--jobs", type=int, default=2)
    args = ap.parse_args()

    cases = [(kind, broken) for _, text in sources() for kind, _, broken in mutants(text)]
    cases += [case for _, text in sources() for case in pairs(text)]
    with ThreadPoolExecutor(args.jobs) as pool:
        results = [r for r in pool.map(lambda c: judge(args.jrl, *c), cases) if r is not None]

    by_group: dict[str, list[int]] = defaultdict(lambda: [0, 0, 0])
    for group, repaired, baseline in results:
        for key in (group, "all"):
            by_group[key][0] += 1
            by_group[key][1] += repaired
            by_group[key][2] += baseline
    print(f"{'mistake':<18} {'files':>6} {'--fix':>7} {'first fix once':>15}")
    for key in sorted(by_group, key=lambda k: k == "all"):
        n, repaired, baseline = by_group[key]
        print(f"{key:<18} {n:>6} {repaired / n:>7.1%} {baseline / n:>15.1%}")
    n, repaired, _ = by_group["all"]
    met = n > 0 and repaired / n >= TARGET
    print(f"\nrepaired by --fix: {repaired}/{n}, target {TARGET:.0%}: {'met' if met else 'NOT met'}")
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
