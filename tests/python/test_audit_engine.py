"""jrl.audit from Python: the report as the JSON of the core, the programme
given as text, path or parsed file, the statuses taken part, and the errors
of a bad programme or record; audits run in threads side by side."""

import dataclasses
import json
import pathlib
import threading

import pytest

import jrl

ROOT = pathlib.Path(__file__).resolve().parents[2]
PROGRAMME = ROOT / "examples" / "bs_computer_science.jrl"
RECORD = {
    "student": "S0001",
    "placements": ["MATHCALC2"],
    "attempts": [
        {"course": "MATH 1210", "term": "2023FA", "grade": "B+"},
        {"course": "CSCI 1100", "term": "2022FA"},
        {"course": "CSCI 4210", "term": "2024FA", "status": "in-progress"},
        {"course": "CSCI 4430", "term": "2025SP", "status": "planned"},
    ],
}


@pytest.fixture(scope="module")
def wexmoor():
    return jrl.Catalogue.load(ROOT / "examples" / "catalogue" / "wexmoor.json")


def test_report_and_its_forms(wexmoor):
    text = PROGRAMME.read_text(encoding="utf-8")
    by_text = jrl.audit(text, wexmoor, RECORD)
    by_path = jrl.audit(PROGRAMME, wexmoor, json.dumps(RECORD))
    report = by_path.to_dict()
    assert report == json.loads(by_path.to_json()) == {**by_text.to_dict(), "programme": PROGRAMME.name}
    assert (by_path.student, by_path.programme, by_path.catalogue, by_path.satisfied, by_path.optimal) == (
        "S0001", PROGRAMME.name, wexmoor.name, False, True)
    with pytest.raises(dataclasses.FrozenInstanceError):
        by_path.satisfied = True  # type: ignore[misc]
    counted = {i["course"]: r["index"] for r in report["requirements"] for i in r["items"] if "course" in i}
    assert counted.keys() == {"MATH 1210", "CSCI 1100", "CSCI 4210"}
    with_planned = jrl.audit(PROGRAMME, wexmoor, RECORD, include=jrl._audit.STATUSES).to_dict()
    assert any(i.get("course") == "CSCI 4430" for r in with_planned["requirements"] for i in r["items"])
    parsed = jrl.audit(jrl.load(PROGRAMME), wexmoor, RECORD).to_dict()
    assert [r["status"] for r in parsed["requirements"]] == [r["status"] for r in report["requirements"]]


def test_bad_inputs_say_where(wexmoor):
    with pytest.raises(jrl.ParseError):
        jrl.audit("SELECT 1 FROM ;", wexmoor, RECORD)
    with pytest.raises(jrl.RecordError) as bad:
        jrl.audit(PROGRAMME, wexmoor, {"student": "S9", "attempts": [{"course": "MATH 1200", "status": "done"}]})
    assert (bad.value.student, bad.value.field, bad.value.line) == ("S9", "attempts[0].status", None)
    with pytest.raises(jrl.RecordError, match=r'student S9: "exceptions.waive\[0\]": statement 14 is a LIMIT'):
        jrl.audit(PROGRAMME, wexmoor, {"student": "S9", "exceptions": {"waive": [14]}})
    with pytest.raises(ValueError, match="unknown attempt status 'done'"):
        jrl.audit(PROGRAMME, wexmoor, RECORD, include=("done",))
    with pytest.raises(TypeError):
        jrl.audit(PROGRAMME, wexmoor, 42)  # type: ignore[arg-type]


def test_audits_in_threads_give_the_same_reports(wexmoor):
    expected = jrl.audit(PROGRAMME, wexmoor, RECORD).to_json()
    got = []

    def run():
        for _ in range(20):
            got.append(jrl.audit(PROGRAMME, wexmoor, RECORD).to_json())

    threads = [threading.Thread(target=run) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert got == [expected] * 80
