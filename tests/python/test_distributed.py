"""jrl.audit_lines, alone and across a local Dask cluster of two worker
processes: the same bytes as `jrl audit --records --format=json`, with the
programme prepared once per process."""

import itertools
import json
import logging
import os
import sys
from pathlib import Path

import pytest

import jrl
from test_cli import JRL, run

pytestmark = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

ROOT = Path(__file__).resolve().parents[2]
CATALOGUE = ROOT / "examples" / "catalogue" / "wexmoor.json"
PROGRAMME = ROOT / "examples" / "bs_computer_science.jrl"
sys.path.insert(0, str(ROOT / "examples" / "records"))
import generate  # noqa: E402

# Lines the command reports on rather than audits, or reads with care: a
# bad field, text that is not JSON, an exception naming no requirement,
# blank lines and a line ending in CR LF.
AWKWARD = [
    '{"student": "S9001", "attempts": [{"course": "MATH 1200", "status": "done"}]}\n',
    "not a record\n",
    '{"student": "S9002", "attempts": [], "exceptions": {"waive": [99]}}\n',
    " \t\n",
    "\n",
    '{"student": "S9003", "attempts": [{"course": "MATH 1200", "grade": "A"}]}\r\n',
]


def write_records(path, count, seed):
    """`count` generated records with the awkward lines spread among them."""
    lines = [json.dumps(r, separators=(",", ":")) + "\n" for r in generate.records(count, seed)]
    for i, line in enumerate(AWKWARD):
        lines.insert((i + 1) * len(lines) // (len(AWKWARD) + 1), line)
    path.write_text("".join(lines), encoding="utf-8")


def command_output(records):
    result = run("audit", str(PROGRAMME), "--catalogue", str(CATALOGUE), "--records", str(records),
                 "--format=json")
    assert result.returncode == 2, result.stderr  # bad records among them
    return result.stdout


def test_in_one_process_the_same_bytes_as_the_command(tmp_path):
    records = tmp_path / "students.jsonl"
    write_records(records, 40, seed=5)
    with open(records, encoding="utf-8", newline="") as lines:
        ours = "".join(jrl.audit_lines(PROGRAMME, CATALOGUE, enumerate(lines, 1), file=str(records)))
    assert ours.encode() == command_output(records)
    errors = [json.loads(line) for line in ours.splitlines() if '"error"' in line[:60]]
    assert [(e["student"], f"{records}:{e['line']}:" in e["error"]) for e in errors] == [
        ("S9001", True), (None, True), ("S9002", True)]


def test_a_programme_is_prepared_once_until_its_file_changes(tmp_path):
    programme = tmp_path / "programme.jrl"
    record = [(1, '{"student": "S1", "attempts": [{"course": "MATH 1200", "grade": "A"}]}')]

    def satisfied():
        return [json.loads(line)["satisfied"] for line in jrl.audit_lines(programme, CATALOGUE, record)]

    before = jrl.audit_lines_info()
    programme.write_text('SELECT 1 FROM CLASS(MATH 1200) : "Calculus";\n')
    first = satisfied() + satisfied()
    stamp = programme.stat().st_mtime_ns + 10**9  # seen even where file times are coarse
    programme.write_text('SELECT 1 FROM CLASS(MATH 1210) : "Calculus";\n')
    os.utime(programme, ns=(stamp, stamp))
    assert first + satisfied() == [True, True, False]
    after = jrl.audit_lines_info()
    # Prepared again, and the old version let go.
    assert (after.preparations - before.preparations, after.cached - before.cached) == (2, 1)


def _dask():
    try:
        import dask.bag
        import distributed
    except ImportError:
        if os.environ.get("JRL_REQUIRE_DASK"):
            pytest.fail("dask[distributed] is required here (scripts/test_python.sh installs it)")
        pytest.skip("dask[distributed] is not installed")
    return dask.bag, distributed


def test_across_a_dask_cluster_the_same_bytes_as_the_command(tmp_path):
    bag, distributed = _dask()
    records = tmp_path / "students.jsonl"
    write_records(records, 3000, seed=11)
    expected = command_output(records)

    cluster = distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                                       dashboard_address=None, silence_logs=logging.ERROR)
    with cluster, distributed.Client(cluster) as client:
        lines = bag.read_text(str(records), blocksize="256KiB", encoding="utf-8", linedelimiter="\n")
        counts = lines.map_partitions(lambda part: [sum(1 for _ in part)]).compute()
        starts = list(itertools.accumulate([1] + counts[:-1]))
        assert len(starts) > 8  # enough partitions for both workers

        def audit_partition(part, start):
            numbered = enumerate(part, start[0])
            return ["".join(jrl.audit_lines(PROGRAMME, CATALOGUE, numbered, file=str(records)))]

        reports = lines.map_partitions(audit_partition, bag.from_sequence(starts, npartitions=len(starts)))
        out = tmp_path / "reports"
        reports.to_textfiles(str(out / "*.jsonl"), name_function="{:06d}".format, encoding="utf-8")
        infos = client.run(jrl.audit_lines_info)

    written = b"".join(p.read_bytes() for p in sorted(out.iterdir()))
    assert written == expected
    assert [info.preparations for info in infos.values()] == [1, 1]
