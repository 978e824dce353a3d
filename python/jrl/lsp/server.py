"""The JRL language server: a thin shell over the ``jrl`` package.

Every language fact comes from the library: diagnostics and their fixes from
``jrl.check``, formatting from ``jrl.format``, the statements of a broken
text from ``jrl.statement_spans``, the department registry from
``jrl.departments``; the words of a text from the package's lexer.
"""

from bisect import bisect_left
from typing import Dict, List, Optional, Tuple

from lsprotocol import types as lsp
from pygls.lsp.server import LanguageServer

import jrl

from . import completion, diagnostics, formatting, hover, outline, tokens
from .positions import Positions, client_encoding

NAME = "jrl-lsp"
DEFAULT_WIDTH = 100


class Analysis:
    """What the server knows of one version of one document; the words are
    lexed on first use."""

    def __init__(self, uri: str, version: Optional[int], text: str, encoding: str,
                 previous: Optional["Analysis"] = None) -> None:
        self.uri = uri
        self.version = version
        self.positions = Positions(text, encoding)
        self.found = jrl.check(self.positions.library_text)
        self.shown = diagnostics.to_lsp(self.found, uri, self.positions)
        self._spans: Optional[List[Tuple[int, int]]] = None
        self._pieces: Optional[tokens.Pieces] = None
        # What the versions before lexed, until this one lexes.
        self._lexed = previous.lexed if previous is not None and previous.positions.encoding == encoding else None

    @property
    def lexed(self) -> Optional[Dict[str, tokens.Piece]]:
        return self._pieces.made if self._pieces is not None else self._lexed

    @property
    def pieces(self) -> tokens.Pieces:
        if self._pieces is None:
            self._pieces = tokens.Pieces(self.positions, self.spans, self._lexed)
            self._lexed = None
        return self._pieces

    @property
    def spans(self) -> List[Tuple[int, int]]:
        if self._spans is None:
            self._spans = jrl.statement_spans(self.positions.library_text)
        return self._spans

    def statement_start(self, offset: int) -> int:
        """Where the statement holding ``offset`` starts: after the last
        statement that ends before it, unless that one is still open (the
        last statement of a text, without its ";")."""
        index = bisect_left([end for _, end in self.spans], offset) - 1
        if index < 0:
            return 0
        start, end = self.spans[index]
        if not self.positions.text[start:end].rstrip().endswith(";"):
            return start
        return end

    def statement_words(self, start: int, end: int) -> List[tokens.Word]:
        return tokens.words(self.positions.text[start:end], start)


class JrlServer(LanguageServer):
    def __init__(self) -> None:
        super().__init__(NAME, jrl_version(), text_document_sync_kind=lsp.TextDocumentSyncKind.Incremental)
        self.analyses: Dict[str, Analysis] = {}
        self.width = DEFAULT_WIDTH

    def analyse(self, uri: str) -> Analysis:
        document = self.workspace.get_text_document(uri)
        analysis = self.analyses.get(uri)
        if analysis is None or analysis.version != document.version or analysis.positions.text != document.source:
            analysis = Analysis(uri, document.version, document.source,
                                client_encoding(self.workspace.position_encoding), analysis)
            self.analyses[uri] = analysis
        return analysis

    def publish(self, uri: str) -> None:
        analysis = self.analyse(uri)
        self.text_document_publish_diagnostics(lsp.PublishDiagnosticsParams(
            uri=uri, version=analysis.version, diagnostics=analysis.shown))

    @property
    def snippets(self) -> bool:
        caps = self.client_capabilities.text_document
        item = caps.completion.completion_item if caps and caps.completion else None
        return bool(item and item.snippet_support)


def jrl_version() -> str:
    try:
        from importlib.metadata import version

        return version("pylibjrl")
    except Exception:  # not installed as a distribution, e.g. from a build tree
        return "0"


server = JrlServer()


@server.feature(lsp.INITIALIZE)
def initialize(ls: JrlServer, params: lsp.InitializeParams) -> None:
    # The one setting: {"width": N}, the line width of formatting.
    options = params.initialization_options
    width = options.get("width") if isinstance(options, dict) else None
    if isinstance(width, int) and not isinstance(width, bool) and width >= 1:
        ls.width = width


@server.feature(lsp.TEXT_DOCUMENT_DID_OPEN)
def did_open(ls: JrlServer, params: lsp.DidOpenTextDocumentParams) -> None:
    ls.publish(params.text_document.uri)


@server.feature(lsp.TEXT_DOCUMENT_DID_CHANGE)
def did_change(ls: JrlServer, params: lsp.DidChangeTextDocumentParams) -> None:
    ls.publish(params.text_document.uri)


@server.feature(lsp.TEXT_DOCUMENT_DID_CLOSE)
def did_close(ls: JrlServer, params: lsp.DidCloseTextDocumentParams) -> None:
    uri = params.text_document.uri
    ls.analyses.pop(uri, None)
    ls.text_document_publish_diagnostics(lsp.PublishDiagnosticsParams(uri=uri, diagnostics=[]))


@server.feature(lsp.TEXT_DOCUMENT_CODE_ACTION,
                lsp.CodeActionOptions(code_action_kinds=[lsp.CodeActionKind.QuickFix]))
def code_action(ls: JrlServer, params: lsp.CodeActionParams) -> List[lsp.CodeAction]:
    only = params.context.only
    if only and not any(lsp.CodeActionKind.QuickFix.value.startswith(kind) for kind in only):
        return []
    a = ls.analyse(params.text_document.uri)
    return diagnostics.quick_fixes(a.found, a.shown, a.uri, a.positions, params.range)


@server.feature(lsp.TEXT_DOCUMENT_COMPLETION,
                lsp.CompletionOptions(trigger_characters=["(", "[", ",", " "]))
def complete(ls: JrlServer, params: lsp.CompletionParams) -> lsp.CompletionList:
    a = ls.analyse(params.text_document.uri)
    offset = a.positions.offset(params.position)
    start = a.statement_start(offset)
    found = completion.items(a.statement_words(start, offset), a.positions, offset, ls.snippets)
    return lsp.CompletionList(is_incomplete=False, items=found)


@server.feature(lsp.TEXT_DOCUMENT_HOVER)
def on_hover(ls: JrlServer, params: lsp.HoverParams) -> Optional[lsp.Hover]:
    a = ls.analyse(params.text_document.uri)
    offset = a.positions.offset(params.position)
    start = a.statement_start(offset)
    # The statement's words up to the end of the line, enough for any word
    # the cursor can be on.
    end = a.positions.text.find("\n", offset)
    end = len(a.positions.text) if end == -1 else end
    return hover.hover(a.statement_words(start, end), a.positions, offset)


@server.feature(lsp.TEXT_DOCUMENT_DOCUMENT_SYMBOL)
def document_symbol(ls: JrlServer, params: lsp.DocumentSymbolParams) -> List[lsp.DocumentSymbol]:
    return outline.document_symbols(ls.analyse(params.text_document.uri).positions)


@server.feature(lsp.TEXT_DOCUMENT_FOLDING_RANGE)
def folding_range(ls: JrlServer, params: lsp.FoldingRangeParams) -> List[lsp.FoldingRange]:
    a = ls.analyse(params.text_document.uri)
    return outline.folding_ranges(a.pieces, a.positions)


@server.feature(lsp.TEXT_DOCUMENT_FORMATTING)
def format_document(ls: JrlServer, params: lsp.DocumentFormattingParams) -> Optional[List[lsp.TextEdit]]:
    return formatting.whole(ls.analyse(params.text_document.uri).positions, ls.width)


@server.feature(lsp.TEXT_DOCUMENT_RANGE_FORMATTING)
def format_range(ls: JrlServer, params: lsp.DocumentRangeFormattingParams) -> Optional[List[lsp.TextEdit]]:
    return formatting.part(ls.analyse(params.text_document.uri).positions, params.range, ls.width)


@server.feature(lsp.TEXT_DOCUMENT_SEMANTIC_TOKENS_FULL, tokens.LEGEND)
def semantic_tokens(ls: JrlServer, params: lsp.SemanticTokensParams) -> lsp.SemanticTokens:
    a = ls.analyse(params.text_document.uri)
    return lsp.SemanticTokens(data=a.pieces.semantic_tokens())


def main() -> None:
    server.start_io()
