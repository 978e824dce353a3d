"""`jrl courses`: what each top-level statement selects from a catalogue,
checked against the Python package's own catalogue matching, and the ways
it fails."""

import json
import re
from pathlib import Path

import pytest

import jrl
from test_cli import JRL, run, write

pytestmark = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

ROOT = Path(__file__).resolve().parents[2]
CATALOGUE = ROOT / "examples" / "catalogue" / "wexmoor.json"
PROGRAMMES = sorted((ROOT / "examples").glob("*.jrl"))
# A top-level statement starts a line with its keyword; what it holds and
# its closing lines are indented or start with a bracket.
STATEMENT_START = re.compile(r"^[A-Z]", re.MULTILINE)


def course_fields(course):
    return {
        "code": course.code,
        "department": course.department,
        "number": course.number,
        "lab": course.lab,
        "title": course.title,
        "credits": course.credits,
    }


@pytest.mark.parametrize("programme", PROGRAMMES, ids=lambda p: p.name)
def test_courses_agree_with_the_catalogue(programme):
    catalogue = jrl.Catalogue.load(CATALOGUE)
    text = programme.read_text(encoding="utf-8")
    requirements = jrl.parse(text).requirements
    lines = [text.count("\n", 0, m.start()) + 1 for m in STATEMENT_START.finditer(text)]

    listed = run("courses", str(programme), "--catalogue", str(CATALOGUE), "--format=json")
    assert listed.returncode == 0, listed.stderr
    rows = [json.loads(line) for line in listed.stdout.decode().splitlines()]
    assert len(requirements) == len(lines)
    expected = [
        {
            "index": i,
            "line": line,
            "description": r.description,
            "courses": [course_fields(c) for c in catalogue.courses_for(r)],
        }
        for i, (r, line) in enumerate(zip(requirements, lines))
    ]
    assert rows == expected
    assert any(row["courses"] for row in rows)

    # The text form: one heading per statement with its count, then the
    # courses one a line, titles in one column.
    text_out = run("courses", str(programme), "--catalogue", str(CATALOGUE)).stdout.decode()
    blocks = text_out.split("\n\n")
    assert len(blocks) == len(rows)
    for block, row in zip(blocks, rows):
        head, *courses = block.strip("\n").split("\n")
        count = len(row["courses"])
        assert head == f'line {row["line"]}: {json.dumps(row["description"])} ({count} course{"" if count == 1 else "s"})'
        assert [c.split()[:2] for c in courses] == [c["code"].split() for c in row["courses"]]
        assert len({c.index(row_c["title"]) for c, row_c in zip(courses, row["courses"])}) <= 1


BROKEN = 'SELECT 1 FROM CLASS(MATH 1200) : "Calculus";\nSELECT 1 FROM CLASS(MATH 12) : "Broken";\nSELECT 1 FROM CLASS(MATH 1210) : "Calculus II";\n'


@pytest.mark.parametrize(
    "setup, args, status, stdout, stderr",
    [
        # A catalogue that does not load names its file, entry and field.
        (
            lambda d: write(d, "bad.json", '{"courses": [{"course": "MATH 1200", "title": "Calculus I", "credits": "four"}]}'),
            ["courses", "{d}/p.jrl", "--catalogue", "{d}/bad.json"],
            2, None, r'bad\.json: courses\[0\] \(MATH 1200\): .*credits',
        ),
        (None, ["courses", "{d}/missing.jrl", "--catalogue", str(CATALOGUE)], 2, None, r"missing\.jrl"),
        (None, ["courses", "{d}/p.jrl"], 2, None, r"needs --catalogue"),
        (None, ["courses", "{d}/p.jrl", "--catalogue", str(CATALOGUE), "--format=sarif"], 2, None, r"expected text or json"),
        # One broken statement: the others are still listed, in place.
        (
            None,
            ["courses", "{d}/p.jrl", "--catalogue", str(CATALOGUE), "--format=json"],
            1,
            [
                [0, 1, "Calculus", ["MATH 1200"], None],
                [1, 2, None, None, "a course number has four digits, such as `1200`"],
                [2, 3, "Calculus II", ["MATH 1210"], None],
            ],
            r"^$",
        ),
        (None, ["courses", "{d}/p.jrl", "--catalogue", str(CATALOGUE)], 1, "line 2: error: a course number has four digits", r"^$"),
    ],
)
def test_courses_failures(tmp_path, setup, args, status, stdout, stderr):
    write(tmp_path, "p.jrl", BROKEN)
    if setup:
        setup(tmp_path)
    result = run(*[a.format(d=tmp_path) for a in args])
    assert result.returncode == status
    assert re.search(stderr, result.stderr.decode())
    out = result.stdout.decode()
    if isinstance(stdout, list):
        rows = [json.loads(line) for line in out.splitlines()]
        assert [
            [r["index"], r["line"], r["description"],
             r["courses"] and [c["code"] for c in r["courses"]], r.get("error")]
            for r in rows
        ] == stdout
    elif stdout:
        assert stdout in out
    else:
        assert out == ""
