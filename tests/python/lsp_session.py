"""A real client driving jrl-lsp over standard input and output, for the
language server's tests (pytest-lsp, on CPython 3.10 and newer)."""

import itertools
import json
import os
import re
import select
import subprocess
import sys
import tempfile
from typing import Any, Dict, List, Optional, Sequence, Tuple

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


class RawClient:
    """The server driven by hand, message by message, for what a real
    client never sends; every wait has a generous limit, so that a server
    that hangs fails the test instead of stalling it."""

    LIMIT = 60.0

    def __init__(self) -> None:
        self._log = tempfile.TemporaryFile()
        self.process = subprocess.Popen(CONFIG.server_command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=self._log)
        self._ids = itertools.count(1)
        self._unread = b""
        self.request("initialize", {"capabilities": {}})
        self.notify("initialized", {})

    def send(self, data: bytes) -> None:
        """Writes ``data``; a server that stops reading part-way (as it may
        on a message it refuses) is found by the next wait."""
        assert self.process.stdin is not None
        try:
            self.process.stdin.write(data)
            self.process.stdin.flush()
        except BrokenPipeError:
            pass

    def notify(self, method: str, params: Any = None, **extra: Any) -> None:
        body = json.dumps({"jsonrpc": "2.0", "method": method, "params": params, **extra}).encode()
        self.send(b"Content-Length: %d\r\n\r\n%s" % (len(body), body))

    def _more(self) -> None:
        out = self.process.stdout
        assert out is not None
        ready, _, _ = select.select([out], [], [], self.LIMIT)
        assert ready, "the server did not answer"
        chunk = os.read(out.fileno(), 1 << 16)
        assert chunk, "the server closed its output"
        self._unread += chunk

    def receive(self) -> Dict[str, Any]:
        while b"\r\n\r\n" not in self._unread:
            self._more()
        head, _, _ = self._unread.partition(b"\r\n\r\n")
        length = int(re.search(rb"(?i)content-length: *([0-9]+)", head).group(1))
        start = len(head) + 4
        while len(self._unread) < start + length:
            self._more()
        body, self._unread = self._unread[start : start + length], self._unread[start + length :]
        return json.loads(body)

    def request(self, method: str, params: Any) -> Dict[str, Any]:
        """The response to a request, the notifications before it left out."""
        number = next(self._ids)
        self.notify(method, params, id=number)
        while True:
            message = self.receive()
            if message.get("id") == number:
                return message

    def open(self, uri: str, text: str) -> None:
        self.notify("textDocument/didOpen", {"textDocument": {"uri": uri, "languageId": "jrl", "version": 1,
                                                              "text": text}})

    def end(self) -> Tuple[int, str]:
        """The exit status once the server has stopped by itself, and what it
        logged."""
        try:
            status = self.process.wait(self.LIMIT)
        finally:
            self.process.kill()
            self.process.communicate()
        self._log.seek(0)
        return status, self._log.read().decode("utf-8", "replace")


pytestmark = pytest.mark.asyncio(loop_scope="module")
