"""A real client driving jrl-lsp over standard input and output, for the
language server's tests (pytest-lsp, on CPython 3.10 and newer)."""

import itertools
import sys
from typing import Any, Dict, List, Optional, Sequence

import pytest
import pytest_lsp
from lsprotocol import types as lsp
from pytest_lsp import ClientServerConfig, LanguageClient, client_capabilities

# The installed server, run as its console script would run it.
CONFIG = ClientServerConfig(server_command=[sys.executable, "-m", "jrl.lsp"])

_names = itertools.count()


def capabilities(encodings: Optional[Sequence[str]] = None) -> lsp.ClientCapabilities:
    """A real editor's capabilities; ``encodings`` the position encodings it
    offers, in its order of preference (none: UTF-16 only)."""
    caps = client_capabilities("visual-studio-code")
    if encodings is not None:
        caps.general = caps.general or lsp.GeneralClientCapabilities()
        caps.general.position_encodings = list(encodings)
    return caps


async def start(client: LanguageClient, encodings: Optional[Sequence[str]] = None,
                options: Optional[Dict[str, Any]] = None) -> lsp.InitializeResult:
    return await client.initialize_session(
        lsp.InitializeParams(capabilities=capabilities(encodings), initialization_options=options))


@pytest_lsp.fixture(config=CONFIG, scope="module")
async def client(lsp_client: LanguageClient):
    """One server for a test module; each test opens its own documents."""
    await start(lsp_client)
    yield
    await lsp_client.shutdown_session()


async def published(client: LanguageClient, uri: str, version: int) -> List[lsp.Diagnostic]:
    """The diagnostics the server publishes for ``uri`` at ``version``."""
    while True:
        params = await client.wait_for_notification(lsp.TEXT_DOCUMENT_PUBLISH_DIAGNOSTICS)
        if params.uri == uri and params.version == version:
            return list(params.diagnostics)


async def open_document(client: LanguageClient, text: str) -> str:
    """Opens a new document holding ``text`` and waits for its diagnostics;
    returns its URI (client.diagnostics[uri] holds them)."""
    uri = f"file:///work/doc{next(_names)}.jrl"
    client.text_document_did_open(lsp.DidOpenTextDocumentParams(
        text_document=lsp.TextDocumentItem(uri=uri, language_id="jrl", version=1, text=text)))
    await published(client, uri, 1)
    return uri


def doc(uri: str) -> lsp.TextDocumentIdentifier:
    return lsp.TextDocumentIdentifier(uri=uri)


def at(line: int, character: int) -> lsp.Position:
    return lsp.Position(line=line, character=character)


def span(line: int, start: int, end_line: int, end: int) -> lsp.Range:
    return lsp.Range(start=at(line, start), end=at(end_line, end))


def apply(text: str, edits: Sequence[lsp.TextEdit]) -> str:
    """``text`` with the edits made, positions counted in UTF-16 units."""
    lines = text.split("\n")

    def offset(p: lsp.Position) -> int:
        before = sum(len(line) + 1 for line in lines[: p.line])
        units = lines[p.line].encode("utf-16-le") if p.line < len(lines) else b""
        return before + len(units[: 2 * p.character].decode("utf-16-le"))

    for edit in sorted(edits, key=lambda e: (e.range.start.line, e.range.start.character), reverse=True):
        start, end = offset(edit.range.start), offset(edit.range.end)
        text = text[:start] + edit.new_text + text[end:]
    return text


pytestmark = pytest.mark.asyncio(loop_scope="module")
