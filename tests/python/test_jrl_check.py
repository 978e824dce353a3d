"""jrl.check, jrl.format and the editor helpers: the same results as the
jrl command, with offsets as indices into the str given."""

import json
import pathlib
import pickle
import threading

import pytest

import jrl
from test_cli import JRL, run, write

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
ERROR_FILES = sorted((EXAMPLES / "errors").glob("*.jrl"))
GOOD = 'SELECT 1 FROM CLASS(MATH 1200) : "a";\n'

needs_cli = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

# Texts beside the golden files: several errors, each warning, non-ASCII
# text before the faults and inside the fixes, a byte-order mark.
TEXTS = [
    GOOD + 'SELECT 0 FROM CLASS(MATH 1200) : "zéro";\n'
    'SELECT 1 FROM CLASS(MATH 1200 : "paren";\n'
    'SELECT 1 FROM CLASS(ECOM 1200) : "dépt";\n'
    'SELECT 1 FROM CLASS(MATH 1200) : "prio" : 70000;\n',
    '// ünïcødé 😀\nSELECT 1 FROM CLASS(math 1200) : "é" \nSELECT 1 FROM TAG("😀") : "x";',
    '"😀" SELECT 1 FROM CLASS(MATH 1200) : "x";',
    'SELECT 3 FROM [CLASS(MATH 1200), CLASS(MATH 1300)] : "😀";',
    'SELECT 1 FROM RANGE_TAG(MATH 3000, MATH 2000, "t") : "x";',
    '/* é */ SELECT 1 FROM RANGE(MATH 3000, CSCI 4000) : "x";',
    'SELECT 1 FROM [TAG("é"), CLASS(MATH 1200),\n  TAG("é")] : "x";',
    'SELECT 1 FROM SELECT 1 FROM [DIST(""), PLACEMENT("")] : "x";',
    '\ufeffSELECT 1 FROM CLASS(ECOM 1200) : "é";\nSELECT 1 FROM TAG("") : "x";',
    '\ufeff' + GOOD,
    "",
    GOOD,
]


def characters(data, byte_offset):
    return len(data[:byte_offset].decode())


def cli_diagnostics(tmp_path, text, *args):
    """The CLI's JSON diagnostics, offsets turned into character indices."""
    data = text.encode()
    path = write(tmp_path, "f.jrl", data)
    r = run("check", "--format=json", *args, str(path))
    found = [json.loads(line) for line in r.stdout.decode().splitlines()]
    for d in found:
        del d["file"]
        d["offset"] = characters(data, d["offset"])
        d["end_offset"] = characters(data, d["end_offset"])
        for s in d["suggestions"]:
            for e in s["edits"]:
                e["offset"] = characters(data, e["offset"])
                e["end_offset"] = characters(data, e["end_offset"])
    return found


def as_json(d):
    """A Diagnostic in the CLI's JSON shape (notes give no offset there)."""
    return {
        "severity": d.severity, "code": d.code, "message": d.message,
        "context": list(d.context), "line": d.line, "column": d.column,
        "end_line": d.end_line, "end_column": d.end_column,
        "offset": d.offset, "end_offset": d.end_offset, "report": d.report,
        "suggestions": [
            {"message": s.message,
             "edits": [{"offset": e.offset, "end_offset": e.end_offset,
                        "line": e.line, "column": e.column,
                        "end_line": e.end_line, "end_column": e.end_column,
                        "replacement": e.replacement} for e in s.edits]}
            for s in d.suggestions],
        "notes": [{"message": n.message, "line": n.line, "column": n.column}
                  for n in d.notes],
    }


@needs_cli
@pytest.mark.parametrize(
    "text", [p.read_text(encoding="utf-8") for p in ERROR_FILES] + TEXTS,
    ids=[p.stem for p in ERROR_FILES] + [f"text{i}" for i in range(len(TEXTS))])
@pytest.mark.parametrize("warnings", [True, False])
def test_check_equals_the_cli(tmp_path, text, warnings):
    expected = cli_diagnostics(
        tmp_path, text, "--warnings=" + ("show" if warnings else "ignore"))
    got = jrl.check(text, warnings=warnings)
    assert [as_json(d) for d in got] == expected
    for d in got:
        # Offsets index the str: the edits apply to it as given.
        for s in d.suggestions:
            fixed = text
            for e in sorted(s.edits, key=lambda e: e.offset, reverse=True):
                fixed = fixed[:e.offset] + e.replacement + fixed[e.end_offset:]
            assert fixed != text
        for n in d.notes:
            line_start = text.rindex("\n", 0, n.offset) + 1 if "\n" in text[:n.offset] else 0
            assert n.offset - line_start + 1 == n.column


def test_parse_error_code_and_suggestions_are_checks_first():
    # check skips a byte-order mark, as files are read; parse does not.
    texts = [t for t in TEXTS if not t.startswith("\ufeff")]
    for text in [p.read_text(encoding="utf-8") for p in ERROR_FILES] + texts:
        first = jrl.check(text)
        try:
            jrl.parse(text)
        except jrl.ParseError as error:
            assert (error.code, error.suggestions) == (first[0].code, first[0].suggestions)
            assert error.report == first[0].report
            assert error.offset in (None, first[0].offset)
        else:
            assert all(d.severity == "warning" for d in first)
