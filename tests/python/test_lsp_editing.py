"""jrl-lsp end to end: completion, hover, document symbols, folding ranges,
formatting and semantic tokens, on good and broken documents."""

import pytest

pytest.importorskip("pytest_lsp")

from lsprotocol import types as lsp  # noqa: E402
from pytest_lsp import LanguageClient  # noqa: E402

from lsp_session import apply, at, client, doc, open_document, span, pytestmark  # noqa: E402

__all__ = ["client", "pytestmark"]

FUNCTIONS = ["CLASS", "RANGE", "RANGE_TAG", "RANGE_DIST", "TAG", "TAG_DEPT", "DIST", "DIST_DEPT", "PLACEMENT"]
GOOD = 'SELECT 1 FROM CLASS(MATH 1200) : "Calculus";\n'
BROKEN = 'SELECT 1 FORM CLASS(MATH 1200) : "Broken";\n'


def cursor(marked: str):
    """The text without its "|" and the client position of the "|"."""
    before, after = marked.split("|")
    lines = before.split("\n")
    return before + after, at(len(lines) - 1, len(lines[-1].encode("utf-16-le")) // 2)


# The text with the cursor; the labels offered in order, and the range the
# first item replaces as (start column, end column) on the cursor's line.
COMPLETIONS = [
    ("|", ["SELECT", "LIMIT"], (0, 0)),
    (GOOD + "LI|", ["LIMIT"], (0, 2)),
    (GOOD + "  sel|", ["SELECT"], (2, 5)),
    ("SELECT 2 |", ["FROM"], (9, 9)),
    ("SELECT 2-4 F|", ["FROM"], (11, 12)),
    ("SELECT 1 FROM |", FUNCTIONS + ["SELECT"], (14, 14)),
    ("SELECT 1 FROM RANGE_|", ["RANGE_TAG", "RANGE_DIST"], (14, 20)),
    ("SELECT 1 FROM ra|", ["range", "range_tag", "range_dist"], (14, 16)),
    ("SELECT 1 FROM [\n    CLASS(MATH 1200),\n    |", FUNCTIONS + ["SELECT"], (4, 4)),
    ("SELECT 1 FROM [CLASS(MATH 1200), SEL|", ["SELECT"], (33, 36)),
    ("SELECT 1 FROM CLASS(MA|", ["MATH"], (20, 22)),
    ("SELECT 1 FROM RANGE_TAG(MATH 3000, st|", ["STAT"], (35, 37)),
    ("SELECT 1 FROM CLASS(W|", ["W&GS", "WRIT"], (20, 21)),
    ("SELECT 1 FROM CLASS(W&|", ["W&GS"], (20, 22)),
    # Where nothing may be completed.
    ("SELECT 1 FROM RANGE_TAG(MATH 3000, MATH 4000, |", [], None),
    ("SELECT 1 FROM CLASS(MATH |", [], None),
    ('SELECT 1 FROM TAG("WX |', [], None),
    ("// SELECT |", [], None),
    ("// SEL|", [], None),
    ("SELECT 1 FROM CLASS(MATH 1200) : |", [], None),
    ("SELECT |", [], None),
    # After a broken statement, and on a line with wide characters.
    (BROKEN + "SELECT 1 FROM CL|", ["CLASS"], (14, 16)),
    (BROKEN + 'SELECT 1 FROM [TAG("日本 𝄞"), CLASS(MA|', ["MATH"], (35, 37)),
]


@pytest.mark.parametrize("marked, labels, replaced", COMPLETIONS)
async def test_completion(client: LanguageClient, marked, labels, replaced):
    text, position = cursor(marked)
    uri = await open_document(client, text)
    result = await client.text_document_completion_async(
        lsp.CompletionParams(text_document=doc(uri), position=position))
    items = result.items if isinstance(result, lsp.CompletionList) else result or []
    assert [item.label for item in items] == labels
    if replaced is not None:
        edit = items[0].text_edit
        assert (edit.range.start.line, edit.range.start.character, edit.range.end.character) == \
            (position.line, *replaced)


async def test_completion_snippets(client: LanguageClient):
    text, position = cursor("SELECT 1 FROM [CLASS(MATH 1200), |]")
    uri = await open_document(client, text)
    result = await client.text_document_completion_async(
        lsp.CompletionParams(text_document=doc(uri), position=position))
    snippets = {item.label: item.text_edit.new_text for item in result.items}
    assert snippets["CLASS"] == "CLASS(${1:DEPT} ${2:0000})"
    assert snippets["RANGE_TAG"] == 'RANGE_TAG(${1:DEPT} ${2:0000}, ${3:DEPT} ${4:9999}, "${5:tag}")'
    assert snippets["TAG_DEPT"] == 'TAG_DEPT("${1:tag}", "${2:major code}")'
    assert snippets["SELECT"] == "SELECT ${1:1} FROM ${2}"
    assert all(item.insert_text_format == lsp.InsertTextFormat.Snippet for item in result.items)
    text, position = cursor("|")
    uri = await open_document(client, text)
    result = await client.text_document_completion_async(
        lsp.CompletionParams(text_document=doc(uri), position=position))
    assert result.items[0].text_edit.new_text == 'SELECT ${1:1} FROM ${2} : "${3:description}";'


# The text with the cursor; the hover's text, or None.
HOVERS = [
    ("SELECT 1 FROM RANGE_D|IST(CSCI 2000, CSCI 4999, \"WX\") : \"x\";",
     '```jrl\nRANGE_DIST(first course, last course, "distribution")\n```\n'
     "Selects the courses of the range in the distribution area."),
    ("SELECT 1 FROM cl|ass(MATH 1200) : \"x\";", "```jrl\nCLASS(course)\n```\nSelects that course."),
    ("SELECT 1 FROM CLASS(MA|TH 1200) : \"x\";", "`MATH`: a department of the Wexmoor catalogue."),
    ("SELECT 1 FROM CLASS(ECO|M 1200) : \"x\";",
     "`ECOM` is not a department of the Wexmoor catalogue. Did you mean `ECON`?"),
    ("SELECT 2-|4 FROM TAG(\"x\") : \"x\";", "`SELECT 2-4`: Take at least two and at most four courses."),
    ("SEL|ECT 3 FROM TAG(\"x\") : \"x\";", "`SELECT 3`: Take three courses."),
    ("SELECT 1 FROM SELECT 0|-1 FROM TAG(\"x\") : \"x\";", "`SELECT 0-1`: Take up to one course (optional)."),
    ("SELECT 2-2 |FROM TAG(\"x\") : \"x\";", None),
    ("LIMIT 1| FROM TAG(\"x\") : \"x\";", "`LIMIT 1`: At most one course of these count toward the programme."),
    ("SELECT 1 FROM CLASS(MATH 1200) : \"x\" : 1|0;", None),
    ("SELECT 1 FROM TAG(\"CL|ASS\") : \"x\";", None),
    # What can be read of a broken document, and after it.
    ("SELECT 1 FORM CLASS(MA|TX 1200) : \"x\";", "`MATX` is not a department of the Wexmoor catalogue. Did you mean `MATH`?"),
    (BROKEN + "SELECT 1 FROM TA|G(\"x\") : \"x\";", '```jrl\nTAG("tag")\n```\nSelects the courses that carry the tag.'),
    ("SELECT 12 FROM [TAG(\"Études 𝄞\"), PLACE|MENT(\"x\")] : \"x\";",
     '```jrl\nPLACEMENT("placement")\n```\nSelects a placement result standing in for a course.'),
]


@pytest.mark.parametrize("marked, expected", HOVERS)
async def test_hover(client: LanguageClient, marked, expected):
    text, position = cursor(marked)
    uri = await open_document(client, text)
    result = await client.text_document_hover_async(lsp.HoverParams(text_document=doc(uri), position=position))
    assert (result.contents.value if result else None) == expected


SYMBOLS_TEXT = """// Calculus
SELECT 1 FROM CLASS(MATH 1200) : "Calculus I" : 10;
SELECT 1 FROM [
    CLASS(MATH 1300),
    SELECT 2 FROM [CLASS(MATH 1100), SELECT 0-1 FROM TAG("x")]
] : "Calculus or stretched";
SELECT 1 FORM CLASS(MATH 1200) : "Broken";
LIMIT 2 FROM TAG("Études 𝄞") : "Passé composé 𝄞";
"""


def outline(symbols):
    return [(s.name, s.detail, s.kind, (s.range.start.line, s.range.start.character,
                                          s.range.end.line, s.range.end.character), outline(s.children or []))
            for s in symbols]


async def test_document_symbols_around_a_broken_statement(client: LanguageClient):
    uri = await open_document(client, SYMBOLS_TEXT)
    symbols = await client.text_document_document_symbol_async(lsp.DocumentSymbolParams(text_document=doc(uri)))
    obj, struct = lsp.SymbolKind.Object, lsp.SymbolKind.Struct
    assert outline(symbols) == [
        ("Calculus I", "SELECT 1: Take one course.", obj, (1, 0, 1, 50), []),
        ("Calculus or stretched", "SELECT 1: Take one course.", obj, (2, 0, 5, 27), [
            ("SELECT 2", "Take two courses.", struct, (4, 4, 4, 62), [
                ("SELECT 0-1", "Take up to one course (optional).", struct, (4, 37, 4, 61), []),
            ]),
        ]),
        # The broken statement has none; the one after it is in UTF-16 units.
        ("Passé composé 𝄞", "LIMIT 2: At most two courses of these count toward the programme.", obj,
         (7, 0, 7, 50), []),
    ]


async def test_folding_ranges(client: LanguageClient):
    uri = await open_document(client, "// One\n// Two\n" + SYMBOLS_TEXT + "SELECT 1 FROM [\n  TAG(\"x\")]\n : \"y\";\n")
    ranges = await client.text_document_folding_range_async(lsp.FoldingRangeParams(text_document=doc(uri)))
    assert [(r.start_line, r.end_line, r.kind) for r in ranges] == [
        (0, 2, lsp.FoldingRangeKind.Comment), (4, 7, None), (10, 11, None)]


UNFORMATTED = "SELECT 1 FROM [CLASS(MATH 1200),CLASS(MATH 1210)]:\"Calculus\";\nselect 1 FROM x;\n" \
    "LIMIT   1 FROM TAG( \"x\" ) : \"y\" ;\n"


async def test_formatting(client: LanguageClient):
    good = "SELECT 1 FROM [CLASS(MATH 1200),CLASS(MATH 1210)]:\"Calculus\";\nLIMIT   1 FROM TAG( \"x\" ) : \"y\" ;\n"
    uri = await open_document(client, good)
    options = lsp.FormattingOptions(tab_size=4, insert_spaces=True)
    edits = await client.text_document_formatting_async(
        lsp.DocumentFormattingParams(text_document=doc(uri), options=options))
    assert apply(good, edits) == \
        'SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1210)] : "Calculus";\nLIMIT 1 FROM TAG("x") : "y";\n'
    # A formatted document needs no edit; a broken one gets none.
    uri = await open_document(client, apply(good, edits))
    assert list(await client.text_document_formatting_async(
        lsp.DocumentFormattingParams(text_document=doc(uri), options=options))) == []
    uri = await open_document(client, UNFORMATTED)
    assert await client.text_document_formatting_async(
        lsp.DocumentFormattingParams(text_document=doc(uri), options=options)) is None


# The range asked for; the text after its edits.
RANGE_FORMATTING = [
    (span(0, 3, 0, 3), 'SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1210)] : "Calculus";\nselect 1 FROM x;\n'
     "LIMIT   1 FROM TAG( \"x\" ) : \"y\" ;\n"),
    (span(2, 0, 2, 1), UNFORMATTED.replace("LIMIT   1 FROM TAG( \"x\" ) : \"y\" ;", "LIMIT 1 FROM TAG(\"x\") : \"y\";")),
    # A range that touches the broken statement changes nothing.
    (span(0, 0, 1, 3), UNFORMATTED),
]


@pytest.mark.parametrize("wanted, expected", RANGE_FORMATTING)
async def test_range_formatting(client: LanguageClient, wanted, expected):
    uri = await open_document(client, UNFORMATTED)
    edits = await client.text_document_range_formatting_async(lsp.DocumentRangeFormattingParams(
        text_document=doc(uri), range=wanted, options=lsp.FormattingOptions(tab_size=4, insert_spaces=True)))
    assert apply(UNFORMATTED, edits or []) == expected


async def test_range_formatting_keeps_the_documents_line_ends(client: LanguageClient):
    """A statement that the formatter breaks over lines gets the document's
    CR LF, as formatting the whole document gives."""
    import jrl

    text = "SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1210), CLASS(MATH 1220), CLASS(MATH 1230), " \
        "CLASS(MATH 1240)] : \"Calculus\";\r\nSELECT 1 FROM TAG(\"x\") : \"y\";\r\n"
    uri = await open_document(client, text)
    edits = await client.text_document_range_formatting_async(lsp.DocumentRangeFormattingParams(
        text_document=doc(uri), range=span(0, 0, 0, 1), options=lsp.FormattingOptions(tab_size=4, insert_spaces=True)))
    assert apply(text, edits) == jrl.format(text)
    assert "\n" not in apply(text, edits).replace("\r\n", "")


async def test_changes_on_long_lines(client: LanguageClient):
    """Incremental changes inside the descriptions of long lines of wide
    characters (CR LF between them) make the text the client has: the
    formatting the server offers afterwards is that of the client's text."""
    import random

    import jrl

    chooser = random.Random(7)
    alphabet = "aé日𝄞 "
    text = "".join(f'SELECT 1 FROM TAG("x") : "{"".join(chooser.choice(alphabet) for _ in range(3000))}";\r\n'
                   for _ in range(3))
    uri = await open_document(client, text)
    for version in range(2, 40):
        lines = text.split("\n")
        line = chooser.randrange(len(lines) - 1)
        # A range inside the description, in UTF-16 units.
        inside = lines[line][lines[line].index(': "') + 3 : lines[line].rindex('"')]
        first = lines[line].index(': "') + 3
        low, high = sorted(chooser.randrange(len(inside) + 1) for _ in range(2))

        def units(n):
            return len(lines[line][:n].encode("utf-16-le")) // 2

        wanted = span(line, units(first + low), line, units(first + high))
        new = "".join(chooser.choice(alphabet) for _ in range(chooser.randrange(5)))
        client.text_document_did_change(lsp.DidChangeTextDocumentParams(
            text_document=lsp.VersionedTextDocumentIdentifier(uri=uri, version=version),
            content_changes=[lsp.TextDocumentContentChangePartial(range=wanted, text=new)]))
        text = apply(text, [lsp.TextEdit(range=wanted, new_text=new)])
    edits = await client.text_document_formatting_async(lsp.DocumentFormattingParams(
        text_document=doc(uri), options=lsp.FormattingOptions(tab_size=4, insert_spaces=True)))
    assert apply(text, edits) == jrl.format(text)


async def test_semantic_tokens(client: LanguageClient):
    text = '// Note\nSELECT 2-3 FROM [class(PHYS 1100L), TAG("a""b 𝄞")] : "É" : 7;\nSELECT 1 FORM X;\n'
    uri = await open_document(client, text)
    result = await client.text_document_semantic_tokens_full_async(
        lsp.SemanticTokensParams(text_document=doc(uri)))
    legend = ["keyword", "function", "namespace", "number", "string", "comment"]
    found, line, column = [], 0, 0
    data = result.data
    for i in range(0, len(data), 5):
        line += data[i]
        column = data[i + 1] if data[i] else column + data[i + 1]
        found.append((line, column, data[i + 2], legend[data[i + 3]]))
    assert found == [
        (0, 0, 7, "comment"),
        (1, 0, 6, "keyword"), (1, 7, 1, "number"), (1, 9, 1, "number"), (1, 11, 4, "keyword"),
        (1, 17, 5, "function"), (1, 23, 4, "namespace"), (1, 28, 5, "number"),
        (1, 36, 3, "function"), (1, 40, 9, "string"),
        (1, 54, 3, "string"), (1, 60, 1, "number"),
        # What can be read of the broken statement.
        (2, 0, 6, "keyword"), (2, 7, 1, "number"),
    ]


async def test_a_byte_order_mark_stays_and_counts_one_unit(client: LanguageClient):
    text = '\ufeffSELECT 1 FROM TAG( "x" ) : "a";\n'
    uri = await open_document(client, text)
    symbols = await client.text_document_document_symbol_async(lsp.DocumentSymbolParams(text_document=doc(uri)))
    assert [(s.name, s.range.start.character, s.range.end.character) for s in symbols] == [("a", 1, 31)]
    edits = await client.text_document_formatting_async(lsp.DocumentFormattingParams(
        text_document=doc(uri), options=lsp.FormattingOptions(tab_size=4, insert_spaces=True)))
    assert apply(text, edits) == '\ufeffSELECT 1 FROM TAG("x") : "a";\n'


async def test_the_width_option_sets_the_formatters_line_width():
    import jrl
    from lsp_session import CONFIG, start

    text = 'SELECT 1 FROM [CLASS(MATH 1200), CLASS(MATH 1210), CLASS(MATH 1220)] : "Calculus";\n'
    client = await CONFIG.start()
    try:
        await start(client, options={"width": 40})
        uri = await open_document(client, text)
        edits = await client.text_document_formatting_async(lsp.DocumentFormattingParams(
            text_document=doc(uri), options=lsp.FormattingOptions(tab_size=4, insert_spaces=True)))
        assert apply(text, edits) == jrl.format(text, 40) != jrl.format(text)
    finally:
        await client.shutdown_session()
        await client.stop()


# Fix all: every fix of the document as one edit, for the kinds that ask
# for it; none where there is nothing to fix.
FIX_ALL = [
    ('\ufeffSELECT 1 FROM CLASS(MATH 1200) : "a"\r\nSELECT 1 FROM CLASS(MATH 1210) : "b";\r\n'
     'SELECT 1 FROM CLASS(ECOM 1210) : "日本";\r\n',
     ["source.fixAll", "source.fixAll.jrl", "source"],
     '\ufeffSELECT 1 FROM CLASS(MATH 1200) : "a";\r\nSELECT 1 FROM CLASS(MATH 1210) : "b";\r\n'
     'SELECT 1 FROM CLASS(ECON 1210) : "日本";\r\n'),
    (GOOD, ["source.fixAll"], None),
    (BROKEN, ["source.organizeImports", "refactor"], None),
]


@pytest.mark.parametrize("text, kinds, fixed", FIX_ALL)
async def test_fix_all(client: LanguageClient, text, kinds, fixed):
    uri = await open_document(client, text)
    for kind in kinds:
        actions = await client.text_document_code_action_async(lsp.CodeActionParams(
            text_document=doc(uri), range=span(0, 0, 0, 0),
            context=lsp.CodeActionContext(diagnostics=[], only=[kind])))
        if fixed is None:
            assert not actions, kind
            continue
        (action,) = actions
        assert action.kind == "source.fixAll.jrl"
        (edit,) = action.edit.changes[uri]
        assert apply(text, [edit]) == fixed
