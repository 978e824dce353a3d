"""Peak memory and parallel speed of the `jrl` command line.

    python bench/cli.py memory JRL [JRL ...]   # peak RSS of each command
    python bench/cli.py jobs JRL               # jrl check, 1 vs 2 jobs

`memory` runs `jrl json`, `jrl json --pretty`, `jrl debug` and `jrl check`
on the 100 MB and 10 MB realistic files and the list of a million elements,
output to /dev/null, and reports each child's peak resident set (`wait4`)
beside the input size. Several builds given are run in turn on each input,
so that their figures come from the same run.

`jobs` times `jrl check --jobs 1` and `--jobs 2` (best of three wall
clocks, the two alternating) on 1,000 realistic files of 2 to 8 KB and on
8 realistic files of 10 MB, generated into bench/out/.
"""

from __future__ import annotations

import argparse
import os
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import corpus  # noqa: E402

MB = corpus.MB

COMMANDS = {
    "json": ["json"],
    "json --pretty": ["json", "--pretty"],
    "debug": ["debug"],
    "check": ["check", "--format=json"],
}


def peak_rss(argv: list[str]) -> tuple[int, int]:
    """Runs `argv` with its output discarded; its exit status and peak RSS
    in bytes."""
    with open(os.devnull, "wb") as null:
        child = subprocess.Popen(argv, stdout=null, stderr=null)
        _, status, usage = os.wait4(child.pid, 0)
    child.returncode = os.waitstatus_to_exitcode(status)
    return child.returncode, usage.ru_maxrss * 1024


def memory(builds: list[str]) -> None:
    inputs = [
        ("realistic 100 MB", corpus.realistic_file("100M")),
        ("realistic 10 MB", corpus.realistic_file("10M")),
        ("list of 1M elements", corpus.pathological_file("list_1M_elements")),
    ]
    print(f"load average {os.getloadavg()[0]:.2f}")
    print("| input | command | build | peak RSS | / input |")
    print("|---|---|---|---|---|")
    for label, path in inputs:
        size = path.stat().st_size
        for command, args in COMMANDS.items():
            for build in builds:
                status, peak = peak_rss([build, *args, str(path)])
                print(f"| {label} | `jrl {command}` | {build} | "
                      f"{peak / MB:.0f} MB | {peak / size:.2f} |"
                      + ("" if status in (0, 1) else f" exit {status}"),
                      flush=True)


def many_small(count: int = 1000) -> list[Path]:
    """`count` realistic files of 2 to 8 KB, each of its own seed."""
    folder = corpus.OUT / "many_small"
    folder.mkdir(parents=True, exist_ok=True)
    files = []
    for i in range(count):
        path = folder / f"file_{i:04d}.jrl"
        if not path.exists():
            size = (2 + i % 7) * 1024
            path.write_text(corpus.realistic(size, seed=i + 1),
                            encoding="utf-8", newline="")
        files.append(path)
    return files


def few_large(count: int = 8) -> list[Path]:
    """`count` realistic files of 10 MB, each of its own seed."""
    return [corpus.realistic_file("10M", seed=seed)
            for seed in range(corpus.DEFAULT_SEED, corpus.DEFAULT_SEED + count)]


def wall_time(argv: list[str]) -> float:
    start = time.perf_counter()
    subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   check=False)
    return time.perf_counter() - start


def jobs(build: str, repeat: int) -> None:
    print(f"load average {os.getloadavg()[0]:.2f}")
    print("| files | --jobs 1 | --jobs 2 | speed-up |")
    print("|---|---|---|---|")
    for label, files in (("1,000 of 2-8 KB", many_small()),
                         ("8 of 10 MB", few_large())):
        names = [str(f) for f in files]
        best = {1: float("inf"), 2: float("inf")}
        for _ in range(repeat):
            for n in best:
                argv = [build, "check", f"--jobs={n}", "--format=json", *names]
                best[n] = min(best[n], wall_time(argv))
        print(f"| {label} | {best[1] * 1e3:.0f} ms | {best[2] * 1e3:.0f} ms | "
              f"{best[1] / best[2]:.2f}x |", flush=True)
    print(f"load average {os.getloadavg()[0]:.2f}")


def main() -> None:
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = ap.add_subparsers(dest="what", required=True)
    m = sub.add_parser("memory")
    m.add_argument("builds", nargs="+")
    j = sub.add_parser("jobs")
    j.add_argument("build")
    j.add_argument("--repeat", type=int, default=3)
    args = ap.parse_args()
    if args.what == "memory":
        memory(args.builds)
    else:
        jobs(args.build, args.repeat)


if __name__ == "__main__":
    main()
