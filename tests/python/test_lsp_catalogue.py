"""jrl-lsp with a catalogue: its warnings among the diagnostics, hover on
selectors and courses, and completion of its names inside strings."""

from pathlib import Path

import pytest

pytest.importorskip("pytest_lsp")

import pytest_lsp  # noqa: E402
from lsprotocol import types as lsp  # noqa: E402
from pytest_lsp import LanguageClient  # noqa: E402

from lsp_session import CONFIG, doc, open_document, pytestmark, start  # noqa: E402
from test_lsp_editing import cursor  # noqa: E402

__all__ = ["pytestmark"]

CATALOGUE = Path(__file__).resolve().parents[2] / "examples" / "catalogue" / "wexmoor.json"


@pytest_lsp.fixture(config=CONFIG, scope="module")
async def client(lsp_client: LanguageClient):
    await start(lsp_client, options={"catalogue": str(CATALOGUE)})
    yield
    await lsp_client.shutdown_session()


async def test_catalogue_warnings_are_published_with_their_fixes(client: LanguageClient):
    uri = await open_document(client, 'SELECT 1 FROM TAG("WX Semnar") : "Seminar";\n')
    [shown] = client.diagnostics[uri]
    assert (shown.code, shown.range.start.character, shown.range.end.character) == ("JRL210", 18, 29)
    actions = await client.text_document_code_action_async(lsp.CodeActionParams(
        text_document=doc(uri), range=shown.range, context=lsp.CodeActionContext(diagnostics=[shown])))
    assert [e.new_text for a in actions for e in a.edit.changes[uri]] == ['"WX Seminar"']


# The text with the cursor; what the hover says, in part (None: no hover).
HOVERS = [
    ('SELECT 1 FROM CLASS(MATH 1|200) : "c";', "**MATH 1200** Calculus I (4 credits)"),
    ('SELECT 1 FROM CLASS(HIST 9|999) : "c";', "`HIST 9999` is not in the catalogue."),
    ('SELECT 1 FROM RA|NGE(MATH 1200, MATH 1210) : "c";', "Selects 2 courses of the catalogue:\n\n- MATH 1200 Calculus I\n- MATH 1210 Calculus II"),
    ('SELECT 1 FROM DIST("WX Hum|anities") : "c";', "- and 330 more"),
    ('SELECT 1 FROM RANGE(HIST 4|000, HIST 4999) : "c";', "Selects no course of the catalogue."),
    ('SELECT 1 FROM PLACEMENT("MATH|CALC2") : "c";', "`MATHCALC2` is a placement of the catalogue."),
    ('SELECT 1 FROM CLASS(MATH 1200) : "c|";', None),
]


@pytest.mark.parametrize("marked, expected", HOVERS)
async def test_hover(client: LanguageClient, marked, expected):
    text, position = cursor(marked)
    uri = await open_document(client, text)
    result = await client.text_document_hover_async(lsp.HoverParams(text_document=doc(uri), position=position))
    if expected is None:
        assert result is None
    else:
        assert result is not None and expected in result.contents.value


# The text with the cursor; some labels offered, and the range they replace.
COMPLETIONS = [
    ('SELECT 1 FROM TAG("WX Sem|', ["WX Seminar"], (19, 25)),
    ('SELECT 1 FROM [CLASS(MATH 1200), RANGE_DIST(MATH 1000, MATH 1999, "WX Hum|', ["WX Humanities"], (67, 73)),
    ('SELECT 1 FROM TAG_DEPT("WX Seminar", "|")', ["CSCI-BS", "ECON-BA", "PHYS-BS"], (38, 38)),
    ('SELECT 1 FROM PLACEMENT("SP|', ["SPAN-INTERMEDIATE"], (25, 27)),
    ('SELECT 1 FROM TAG("WX Semnar") : "Sem|', [], None),
]


@pytest.mark.parametrize("marked, labels, replaced", COMPLETIONS)
async def test_completion_of_the_catalogues_names(client: LanguageClient, marked, labels, replaced):
    text, position = cursor(marked)
    uri = await open_document(client, text)
    result = await client.text_document_completion_async(lsp.CompletionParams(text_document=doc(uri), position=position))
    items = result.items if result is not None else []
    got = [i.label for i in items]
    assert got[:len(labels)] == labels and (labels or not any(i.kind == lsp.CompletionItemKind.EnumMember for i in items))
    if replaced is not None:
        edit = items[0].text_edit
        assert (edit.range.start.character, edit.range.end.character) == replaced
