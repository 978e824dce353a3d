"""Speed of the degree audit, beside a general solver's in the same run.

    python bench/audit_speed.py --jrl build/dev/tools/jrl/jrl \\
        --bench build/dev/bench/jrl_audit_bench

On the B.S. in Computer Science and the Wexmoor catalogue, with records from
examples/records/generate.py (25 to 45 attempts each):

- the audit alone (jrl_audit_bench, when given): audits per second on one
  thread and on two, and the slowest of all the records' audits;
- the whole command, `jrl audit --records --format=json`, with --jobs 1 and
  2: reading, auditing and writing JSON, process start and catalogue load
  included;
- the baseline: the same audits written as a mixed-integer programme and
  solved by HiGHS (bench/audit_milp.py), on a sample, one solve per
  criterion. Its objectives are compared with the command's: any difference
  is printed and fails the run.
"""

from __future__ import annotations

import argparse
import json
import os
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
sys.path.insert(0, str(ROOT / "examples" / "records"))
import generate  # noqa: E402

PROGRAMME = ROOT / "examples" / "bs_computer_science.jrl"
CATALOGUE = ROOT / "examples" / "catalogue" / "wexmoor.json"


def records_file(count: int, seed: int) -> Path:
    out = HERE / "out" / f"audit_records_{count}_s{seed}.jsonl"
    if not out.exists():
        out.parent.mkdir(parents=True, exist_ok=True)
        generate.main(["--count", str(count), "--seed", str(seed), "--out", str(out)])
    return out


def run_cli(jrl: str, records: Path, jobs: int) -> tuple:
    command = [jrl, "audit", str(PROGRAMME), "--catalogue", str(CATALOGUE),
               "--records", str(records), "--format=json", f"--jobs={jobs}"]
    t0 = time.perf_counter()
    done = subprocess.run(command, capture_output=True)
    elapsed = time.perf_counter() - t0
    if done.returncode not in (0, 1):
        sys.exit(f"jrl audit failed ({done.returncode}): {done.stderr.decode()[:500]}")
    return elapsed, done.stdout


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--jrl", required=True, help="the jrl command to time")
    parser.add_argument("--bench", help="jrl_audit_bench, to time the audit alone")
    parser.add_argument("--count", type=int, default=10000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--milp-sample", type=int, default=200)
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()

    records = records_file(args.count, args.seed)
    print(f"{args.count} records ({records.name}), {os.cpu_count()} cores")
    results = {}

    if args.bench:
        done = subprocess.run([args.bench, str(CATALOGUE), str(PROGRAMME), str(records),
                               "--jobs", "2"], capture_output=True, text=True, check=True)
        alone = json.loads(done.stdout)
        results["audit alone"] = alone
        print(f"audit alone:   {alone['per_second_1']:>8,.0f} audits/s with 1 job, "
              f"{alone['per_second_n']:>8,.0f} with 2; median {alone['median_ms']:.3f} ms, "
              f"99th percentile {alone['p99_ms']:.3f} ms, slowest {alone['slowest_ms']:.2f} ms "
              f"({alone['slowest_student']}); {alone['not_optimal']} out of time")

    cli = {}
    output = b""
    for jobs in (1, 2):
        times = []
        for _ in range(args.repeat):
            elapsed, out = run_cli(args.jrl, records, jobs)
            times.append(elapsed)
            if output and out != output:
                sys.exit("jrl audit: the output differs between runs or --jobs")
            output = out
        cli[jobs] = args.count / min(times)
    results["command"] = cli
    print(f"jrl audit:     {cli[1]:>8,.0f} audits/s with --jobs 1, {cli[2]:>8,.0f} with --jobs 2 "
          f"(best of {args.repeat}, whole command)")

    import jrl  # noqa: E402  (the package, for the baseline's model)
    import audit_milp  # noqa: E402

    programme = jrl.load(str(PROGRAMME))
    with open(CATALOGUE, encoding="utf-8") as f:
        catalogue = json.load(f)
    reports = [json.loads(line) for line in output.splitlines()]
    sample = []
    with open(records, encoding="utf-8") as f:
        for line, report in zip(f, reports):
            if len(sample) == args.milp_sample:
                break
            sample.append((json.loads(line), report))
    differences = 0
    t0 = time.perf_counter()
    for record, report in sample:
        objective = audit_milp.audit_objective(programme, catalogue, record)
        if objective != report["objective"]:
            differences += 1
            print(f"  {record['student']}: solver {objective}, audit {report['objective']}")
    milp = len(sample) / (time.perf_counter() - t0)
    results["milp"] = {"per_second": milp, "sample": len(sample), "differences": differences}
    print(f"MILP (HiGHS):  {milp:>8,.1f} audits/s, one thread, on {len(sample)} records; "
          f"objectives differing from the audit's: {differences}")
    if args.bench:
        print(f"the audit is {alone['per_second_1'] / milp:,.0f} times the general solver's rate "
              f"on one thread")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
