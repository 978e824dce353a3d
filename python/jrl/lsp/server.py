"""The JRL language server: a thin shell over the ``jrl`` package.

Every language fact comes from the library: one ``jrl.analyse`` of each
version of a document gives its diagnostics and their fixes, its statements
(broken ones included) and the models of those that build, which the
outline reads; formatting comes from ``jrl.format``, the department registry
from ``jrl.departments``; the words of a text from the package's lexer.
"""

import sys
from bisect import bisect_left
from typing import Any, Callable, Dict, List, Optional, Tuple, TypeVar
from pathlib import Path
from urllib.parse import unquote, urlparse

from lsprotocol import types as lsp
from pygls.lsp.server import LanguageServer

import jrl

from . import (catalogue_features, completion, diagnostics, fix_all, formatting, hover, nearby, outline,
               tokens)
from .positions import Positions, client_encoding
from .protocol import BoundedInput, JrlProtocol

NAME = "jrl-lsp"
DEFAULT_WIDTH = 100


class Analysis:
    """What the server knows of one version of one document; the words are
    lexed on first use."""

    def __init__(self, uri: str, version: Optional[int], text: str, encoding: str,
                 previous: Optional["Analysis"] = None, catalogue: Optional[jrl.Catalogue] = None) -> None:
        self.uri = uri
        self.version = version
        self.positions = Positions(text, encoding)
        # The one reading of this version that every answer about it uses.
        self.read = jrl.analyse(self.positions.library_text)
        self.found = self.read.diagnostics
        self.catalogue = catalogue
        if catalogue is not None:
            self.found = catalogue_features.diagnostics(self.positions.library_text, catalogue)
        self.shown = diagnostics.to_lsp(self.found, uri, self.positions)
        self._spans: Optional[List[Tuple[int, int]]] = None
        self._ends: Optional[List[int]] = None
        self._pieces: Optional[tokens.Pieces] = None
        # What the versions before lexed, until this one lexes.
        self._lexed = previous.lexed if previous is not None and previous.positions.encoding == encoding else None
        # The brackets open before the window of the last completion or hover.
        self.open_brackets: nearby.OpenBrackets = (
            previous.open_brackets if previous is not None else nearby.OpenBrackets())

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
        """The text cut at the end of each statement, as
        ``jrl.statement_spans`` cuts it: each piece holds the space and
        comments before its statement, and the last runs to the end."""
        if self._spans is None:
            self._spans = []
            at = 0
            for statement in self.read.statements:
                end = statement.chunk[1]
                self._spans.append((at, end))
                at = end
            if at < len(self.positions.text) or not self._spans:
                self._spans.append((at, len(self.positions.text)))
        return self._spans

    def statement_start(self, offset: int) -> int:
        """Where the statement holding ``offset`` starts: after the last
        statement that ends before it, unless that one is still open (the
        last statement of a text, without its ";")."""
        statements = self.read.statements
        if self._ends is None:
            self._ends = [s.end_offset for s in statements]
        index = bisect_left(self._ends, offset) - 1
        if index < 0:
            return 0
        end = statements[index].end_offset
        if self.positions.text[end - 1] != ";":
            return self.spans[index][0]
        return end

    def words_near(self, offset: int, end: int) -> Optional[List[tokens.Word]]:
        """The words of the statement around ``offset``, from a window before
        it to ``end``; None where the window tells nothing."""
        return nearby.words_near(self.positions.text, self.statement_start(offset), offset, end, self.open_brackets)


class JrlServer(LanguageServer):
    def __init__(self) -> None:
        super().__init__(NAME, jrl_version(), protocol_cls=JrlProtocol,
                         text_document_sync_kind=lsp.TextDocumentSyncKind.Incremental)
        self.analyses: Dict[str, Analysis] = {}
        self.catalogues = catalogue_features.Catalogues()
        self.width = DEFAULT_WIDTH
        self.shut_down = False

    def analyse(self, uri: str) -> Optional[Analysis]:
        """What is known of an open document; None for one the client has
        not opened, which is never read from disk."""
        document = self.workspace.text_documents.get(unquote(uri))
        if document is None:
            return None
        analysis = self.analyses.get(uri)
        catalogue = self.catalogues.for_document(uri)
        self.tell_problems()
        if analysis is None or analysis.version != document.version or analysis.positions.text != document.source \
                or analysis.catalogue is not catalogue:
            analysis = Analysis(uri, document.version, document.source,
                                client_encoding(self.workspace.position_encoding), analysis, catalogue)
            self.analyses[uri] = analysis
        return analysis

    def apply_changes(self, params: lsp.DidChangeTextDocumentParams) -> None:
        """Makes the client's changes to an open document, their ranges
        converted as every other position is: through the line tables, where
        pygls would read a long line character by character."""
        uri = params.text_document.uri
        document = self.workspace.text_documents.get(unquote(uri))
        if document is None:
            return
        text = document.source
        encoding = client_encoding(self.workspace.position_encoding)
        analysis = self.analyses.get(uri)
        positions = analysis.positions if analysis is not None and analysis.positions.text is text \
            and analysis.positions.encoding == encoding else None
        for change in params.content_changes:
            if isinstance(change, lsp.TextDocumentContentChangePartial):
                positions = positions or Positions(text, encoding)
                start, end = positions.offsets(change.range)
                text = text[:start] + change.text + text[max(start, end):]
            else:
                text = change.text
            positions = None
        document.apply_change(lsp.TextDocumentContentChangeWholeDocument(text=text))
        document.version = params.text_document.version

    def publish(self, uri: str) -> None:
        analysis = self.analyse(uri)
        if analysis is None:
            return
        self.text_document_publish_diagnostics(lsp.PublishDiagnosticsParams(
            uri=uri, version=analysis.version, diagnostics=analysis.shown))

    def tell_problems(self) -> None:
        """Shows each catalogue or configuration that did not load, once."""
        while self.catalogues.problems:
            self.window_show_message(lsp.ShowMessageParams(
                type=lsp.MessageType.Warning, message=self.catalogues.problems.pop(0)))

    @property
    def snippets(self) -> bool:
        caps = self.client_capabilities.text_document
        item = caps.completion.completion_item if caps and caps.completion else None
        return bool(item and item.snippet_support)


def jrl_version() -> str:
    # The native part's version: it is there even in a build tree, and
    # reading package metadata is not safe in every interpreter.
    return jrl.__version__


server = JrlServer()

Result = TypeVar("Result")
Handler = Callable[[JrlServer, Analysis, Any], Result]


def about_a_document(handler: Handler[Result]) -> Callable[..., Optional[Result]]:
    """A request about a document, answered from its analysis; the answer
    about a document that is not open is null."""

    def answer(ls: JrlServer, params: Any) -> Optional[Result]:
        analysis = ls.analyse(params.text_document.uri)
        return None if analysis is None else handler(ls, analysis, params)

    answer.__name__ = handler.__name__
    return answer


@server.feature(lsp.INITIALIZE)
def initialize(ls: JrlServer, params: lsp.InitializeParams) -> None:
    # The one setting: {"width": N}, the line width of formatting.
    options = params.initialization_options
    width = options.get("width") if isinstance(options, dict) else None
    if isinstance(width, int) and not isinstance(width, bool) and width >= 1:
        ls.width = width
    # {"catalogue": PATH}: the catalogue to check against, a relative path
    # read from the workspace's folder.
    if isinstance(options, dict):
        ls.catalogues.configure(options.get("catalogue"))
    if params.root_uri:
        ls.catalogues.root = Path(unquote(urlparse(params.root_uri).path))


@server.feature(lsp.WORKSPACE_DID_CHANGE_CONFIGURATION)
def did_change_configuration(ls: JrlServer, params: lsp.DidChangeConfigurationParams) -> None:
    # {"jrl": {"catalogue": PATH}}, as editors send their settings.
    settings = params.settings.get("jrl") if isinstance(params.settings, dict) else None
    if isinstance(settings, dict) and ls.catalogues.configure(settings.get("catalogue")):
        for uri in list(ls.analyses):
            ls.publish(uri)


@server.feature(lsp.SHUTDOWN)
def shutdown(ls: JrlServer, params: None) -> None:
    ls.shut_down = True


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
                lsp.CodeActionOptions(code_action_kinds=[lsp.CodeActionKind.QuickFix, *fix_all.KINDS]))
@about_a_document
def code_action(ls: JrlServer, a: Analysis, params: lsp.CodeActionParams) -> List[lsp.CodeAction]:
    only = params.context.only
    fixes = fix_all.actions(a.uri, a.positions, only)
    if only and not any(lsp.CodeActionKind.QuickFix.value.startswith(kind) for kind in only):
        return fixes
    return diagnostics.quick_fixes(a.found, a.shown, a.uri, a.positions, params.range) + fixes


@server.feature(lsp.TEXT_DOCUMENT_COMPLETION,
                lsp.CompletionOptions(trigger_characters=["(", "[", ",", " ", '"']))
@about_a_document
def complete(ls: JrlServer, a: Analysis, params: lsp.CompletionParams) -> lsp.CompletionList:
    offset = a.positions.offset(params.position)
    if a.catalogue is not None:
        names = catalogue_features.completions(a.positions.text, a.statement_start(offset), offset,
                                               a.positions, a.catalogue)
        if names is not None:
            return lsp.CompletionList(is_incomplete=False, items=names)
    words = a.words_near(offset, offset)
    found = [] if words is None else completion.items(words, a.positions, offset, ls.snippets)
    return lsp.CompletionList(is_incomplete=False, items=found)


@server.feature(lsp.TEXT_DOCUMENT_HOVER)
@about_a_document
def on_hover(ls: JrlServer, a: Analysis, params: lsp.HoverParams) -> Optional[lsp.Hover]:
    offset = a.positions.offset(params.position)
    # The statement's words up to the end of the line, enough for any word
    # the cursor can be on.
    end = a.positions.text.find("\n", offset, offset + nearby.WINDOW)
    words = a.words_near(offset, len(a.positions.text) if end == -1 else end)
    found = None if words is None else hover.hover(words, a.positions, offset)
    if a.catalogue is not None:
        found = catalogue_features.add_to_hover(found, a.read, a.positions, offset, a.catalogue)
    return found


@server.feature(lsp.TEXT_DOCUMENT_DOCUMENT_SYMBOL)
@about_a_document
def document_symbol(ls: JrlServer, a: Analysis, params: lsp.DocumentSymbolParams) -> List[lsp.DocumentSymbol]:
    return outline.document_symbols(a.read, a.positions)


@server.feature(lsp.TEXT_DOCUMENT_FOLDING_RANGE)
@about_a_document
def folding_range(ls: JrlServer, a: Analysis, params: lsp.FoldingRangeParams) -> List[lsp.FoldingRange]:
    return outline.folding_ranges(a.pieces, a.positions)


@server.feature(lsp.TEXT_DOCUMENT_FORMATTING)
@about_a_document
def format_document(ls: JrlServer, a: Analysis,
                    params: lsp.DocumentFormattingParams) -> Optional[List[lsp.TextEdit]]:
    return formatting.whole(a.positions, ls.width)


@server.feature(lsp.TEXT_DOCUMENT_RANGE_FORMATTING)
@about_a_document
def format_range(ls: JrlServer, a: Analysis,
                 params: lsp.DocumentRangeFormattingParams) -> Optional[List[lsp.TextEdit]]:
    return formatting.part(a.positions, a.spans, params.range, ls.width)


@server.feature(lsp.TEXT_DOCUMENT_SEMANTIC_TOKENS_FULL, tokens.LEGEND)
@about_a_document
def semantic_tokens(ls: JrlServer, a: Analysis, params: lsp.SemanticTokensParams) -> lsp.SemanticTokens:
    return lsp.SemanticTokens(data=a.pieces.semantic_tokens())


def main() -> None:
    """Serve over standard input and output; the exit status is 0 after a
    shutdown request, else 1 (the client went away or sent exit first)."""
    server.start_io(stdin=BoundedInput(sys.stdin.buffer))  # type: ignore[arg-type]
    sys.exit(0 if server.shut_down else 1)
