"""Fixes applied in one go (jrl.fix, jrl check --fix) and the helpers for
checking named files: jrl.check(path=), jrl.check_file, the headline of
ParseError and the hints for a path given as text and text given as a path."""

import os
import subprocess

import pytest

import jrl
from test_cli import JRL

BROKEN = ('SELECT 1 FROM CLASS(MATH 1200) : "a"\nSELECT 1 FROM CLASS(MATH 1210) : "b";\n'
          'SELCT 1 FROM CLASS(MATH 1220) : "c";\nSELECT 1 FROM CLASS(ECOM 1210) : "d";\n')
FIXED = ('SELECT 1 FROM CLASS(MATH 1200) : "a";\nSELECT 1 FROM CLASS(MATH 1210) : "b";\n'
         'SELECT 1 FROM CLASS(MATH 1220) : "c";\nSELECT 1 FROM CLASS(ECON 1210) : "d";\n')
GOOD = 'SELECT 1 FROM CLASS(MATH 1200) : "a";\n'
UNFIXABLE = 'SELECT 0 FROM CLASS(MATH 1200) : "a";\n'


def test_fix_mends_and_leaves_the_rest():
    assert jrl.fix(BROKEN) == FIXED
    assert jrl.check(FIXED) == []
    for text in (GOOD, UNFIXABLE, "\ufeff" + GOOD.replace("\n", "\r\n")):
        assert jrl.fix(text) == text


def test_named_checks(tmp_path):
    (first,) = jrl.check(UNFIXABLE, path="a.jrl")
    assert " --> a.jrl:1:8" in first.report
    assert first.report == jrl.check(UNFIXABLE)[0].report.replace(" --> 1:8", " --> a.jrl:1:8")
    # A file: a byte-order mark skipped for columns, bytes that are not
    # UTF-8 a diagnostic, each report naming the file.
    bom = tmp_path / "bom.jrl"
    bom.write_bytes(b"\xef\xbb\xbf" + UNFIXABLE.encode())
    (d,) = jrl.check_file(bom)
    assert (d.code, d.line, d.column, d.offset) == ("JRL020", 1, 8, 8)
    assert f" --> {bom}:1:8" in d.report
    bad = tmp_path / "bad.jrl"
    bad.write_bytes(b'SELECT 1 FROM TAG("\xff") : "x";\n')
    assert [d.code for d in jrl.check_file(bad)] == ["JRL001"]
    assert jrl.check_file(str(bom), warnings=False) == [d]
    with pytest.raises(FileNotFoundError):
        jrl.check_file(tmp_path / "missing.jrl")


# Text given to parse; what str(ParseError) starts with.
HEADLINES = [
    (UNFIXABLE, "error[JRL020]: cannot select zero\nfailed parsing quantity"),
    ('SELECT 1 FROM TAG("t") : "x" : 65536;',
     "error[JRL024]: a priority is a whole number from 0 to 65535\n --> a.jrl:1:32\nselection could not fit"),
    ("programme.jrl", "error[JRL010]: "),
]


@pytest.mark.parametrize("text, start", HEADLINES)
def test_parse_error_leads_with_the_headline(text, start):
    with pytest.raises(jrl.ParseError) as info:
        jrl.parse(text, path="a.jrl")
    error = info.value
    assert str(error).startswith(start)
    assert str(error).endswith("\n" + error.report)
    path_hint = "use jrl.load('programme.jrl')" in error.headline
    assert path_hint == (text == "programme.jrl")


def test_load_of_text_says_to_parse():
    with pytest.raises(FileNotFoundError, match=r"use jrl\.parse\(text\)"):
        jrl.load(GOOD)
    with pytest.raises(FileNotFoundError) as info:
        jrl.load("no-such-file.jrl")
    assert "jrl.parse" not in str(info.value)


def run(*args, cwd):
    return subprocess.run([JRL, *args], cwd=cwd, capture_output=True, text=True)


@pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")
def test_cli_fix(tmp_path):
    for name, text in (("broken.jrl", BROKEN), ("good.jrl", GOOD), ("zero.jrl", UNFIXABLE)):
        (tmp_path / name).write_text(text)
        os.utime(tmp_path / name, (1, 1))
    # --diff shows the fixes and writes nothing; the status is what remains.
    shown = run("check", "--fix", "--diff", "broken.jrl", "good.jrl", cwd=tmp_path)
    assert (shown.returncode, shown.stderr) == (0, "")
    assert "-SELCT 1 FROM CLASS(MATH 1220)" in shown.stdout
    assert "+SELECT 1 FROM CLASS(ECON 1210)" in shown.stdout
    assert (tmp_path / "broken.jrl").read_text() == BROKEN
    done = run("check", "--fix", ".", cwd=tmp_path)
    assert done.returncode == 1
    assert "broken.jrl: 3 fixes applied" in done.stderr and "JRL020" in done.stderr
    assert (tmp_path / "broken.jrl").read_text() == FIXED
    # Nothing to fix: not even rewritten.
    for name in ("good.jrl", "zero.jrl"):
        assert os.stat(tmp_path / name).st_mtime == 1
    assert "--fix" in run("check", "--help", cwd=tmp_path).stdout
