"""`jrl audit`: the example students' audits as worked out by hand, the same
bytes for any --jobs, a bad record in a batch, bad inputs, and the text a
person reads."""

import json
import sys
from pathlib import Path

import pytest

from test_cli import JRL, run, write

pytestmark = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

ROOT = Path(__file__).resolve().parents[2]
CATALOGUE = ROOT / "examples" / "catalogue" / "wexmoor.json"
PROGRAMME = ROOT / "examples" / "bs_computer_science.jrl"
RECORDS = ROOT / "examples" / "records"
sys.path.insert(0, str(RECORDS))
import generate  # noqa: E402

ELECTIVES, CORE, CAPSTONE, ETHICS, SOCIAL, WRITING = 7, 5, 8, 10, 12, 13


def audit(*args, programme=PROGRAMME):
    return run("audit", str(programme), "--catalogue", str(CATALOGUE), *args)


def attempts(items):
    return {item["course"] for item in items if "course" in item}


# Each student: the statuses that are not "complete" (by requirement index),
# what is missing there, the exit status, and facts about the items. Worked
# out from the records and the programme, as docs/audit.md explains.
STUDENTS = [
    ("complete.json", "completed,in-progress", {}, {}, 0,
     lambda r: attempts(r[ELECTIVES]["items"]) >= {"CSCI 4020", "CSCI 4570", "MATH 4900", "CSCI 4960"}),
    ("nearly_complete.json", "completed,in-progress", {ELECTIVES: "incomplete"}, {ELECTIVES: 1}, 1,
     lambda r: r[0]["items"] == [{"placement": "MATHCALC2"}]
     and r[1]["items"][0]["term"] == "2023FA"
     and "CSCI 4570" not in attempts(r[ELECTIVES]["items"])),
    ("in_progress.json", "completed,in-progress",
     {CORE: "in-progress", ELECTIVES: "incomplete", CAPSTONE: "in-progress"}, {ELECTIVES: 3}, 1,
     lambda r: attempts(r[ELECTIVES]["items"]) == {"CSCI 4020", "CSCI 4570"}),
    ("in_progress.json", "completed,in-progress,planned",
     {CORE: "in-progress", ELECTIVES: "planned", CAPSTONE: "in-progress"}, {}, 0,
     lambda r: attempts(r[ELECTIVES]["items"])
     == {"CSCI 4020", "CSCI 4570", "MATH 4900", "CSCI 4960", "CSCI 4970"}),
    ("exceptions.json", "completed,in-progress", {ELECTIVES: "incomplete", WRITING: "waived"},
     {ELECTIVES: 1}, 1,
     lambda r: attempts(r[ETHICS]["items"]) == {"ARTS 1260"}
     and "MATH 4900" not in attempts(r[ELECTIVES]["items"]) and r[WRITING]["items"] == []),
    ("greedy_misses.json", "completed,in-progress", {}, {}, 0,
     lambda r: attempts(r[CAPSTONE]["items"]) == {"CSCI 4900"}
     and "AMST 1140" in attempts(r[SOCIAL]["items"])
     and attempts(r[WRITING]["items"]) <= {"ECON 1420", "SOCI 1110"}),
]


@pytest.mark.parametrize("name, include, statuses, missing, exit_status, facts", STUDENTS,
                         ids=[f"{s[0]}:{s[1]}" for s in STUDENTS])
def test_example_students(name, include, statuses, missing, exit_status, facts):
    done = audit("--record", str(RECORDS / name), "--format=json", f"--include={include}")
    assert done.returncode == exit_status, done.stderr
    report = json.loads(done.stdout)
    assert report["optimal"] is True and report["satisfied"] == (exit_status == 0)
    by_index = {r["index"]: r for r in report["requirements"]}
    assert sorted(by_index) == list(range(14))
    assert {i: r["status"] for i, r in by_index.items() if r["status"] != "complete"} == statuses
    assert {i: r["missing"] for i, r in by_index.items() if r["missing"]} == missing
    assert facts(by_index)
    # The limits hold, and every attempt is used at most once.
    assert all(limit["used"] <= limit["allowed"] for limit in report["limits"])
    used = [c for r in report["requirements"] for c in attempts(r["items"])]
    assert len(used) == len(set(used))


def test_records_in_a_batch_match_one_at_a_time_and_any_jobs(tmp_path):
    batch = tmp_path / "batch.jsonl"
    batch.write_text("".join(json.dumps(r) + "\n" for r in generate.records(400, seed=5)))
    outputs = [audit("--records", str(batch), "--format=json", f"--jobs={jobs}")
               for jobs in (1, 2, 3)]
    assert outputs[0].returncode in (0, 1) and outputs[0].stderr == b""
    assert outputs[0].stdout == outputs[1].stdout == outputs[2].stdout
    reports = [json.loads(line) for line in outputs[0].stdout.splitlines()]
    assert [r["student"] for r in reports] == [f"S{i:05d}" for i in range(1, 401)]

    examples = audit("--records", str(RECORDS / "students.jsonl"), "--format=json")
    one_by_one = b"".join(audit("--record", str(path), "--format=json").stdout
                          for path in sorted(RECORDS.glob("*.json"),
                                             key=lambda p: json.loads(p.read_text())["student"]))
    assert examples.stdout == one_by_one


def test_a_bad_record_is_reported_and_the_others_audited(tmp_path):
    lines = (RECORDS / "students.jsonl").read_text().splitlines()
    bad_status = json.loads(lines[1])
    bad_status["attempts"][2]["status"] = "done"
    bad_exception = dict(json.loads(lines[2]), exceptions={"waive": ["No such requirement"]})
    lines[1:3] = [json.dumps(bad_status), "{not json", json.dumps(bad_exception)]
    batch = write(tmp_path, "batch.jsonl", "\n".join(lines) + "\n")

    done = audit("--records", str(batch), "--format=json", "--jobs=2")
    assert done.returncode == 2
    rows = [json.loads(line) for line in done.stdout.splitlines()]
    assert [row.get("error") is None for row in rows] == [True, False, False, False, True, True]
    assert [(row.get("line"), row["student"]) for row in rows if "error" in row] == [
        (2, "S1002"), (3, None), (4, "S1003")]
    errors = done.stderr.decode().splitlines()
    assert len(errors) == 3
    assert errors[0].startswith(f"error: {batch}:2: ") and "S1002" in errors[0]
    assert "attempts[2].status" in errors[0] and "done" in errors[0]
    assert errors[1].startswith(f"error: {batch}:3")
    assert "S1003" in errors[2] and "No such requirement" in errors[2]
    # The text form reports the same on standard error and audits the rest.
    text = audit("--records", str(batch))
    assert text.returncode == 2 and text.stderr == done.stderr
    assert text.stdout.decode().count("satisfied (bs_computer_science.jrl") == 3


def test_bad_input_exits_2_naming_the_place(tmp_path):
    record = str(RECORDS / "complete.json")
    broken_catalogue = write(tmp_path, "cat.json", '{"courses": [{"course": "MATH 120"}]}')
    broken_programme = write(tmp_path, "p.jrl", 'SELECT 1 FROM CLASS(MATH 1200) : "Calculus"\n')
    broken_record = write(tmp_path, "r.json", '{"student": "S9", "attempts": [{"term": "2023FA"}]}')
    cases = [
        (["--record", record], {"catalogue": broken_catalogue}, ["cat.json", "MATH 120"]),
        (["--record", str(tmp_path / "none.json")], {}, ["none.json"]),
        (["--record", str(broken_record)], {}, ["r.json", "S9", "attempts[0]"]),
        (["--records", str(tmp_path)], {}, [str(tmp_path)]),
        (["--record", record], {"programme": broken_programme}, ["p.jrl does not parse", "p.jrl:1:"]),
        (["--record", record, "--records", record], {}, ["one of --record"]),
        ([], {}, ["one of --record"]),
        (["--record", record, "--include=completed,done"], {}, ["'done'", "--include"]),
        (["--record", record, "--include=planned,planned"], {}, ["--include"]),
    ]
    for args, changes, words in cases:
        done = run("audit", str(changes.get("programme", PROGRAMME)),
                   "--catalogue", str(changes.get("catalogue", CATALOGUE)), *args)
        message = done.stderr.decode()
        assert done.returncode == 2 and done.stdout == b"", (args, message)
        assert all(w in message for w in words), (args, message)
    assert run("audit", str(PROGRAMME), "--record", record).returncode == 2


def test_text_report_tells_a_person_the_key_facts():
    done = audit("--record", str(RECORDS / "nearly_complete.json"))
    text = done.stdout.decode()
    assert done.returncode == 1 and "\x1b[" not in text
    assert text.startswith("S1002: not satisfied (bs_computer_science.jrl, Wexmoor University")
    electives = text[text.index("incomplete   Technical electives (line 40): 4 of 5"):]
    electives = electives[:electives.index("\n  complete")]
    assert "missing: " in electives and "would count: " in electives
    assert "placement MATHCALC2" in text
    assert "At most two 1000-level CSCI courses count (line 58): 2 of 2 used: CSCI 1100, CSCI 1200" in text
    # Failed attempts count nowhere, and are not offered as unused.
    assert "Counted nowhere" not in text
    assert "warning: CSCI 4960 (2025SP) is not in the catalogue" in text
    blocked = audit("--record", str(RECORDS / "exceptions.json")).stdout.decode()
    assert "\nCounted nowhere\n  MATH 4900  2025SP\n" in blocked
    assert "waived       Writing-intensive course (line 54)\n" in blocked
    assert "\nExceptions\n  waive: requirement 13" in blocked
    coloured = audit("--record", str(RECORDS / "nearly_complete.json"), "--color=always")
    assert b"\x1b[" in coloured.stdout
