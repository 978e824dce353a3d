"""jrl-lsp at the edges of the protocol: requests about documents it was
never sent, parameters out of range, messages too large, and the exit
status. Each runs against a server driven message by message, with a
generous limit on every wait so that a hang fails."""

import os

import pytest

pytest.importorskip("pytest_lsp")

from lsp_session import RawClient  # noqa: E402

TEXT = 'SELECT 1 FROM CLASS(MATH 1200) : "x";\n'
OPEN = "file:///work/open.jrl"

# Each request about a document, with its parameters besides the document.
AT = {"position": {"line": 0, "character": 16}}
EVERYWHERE = {"range": {"start": {"line": 0, "character": 0}, "end": {"line": 0, "character": 3}}}
OPTIONS = {"options": {"tabSize": 4, "insertSpaces": True}}
REQUESTS = {
    "textDocument/hover": AT,
    "textDocument/completion": AT,
    "textDocument/semanticTokens/full": {},
    "textDocument/foldingRange": {},
    "textDocument/documentSymbol": {},
    "textDocument/formatting": OPTIONS,
    "textDocument/rangeFormatting": {**EVERYWHERE, **OPTIONS},
    "textDocument/codeAction": {**EVERYWHERE, "context": {"diagnostics": []}},
}


@pytest.fixture
def server():
    client = RawClient()
    client.open(OPEN, TEXT)
    yield client
    client.process.kill()
    client.end()


def test_only_open_documents_are_answered(server, tmp_path):
    """A document the client never opened is never read, not even from a
    path that would never end or never answer: every request about it gets
    null, and the server goes on serving."""
    fifo = tmp_path / "pipe.jrl"
    os.mkfifo(fifo)
    closed = tmp_path / "closed.jrl"
    closed.write_text(TEXT)
    for uri in ("file:///dev/zero", fifo.as_uri(), closed.as_uri()):
        for method, params in REQUESTS.items():
            answer = server.request(method, {"textDocument": {"uri": uri}, **params})
            assert answer.get("result") is None and "error" not in answer, (uri, method, answer)
    assert server.request("textDocument/hover", {"textDocument": {"uri": OPEN}, **AT})["result"] is not None


@pytest.mark.parametrize("position, reason", [
    ({"line": -1, "character": 0}, "Position.line should be in range [0:2147483647], but was -1."),
    ({"line": 2**31, "character": 0}, "Position.line should be in range [0:2147483647], but was 2147483648."),
    ({"line": 0, "character": 2**63}, "Position.character should be in range"),
    (None, "missing position"),
])
def test_a_position_out_of_range_gets_an_error(server, position, reason):
    params = {"textDocument": {"uri": OPEN}, **({"position": position} if position else {})}
    answer = server.request("textDocument/hover", params)
    assert answer["error"]["code"] == -32602
    assert answer["error"]["message"].startswith("textDocument/hover: " + reason)
    # The largest place the protocol allows lies past the text: no hover.
    answer = server.request("textDocument/hover",
                            {"textDocument": {"uri": OPEN}, "position": {"line": 2**31 - 1, "character": 2**31 - 1}})
    assert answer["result"] is None


@pytest.mark.parametrize("header", [
    b"Content-Length: 99999999999\r\n\r\n{",
    b"Content-Length: " + b"9" * 5000 + b"\r\n\r\n{",
    b"X-Padding: " + b"x" * 100000 + b"\r\n",
])
def test_a_message_over_the_limit_ends_the_connection(server, header):
    server.send(header)
    status, log = server.end()
    assert status == 1
    assert "closing the connection" in log
    assert "MemoryError" not in log and "Traceback" not in log


@pytest.mark.parametrize("shutdown, status", [(True, 0), (False, 1)])
def test_the_exit_status_tells_whether_shutdown_came_first(server, shutdown, status):
    if shutdown:
        assert server.request("shutdown", None)["result"] is None
    server.notify("exit")
    assert server.end()[0] == status
