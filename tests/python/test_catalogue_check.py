"""Checking against a catalogue: planted mistakes with their codes, places
and fixes, the shipped programmes clean against the shipped catalogue, how
jrl check finds its catalogue, and the guide's examples as shown."""

import re
from pathlib import Path

import pytest

import jrl
from jrl._config import ConfigError, find_config
from test_cli import JRL, run, write

ROOT = Path(__file__).resolve().parents[2]
CATALOGUE = ROOT / "examples" / "catalogue" / "wexmoor.json"
PROGRAMMES = sorted((ROOT / "examples").glob("*.jrl"))
needs_cli = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

# Each mistake: the statement, then the code, the text it is placed on and
# what its fix writes there (None: no fix).
PLANTED = [
    ('SELECT 1 FROM DIST("WX Writting Intensive") : "Writing";',
     "JRL211", '"WX Writting Intensive"', '"WX Writing Intensive"'),
    ('SELECT 1 FROM TAG_DEPT("WX Seminar", "HISTORY BA") : "Seminar";',
     "JRL212", '"HISTORY BA"', '"HIST-BA"'),
    ('SELECT 1 FROM PLACEMENT("LANG-INTERMEDAITE") : "Language placement";',
     "JRL213", '"LANG-INTERMEDAITE"', '"SPAN-INTERMEDIATE"'),
    ('SELECT 1 FROM CLASS(HIST 9999) : "No such course";', "JRL214", "HIST 9999", "HIST 2390"),
    ('SELECT 1 FROM RANGE_TAG(CSCI 1000, CSCI 4999, "WX Capstone Project") : "Capstone";',
     "JRL210", '"WX Capstone Project"', '"WX Capstone"'),
    ('SELECT 1 FROM CLASS(MATH 1201) : "Calculus I";', "JRL214", "MATH 1201", "MATH 1200"),
    ('SELECT 1 FROM RANGE(HIST 4000, HIST 4999) : "Upper-level history";',
     "JRL215", "RANGE(HIST 4000, HIST 4999)", None),
    ('SELECT 3 FROM [CLASS(MATH 1200), SELECT 0-1 FROM RANGE(MATH 3000, MATH 4999)] : "Three";', "JRL216", "3", None),
    ('SELECT 1 FROM [CLASS(MATH 1200), SELECT 4 FROM RANGE_TAG(MATH 3000, MATH 3999, "WX Proof")] : "Or four";',
     "JRL216", "4", None),
]


@pytest.fixture(scope="module")
def catalogue():
    return jrl.Catalogue.load(CATALOGUE)


def test_planted_mistakes_are_told_where_they_are_with_their_fix(catalogue):
    # One file of every mistake: each is told once, at its place.
    text = "\n".join(p[0] for p in PLANTED) + "\n"
    found = jrl.check(text, catalogue=catalogue)
    assert len(found) == len(PLANTED)
    for d, (line, code, place, fix) in zip(found, PLANTED):
        assert (d.code, d.severity) == (code, "warning"), d
        assert text[d.offset:d.end_offset] == place and line in text[d.offset - d.column + 1:]
        fixes = [(e.replacement, text[e.offset:e.end_offset]) for s in d.suggestions for e in s.edits]
        assert fixes == ([] if fix is None else [(fix, place)])
    # Without a catalogue, the same text has no warning.
    assert jrl.check(text) == []


@pytest.mark.parametrize("programme", PROGRAMMES, ids=lambda p: p.name)
def test_shipped_programmes_fit_the_shipped_catalogue(catalogue, programme):
    assert jrl.check(programme.read_text(encoding="utf-8"), catalogue=catalogue) == []


def test_check_takes_only_a_catalogue():
    with pytest.raises(TypeError):
        jrl.check("", catalogue=str(CATALOGUE))  # type: ignore[arg-type]


# ---- the configuration file and the command line ------------------------------

TAG_MISTAKE = 'SELECT 1 FROM TAG("WX Semnar") : "Seminar";\n'


@pytest.mark.parametrize("files, found", [
    ({"jrl.toml": 'catalogue = "cat.json"'}, "cat.json"),
    ({"a/b/jrl.toml": 'catalogue = "../cat.json"'}, "a/cat.json"),
    ({"pyproject.toml": '[tool.jrl]\ncatalogue = "cat.json"'}, "cat.json"),
    ({"a/b/pyproject.toml": "[project]\nname = 'x'", "a/jrl.toml": 'catalogue = "c.json"'}, "a/c.json"),
    ({"jrl.toml": 'catalogue = "x.json"', "a/b/jrl.toml": ""}, None),
    ({"jrl.toml": 'catalog = "x.json"'}, ConfigError),
    ({"jrl.toml": "catalogue = 3"}, ConfigError),
    ({"jrl.toml": "catalogue = "}, ConfigError),
], ids=["here", "parent-relative", "pyproject", "pyproject-of-another", "nearest-wins", "unknown-key",
        "wrong-type", "not-toml"])
def test_configuration_is_found_from_the_file_upwards(tmp_path, files, found):
    for name, content in files.items():
        (tmp_path / name).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / name).write_text(content)
    (tmp_path / "a" / "b").mkdir(parents=True, exist_ok=True)
    fault = found is ConfigError
    if fault:
        with pytest.raises(ConfigError, match=re.escape(str(tmp_path))):
            find_config(tmp_path / "a" / "b")
    else:
        config = find_config(tmp_path / "a" / "b")
        got = config.catalogue if config is not None else None
        assert (got and got.resolve()) == (found and (tmp_path / found).resolve())
        if found is not None:
            (tmp_path / found).write_bytes(CATALOGUE.read_bytes())
    if JRL is None:
        return
    # The command finds the same, or stops at the same fault.
    write(tmp_path, "a/b/p.jrl", TAG_MISTAKE)
    r = run("check", "--color=never", "a/b/p.jrl", cwd=tmp_path)
    assert r.returncode == (2 if fault else 0), r.stderr
    assert (b"JRL210" in r.stderr) == (found is not None and not fault), r.stderr


@needs_cli
@pytest.mark.parametrize("args, status, told", [
    (["--catalogue", str(CATALOGUE)], 0, "JRL210"),
    (["--catalogue", str(CATALOGUE), "--format=json"], 0, '"code":"JRL210"'),
    (["--catalogue", str(CATALOGUE), "--format=sarif"], 0, '"ruleId":"JRL210"'),
    (["--catalogue", str(CATALOGUE), "--format=short"], 0, "JRL210"),
    (["--catalogue", str(CATALOGUE), "--warnings=error"], 1, "JRL210"),
    (["--catalogue", "missing.json"], 2, "missing.json"),
    (["--catalogue", "bad.json"], 2, "bad.json: courses[0] (MATH 1200)"),
    (["--no-config"], 0, None),
    ([], 2, "jrl.toml:1:1: unknown setting"),
])
def test_check_with_a_catalogue(tmp_path, args, status, told):
    write(tmp_path, "p.jrl", TAG_MISTAKE)
    write(tmp_path, "bad.json", '{"courses": [{"course": "MATH 1200", "credits": "four"}]}')
    write(tmp_path, "jrl.toml", 'catalog = "bad.json"\n')
    r = run("check", "--color=never", *args, "p.jrl", cwd=tmp_path)
    out = (r.stdout + r.stderr).decode()
    assert r.returncode == status, out
    assert (told is None and out == "") or (told is not None and told.replace(" ", "") in out.replace(" ", ""))


# ---- the guide's examples ----------------------------------------------------

FENCE = re.compile(r"^```([\w-]*)\n(.*?)^```\n", re.S | re.M)


def guide_cases():
    blocks = [(m.group(1), m.group(2)) for m in FENCE.finditer((ROOT / "docs" / "diagnostics.md").read_text())]
    return [pytest.param(body, blocks[i + 1][1], id=f"block{i}")
            for i, (lang, body) in enumerate(blocks) if lang == "jrl-catalogue"]


@needs_cli
@pytest.mark.parametrize("source, expected", guide_cases())
def test_guide_examples_report_as_shown(tmp_path, source, expected):
    write(tmp_path, "example.jrl", source)
    r = run("check", "--color=never", "--catalogue", str(CATALOGUE), "example.jrl", cwd=tmp_path)
    assert r.returncode == 0 and r.stderr.decode() == expected
