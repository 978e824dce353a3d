"""Document symbols (each requirement under its description, nested
queries as its children) and folding ranges (lists over several lines)."""

from typing import List, Tuple

from lsprotocol import types as lsp
from pygments.token import Comment, Punctuation, Whitespace

import jrl

from .language import quantity_in_words
from .positions import Positions
from .tokens import Pieces, is_a


def _quantity(query: "jrl.Query") -> Tuple[str, str]:
    """The statement head as written, ``SELECT 2-4``, and in words."""
    keyword = query.kind.name
    quantity = query.quantity
    if isinstance(quantity, jrl.Many):
        return f"{keyword} {quantity.low}-{quantity.high}", quantity_in_words(keyword, quantity.low, quantity.high)
    return f"{keyword} {quantity.count}", quantity_in_words(keyword, quantity.count, None)


def _range(span: "jrl.Span", positions: Positions) -> lsp.Range:
    start = positions.from_library(span.line, span.column)
    end = positions.from_library(span.end_line, span.end_column)
    return positions.range(start, end)


def _nested(query: "jrl.Query", positions: Positions) -> List[lsp.DocumentSymbol]:
    children = []
    for selector in query.selectors:
        if isinstance(selector, jrl.NestedQuery) and selector.span is not None:
            head, words = _quantity(selector.query)
            range_ = _range(selector.span, positions)
            children.append(lsp.DocumentSymbol(
                name=head, detail=words, kind=lsp.SymbolKind.Struct, range=range_,
                selection_range=range_, children=_nested(selector.query, positions) or None))
    return children


def _symbol(requirement: "jrl.Requirement", positions: Positions) -> lsp.DocumentSymbol:
    head, words = _quantity(requirement.query)
    assert requirement.span is not None  # built requirements have one
    range_ = _range(requirement.span, positions)
    return lsp.DocumentSymbol(
        name=requirement.description or head, detail=f"{head}: {words}", kind=lsp.SymbolKind.Object,
        range=range_, selection_range=range_, children=_nested(requirement.query, positions) or None)


def document_symbols(analysis: "jrl.Analysis", positions: Positions) -> List[lsp.DocumentSymbol]:
    """A symbol for each statement that builds, broken ones costing only
    themselves; the analysis places them in the whole text."""
    return [_symbol(requirement, positions) for requirement in analysis.file.requirements]


def folding_ranges(pieces: Pieces, positions: Positions) -> List[lsp.FoldingRange]:
    """A range for each bracketed list over several lines, and for each run
    of two or more comment lines."""
    result = []
    open_lists: List[int] = []
    comment_run: List[int] = []  # first and last line of the current run

    def end_comments() -> None:
        if comment_run and comment_run[1] > comment_run[0]:
            result.append(lsp.FoldingRange(start_line=comment_run[0], end_line=comment_run[1],
                                           kind=lsp.FoldingRangeKind.Comment))
        comment_run.clear()

    # The words are read in place: a long document has many, and only
    # brackets and comments matter here.
    for base, piece in pieces.pieces:
        for word in piece.words:
            kind = word.kind
            if kind is Whitespace:
                continue
            if is_a(kind, Comment):
                line = positions.line(base + word.start)
                if comment_run and line == comment_run[1] + 1:
                    comment_run[1] = line
                else:
                    end_comments()
                    comment_run.extend((line, line))
                continue
            if comment_run:
                end_comments()
            if word.text == "[" and kind is Punctuation:
                open_lists.append(positions.line(base + word.start))
            elif word.text == "]" and kind is Punctuation and open_lists:
                first = open_lists.pop()
                last = positions.line(base + word.start)
                if last > first:
                    result.append(lsp.FoldingRange(start_line=first, end_line=last))
    end_comments()
    result.sort(key=lambda r: (r.start_line, r.end_line))
    return result
