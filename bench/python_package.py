"""Speed of the jrl package beside pylibjrl and json in one process.

    python bench/python_package.py            # the full run
    python bench/python_package.py --quick    # fewer repeats
    python bench/python_package.py --threads  # only the two-thread figure

On the realistic 1 MB and 10 MB corpora it times, round-robin:
jrl.parse beside pylibjrl.parse; File.to_dict() beside
json.loads(pylibjrl.parse(text).json()) (both from text, and both from an
already parsed file); walking every object of a freshly parsed File beside
json.loads of its JSON; jrl.dumps of a parsed File and a File built from
its requirements (where the package has them); and two threads parsing
10 MB each beside the same two parses one after the other. A summary says
which targets are met.
"""

from __future__ import annotations

import argparse
import datetime
import json
import os
import platform
import statistics
import sys
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import corpus  # noqa: E402
from run import Timer, print_table  # noqa: E402

import jrl  # noqa: E402
import pylibjrl  # noqa: E402


def walk(file: jrl.File) -> int:
    """Touches every object of a file, as a tool reading all of it would."""
    count = 0
    for requirement in file.requirements:
        count += 1
        requirement.description, requirement.priority, requirement.span
        stack = [requirement.query]
        while stack:
            query = stack.pop()
            query.kind, query.quantity
            for selector in query.selectors:
                count += 1
                selector.span
                if type(selector) is jrl.NestedQuery:
                    stack.append(selector.query)
                elif type(selector) is jrl.Class:
                    selector.course.department
    return count


def fresh_walk(text: str):
    """A new File each call, so that its objects are built every time."""
    def run():
        walk(jrl.parse(text))
    return run


def two_threads(text: str) -> float:
    threads = [threading.Thread(target=jrl.parse, args=(text,)) for _ in range(2)]
    t0 = time.perf_counter()
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return time.perf_counter() - t0


def one_after_other(text: str) -> float:
    t0 = time.perf_counter()
    jrl.parse(text)
    jrl.parse(text)
    return time.perf_counter() - t0


def print_thread_figure(text: str, repeat: int) -> float:
    """Two threads parsing `text` each beside the two parses one after the
    other, medians of `repeat` pairs; returns their ratio."""
    pairs = [(two_threads(text), one_after_other(text)) for _ in range(repeat)]
    together = statistics.median(p[0] for p in pairs)
    apart = statistics.median(p[1] for p in pairs)
    print(f"  two threads: {together * 1e3:.1f} ms, one after the other: "
          f"{apart * 1e3:.1f} ms: {together / apart:.2f}x")
    return together / apart


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--repeat", type=int)
    parser.add_argument("--threads", action="store_true",
                        help="only the two threads of 10 MB beside one after the other")
    args = parser.parse_args()
    repeat = args.repeat or (3 if args.quick else 9)
    timer = Timer(repeat, 0.05 if args.quick else 0.2)
    # The thread figure needs both cores: the load says whether it had them.
    print(f"# jrl package, {datetime.date.today()}, CPython {platform.python_version()}, "
          f"{platform.machine()}, repeat {repeat}, load average "
          f"{os.getloadavg()[0]:.1f}")
    if args.threads:
        text = corpus.realistic_file("10M").read_text(encoding="utf-8")
        print_thread_figure(text, repeat)
        print(f"  load average after: {os.getloadavg()[0]:.1f}")
        return
    ratios = {}
    for label in ("1M", "10M"):
        text = corpus.realistic_file(label).read_text(encoding="utf-8")
        size = len(text.encode())
        parsed = jrl.parse(text)
        reference = pylibjrl.parse(text)
        compact = reference.json()
        ops = {
            "pylibjrl.parse": lambda: pylibjrl.parse(text),
            "jrl.parse": lambda: jrl.parse(text),
            "json.loads(parse.json)": lambda: json.loads(pylibjrl.parse(text).json()),
            "parse.to_dict": lambda: jrl.parse(text).to_dict(),
            "json.loads(obj.json)": lambda: json.loads(reference.json()),
            "file.to_dict": parsed.to_dict,
            "json.loads(json)": lambda: json.loads(compact),
            "parse+walk": fresh_walk(text),
        }
        # Writing a programme from objects, where the package can.
        if hasattr(jrl, "dumps"):
            ops["dumps(file)"] = lambda: jrl.dumps(parsed)
            ops["File(requirements)"] = lambda: jrl.File(parsed.requirements)
        times = timer.run(ops)
        print(f"\n## realistic {label} ({size} bytes, {walk(parsed)} objects walked)")
        print_table(times, {name: (size, 0) for name in ops})
        med = {name: t["median"] for name, t in times.items()}
        walk_only = med["parse+walk"] - med["jrl.parse"]
        print(f"  walk alone (parse+walk - jrl.parse): {walk_only * 1e3:.3f} ms")
        ratios[label] = {
            "jrl.parse / pylibjrl.parse": med["jrl.parse"] / med["pylibjrl.parse"],
            "json.loads(parse.json) / parse.to_dict":
                med["json.loads(parse.json)"] / med["parse.to_dict"],
            "json.loads(obj.json) / file.to_dict":
                med["json.loads(obj.json)"] / med["file.to_dict"],
            "walk alone / json.loads(json)": walk_only / med["json.loads(json)"],
        }
        if label == "10M":
            ratios[label]["two threads / sequential"] = print_thread_figure(text, repeat)

    targets = [
        ("1M", "jrl.parse / pylibjrl.parse", "<=", 1.2),
        ("10M", "jrl.parse / pylibjrl.parse", "<=", 1.2),
        ("1M", "json.loads(parse.json) / parse.to_dict", ">=", 1.5),
        ("1M", "json.loads(obj.json) / file.to_dict", ">=", 1.5),
        ("1M", "walk alone / json.loads(json)", "<=", 1.0),
        ("10M", "walk alone / json.loads(json)", "<=", 1.0),
        ("10M", "two threads / sequential", "<=", 0.6),
    ]
    print("\n## targets")
    for label, name, op, bound in targets:
        value = ratios[label][name]
        met = value <= bound if op == "<=" else value >= bound
        print(f"  {label:>4} {name:<42} {value:6.2f}x  target {op} {bound}  "
              f"{'met' if met else 'NOT met'}")


if __name__ == "__main__":
    main()
