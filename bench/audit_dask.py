"""Audits per second across a local Dask cluster, beside one machine's tools
in the same run.

    pip install . 'dask[distributed]>=2024.4.1'
    python bench/audit_dask.py --jrl build/dev/tools/jrl/jrl

On the B.S. in Computer Science, the Wexmoor catalogue and 10,000 records
from examples/records/generate.py, each run over the same file:

- `jrl audit --records --format=json --jobs 2`, the whole command;
- `jrl.audit_many(jobs=2)` over the file's lines, each report's JSON taken;
- the recipe of docs/distributed.md on a local cluster of two worker
  processes of one thread each: `dask.bag.read_text`, a pass counting each
  block's lines, `jrl.audit_lines` on each block, the output gathered on
  the client. Starting the cluster is timed apart from the runs; the first
  run, in which each worker loads the catalogue and prepares the programme,
  apart from the later ones.

Every run's output must equal the command's, byte for byte, or the run fails.
"""

from __future__ import annotations

import argparse
import itertools
import logging
import os
import statistics
import sys
import time
from pathlib import Path

from audit_speed import CATALOGUE, PROGRAMME, records_file, run_cli


def dask_run(bag, records: Path, blocksize: str) -> tuple:
    import jrl

    t0 = time.perf_counter()
    lines = bag.read_text(str(records), blocksize=blocksize, encoding="utf-8", linedelimiter="\n")
    counts = lines.map_partitions(lambda part: [sum(1 for _ in part)]).compute()
    firsts = list(itertools.accumulate([1] + counts[:-1]))

    def audit_block(part, start):
        numbered = enumerate(part, start[0])
        return ["".join(jrl.audit_lines(PROGRAMME, CATALOGUE, numbered, file=str(records)))]

    starts = bag.from_sequence(firsts, npartitions=len(firsts))
    out = "".join(lines.map_partitions(audit_block, starts).compute()).encode()
    return time.perf_counter() - t0, out, len(firsts)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--jrl", required=True, help="the jrl command to time")
    parser.add_argument("--count", type=int, default=10000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--blocksize", default="1MiB", help="dask.bag's block of the records' file")
    args = parser.parse_args()

    import dask
    import dask.bag as bag
    import distributed
    import jrl

    records = records_file(args.count, args.seed)
    print(f"{args.count} records ({records.name}), {os.cpu_count()} cores, "
          f"Python {sys.version.split()[0]}, dask {dask.__version__}")

    def check(name: str, out: bytes) -> None:
        if out != expected:
            sys.exit(f"{name}: the output differs from jrl audit's")

    cli_times = []
    expected = b""
    for _ in range(args.repeat):
        elapsed, out = run_cli(args.jrl, records, 2)
        expected = expected or out
        check("jrl audit --jobs 2", out)
        cli_times.append(elapsed)

    many_times = []
    catalogue = jrl.Catalogue.load(CATALOGUE)
    for _ in range(args.repeat):
        t0 = time.perf_counter()
        with open(records, encoding="utf-8") as lines:
            out = "".join(a.to_json() + "\n" for a in jrl.audit_many(PROGRAMME, catalogue, lines, jobs=2))
        many_times.append(time.perf_counter() - t0)
        check("jrl.audit_many", out.encode())

    t0 = time.perf_counter()
    cluster = distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                                       dashboard_address=None, silence_logs=logging.ERROR)
    client = distributed.Client(cluster)
    client.wait_for_workers(2)
    start = time.perf_counter() - t0
    with cluster, client:
        first, out, blocks = dask_run(bag, records, args.blocksize)
        check("dask", out)
        later = []
        for _ in range(args.repeat):
            elapsed, out, _ = dask_run(bag, records, args.blocksize)
            check("dask", out)
            later.append(elapsed)
        prepared = sorted(info.preparations for info in client.run(jrl.audit_lines_info).values())

    def rate(seconds: float) -> str:
        return f"{args.count / seconds:>8,.0f} audits/s ({seconds:.2f} s)"

    print(f"jrl audit --records --jobs 2:        {rate(min(cli_times))}, best of {args.repeat}, "
          f"process start and catalogue load included")
    print(f"jrl.audit_many(jobs=2):              {rate(min(many_times))}, best of {args.repeat}")
    print(f"dask, 2 worker processes, first run: {rate(first)}, each worker preparing the programme")
    print(f"dask, later runs:                    {rate(min(later))}, best of {args.repeat} "
          f"(median {args.count / statistics.median(later):,.0f} audits/s)")
    print(f"dask: {blocks} blocks of {args.blocksize}; the cluster started in {start:.2f} s; "
          f"programmes prepared per worker: {prepared}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
