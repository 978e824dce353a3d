"""jrl-lsp end to end: diagnostics as a document is opened and changed,
their fixes as quick fixes, and positions in each encoding."""

import pytest

pytest.importorskip("pytest_lsp")

from lsprotocol import types as lsp  # noqa: E402
from pytest_lsp import LanguageClient  # noqa: E402

from lsp_session import (  # noqa: E402
    CONFIG, apply, at, client, doc, open_document, published, span, start, pytestmark)

__all__ = ["client", "pytestmark"]

DOCS = "https://github.com/libjrl/libjrl/blob/main/docs/diagnostics.md"
E, W = lsp.DiagnosticSeverity.Error, lsp.DiagnosticSeverity.Warning

# Text; then each diagnostic as (severity, code, range, message, related
# information's messages with the line and column of their place).
DIAGNOSTICS = [
    ('SELECT 1 FROM CLASS(MATH 1200) : "Calculus";\n', []),
    ('SELECT 1 FROM SELECT 1 FROM CLASS(MATX 1200) : "Deep";\n', [
        (E, "JRL033", (0, 34, 0, 38),
         "this department does not exist in Wexmoor's course catalog (Did you mean: MATH)",
         [("failed parsing selector", 0, 34), ("could not parse nested query", 0, 34),
          ("failed parsing selector", 0, 34)]),
    ]),
    # Every error of the file, then the warnings.
    ('SELECT 1 FROM CLASS(MATH 1200) : "Calculus I"\nSELECT 1 FROM CLASS(MATH 1210) : "Calculus II";\n'
     'SELECT 0 FROM CLASS(MATH 1300) : "Zero";\n', [
        (E, "JRL010", (0, 45, 0, 45), "missing `;` after this requirement", []),
        (E, "JRL020", (2, 7, 2, 8), "cannot select zero", [("failed parsing quantity", 2, 7)]),
    ]),
    ('SELECT 3 FROM [CLASS(MATH 1200), CLASS(MATH 1210)] : "Calculus";\n', [
        (W, "JRL201", (0, 7, 0, 8), "SELECT 3 is more than the 2 courses its list can give", []),
    ]),
    ('SELECT 2 FROM [CLASS(MATH 1200), CLASS(MATH 1200), CLASS(MATH 1300)] : "Calculus";\n', [
        (W, "JRL204", (0, 33, 0, 49), "this selector already stands in the list", [("first written here", 0, 15)]),
    ]),
]


def shape(d: lsp.Diagnostic):
    r = d.range
    related = [(i.message, i.location.range.start.line, i.location.range.start.character)
               for i in d.related_information or []]
    return (d.severity, d.code, (r.start.line, r.start.character, r.end.line, r.end.character), d.message, related)


@pytest.mark.parametrize("text, expected", DIAGNOSTICS)
async def test_diagnostics_on_open(client: LanguageClient, text, expected):
    uri = await open_document(client, text)
    found = client.diagnostics[uri]
    assert [shape(d) for d in found] == expected
    for d in found:
        assert d.source == "jrl"
        name = {"JRL010": "syntax-error", "JRL020": "zero-quantity", "JRL033": "unknown-department",
                "JRL201": "unmet-count", "JRL204": "duplicate-selector"}[d.code]
        assert d.code_description.href == f"{DOCS}#{d.code.lower()}-{name}"


async def test_a_change_that_fixes_the_document_clears_its_diagnostics(client: LanguageClient):
    uri = await open_document(client, 'SELECT 1 FORM CLASS(MATH 1200) : "Calculus";\n')
    assert [d.code for d in client.diagnostics[uri]] == ["JRL010"]
    # An incremental change: FORM becomes FROM.
    client.text_document_did_change(lsp.DidChangeTextDocumentParams(
        text_document=lsp.VersionedTextDocumentIdentifier(uri=uri, version=2),
        content_changes=[lsp.TextDocumentContentChangePartial(range=span(0, 9, 0, 13), text="FROM")]))
    assert await published(client, uri, 2) == []
    # A whole-text change that breaks it again.
    client.text_document_did_change(lsp.DidChangeTextDocumentParams(
        text_document=lsp.VersionedTextDocumentIdentifier(uri=uri, version=3),
        content_changes=[lsp.TextDocumentContentChangeWholeDocument(text='SELECT 1 FROM TAGS("x") : "y";\n')]))
    assert [d.code for d in await published(client, uri, 3)] == ["JRL031"]
    client.text_document_did_close(lsp.DidCloseTextDocumentParams(text_document=doc(uri)))
    assert await published(client, uri, None) == []


# Text; the range asked for; each quick fix as (title, preferred, text after).
QUICK_FIXES = [
    ('SELECT 1 FROM CLASS(ECOM 1200) : "Macroeconomics";\n', span(0, 22, 0, 22),
     [("replace `ECOM` with `ECON`", True, 'SELECT 1 FROM CLASS(ECON 1200) : "Macroeconomics";\n')]),
    ('SELECT 1 FROM CLASS(MATH 1200) : "Calculus I"\nSELECT 1 FROM CLASS(MATH 1210) : "Calculus II";\n',
     span(0, 0, 1, 0),
     [("insert `;`", True,
       'SELECT 1 FROM CLASS(MATH 1200) : "Calculus I";\nSELECT 1 FROM CLASS(MATH 1210) : "Calculus II";\n')]),
    # A range away from every diagnostic gets none.
    ('SELECT 1 FROM CLASS(MATH 1200) : "Calculus";\nSELECT 1 FROM TAGS("x") : "y";\n', span(0, 0, 0, 5), []),
    ('SELECT 1 FROM CLASS(MATH 1200) : "Calculus";\n', span(0, 0, 0, 5), []),
]


@pytest.mark.parametrize("text, wanted, expected", QUICK_FIXES)
async def test_quick_fixes(client: LanguageClient, text, wanted, expected):
    uri = await open_document(client, text)
    actions = await client.text_document_code_action_async(lsp.CodeActionParams(
        text_document=doc(uri), range=wanted,
        context=lsp.CodeActionContext(diagnostics=list(client.diagnostics[uri]))))
    got = []
    for action in actions or []:
        assert action.kind == lsp.CodeActionKind.QuickFix
        assert action.diagnostics and action.diagnostics[0].code is not None
        got.append((action.title, action.is_preferred, apply(text, action.edit.changes[uri])))
    assert got == expected


# A line with a non-ASCII description, a wide character and one outside the
# Basic Multilingual Plane before the mistake: the same place in each
# encoding, as (start, end) columns of MATX.
LINE = 'SELECT 1 FROM [TAG("Études 日本 𝄞"), CLASS(MATX 1200)] : "Musique";\n'
ENCODINGS = [
    (None, lsp.PositionEncodingKind.Utf16, (42, 46)),
    ([lsp.PositionEncodingKind.Utf8], lsp.PositionEncodingKind.Utf8, (49, 53)),
    ([lsp.PositionEncodingKind.Utf32, lsp.PositionEncodingKind.Utf16], lsp.PositionEncodingKind.Utf32, (41, 45)),
    ([lsp.PositionEncodingKind.Utf16, lsp.PositionEncodingKind.Utf8], lsp.PositionEncodingKind.Utf16, (42, 46)),
]


@pytest.mark.parametrize("offered, agreed, columns", ENCODINGS)
async def test_positions_in_the_agreed_encoding(offered, agreed, columns):
    client = await CONFIG.start()
    try:
        result = await start(client, offered)
        assert result.capabilities.position_encoding == agreed
        uri = await open_document(client, "// Cours\n" + LINE)
        (found,) = client.diagnostics[uri]
        assert (found.range.start.line, found.range.start.character, found.range.end.character) == (1, *columns)
        # And back: a hover at the client's column of MATX names it.
        hover = await client.text_document_hover_async(lsp.HoverParams(
            text_document=doc(uri), position=at(1, columns[0] + 1)))
        assert hover is not None and "`MATX` is not a department" in hover.contents.value
        assert (hover.range.start.character, hover.range.end.character) == columns
    finally:
        await client.shutdown_session()
        await client.stop()



# Texts a client may send that are not plain UTF-8 text files: each is
# checked as the library reads it.
UNUSUAL_TEXTS = [
    # A byte-order mark: no part of line 1's columns for the library, one
    # UTF-16 unit for the client.
    ('\ufeffSELECT 1 FROM CLASS(MATH 1200) : "x";\nSELECT 1 FORM X;\n', [("JRL010", (1, 9, 1, 13))]),
    # A lone surrogate (JSON can carry one; UTF-8 cannot): read as U+FFFD.
    ('SELECT 1 FROM CLASS(MATH 1200) : "\ud800";\nSELECT 1 FORM X;\n', [("JRL010", (1, 9, 1, 13))]),
    ("SELECT 1 FROM [CLASS(MATH 1200), \udfff]", [("JRL010", (0, 33, 0, 34))]),
]


@pytest.mark.parametrize("text, expected", UNUSUAL_TEXTS)
async def test_unusual_texts(client: LanguageClient, text, expected):
    uri = await open_document(client, text)
    assert [shape(d)[1:3] for d in client.diagnostics[uri]] == expected


async def test_code_actions_of_other_kinds_are_none(client: LanguageClient):
    uri = await open_document(client, 'SELECT 1 FROM CLASS(ECOM 1200) : "Macroeconomics";\n')
    # "source" and "" take the fix-all action too.
    kinds = {"quickfix": 1, "quickfix.jrl": 0, "refactor": 0, "source": 1, "": 2}
    for kind, count in kinds.items():
        actions = await client.text_document_code_action_async(lsp.CodeActionParams(
            text_document=doc(uri), range=span(0, 21, 0, 21),
            context=lsp.CodeActionContext(diagnostics=[], only=[kind])))
        assert len(actions or []) == count, kind

