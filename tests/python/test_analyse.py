"""jrl.analyse against two independent facts: jrl.check's diagnostics, and
jrl.parse of each statement alone and of the whole text."""

import pickle

import pytest

import jrl
from jrl_sources import error_example_files, example_files, read
from test_jrl_check import TEXTS

BOM = "\ufeff"
CORPUS = [read(p) for p in example_files() + error_example_files()] + TEXTS + [
    # Comments between and after statements, a statement left open at the end.
    '/* a */ SELECT 1 FROM TAG("t") : "x"; // b\r\n\r\n'
    'LIMIT 2 FROM [SELECT 1 FROM DIST("d") : "n", TAG("é")] : "y" : 3;\n// c\n'
    'SELECT 1 FROM CLASS(MATH 1200) : "open"',
]


def spans(file):
    """Every span of a File: each requirement's, then its selectors' in order."""
    for requirement in file.requirements:
        yield requirement.span
        stack = list(reversed(requirement.query.selectors))
        while stack:
            selector = stack.pop()
            yield selector.span
            if isinstance(selector, jrl.NestedQuery):
                stack.extend(reversed(selector.query.selectors))


def place(text, offset):
    """Line and column of an index, counted here: a line ends after "\\n",
    and a byte-order mark is no column."""
    before = text[:offset]
    line_start = before.rfind("\n") + 1
    if line_start == 0 and before.startswith(BOM):
        line_start = 1
    return before.count("\n") + 1, len(before) - line_start + 1


@pytest.mark.parametrize("text", CORPUS, ids=range(len(CORPUS)))
def test_analyse_agrees_with_check_and_parse(text):
    analysis = jrl.analyse(text)
    assert analysis.diagnostics == tuple(jrl.check(text))
    # The options as check has them: no warnings, no fixes, the first error.
    quiet = jrl.analyse(text, warnings=False, suggestions=False, max_diagnostics=1)
    fault = lambda d: (d.code, d.offset, d.message)
    assert list(map(fault, quiet.diagnostics)) == list(map(fault, jrl.check(text, warnings=False)))[:1]
    assert not any(d.suggestions for d in quiet.diagnostics)

    built = []
    for statement in analysis.statements:
        written = text[statement.offset : statement.end_offset]
        assert written.strip() == written and written
        start, end = statement.chunk
        assert start <= statement.offset < statement.end_offset <= end
        span = statement.span
        assert (span.line, span.column) == place(text, statement.offset)
        assert (span.end_line, span.end_column) == place(text, statement.end_offset)
        try:
            alone = jrl.parse(written).requirements
        except jrl.ParseError:
            alone = None
        if alone is None:
            assert statement.requirement is None
        else:
            assert (statement.requirement,) == alone
            requirement_span = statement.requirement.span
            assert (requirement_span.line, requirement_span.column) == (span.line, span.column)
            built.append(statement.requirement)
    assert analysis.file.requirements == tuple(built)

    try:
        whole = jrl.parse(text[1:] if text.startswith(BOM) else text)
    except jrl.ParseError:
        whole = None
    if whole is not None:
        assert analysis.file == whole
        assert list(spans(analysis.file)) == list(spans(whole))
    loaded = pickle.loads(pickle.dumps(analysis))
    assert loaded == analysis and list(spans(loaded.file)) == list(spans(analysis.file))
