"""jrl-lsp reads a document's words statement by statement and keeps what
it made of each statement for the next version. On a text of the
language's form that gives what one reading of the whole text gives; after
a broken statement, the next one is read afresh, as the library reads it."""

import pytest

pytest.importorskip("pygls")

import jrl  # noqa: E402
from jrl.lsp.positions import UTF8, UTF16, Positions  # noqa: E402
from jrl.lsp.tokens import Pieces, words  # noqa: E402
from pygments.token import Whitespace  # noqa: E402

import jrl_sources  # noqa: E402

TEXTS = {path.name: jrl_sources.read(path) for path in jrl_sources.example_files() + jrl_sources.error_example_files()}
TEXTS.update(jrl_sources.bench_texts())
TEXTS.update({
    "statements on one line": 'SELECT 1 FROM TAG("é") : "a"; SELECT 2 FROM TAG("𝄞") : "b";LIMIT 1 FROM TAG("x") : "c";\n',
    "comments between": '// a\nSELECT 1 FROM TAG("x") : "a"; // b\n// c 日本\nSELECT 1 FROM TAG("x") : "b"\n',
    "crlf": 'SELECT 1 FROM TAG("x") : "a";\r\n// c\r\nSELECT 1 FROM TAG("x") : "b";\r\n',
})


@pytest.mark.parametrize("name", sorted(n for n, t in TEXTS.items() if jrl_sources.is_well_formed(t)))
@pytest.mark.parametrize("encoding", [UTF16, UTF8])
def test_statement_by_statement_is_the_whole_text(name, encoding):
    text = TEXTS[name]
    positions = Positions(text, encoding)
    by_statement = Pieces(positions, jrl.statement_spans(text))
    whole = Pieces(positions, [])
    assert len(whole.pieces) == 1
    assert list(by_statement) == [w for w in words(text) if w.kind is not Whitespace]
    assert by_statement.semantic_tokens() == whole.semantic_tokens()


def test_the_statement_after_a_broken_one_is_read_afresh():
    text = 'SELECT 1 FROM [CLASS(MATH 1200), TAG("x : "y";\nSELECT 1 FROM TAG("ü") : "z";\n'
    pieces = Pieces(Positions(text), jrl.statement_spans(text))
    second_line = [(w.text, str(w.kind)) for w in pieces if w.start > text.index("\n")]
    assert second_line == [
        ("SELECT", "Token.Keyword"), ("1", "Token.Literal.Number.Integer"), ("FROM", "Token.Keyword"),
        ("TAG", "Token.Name.Function"), ("(", "Token.Punctuation"), ('"', "Token.Literal.String.Double"),
        ("ü", "Token.Literal.String.Double"), ('"', "Token.Literal.String.Double"), (")", "Token.Punctuation"),
        (":", "Token.Punctuation"), ('"', "Token.Literal.String.Double"), ("z", "Token.Literal.String.Double"),
        ('"', "Token.Literal.String.Double"), (";", "Token.Punctuation")]


def test_a_change_reads_only_the_statements_it_touches():
    text = jrl_sources.bench_texts()["realistic_seed1"]
    first = Pieces(Positions(text), jrl.statement_spans(text))
    changed = text.replace(" FROM ", " FORM ", 1)
    second = Pieces(Positions(changed), jrl.statement_spans(changed), first.made)
    reused = sum(1 for _, piece in second.pieces if any(piece is p for p in first.made.values()))
    assert len(second.pieces) - reused == 1
    assert second.semantic_tokens() == Pieces(Positions(changed), []).semantic_tokens()


def _long_statement(separator: str) -> str:
    """A statement of about 14,000 characters: a list of selectors with
    strings holding brackets, quotes and "//", nested lists and comments."""
    items = ['TAG("é // [x")', "CLASS(MATH 1200)", 'SELECT 2 FROM [CLASS(MATH 1300), TAG("a""b (")]',
             'RANGE_TAG(MATH 1000, MATH 2000, "t]")', "// a comment with \"a quote and [\n    CLASS(STAT 2000)",
             'DIST("' + "words, and more (words) " * 20 + '")']
    return "SELECT 1 FROM [" + separator.join(items[i % len(items)] for i in range(200))


LONG_STATEMENTS = {
    "one line": _long_statement(", ") + ", CLASS(MATH 1200), TAG(\"x\")]",
    "many lines": _long_statement(",\n    ") + ", CLASS(MATH 1200), TAG(\"x\")]",
    # The window starts in a string that ends before the cursor.
    "a long string": 'SELECT 1 FROM [TAG("x"), DIST("' + "w " * 4000 + '"), CLASS(MATH 1200), TAG("y")]',
}


@pytest.mark.parametrize("name", LONG_STATEMENTS)
def test_completion_and_hover_near_the_end_of_a_long_statement(monkeypatch, name):
    """Near the end of a long statement, on one line or many, completion and
    hover read a bounded window and answer as reading the whole statement
    does; a count of the characters lexed and of those counted for brackets
    shows the bound."""
    from jrl.lsp import completion, hover, nearby, tokens

    text = LONG_STATEMENTS[name]
    positions = Positions(text)
    lexed, counted = [], []
    brackets = nearby._brackets
    monkeypatch.setattr(nearby, "words", lambda t, base=0, stack=("root",): lexed.append(len(t)) or words(t, base, stack))
    monkeypatch.setattr(nearby, "_brackets", lambda t, start, end: counted.append(end - start) or brackets(t, start, end))
    known = nearby.OpenBrackets()
    for offset in [*range(len(text) - 3 * nearby.WINDOW, len(text) - 60, 151), *range(len(text) - 60, len(text) + 1, 2)]:
        line_end = text.find("\n", offset)
        line_end = len(text) if line_end == -1 else line_end
        # No window only where the cursor is in a comment or string that
        # starts before it, where nothing is offered.
        near = nearby.words_near(text, 0, offset, offset, known)
        labels = [i.label for i in completion.items(near, positions, offset, True)] if near is not None else []
        assert labels == [i.label for i in completion.items(tokens.words(text[:offset]), positions, offset, True)]
        near = nearby.words_near(text, 0, offset, line_end, known)
        found = hover.hover(near, positions, offset) if near is not None else None
        expected = hover.hover(tokens.words(text[:line_end]), positions, offset)
        assert (found and found.contents.value) == (expected and expected.contents.value)
        assert not lexed or max(lexed[-2:]) <= 3 * nearby.WINDOW
    # The brackets before the window are counted once; later requests count
    # only what the window moved over.
    assert sum(counted) <= len(text) + 6 * nearby.WINDOW
