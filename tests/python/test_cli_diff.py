"""`jrl diff`: what changed in meaning between two versions of a programme,
checked on the shipped programmes (layout and order alone change nothing
but places), against the Python package's catalogue matching, and for its
exit statuses, text form and failures."""

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
STATEMENT = re.compile(r"^[A-Z].*?;[^\n]*$", re.MULTILINE | re.DOTALL)


def diff_json(tmp_path, old, new, *args):
    result = run("diff", str(write(tmp_path, "old.jrl", old)), str(write(tmp_path, "new.jrl", new)),
                 "--format=json", *args)
    assert result.returncode in (0, 1), result.stderr
    document = json.loads(result.stdout)
    assert result.returncode == int(bool(document["added"] or document["removed"] or document["changed"]))
    return document


@pytest.mark.parametrize("programme", PROGRAMMES, ids=lambda p: p.name)
def test_layout_is_no_change_and_order_only_moves(tmp_path, programme):
    text = programme.read_text(encoding="utf-8")
    count = len(jrl.parse(text).requirements)
    same = diff_json(tmp_path, text, jrl.format(text, width=40))
    assert (same["added"], same["removed"], same["changed"], same["unchanged"]) == ([], [], [], count)

    # Statements in reverse order: each is found again, and all but one moved.
    statements = [m.group(0) for m in STATEMENT.finditer(text)]
    assert len(statements) == count
    reversed_ = diff_json(tmp_path, text, "\n".join(reversed(statements)) + "\n")
    assert reversed_["added"] == reversed_["removed"] == []
    assert all(c["changes"] == [] and c["moved"] for c in reversed_["changed"])
    assert len(reversed_["changed"]) == count - 1
    assert all(c["new_index"] == count - 1 - c["old_index"] for c in reversed_["changed"])

    # Without its first statement: that one is removed, with what it selected.
    catalogue = jrl.Catalogue.load(CATALOGUE)
    dropped = diff_json(tmp_path, text, text.replace(statements[0], "", 1), "--catalogue", str(CATALOGUE))
    first = jrl.parse(text).requirements[0]
    assert [(r["index"], r["description"]) for r in dropped["removed"]] == [(0, first.description)]
    assert [c["code"] for c in dropped["removed"][0]["courses"]] == [c.code for c in catalogue.courses_for(first)]
    assert dropped["changed"] == [] and dropped["unchanged"] == count - 1


def test_courses_that_change_agree_with_the_catalogue(tmp_path):
    catalogue = jrl.Catalogue.load(CATALOGUE)
    old = 'SELECT 2 FROM [RANGE(CSCI 1000, CSCI 2999), CLASS(MATH 1200)] : "Foundations";\n'
    new = 'SELECT 2 FROM [RANGE(CSCI 2000, CSCI 3999), CLASS(MATH 1200)] : "Foundations";\n'
    document = diff_json(tmp_path, old, new, "--catalogue", str(CATALOGUE))
    before, after = (set(c.code for c in catalogue.courses_for(jrl.parse(t).requirements[0])) for t in (old, new))
    (changed,) = document["changed"]
    assert sorted(c["code"] for c in changed["courses_now_counting"]) == sorted(after - before) != []
    assert sorted(c["code"] for c in changed["courses_no_longer_counting"]) == sorted(before - after) != []
    assert document["catalogue"] == catalogue.name


CORE = 'SELECT 5 FROM RANGE(CSCI 1000, CSCI 1999) : "Core courses";\n'
CORE_NEW = '// more\nSELECT 6 FROM [RANGE(CSCI 1000, CSCI 1999), CLASS(CSCI 2500)] : "Core courses";\n'


@pytest.mark.parametrize(
    "old, new, args, status, stdout, stderr",
    [
        (CORE, CORE, [], 0, "no change in meaning (1 statement the same)\n", "^$"),
        (
            CORE, CORE_NEW, ["--catalogue", str(CATALOGUE)], 1,
            '~ [0] "Core courses" (line 1 -> 2): quantity 5 -> 6; + CLASS(CSCI 2500)\n'
            "  courses now counting: CSCI 2500 Computer Organization\n"
            "0 added, 0 removed, 1 changed, 0 unchanged\n",
            "^$",
        ),
        (
            CORE, CORE + 'LIMIT 1 FROM TAG("WX Pass/Fail") : "Pass/fail" : 3;\n', [], 1,
            '+ [1] "Pass/fail" (line 2): LIMIT 1 FROM TAG("WX Pass/Fail"), priority 3\n'
            "1 added, 0 removed, 0 changed, 1 unchanged\n",
            "^$",
        ),
        (CORE, CORE_NEW, ["--color=always"], 1, "\x1b[", "^$"),
        # A version that does not parse is reported as check reports it.
        (CORE, 'SELECT 0 FROM CLASS(MATH 1200) : "Calculus";\n', [], 2, "", r"error\[JRL020\].*\n(.*\n)*.*--> .*new\.jrl:1:8"),
        (CORE, CORE, ["--catalogue", "{d}/missing.json"], 2, "", r"missing\.json"),
        (CORE, CORE, ["--format=sarif"], 2, "", r"expected text or json"),
    ],
)
def test_diff_text_statuses_and_failures(tmp_path, old, new, args, status, stdout, stderr):
    write(tmp_path, "old.jrl", old)
    write(tmp_path, "new.jrl", new)
    result = run("diff", str(tmp_path / "old.jrl"), str(tmp_path / "new.jrl"),
                 *[a.format(d=tmp_path) for a in args])
    assert result.returncode == status, result.stderr
    assert re.search(stderr, result.stderr.decode())
    out = result.stdout.decode()
    assert stdout in out if stdout.startswith("\x1b") else out == stdout


@pytest.mark.parametrize("args, message", [
    (["diff", "a.jrl"], "takes two files"),
    (["diff"], "needs two files"),
    (["diff", "-", "-"], "standard input for one of its files only"),
    (["diff", "{d}/none.jrl", "{d}/none.jrl"], r"cannot read .*none\.jrl"),
])
def test_diff_usage_errors(tmp_path, args, message):
    result = run(*[a.format(d=tmp_path) for a in args])
    assert result.returncode == 2
    assert re.search(message, result.stderr.decode())
