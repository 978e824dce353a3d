"""Memory and rate of `jrl audit --records` over many students.

    python bench/audit_batch.py --jrl build/dev/tools/jrl/jrl

On the B.S. in Computer Science, the shipped catalogue and records from
examples/records/generate.py (seed 1):

- peak resident memory of the whole command (from wait4, in a fresh child
  each time) for 100,000 records beside the same command on 1,000 records,
  run by run: JSON Lines to /dev/null with --jobs 2 and --jobs 8, and pages
  with their index written by --output with --jobs 2. Memory that does not
  depend on the number of records shows as two close figures;
- audits per second of the whole command on 10,000 records with --jobs 1
  and --jobs 2 (best of --repeat runs), to /dev/null and with --output.
"""

from __future__ import annotations

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
from audit_speed import CATALOGUE, PROGRAMME, records_file  # noqa: E402


def run(jrl: str, records: Path, jobs: int, output: str | None, fmt: str) -> tuple:
    """Seconds taken and peak RSS in MiB of one run."""
    command = [jrl, "audit", str(PROGRAMME), "--catalogue", str(CATALOGUE),
               "--records", str(records), f"--format={fmt}", f"--jobs={jobs}"]
    if output:
        command += ["--output", output]
    with open(os.devnull, "wb") as sink:
        t0 = time.perf_counter()
        child = subprocess.Popen(command, stdout=sink, stderr=subprocess.PIPE)
        stderr = child.stderr.read()
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - t0
    code = os.waitstatus_to_exitcode(status)
    if code not in (0, 1):
        sys.exit(f"jrl audit failed ({code}): {stderr.decode()[:500]}")
    return elapsed, usage.ru_maxrss / 1024


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--jrl", required=True, help="the jrl command to measure")
    parser.add_argument("--large", type=int, default=100_000)
    parser.add_argument("--small", type=int, default=1_000)
    parser.add_argument("--rate-count", type=int, default=10_000, help="0: no rates")
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--no-memory", action="store_true", help="only the rates")
    args = parser.parse_args()
    scratch = Path(tempfile.mkdtemp(prefix="jrl-audit-batch-"))
    print(f"{os.cpu_count()} cores, load average {os.getloadavg()[0]:.1f}")
    try:
        print("\npeak RSS (MiB)        "
              f"{args.small:>9,} records  {args.large:>9,} records   large/small   time (large)")
        for label, fmt, jobs, to_folder in [] if args.no_memory else [
                ("json, --jobs 2", "json", 2, False),
                ("json, --jobs 8", "json", 8, False),
                ("--output html, --jobs 2", "html", 2, True)]:
            peaks = []
            for count in (args.small, args.large):
                out = str(scratch / f"{fmt}-{count}") if to_folder else None
                elapsed, peak = run(args.jrl, records_file(count, 1), jobs, out, fmt)
                if out:
                    shutil.rmtree(out)
                peaks.append(peak)
            print(f"{label:<24}{peaks[0]:>12.1f}  {peaks[1]:>16.1f}   {peaks[1] / peaks[0]:>10.2f}"
                  f"   {elapsed:>9.1f} s")

        if args.rate_count == 0:
            return 0
        records = records_file(args.rate_count, 1)
        print(f"\naudits per second, {args.rate_count:,} records, best of {args.repeat}")
        for label, fmt, to_folder in [("json to /dev/null", "json", False),
                                      ("--output json", "json", True),
                                      ("--output html", "html", True)]:
            rates = {}
            for jobs in (1, 2):
                best = None
                for i in range(args.repeat):
                    out = str(scratch / f"rate-{jobs}-{i}") if to_folder else None
                    elapsed, _ = run(args.jrl, records, jobs, out, fmt)
                    if out:
                        shutil.rmtree(out)
                    best = elapsed if best is None else min(best, elapsed)
                rates[jobs] = args.rate_count / best
            print(f"{label:<24}--jobs 1 {rates[1]:>8,.0f}/s   --jobs 2 {rates[2]:>8,.0f}/s   "
                  f"{rates[2] / rates[1]:.2f}x")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
