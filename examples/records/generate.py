"""Writes realistic student records, as JSON Lines, for benchmarks and tests.

    python examples/records/generate.py --count 10000 --seed 7 --out records.jsonl

Each student has 25 to 45 attempts over up to ten terms, drawn from the
catalogue with a Computer Science student's habits: most of the major's named
courses, upper-level electives, general education and a few courses of any
kind. Most attempts are completed; a few are failed (and often retaken), a
few repeated for a better grade, the current term in progress and the next
one planned; some students hold placements, some took a course elsewhere
that the catalogue does not list. The same seed gives the same file.
"""

from __future__ import annotations

import argparse
import json
import random
import sys
from pathlib import Path
from typing import Iterator, List, Sequence

HERE = Path(__file__).resolve().parent
CATALOGUE = HERE.parent / "catalogue" / "wexmoor.json"

# The courses a Computer Science student is steered to, roughly in the order
# they are taken.
MAJOR = [
    "MATH 1200", "CSCI 1100", "MATH 1210", "CSCI 1200", "CSCI 2200",
    "MATH 2400", "CSCI 2300", "MATH 2110", "MATH 2100", "CSCI 2500",
    "STAT 3100", "MATH 3300", "CSCI 4210", "CSCI 4430", "CSCI 4900",
]
SCIENCES = [("PHYS 1100", "PHYS 1100L"), ("CHEM 1100", "CHEM 1100L"),
            ("BIOL 1100", "BIOL 1100L")]
TERMS = [term for year in range(2021, 2026) for term in (f"{year}FA", f"{year + 1}SP")]
PASSING = ["A", "A", "A-", "A-", "B+", "B+", "B", "B", "B-", "C+", "C", "C-", "D"]
FAILING = ["F", "F", "W", "NP", "WF", "I"]
# Courses taken elsewhere, which the catalogue does not list.
TRANSFER = ["CSCI 4960", "CSCI 4970", "MATH 4950", "HIST 2990", "PHIL 1990"]


def load_catalogue(path: Path) -> dict:
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def _pools(catalogue: dict) -> dict:
    courses = catalogue["courses"]

    def codes(pred) -> List[str]:
        return [c["course"] for c in courses if pred(c)]

    def has_dist(name):
        return lambda c: name in c.get("distributions", [])

    return {
        "upper": codes(lambda c: c["course"][:4] in ("CSCI", "MATH")
                       and c["course"][5] in "34" and c["course"] not in MAJOR),
        "humanities": codes(has_dist("WX Humanities")),
        "social": codes(has_dist("WX Social Sciences")),
        "writing": codes(lambda c: "WX Writing Intensive" in c.get("tags", [])),
        "ethics": codes(lambda c: "WX Ethics" in c.get("programme_tags", {}).get("CSCI-BS", [])),
        "any": codes(lambda c: True),
        "placements": list(catalogue.get("placements", [])),
    }


def _courses(rng: random.Random, pools: dict, count: int) -> List[str]:
    """The distinct courses a student takes, in the order taken."""
    chosen: List[str] = []

    def take(code: str) -> None:
        if code not in chosen and len(chosen) < count:
            chosen.append(code)

    for code in MAJOR:
        if rng.random() < 0.85:
            take(code)
    for pair in rng.sample(SCIENCES, rng.choice([1, 2, 2, 2, 3])):
        for code in pair:
            take(code)
    for pool, low, high in (("humanities", 1, 3), ("social", 1, 3),
                            ("writing", 0, 2), ("ethics", 0, 1), ("upper", 2, 7)):
        for code in rng.sample(pools[pool], rng.randint(low, high)):
            take(code)
    if rng.random() < 0.15:
        take(rng.choice(TRANSFER))
    while len(chosen) < count:
        take(rng.choice(pools["any"]))
    # Keep the major's order loosely: lower numbers first, with some mixing.
    return sorted(chosen, key=lambda code: int(code[5:9]) + rng.randint(-900, 900))


def student(rng: random.Random, pools: dict, number: int) -> dict:
    count = rng.randint(25, 45)
    courses = _courses(rng, pools, count)
    per_term = rng.choice([4, 5, 5, 6])
    # Where the student stands: the term in progress, then those planned.
    current = max(1, min((len(courses) - 1) // per_term - rng.choice([0, 1, 1]), len(TERMS) - 2))
    attempts: List[dict] = []
    for i, code in enumerate(courses):
        term_index = min(i // per_term, len(TERMS) - 1)
        attempt = {"course": code, "term": TERMS[term_index]}
        if term_index > current:
            attempt["status"] = "planned"
        elif term_index == current:
            attempt["status"] = "in-progress"
        elif rng.random() < 0.06:
            attempt["grade"] = rng.choice(FAILING)
            attempts.append(attempt)
            if rng.random() < 0.7 and term_index + 1 < current:
                # Retaken the next term.
                attempts.append({"course": code, "term": TERMS[term_index + 1],
                                 "grade": rng.choice(PASSING)})
            continue
        else:
            attempt["grade"] = rng.choice(PASSING)
            if rng.random() < 0.04:
                attempt["tags"] = ["WX Pass/Fail"]
                attempt["grade"] = "P"
            elif attempt["grade"] in ("D", "C-") and rng.random() < 0.5:
                # Repeated for a better grade.
                attempts.append(attempt)
                attempt = {"course": code, "term": TERMS[min(term_index + 1, current)],
                           "grade": rng.choice(PASSING[:6])}
                if term_index + 1 >= current:
                    attempt = {"course": code, "term": TERMS[current], "status": "in-progress"}
        if code in TRANSFER and "grade" in attempt:
            attempt["credits"] = 3
        attempts.append(attempt)
    record = {"student": f"S{number:05d}"}
    if rng.random() < 0.25:
        record["placements"] = sorted(rng.sample(pools["placements"], rng.choice([1, 1, 2])))
    record["attempts"] = attempts[:45]
    return record


def records(count: int, seed: int = 1, catalogue: Path = CATALOGUE) -> Iterator[dict]:
    """`count` records, the same for the same seed and catalogue."""
    pools = _pools(load_catalogue(catalogue))
    rng = random.Random(seed)
    for i in range(count):
        yield student(rng, pools, i + 1)


def main(argv: Sequence[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--count", type=int, default=100)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--catalogue", type=Path, default=CATALOGUE)
    parser.add_argument("--out", type=Path, help="the file to write (default: standard output)")
    args = parser.parse_args(argv)
    lines = (json.dumps(r, separators=(",", ":")) + "\n"
             for r in records(args.count, args.seed, args.catalogue))
    if args.out:
        with open(args.out, "w", encoding="utf-8") as f:
            f.writelines(lines)
    else:
        sys.stdout.writelines(lines)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
