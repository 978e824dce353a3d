"""jrl.ParseError: the report pylibjrl gives, and the fields of the
innermost error of its chain."""

import os
import pathlib
import pickle
import threading

import pytest

import jrl
import pylibjrl

ROOT = pathlib.Path(__file__).resolve().parents[2]
ERRORS = ROOT / "examples" / "errors"
ERROR_FILES = sorted(ERRORS.glob("*.jrl"))
FIELDS = ("message", "line", "column", "end_line", "end_column", "offset", "context",
          "code")


def parse_error(text, **kwargs):
    with pytest.raises(jrl.ParseError) as info:
        jrl.parse(text, **kwargs)
    return info.value


def pylibjrl_report(text):
    with pytest.raises(ValueError) as info:
        pylibjrl.parse(text)
    return str(info.value)


# Text, then the fields of its ParseError.
FIELD_CASES = [
    # A syntax error: a position, no end.
    ('SELECT 1 FROM CLASS(MATH 1200) : "x"',
     ("expected class id (4-digit int)", 1, 24, None, None, 23, (), "JRL010")),
    # A span under one context; the offset counts characters, not bytes.
    ('// é\nSELECT 0 FROM CLASS(MATH 1200) : "x";',
     ("cannot select zero", 2, 8, 2, 9, 12, ("failed parsing quantity",), "JRL020")),
    # Deep in nested queries.
    ('SELECT 1 FROM SELECT 1 FROM CLASS(ECOM 1200) : "x";',
     ("this department does not exist in Wexmoor's course catalog (Did you mean: ECON)",
      1, 35, 1, 39, 34,
      ("failed parsing selector", "could not parse nested query",
       "failed parsing selector"), "JRL033")),
    # No place in the text at all.
    ('SELECT 1 FROM TAG("t") : "x" : 65536;',
     ("number too large to fit in target type", None, None, None, None, None,
      ("selection could not fit as u16",), "JRL024")),
]


@pytest.mark.parametrize("text,fields", FIELD_CASES)
def test_fields(text, fields):
    error = parse_error(text)
    assert tuple(getattr(error, name) for name in FIELDS) == fields
    assert error.report == pylibjrl_report(text)
    # str() leads with the headline `jrl check` prints, then the report.
    assert error.headline.startswith(f"error[{error.code}]: ")
    assert str(error) == error.headline + "\n" + error.report
    assert error.path is None
    assert isinstance(error, ValueError)
    if error.offset is not None:
        assert text[error.offset:].startswith(text.splitlines()[error.line - 1][error.column - 1:])


@pytest.mark.parametrize("path", ERROR_FILES, ids=lambda p: p.name)
def test_reports_are_pylibjrl_and_cli_texts(path, monkeypatch):
    text = path.read_text(encoding="utf-8")
    assert parse_error(text).report == pylibjrl_report(text)
    # With a path, the report names the file as `jrl check` does.
    cli = path.with_suffix(".expected").read_text(encoding="utf-8")
    header, _, chain = cli.partition("\n")
    assert header == f"error: could not parse {path.name}"
    assert parse_error(text, path=path.name).report == chain.rstrip("\n")
    monkeypatch.chdir(ERRORS)
    with pytest.raises(jrl.ParseError) as info:
        jrl.load(path.name)
    assert info.value.report == chain.rstrip("\n")
    assert info.value.path == path.name


def test_pickled_error_keeps_its_fields():
    error = parse_error(FIELD_CASES[2][0], path="x.jrl")
    loaded = pickle.loads(pickle.dumps(error))
    assert type(loaded) is jrl.ParseError
    assert str(loaded) == str(error)
    for name in FIELDS + ("code", "suggestions", "report", "path"):
        assert getattr(loaded, name) == getattr(error, name)


def test_load_reads_utf8_and_skips_a_bom(tmp_path):
    text = 'SELECT 1 FROM TAG("é") : "x";\n'
    plain, bom = tmp_path / "plain.jrl", tmp_path / "bom.jrl"
    plain.write_bytes(text.encode())
    bom.write_bytes(b"\xef\xbb\xbf" + text.encode())
    assert jrl.load(plain) == jrl.load(str(bom)) == jrl.parse(text)
    assert jrl.load(bom).requirements[0].span.column == 1
    assert jrl.load(bom).path == str(bom)
    # A BOM in a str given to parse() is the text's own first character.
    with pytest.raises(jrl.ParseError):
        jrl.parse("\ufeff" + text)


def test_load_failures(tmp_path):
    bad = tmp_path / "bad.jrl"
    bad.write_bytes(b'SELECT 1 FROM TAG("\xff") : "x";')
    with pytest.raises(jrl.ParseError) as info:
        jrl.load(bad)
    error = info.value
    assert (error.message, error.line, error.column, error.offset) == (
        "input is not valid UTF-8", 1, 20, 19)
    assert error.report.startswith(f" --> {bad}:1:20\n")
    with pytest.raises(FileNotFoundError):
        jrl.load(tmp_path / "missing.jrl")


@pytest.mark.parametrize("call,exception", [
    (lambda: jrl.parse(b"SELECT"), TypeError),
    (lambda: jrl.parse("x", path=3), TypeError),
    (lambda: jrl.parse("\ud800"), UnicodeEncodeError),
])
def test_argument_errors(call, exception):
    with pytest.raises(exception):
        call()


def test_path_like_names_the_file():
    error = parse_error("SELECT", path=pathlib.PurePosixPath("dir/a.jrl"))
    assert error.report.startswith(" --> dir/a.jrl:1:7")


def test_threads_parse_side_by_side():
    texts = [f'SELECT {n} FROM TAG("t{n}") : "d";\n' * 200 for n in range(1, 9)]
    results = [None] * len(texts)

    def work(i):
        for _ in range(20):
            results[i] = jrl.parse(texts[i]).to_json()

    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(texts))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results == [pylibjrl.parse(t).json() for t in texts]
