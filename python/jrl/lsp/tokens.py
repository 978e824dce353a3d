"""The words of a document, as the package's Pygments lexer reads them, and
the semantic tokens made from them."""

from typing import Iterator, List, NamedTuple, Optional

from lsprotocol import types as lsp
from pygments.token import Comment, Error, Keyword, Name, Number, String, Whitespace, _TokenType

from ..pygments_lexer import JrlLexer
from .positions import Positions

_LEXER = JrlLexer()


class Word(NamedTuple):
    start: int
    end: int
    kind: _TokenType
    text: str


def is_a(kind: _TokenType, family: _TokenType) -> bool:
    """Whether a token kind is ``family`` or one of its kinds, as Pygments'
    ``kind in family`` tells (``Name.Function`` is a ``Name``)."""
    return kind[: len(family)] == family


def words(text: str, base: int = 0) -> List[Word]:
    """The tokens of ``text`` with offsets from ``base``. The raw text is
    lexed, so offsets are indices into it (no newline is added or changed)."""
    return [
        Word(base + index, base + index + len(value), kind, value)
        for index, kind, value in _LEXER.get_tokens_unprocessed(text)
    ]


def significant(tokens: List[Word]) -> Iterator[Word]:
    """The tokens that are not spaces or comments."""
    return (t for t in tokens if not is_a(t.kind, Whitespace) and not is_a(t.kind, Comment))


# The legend: the index of each type is what a token's type field holds.
TOKEN_TYPES = (
    lsp.SemanticTokenTypes.Keyword,
    lsp.SemanticTokenTypes.Function,
    lsp.SemanticTokenTypes.Namespace,
    lsp.SemanticTokenTypes.Number,
    lsp.SemanticTokenTypes.String,
    lsp.SemanticTokenTypes.Comment,
)
LEGEND = lsp.SemanticTokensLegend(token_types=[t.value for t in TOKEN_TYPES], token_modifiers=[])


def token_type(kind: _TokenType) -> Optional[int]:
    """The legend index for a lexer token kind; None for what is not shown
    (punctuation, spaces, operators, other words, errors)."""
    if is_a(kind, Error):
        return None
    if is_a(kind, Keyword):
        return 0
    if is_a(kind, Name.Function):
        return 1
    if is_a(kind, Name.Namespace):
        return 2
    if is_a(kind, Number):
        return 3
    if is_a(kind, String):
        return 4
    if is_a(kind, Comment):
        return 5
    return None


def semantic_tokens(tokens: List[Word], positions: Positions) -> List[int]:
    """The relative five-integer encoding of the shown tokens. Adjacent
    pieces of one string (its quotes, text and doubled quotes) are one token;
    no token spans lines, as strings and comments end at their line."""
    data: List[int] = []
    last_line = 0
    last_column = 0
    pending: Optional[List[int]] = None  # start, end, type

    def flush() -> None:
        nonlocal last_line, last_column
        assert pending is not None
        start, end, kind = pending
        line, column = positions.line_column(start)
        end_line, end_column = positions.line_column(end)
        length = end_column - column if end_line == line else 0
        if length <= 0:
            return
        delta_line = line - last_line
        delta_column = column - last_column if delta_line == 0 else column
        data.extend((delta_line, delta_column, length, kind, 0))
        last_line, last_column = line, column

    for token in tokens:
        kind = token_type(token.kind)
        if kind is None:
            continue
        if pending is not None and kind == pending[2] == 4 and pending[1] == token.start:
            pending[1] = token.end
            continue
        if pending is not None:
            flush()
        pending = [token.start, token.end, kind]
    if pending is not None:
        flush()
    return data
