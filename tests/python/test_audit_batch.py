"""jrl.audit_many: the same reports as one audit at a time, in order, for any
number of threads; a bad record raised in its turn; and what a process pool
needs: the catalogue, the programme and the reports pickled and back."""

import itertools
import json
import pickle
import sys
from concurrent.futures import ProcessPoolExecutor
from pathlib import Path

import pytest

import jrl

ROOT = Path(__file__).resolve().parents[2]
PROGRAMME = (ROOT / "examples" / "bs_computer_science.jrl").read_text(encoding="utf-8")
sys.path.insert(0, str(ROOT / "examples" / "records"))
import generate  # noqa: E402


@pytest.fixture(scope="module")
def wexmoor():
    return jrl.Catalogue.load(ROOT / "examples" / "catalogue" / "wexmoor.json")


@pytest.fixture(scope="module")
def records():
    return list(generate.records(150, seed=11))


def test_batches_give_the_single_audits_in_order(wexmoor, records):
    one_by_one = [jrl.audit(PROGRAMME, wexmoor, r).to_json() for r in records]
    as_text = [json.dumps(r) for r in records]
    for jobs, given in ((1, records), (2, as_text), (3, iter(records))):
        reports = jrl.audit_many(PROGRAMME, wexmoor, given, jobs=jobs)
        assert [a.to_json() for a in reports] == one_by_one
    planned = jrl.audit_many(PROGRAMME, wexmoor, records[:20], include=("completed", "planned"))
    assert [a.to_json() for a in planned] == [
        jrl.audit(PROGRAMME, wexmoor, r, include=("completed", "planned")).to_json()
        for r in records[:20]]


def test_a_bad_record_raises_in_its_turn(wexmoor, records):
    bad = dict(records[3], attempts=[{"course": "MATH 1200", "status": "done"}])
    batch = jrl.audit_many(PROGRAMME, wexmoor, records[:3] + [bad] + records[4:], jobs=2)
    assert [a.student for a in itertools.islice(batch, 3)] == ["S00001", "S00002", "S00003"]
    with pytest.raises(jrl.RecordError) as caught:
        next(batch)
    assert (caught.value.line, caught.value.student) == (4, "S00004")
    assert "<records>:4:" in str(caught.value) and "attempts[0].status" in str(caught.value)


def _audit_in_worker(args):
    programme, catalogue, record = args
    return jrl.audit(programme, catalogue, record)


def test_inputs_and_reports_pickle_for_a_process_pool(wexmoor, records):
    copy = pickle.loads(pickle.dumps(wexmoor))
    assert (copy.name, copy.courses, copy.placements, copy.programme_codes) == (
        wexmoor.name, wexmoor.courses, wexmoor.placements, wexmoor.programme_codes)
    programme = jrl.parse(PROGRAMME)
    assert pickle.loads(pickle.dumps(programme)) == programme
    report = jrl.audit(programme, wexmoor, records[0])
    assert pickle.loads(pickle.dumps(report)) == report

    sample = records[:6]
    with ProcessPoolExecutor(max_workers=2) as pool:
        remote = list(pool.map(_audit_in_worker, [(PROGRAMME, wexmoor, r) for r in sample]))
    assert remote == [jrl.audit(PROGRAMME, copy, r) for r in sample]
