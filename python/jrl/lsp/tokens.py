"""The words of a document, as the package's Pygments lexer reads them, and
the semantic tokens made from them."""

from typing import Dict, Iterator, List, NamedTuple, Optional, Sequence, Tuple

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


def words(text: str, base: int = 0, stack: Tuple[str, ...] = ("root",)) -> List[Word]:
    """The tokens of ``text`` with offsets from ``base``, the lexer starting
    in the states ``stack``. The raw text is lexed, so offsets are indices
    into it (no newline is added or changed)."""
    return [
        Word(base + index, base + index + len(value), kind, value)
        for index, kind, value in _LEXER.get_tokens_unprocessed(text, stack)
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


def _token_type(kind: _TokenType) -> Optional[int]:
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


_TOKEN_TYPES: Dict[_TokenType, Optional[int]] = {}


def token_type(kind: _TokenType) -> Optional[int]:
    """The legend index for a lexer token kind; None for what is not shown
    (punctuation, spaces, operators, other words, errors). The lexer has a
    handful of kinds, each looked up once."""
    found = _TOKEN_TYPES.get(kind, -1)
    if found == -1:
        found = _TOKEN_TYPES[kind] = _token_type(kind)
    return found


def _shown(tokens: Sequence[Word], positions: Positions) -> List[Tuple[int, int, int, int]]:
    """The shown tokens as (line, column, length, type) in the client's
    units. Adjacent pieces of one string (its quotes, text and doubled
    quotes) are one token; no token spans lines, as strings and comments end
    at their line."""
    found: List[Tuple[int, int, int, int]] = []
    pending: Optional[List[int]] = None  # start, end, type

    def flush(start: int, end: int, kind: int) -> None:
        line, column = positions.line_column(start)
        end_line, end_column = positions.line_column(end)
        if end_line == line and end_column > column:
            found.append((line, column, end_column - column, kind))

    for token in tokens:
        kind = token_type(token.kind)
        if kind is None:
            continue
        if pending is not None and kind == pending[2] == 4 and pending[1] == token.start:
            pending[1] = token.end
            continue
        if pending is not None:
            flush(*pending)
        pending = [token.start, token.end, kind]
    if pending is not None:
        flush(*pending)
    return found


class Piece(NamedTuple):
    """What is made of one statement's text: its words, offsets from its
    start, and its shown tokens, lines and columns from its start."""

    words: Tuple[Word, ...]
    shown: Tuple[Tuple[int, int, int, int], ...]


class Pieces:
    """The words of one version of a document, lexed statement by statement
    (the lexer starts each statement afresh, as it does after a ";"). A
    statement whose text is in ``previous`` (what the last version made)
    is not lexed again, so a change costs the statements it touches."""

    def __init__(self, positions: Positions, spans: Sequence[Tuple[int, int]],
                 previous: Optional[Dict[str, Piece]] = None) -> None:
        text = positions.text
        cuts = sorted({0, len(text), *(i for span in spans for i in span if 0 <= i <= len(text))})
        self.made: Dict[str, Piece] = {}
        self.pieces: List[Tuple[int, Piece]] = []
        old = previous or {}
        for start, end in zip(cuts, cuts[1:]):
            key = text[start:end]
            piece = self.made.get(key) or old.get(key)
            if piece is None:
                found = tuple(words(key))
                piece = Piece(found, tuple(_shown(found, Positions(key, positions.encoding))))
            self.made[key] = piece
            self.pieces.append((start, piece))
        self.positions = positions

    def __iter__(self) -> Iterator[Word]:
        """Every word of the document but spaces, offsets from its start."""
        for base, piece in self.pieces:
            for w in piece.words:
                if w.kind is not Whitespace:
                    yield Word(base + w.start, base + w.end, w.kind, w.text)

    def semantic_tokens(self) -> List[int]:
        """The relative five-integer encoding of the shown tokens."""
        data: List[int] = []
        last_line = last_column = 0
        for base, piece in self.pieces:
            if not piece.shown:
                continue
            first_line, first_column = self.positions.line_column(base)
            for line, column, length, kind in piece.shown:
                if line == 0:
                    column += first_column
                line += first_line
                data.extend((line - last_line, column - last_column if line == last_line else column, length, kind, 0))
                last_line, last_column = line, column
        return data
