"""`jrl diff OLD NEW --records`: the students whose standing a new version
changes. Hand-derived facts on small programme pairs, a property over
generated students checked against each version's own `jrl audit`, and the
exit statuses and bad records."""

import json
import re
import sys
from pathlib import Path

import pytest

from test_cli import JRL, run, write

pytestmark = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

ROOT = Path(__file__).resolve().parents[2]
CATALOGUE = str(ROOT / "examples" / "catalogue" / "wexmoor.json")
PROGRAMME = ROOT / "examples" / "bs_computer_science.jrl"
REVISION = ROOT / "examples" / "changes" / "bs_computer_science_2027.jrl"
sys.path.insert(0, str(ROOT / "examples" / "records"))
import generate  # noqa: E402


def lines(records):
    return "".join(json.dumps(r) + "\n" for r in records)


def student(name, *courses):
    return {"student": name, "attempts": [{"course": c} for c in courses]}


def reach(tmp_path, old, new, records, *args):
    """Runs the comparison as JSON Lines: the listed students by id, and the
    closing counts."""
    result = run("diff", str(write(tmp_path, "old.jrl", old)), str(write(tmp_path, "new.jrl", new)),
                 "--catalogue", CATALOGUE, "--records", str(write(tmp_path, "r.jsonl", records)),
                 "--format=json", *args)
    out = [json.loads(line) for line in result.stdout.decode().splitlines()]
    return result, {o["student"]: o for o in out[:-1] if "error" not in o}, out[-1]


def standing(side):
    return side and (side["index"], side["status"], side["count"], side["missing"])


ELECTIVES = 'SELECT {} FROM RANGE(CSCI 4000, CSCI 4999) : "{}";\n'
CALCULUS = 'SELECT 1 FROM CLASS(MATH 1200) : "Calculus";\n'
TWO = ELECTIVES.format(2, "Electives")
STUDENTS = [student("ONE", "CSCI 4020"), student("TWO", "CSCI 4020", "CSCI 4150"),
            student("THREE", "CSCI 4020", "CSCI 4350", "MATH 1200"),
            student("FOUR", "CSCI 4020", "CSCI 4150", "CSCI 4570")]


# old, new, records: each listed student's verdict before and after and its
# requirement changes (kind, before, after); students not named are unlisted.
@pytest.mark.parametrize("old, new, expected", [
    # Raising the quantity makes the nearly complete student incomplete; one
    # with enough courses stands as before although its count grew.
    (TWO, ELECTIVES.format(3, "Electives"), {
        "ONE": (False, False, [("changed", (0, "incomplete", 1, 1), (0, "incomplete", 1, 2))]),
        "TWO": (True, False, [("changed", (0, "complete", 2, 0), (0, "incomplete", 2, 1))]),
        "THREE": (True, False, [("changed", (0, "complete", 2, 0), (0, "incomplete", 2, 1))]),
    }),
    # Rewording a description changes nobody.
    (TWO + CALCULUS, ELECTIVES.format(2, "Upper-level electives") + CALCULUS, {}),
    # A requirement removed frees only those who had not met it; one added
    # binds only those who do not meet it; the others shift places.
    (CALCULUS + TWO, TWO, {
        "ONE": (False, False, [("removed", (0, "incomplete", 0, 1), None)]),
        "TWO": (False, True, [("removed", (0, "incomplete", 0, 1), None)]),
        "FOUR": (False, True, [("removed", (0, "incomplete", 0, 1), None)]),
    }),
    (TWO, CALCULUS + TWO, {
        "ONE": (False, False, [("added", None, (0, "incomplete", 0, 1))]),
        "TWO": (True, False, [("added", None, (0, "incomplete", 0, 1))]),
        "FOUR": (True, False, [("added", None, (0, "incomplete", 0, 1))]),
    }),
    # A course taken from one list moves another course: the change shows
    # in the requirement of lower priority that lost it.
    (TWO + 'SELECT 1 FROM [CLASS(MATH 1200), CLASS(CSCI 4350)] : "Calculus" : 5;\n',
     TWO + 'SELECT 1 FROM CLASS(CSCI 4350) : "Calculus" : 5;\n', {
        "THREE": (True, False, [("changed", (0, "complete", 2, 0), (0, "incomplete", 1, 1))]),
    }),
])
def test_who_is_listed_and_with_what(tmp_path, old, new, expected):
    result, listed, summary = reach(tmp_path, old, new, lines(STUDENTS))
    assert result.returncode == int(bool(expected)), result.stderr
    got = {s: (c["satisfied_before"], c["satisfied_after"],
               [(r["change"], standing(r["before"]), standing(r["after"])) for r in c["requirements"]])
           for s, c in listed.items()}
    assert got == expected
    assert (summary["audited"], summary["changed"], summary["failed"]) == (4, len(expected), 0)


def audits(path, records, include):
    out = run("audit", str(path), "--catalogue", CATALOGUE, "--records", str(records), "--format=json",
              "--include=" + include).stdout.decode()
    return [json.loads(line) for line in out.splitlines()]


def pairing(old, new):
    """Old requirement index -> new one: as `jrl diff` pairs the changed
    statements, and by their (unique, unchanged) description the others."""
    diff = json.loads(run("diff", str(old), str(new), "--format=json").stdout)
    pairs = {c["old_index"]: c["new_index"] for c in diff["changed"]}
    removed = {r["index"] for r in diff["removed"]}
    added = {a["index"] for a in diff["added"]}
    return pairs, removed, added


@pytest.mark.parametrize("seed, include", [(5, "completed,in-progress"), (9, "completed,in-progress,planned")])
def test_listed_exactly_when_the_audits_differ(tmp_path, seed, include):
    # The shipped revision, and one more: a requirement dropped and another
    # added in the middle, shifting every index after it.
    text = PROGRAMME.read_text()
    dropped = text.replace('SELECT 1 FROM TAG("WX Writing Intensive") : "Writing-intensive course";', "")
    shifted = tmp_path / "shifted.jrl"
    shifted.write_text(dropped.replace(
        "// ---- Laboratory science", 'SELECT 1 FROM RANGE(STAT 3000, STAT 4999) : "Data science" : 25;\n'
        "// ---- Laboratory science"))
    records = write(tmp_path, "many.jsonl", lines(generate.records(150, seed=seed)))
    for new in (REVISION, shifted):
        before, after = audits(PROGRAMME, records, include), audits(new, records, include)
        pairs, removed, added = pairing(PROGRAMME, new)
        expected = {}
        for b, a in zip(before, after):
            by_index = {r["index"]: r for r in a["requirements"]}
            by_text = {r["description"]: r for r in a["requirements"]}
            changes = []
            for r in b["requirements"]:
                if r["index"] in removed:
                    if r["status"] == "incomplete":
                        changes.append(("removed", r["index"], None))
                    continue
                other = by_index[pairs[r["index"]]] if r["index"] in pairs else by_text[r["description"]]
                if (r["status"], r["missing"]) != (other["status"], other["missing"]):
                    changes.append(("changed", r["index"], other["index"]))
            changes += [("added", None, r["index"]) for r in a["requirements"]
                        if r["index"] in added and r["status"] == "incomplete"]
            if changes or b["satisfied"] != a["satisfied"]:
                expected[b["student"]] = (b["satisfied"], a["satisfied"], sorted(changes, key=str))

        outputs = []
        for jobs in ("1", "2"):
            result = run("diff", str(PROGRAMME), str(new), "--catalogue", CATALOGUE, "--records", str(records),
                         "--format=json", "--include=" + include, "--jobs", jobs)
            assert result.returncode == int(bool(expected)), result.stderr
            outputs.append(result.stdout)
        assert outputs[0] == outputs[1]
        listed = [json.loads(line) for line in outputs[0].decode().splitlines()]
        got = {c["student"]: (c["satisfied_before"], c["satisfied_after"], sorted(
            [(r["change"], r["before"] and r["before"]["index"], r["after"] and r["after"]["index"])
             for r in c["requirements"]], key=str)) for c in listed[:-1]}
        assert got == expected and len(expected) > 10
        assert listed[-1]["audited"] == 150 and listed[-1]["changed"] == len(expected)


REVISED = 'SELECT 2 FROM RANGE(CSCI 4000, CSCI 4999) : "Electives";\n'


@pytest.mark.parametrize("args, stdin, status, stdout, stderr", [
    # A bad line is reported and counted; the others are still compared.
    (["--records", "{r}"], None, 2,
     'TWO: satisfied -> not satisfied\n'
     '  ~ [0] "Electives": complete, 1 of 1 -> incomplete, 1 of 2 (1 missing)\n'
     '      missing: 1 more from RANGE(CSCI 4000, CSCI 4999)\n'
     "2 students audited, 1 changed, 1 record failed\n",
     r'^error: .*r\.jsonl:2: student BAD: "attempts": '),
    (["--records", "{r}", "--format=json"], None, 2,
     '\n{"line":2,"student":"BAD","error":', r'r\.jsonl:2:'),
    (["--records", "-"], b"", 0, "0 students audited, 0 changed, 0 records failed\n", "^$"),
    (["--records", "{r}"], None, 2, "", "needs --catalogue"),
    (["--records", "{r}", "--include=planned,planned"], None, 2, "", "each status at most once"),
    (["--records", "{tmp}"], None, 2, "", "it is a directory"),
])
def test_exit_statuses_and_bad_records(tmp_path, args, stdin, status, stdout, stderr):
    records = write(tmp_path, "r.jsonl", lines([student("TWO", "CSCI 4020")]) + '{"student": "BAD", "attempts": 3}\n'
                    + lines([student("DONE", "CSCI 4020", "CSCI 4150")]))
    old = write(tmp_path, "old.jrl", ELECTIVES.format(1, "Electives"))
    new = write(tmp_path, "new.jrl", REVISED)
    args = [a.format(r=records, tmp=tmp_path) for a in args]
    catalogue = [] if stderr == "needs --catalogue" else ["--catalogue", CATALOGUE]
    result = run("diff", str(old), str(new), *catalogue, *args, stdin=stdin)
    assert result.returncode == status
    # Usage errors print nothing; otherwise what is given is part of it.
    out = result.stdout.decode()
    assert stdout in out if stdout else out == ""
    assert re.search(stderr, result.stderr.decode(), re.MULTILINE)
