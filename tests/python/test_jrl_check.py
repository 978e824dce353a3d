"""jrl.check, jrl.format and the editor helpers: the same results as the
jrl command, with offsets as indices into the str given."""

import copy
import json
import pathlib
import pickle
import subprocess
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
            # check says the mistake at its place; the report keeps the
            # parser's own.
            assert error.offset in (None, first[0].offset) or first[0].message != error.message
        else:
            assert all(d.severity == "warning" for d in first)


def test_parse_error_fields_from_load_and_format(tmp_path):
    text = 'SELECT 1 FROM CLASS(ECOM 1200) : "é";'
    path = tmp_path / "f.jrl"
    path.write_bytes(b"\xef\xbb\xbf" + text.encode())
    errors = []
    for call in (lambda: jrl.parse(text), lambda: jrl.load(path),
                 lambda: jrl.format(text)):
        with pytest.raises(jrl.ParseError) as info:
            call()
        errors.append(info.value)
    # load skips the byte-order mark: its offsets index the text after it.
    fix = jrl.Suggestion("replace `ECOM` with `ECON`",
                         (jrl.TextEdit(20, 24, 1, 21, 1, 25, "ECON"),))
    for error in errors:
        assert (error.code, error.suggestions, error.offset) == ("JRL033", (fix,), 20)
    assert str(errors[2]) == str(errors[0])
    assert errors[1].path == str(path) and errors[2].path is None


# ---- format ----------------------------------------------------------------


FORMAT_TEXTS = [p.read_text(encoding="utf-8") for p in sorted(EXAMPLES.glob("*.jrl"))] + [
    'SELECT 1 FROM [CLASS(MATH 1200),TAG("é😀"),  // a comment\n'
    'RANGE(MATH 1000, MATH 2000)] : "ünïcødé" : 3;',
    "",
]


@needs_cli
@pytest.mark.parametrize("width", [100, 40, 1])
@pytest.mark.parametrize("index", range(len(FORMAT_TEXTS)))
def test_format_equals_jrl_fmt(tmp_path, index, width):
    text = FORMAT_TEXTS[index]
    r = subprocess.run([JRL, "fmt", "--width", str(width), "-"], input=text.encode(),
                       capture_output=True, check=True)
    expected = r.stdout.decode()
    assert (jrl.format(text) if width == 100 else jrl.format(text, width)) == expected
    assert jrl.format(expected, width) == expected


@pytest.mark.parametrize("width, error", [(0, ValueError), (-5, ValueError),
                                          (-2**70, ValueError), ("100", TypeError),
                                          (1.5, TypeError)])
def test_format_rejects_bad_widths(width, error):
    with pytest.raises(error):
        jrl.format(GOOD, width)


def test_format_accepts_any_large_width():
    assert jrl.format(GOOD, 2**70) == jrl.format(GOOD, 10**6) == GOOD


@pytest.mark.parametrize("call", [jrl.check, jrl.format, jrl.statement_spans,
                                  jrl.closest_department])
@pytest.mark.parametrize("value", [b"SELECT", None, 1])
def test_text_arguments_must_be_str(call, value):
    with pytest.raises(TypeError):
        call(value)


# ---- editor helpers --------------------------------------------------------


@pytest.mark.parametrize("text, expected", [
    ("", [(0, 0)]),
    (GOOD, [(0, 37), (37, 38)]),
    (GOOD.strip(), [(0, 37)]),
    # Characters, not bytes; a ";" in a string or a comment ends nothing.
    ('SELECT 1 FROM TAG("é;😀") : "x"; // ;\nSELECT 2', [(0, 31), (31, 45)]),
    # A broken statement: brackets left open end at a ";" before SELECT.
    ('SELECT 1 FROM [TAG("a"); SELECT 1 FROM TAG("b") : "y";',
     [(0, 24), (24, 54)]),
])
def test_statement_spans(text, expected):
    assert jrl.statement_spans(text) == expected


def test_departments_and_closest():
    codes = jrl.departments()
    assert codes is jrl.departments()
    assert list(codes) == sorted(set(codes), key=lambda c: c.encode())
    assert {"MATH", "ECON", "W&GS", "ART"} <= set(codes)
    for code, expected in [("MATH", None), ("ECOM", "ECON"), ("MATX", "MATH"),
                           ("math", "MATH"), ("é", "ZOOL"), ("MUSC", None)]:
        assert jrl.closest_department(code) == expected
    # The suggestion is the one a report gives, unless that is a code no
    # file can hold (MUS): then no fix is offered.
    for code, reported in [("MATX", "MATH"), ("MUSC", "MUS")]:
        with pytest.raises(jrl.ParseError) as info:
            jrl.parse(f'SELECT 1 FROM CLASS({code} 1200) : "x";')
        assert info.value.message.endswith(f"(Did you mean: {reported})")
        fixes = [s.edits[0].replacement for s in info.value.suggestions]
        assert fixes == ([reported] if len(reported) == 4 else [])


def test_diagnostic_codes_describe_what_check_reports():
    codes = jrl.diagnostic_codes()
    assert codes is jrl.diagnostic_codes()
    assert [c.code for c in codes] == sorted({c.code for c in codes})
    by_code = {c.code: c for c in codes}
    assert by_code["JRL010"] == jrl.DiagnosticCode("JRL010", "error", "syntax-error", by_code["JRL010"].title)
    assert all(c.title and c.name == c.name.lower() for c in codes)
    # Every diagnostic of the golden files and the warning texts has its
    # code in the catalogue, with the same severity.
    seen = set()
    texts = [p.read_text(encoding="utf-8") for p in ERROR_FILES] + TEXTS
    for text in texts:
        for d in jrl.check(text):
            assert by_code[d.code].severity == d.severity, d.code
            seen.add(d.code)
    assert {"JRL010", "JRL033", "JRL201", "JRL204"} <= seen


# ---- the value classes -------------------------------------------------------


def test_diagnostics_are_values():
    text = 'SELECT 1 FROM [TAG("a"),\n  TAG("a")] : "x";\nSELECT 1 FROM CLASS(ECOM 1200) : "y";'
    found = jrl.check(text) + jrl.check(text[:text.index("\nSELECT")])
    assert [d.code for d in found] == ["JRL033", "JRL204"]
    note = found[1].notes[0]
    assert note == jrl.Note("first written here", 1, 16, 15)
    for value in found + [found[0].suggestions[0], found[0].suggestions[0].edits[0], note]:
        for copied in (pickle.loads(pickle.dumps(value)), copy.copy(value),
                       copy.deepcopy(value), eval(repr(value), vars(jrl))):
            assert copied == value and hash(copied) == hash(value)
            assert type(copied) is type(value)
        with pytest.raises(AttributeError):
            value.message = "changed"
    d = found[0]
    assert type(d).__match_args__ == (
        "severity", "code", "message", "context", "line", "column", "end_line",
        "end_column", "offset", "end_offset", "report", "suggestions", "notes")
    assert jrl.Suggestion("m", [jrl.TextEdit(0, 0, 1, 1, 1, 1, "x")]).edits == (
        jrl.TextEdit(0, 0, 1, 1, 1, 1, "x"),)
    assert jrl.Suggestion("m", ()) != jrl.Note("m", 1, 1, 0)


def test_threads_check_and_format_side_by_side():
    texts = [f'SELECT {n} FROM TAG("t{n}") : "d";\nSELECT 0 FROM TAG("x") : "é";\n' * 100
             for n in range(1, 9)]
    expected = [(jrl.check(t), jrl.format(t.replace("SELECT 0", "SELECT 1")),
                 jrl.statement_spans(t)) for t in texts]
    results = [None] * len(texts)

    def work(i):
        for _ in range(10):
            results[i] = (jrl.check(texts[i]),
                          jrl.format(texts[i].replace("SELECT 0", "SELECT 1")),
                          jrl.statement_spans(texts[i]))

    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(texts))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results == expected
