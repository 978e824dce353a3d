"""The Pygments lexer: token kinds, no error token on any well-formed text,
and that Pygments finds it through the installed package's entry point."""

from __future__ import annotations

import importlib.metadata
import pathlib
import re
import sysconfig

import pytest
from pygments.lexers import get_lexer_by_name, get_lexer_for_filename, get_lexer_for_mimetype
from pygments.token import (
    Comment,
    Error,
    Keyword,
    Name,
    Number,
    Operator,
    Punctuation,
    String,
    Whitespace,
)

import jrl
import jrl_sources
from jrl.pygments_lexer import JrlLexer

KW, FN, DEPT, NUM = Keyword, Name.Function, Name.Namespace, Number.Integer
STR, ESC, P = String.Double, String.Escape, Punctuation
FUNCTIONS = [f.name for f in jrl.selector_functions()]


def tokens(text: str) -> list[tuple[object, str]]:
    """The tokens of `text` without whitespace, runs of string or error
    pieces joined (the lexer yields those in arbitrary chunks)."""
    joined: list[tuple[object, str]] = []
    for kind, value in JrlLexer().get_tokens(text):
        if joined and joined[-1][0] is kind and kind in (STR, Error):
            joined[-1] = (kind, joined[-1][1] + value)
        else:
            joined.append((kind, value))
    return [(k, v) for k, v in joined if k is not Whitespace]


@pytest.mark.parametrize(
    "text, expected",
    [
        # Keywords are capitals only; other spellings are plain words.
        (
            'SELECT 2 FROM TAG("t") : "d";',
            [(KW, "SELECT"), (NUM, "2"), (KW, "FROM"), (FN, "TAG"), (P, "("), (STR, '"t"'),
             (P, ")"), (P, ":"), (STR, '"d"'), (P, ";")],
        ),
        ("LIMIT 1 FROM", [(KW, "LIMIT"), (NUM, "1"), (KW, "FROM")]),
        ("select 1 from Select", [(Name, "select"), (NUM, "1"), (Name, "from"), (Name, "Select")]),
        ("SELECTED FROM_", [(Name, "SELECTED"), (Name, "FROM_")]),
        # No space is needed around a quantity, nor between FROM and what
        # it selects from; outside a statement's head FROM is a word.
        (
            "SELECT7-60FROMTAG(",
            [(KW, "SELECT"), (NUM, "7"), (Operator, "-"), (NUM, "60"), (KW, "FROM"), (FN, "TAG"), (P, "(")],
        ),
        ("LIMIT2 FROMSELECT1FROM", [(KW, "LIMIT"), (NUM, "2"), (KW, "FROM"), (KW, "SELECT"), (NUM, "1"), (KW, "FROM")]),
        ("SELECT // n\n 1 // f\n FROM", [(KW, "SELECT"), (Comment.Single, "// n"), (NUM, "1"),
                                         (Comment.Single, "// f"), (KW, "FROM")]),
        ("SELECT 1 FROM FROMAGE(", [(KW, "SELECT"), (NUM, "1"), (KW, "FROM"), (Name, "FROMAGE"), (P, "(")]),
        ("[FROM SELECT_X(", [(P, "["), (Name, "FROM"), (Name, "SELECT_X"), (P, "(")]),
        # Every function of the language's table, in capitals or all lower
        # case.
        (" ".join(FUNCTIONS), [(FN, name) for name in FUNCTIONS]),
        (" ".join(FUNCTIONS).lower(), [(FN, name.lower()) for name in FUNCTIONS]),
        # Unknown names are words, not functions and not errors.
        ("Class(", [(Name, "Class"), (P, "(")]),
        ("TAGS CLASSES FOO_1 TAG_", [(Name, "TAGS"), (Name, "CLASSES"), (Name, "FOO_1"), (Name, "TAG_")]),
        ("CLASS (", [(FN, "CLASS"), (P, "(")]),
        # Courses: department code, spaces, four digits, the lab marker.
        ("(MATH 1200)", [(P, "("), (DEPT, "MATH"), (NUM, "1200"), (P, ")")]),
        ("(PHYS 1100L)", [(P, "("), (DEPT, "PHYS"), (NUM, "1100L"), (P, ")")]),
        ("(MATH1200)", [(P, "("), (DEPT, "MATH"), (NUM, "1200"), (P, ")")]),
        ("(MATH   0100)", [(P, "("), (DEPT, "MATH"), (NUM, "0100"), (P, ")")]),
        (
            "(W&GS 1000, M&TH 1200)",
            [(P, "("), (DEPT, "W&GS"), (NUM, "1000"), (P, ","), (DEPT, "M&TH"), (NUM, "1200"), (P, ")")],
        ),
        # Codes of the wrong length are read (their fault is one of meaning);
        # so is a six-letter word that only looks like a keyword.
        ("(MUS 1100)", [(P, "("), (DEPT, "MUS"), (NUM, "1100"), (P, ")")]),
        ("(MATHS 1200)", [(P, "("), (DEPT, "MATHS"), (NUM, "1200"), (P, ")")]),
        ("(SELECT 1200)", [(P, "("), (DEPT, "SELECT"), (NUM, "1200"), (P, ")")]),
        # Four lower-case letters, a tab, a lower-case lab marker or a fifth
        # digit can never be a course.
        ("(math 1200)", [(P, "("), (Error, "math"), (Error, "1200"), (P, ")")]),
        ("(MATH\t1200)", [(P, "("), (Error, "MATH"), (Error, "1200"), (P, ")")]),
        ("(MATH 1200l)", [(P, "("), (Error, "MATH"), (Error, "1200l"), (P, ")")]),
        ("(MATH 12000)", [(P, "("), (Error, "MATH"), (Error, "12000"), (P, ")")]),
        # Strings and courses mixed, with comments and line breaks between.
        (
            'RANGE_TAG( // first\n  CSCI 3000 ,\n CSCI 4999, "WX Lab")',
            [(FN, "RANGE_TAG"), (P, "("), (Comment.Single, "// first"), (DEPT, "CSCI"),
             (NUM, "3000"), (P, ","), (DEPT, "CSCI"), (NUM, "4999"), (P, ","),
             (STR, '"WX Lab"'), (P, ")")],
        ),
        # Quantities, ranges and priorities.
        ("SELECT 0-1 FROM", [(KW, "SELECT"), (NUM, "0"), (Operator, "-"), (NUM, "1"), (KW, "FROM")]),
        ("SELECT 2-4", [(KW, "SELECT"), (NUM, "2"), (Operator, "-"), (NUM, "4")]),
        (': "d" : 65535;', [(P, ":"), (STR, '"d"'), (P, ":"), (NUM, "65535"), (P, ";")]),
        ("SELECT 1 - 3", [(KW, "SELECT"), (NUM, "1"), (Error, "-"), (NUM, "3")]),
        (": 1-3;", [(P, ":"), (NUM, "1"), (Error, "-"), (NUM, "3"), (P, ";")]),
        # Strings: doubled quotes, non-ASCII text, a backslash as itself.
        ('""', [(STR, '""')]),
        ('"a ""b"" c"', [(STR, '"a '), (ESC, '""'), (STR, "b"), (ESC, '""'), (STR, ' c"')]),
        ('""""', [(STR, '"'), (ESC, '""'), (STR, '"')]),
        ('"a"""', [(STR, '"a'), (ESC, '""'), (STR, '"')]),
        ('"Übung 数学 α-β café"', [(STR, '"Übung 数学 α-β café"')]),
        ('"C:\\dir\\" , ""', [(STR, '"C:\\dir\\"'), (P, ","), (STR, '""')]),
        ('"SELECT // not a comment"', [(STR, '"SELECT // not a comment"')]),
        # An unclosed string is an error to the end of its line only.
        ('"open\nSELECT', [(Error, '"open'), (KW, "SELECT")]),
        ('"ab""\n1', [(Error, '"ab""'), (NUM, "1")]),
        ('("x\n)', [(P, "("), (Error, '"x'), (P, ")")]),
        # An argument list left open ends at the statement's punctuation.
        (
            'CLASS(MATH 1200 : "x";\nSELECT',
            [(FN, "CLASS"), (P, "("), (DEPT, "MATH"), (NUM, "1200"), (P, ":"), (STR, '"x"'), (P, ";"), (KW, "SELECT")],
        ),
        # Comments run to the line feed (Pygments reads CR LF as LF).
        ("// Übung: SELECT \"x\nLIMIT", [(Comment.Single, '// Übung: SELECT "x'), (KW, "LIMIT")]),
        ("// a\r\n;", [(Comment.Single, "// a"), (P, ";")]),
        ("SELECT//c", [(KW, "SELECT"), (Comment.Single, "//c")]),
        # Punctuation, nesting, and characters the language never holds.
        (
            "SELECT 1 FROM [SELECT 0-1 FROM [CLASS(MATH 1200)]]",
            [(KW, "SELECT"), (NUM, "1"), (KW, "FROM"), (P, "["), (KW, "SELECT"), (NUM, "0"),
             (Operator, "-"), (NUM, "1"), (KW, "FROM"), (P, "["), (FN, "CLASS"), (P, "("),
             (DEPT, "MATH"), (NUM, "1200"), (P, ")"), (P, "]"), (P, "]")],
        ),
        ("; $ !", [(P, ";"), (Error, "$"), (Error, "!")]),
        ("SELECT\u00a01", [(KW, "SELECT"), (Error, "\u00a0"), (NUM, "1")]),
    ],
)
def test_token_kinds(text, expected):
    assert tokens(text) == expected


def test_the_tokens_give_back_the_text():
    # Pygments adds a final line feed where a text lacks one.
    text = jrl_sources.read(jrl_sources.example_files()[0])
    assert "".join(v for _, v in JrlLexer().get_tokens(text)) == text


TEXTS = jrl_sources.all_well_formed_texts()


def test_every_source_of_texts_is_there():
    # An empty glob or a changed report would otherwise pass unnoticed.
    prefixes = {name.split("/")[0] for name in TEXTS}
    assert prefixes == {"examples", "bench", "fuzz"}
    assert len(jrl_sources.example_files()) >= 4
    names = {p.stem for p in jrl_sources.meaning_error_files()}
    assert {"unknown_department", "unknown_function", "short_department", "zero_quantity"} <= names
    assert not names & {"missing_semicolon", "unterminated_string", "lowercase_department"}
    assert sum(name.startswith("fuzz/") for name in TEXTS) >= 50


@pytest.mark.parametrize("name", sorted(TEXTS))
def test_no_error_token_on_well_formed_text(name):
    errors = [v for k, v in JrlLexer().get_tokens(TEXTS[name]) if k in Error]
    assert errors == []


def fenced_blocks(path: pathlib.Path) -> list[str]:
    """The code blocks of a Markdown file fenced as ```jrl."""
    return re.findall(r"^```jrl\n(.*?)^```", path.read_text(encoding="utf-8"), re.M | re.S)


@pytest.mark.parametrize("guide", ["language.md", "editors.md"])
def test_the_documentation_blocks_highlight(guide):
    blocks = fenced_blocks(jrl_sources.ROOT / "docs" / guide)
    assert blocks
    for block in blocks:
        assert [v for k, v in JrlLexer().get_tokens(block) if k in Error] == [], block


@pytest.mark.parametrize(
    "name, fault",
    [
        ("unterminated_string", '"Humanities and'),
        ("lowercase_department", "m"),
        ("string_for_course", None),
    ],
)
def test_error_examples(name, fault):
    text = jrl_sources.read(jrl_sources.EXAMPLES / "errors" / f"{name}.jrl")
    errors = [v for k, v in JrlLexer().get_tokens(text) if k in Error]
    assert (errors[0] if errors else None) == fault


def test_pygments_finds_the_installed_lexer():
    import jrl.pygments_lexer

    installed = pathlib.Path(sysconfig.get_paths()["purelib"]).resolve()
    assert installed in pathlib.Path(jrl.pygments_lexer.__file__).resolve().parents, (
        "the lexer must come from the installed package"
    )
    for lexer in (
        get_lexer_by_name("jrl"),
        get_lexer_for_filename("requirements/x.jrl"),
        get_lexer_for_mimetype("text/x-jrl"),
    ):
        assert type(lexer) is JrlLexer
    points = importlib.metadata.distribution("pylibjrl").entry_points
    assert [(p.group, p.name, p.value) for p in points if p.group == "pygments.lexers"] == [
        ("pygments.lexers", "jrl", "jrl.pygments_lexer:JrlLexer")
    ]
