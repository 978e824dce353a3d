"""The cost of `jrl check` beside `jrl json` on the same files, in one run.

Times the two commands (best of --repeat) on realistic corpus files that
parse, on the same files with one statement in fifty broken (so check
reports up to its cap of 200 errors, with fixes for the first 20) or
naming an unknown department (so they match the grammar but do not
build), and on a file of the same size of statements without warnings followed by 200
that each give one (so every report stands at the end of a long text).
Then times `jrl check` with and without warnings on a 7 MB statement nested
255 deep, a list of tags at each level, where comparing the selectors of
each list must not cost the size of the file at every level. --baseline
times check with another build (the tree before a change) in the same run,
on every file.

    python bench/check_speed.py build/dev/tools/jrl/jrl [--baseline OTHER/jrl]
"""

from __future__ import annotations

import argparse
import re
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import corpus  # noqa: E402


def best(cmd: list[str], repeat: int) -> float:
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return min(times)


def broken(text: str) -> str:
    lines = text.split(";\n")
    return ";\n".join(line.replace("FROM", "FORM", 1) if i % 50 == 7 else line
                      for i, line in enumerate(lines))


def unbuilt(text: str) -> str:
    """One statement in fifty names a department the catalogue lacks: the
    file has the form of a requirements file, but they do not build."""
    lines = text.split(";\n")
    return ";\n".join(re.sub(r"[A-Z&]{4} (?=\d{4})", "MATX ", line, count=1)
                      if i % 50 == 7 else line
                      for i, line in enumerate(lines))


# A statement that gives no warning, and one that gives one warning (the
# same selector twice). The realistic files have warnings of their own
# from the start, which would use up check's cap early.
CLEAN = 'SELECT 1 FROM CLASS(MATH 1200) : "once";\n'
WARNED = 'SELECT 1 FROM [TAG("a"), TAG("a")] : "twice";\n'


def warned_at_end(size: int) -> str:
    return CLEAN * (size // len(CLEAN)) + WARNED * 200


def nested_lists(size: int, depth: int = 255) -> str:
    """One statement nested `depth` deep, a list of distinct tags at each
    level, about `size` bytes."""
    level = ", ".join(f'TAG("t{i}")' for i in range(max(1, size // depth // 14)))
    return "".join(f"SELECT 1 FROM [{level}, " for _ in range(depth)) + 'TAG("end")' + "]" * depth + ' : "x";\n'


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("jrl")
    ap.add_argument("--repeat", type=int, default=3)
    ap.add_argument("--baseline", help="another jrl build to time check with")
    args = ap.parse_args()
    head = f"{'file':<24} {'json':>9} {'check':>9} {'check/json':>10}"
    if args.baseline:
        head += f" {'baseline check':>15} {'check/baseline':>14}"
    print(head)
    with tempfile.TemporaryDirectory() as tmp:
        for label in ("1M", "10M"):
            text = corpus.realistic(corpus.SIZES[label])
            for kind, content in (("good", text), ("1 in 50 broken", broken(text)),
                                  ("1 in 50 unbuilt", unbuilt(text)),
                                  ("200 warnings at end", warned_at_end(len(text)))):
                path = Path(tmp) / "f.jrl"
                path.write_text(content, encoding="utf-8")
                j = best([args.jrl, "json", str(path)], args.repeat)
                c = best([args.jrl, "check", "--format=json", str(path)], args.repeat)
                row = f"{label + ' ' + kind:<24} {j * 1000:>7.1f}ms {c * 1000:>7.1f}ms {c / j:>9.2f}x"
                if args.baseline:
                    b = best([args.baseline, "check", "--format=json", str(path)], args.repeat)
                    row += f" {b * 1000:>13.1f}ms {c / b:>13.2f}x"
                print(row)
        path = Path(tmp) / "nested.jrl"
        path.write_text(nested_lists(7_000_000), encoding="utf-8")
        print(f"\n{'7 MB nested 255 deep':<24} {'no warnings':>12} {'check':>9} {'check/no':>9}")
        builds = [("this build", args.jrl)] + ([("baseline", args.baseline)] if args.baseline else [])
        for label, jrl in builds:
            quiet = best([jrl, "check", "--warnings=ignore", str(path)], args.repeat)
            c = best([jrl, "check", str(path)], args.repeat)
            print(f"{label:<24} {quiet * 1000:>10.1f}ms {c * 1000:>7.1f}ms {c / quiet:>8.2f}x")
    return 0


if __name__ == "__main__":
    sys.exit(main())
