"""What the server does with messages it cannot take as they are: a request
whose parameters are out of the protocol's ranges gets an error response, a
message or header line over the size limit closes the connection, and the
exit status tells whether the client asked for a shutdown first. Changes to
a document are made by the server itself (``JrlServer.apply_changes``), so
that their positions are converted as all others are."""

import logging
from typing import Any, BinaryIO, Generator, NamedTuple

from lsprotocol import types as lsp
from pygls.exceptions import JsonRpcException
from pygls.protocol import LanguageServerProtocol
from pygls.protocol.language_server import lsp_method

LOG = logging.getLogger("jrl.lsp")

# The largest message read: far above any document an editor sends (a
# 50 MB document is a message of about 50 MB), far below what would
# exhaust memory.
MESSAGE_LIMIT = 1 << 30
# The longest header line read, its line break included.
HEADER_LIMIT = 1024


class BoundedInput:
    """The client's stream as the server reads it: a header line or a
    message body over its limit is logged and read as the end of input, so
    the server stops as it does when the client closes the stream."""

    def __init__(self, stream: BinaryIO, message_limit: int = MESSAGE_LIMIT) -> None:
        self.stream = stream
        self.message_limit = message_limit

    def readline(self) -> bytes:
        line = self.stream.readline(HEADER_LIMIT + 1)
        if len(line) > HEADER_LIMIT:
            LOG.error("jrl-lsp: a header line longer than %d bytes; closing the connection", HEADER_LIMIT)
            return b""
        return line

    def read(self, size: int) -> bytes:
        if size > self.message_limit:
            LOG.error("jrl-lsp: a message of %d bytes is over the limit of %d bytes; closing the connection",
                      size, self.message_limit)
            return b""
        return self.stream.read(size)


class Unreadable(NamedTuple):
    """A request whose parameters could not be read, to be answered with
    the error."""

    id: Any
    method: str
    error: JsonRpcException


def _reason(error: BaseException) -> str:
    """What is wrong with the parameters: the first of the validation
    errors behind ``error``."""
    cause = error.__cause__
    while cause is not None and getattr(cause, "exceptions", None):
        cause = cause.exceptions[0]  # type: ignore[attr-defined]
    if cause is None:
        return error.__class__.__name__
    return f"missing {cause.args[0]}" if isinstance(cause, KeyError) else str(cause)


class JrlProtocol(LanguageServerProtocol):
    def structure_message(self, data: Any) -> Any:
        try:
            return super().structure_message(data)
        except JsonRpcException as error:
            if isinstance(data, dict) and "id" in data and isinstance(data.get("method"), str):
                return Unreadable(data["id"], data["method"], error)
            raise

    @lsp_method(lsp.TEXT_DOCUMENT_DID_CHANGE)
    def lsp_text_document__did_change(self, params: lsp.DidChangeTextDocumentParams) -> Generator[Any, Any, None]:
        self._server.apply_changes(params)  # type: ignore[attr-defined]  # a JrlServer
        handler = self.fm.features.get(lsp.TEXT_DOCUMENT_DID_CHANGE)
        if handler is not None:
            yield handler, (params,), None

    def handle_message(self, message: Any) -> None:
        if isinstance(message, Unreadable):
            self._send_response(message.id, error=lsp.ResponseError(
                code=message.error.code, message=f"{message.method}: {_reason(message.error)}"))
            return
        super().handle_message(message)
