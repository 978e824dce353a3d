"""jrl-lsp's one conversion between offsets and the client's positions."""

import pytest

pytest.importorskip("pygls")

from lsprotocol import types as lsp  # noqa: E402
from jrl.lsp.positions import UTF8, UTF16, UTF32, Positions  # noqa: E402

TEXT = 'a𝄞b\r\nÉt\rz\n\n日本'  # astral, CR LF, a lone CR (a line break for the client), an empty line

# Offset; the client's (line, character) in UTF-16, UTF-8 and UTF-32.
PLACES = [
    (0, (0, 0), (0, 0), (0, 0)),
    (1, (0, 1), (0, 1), (0, 1)),
    (2, (0, 3), (0, 5), (0, 2)),  # after the astral character
    (3, (0, 4), (0, 6), (0, 3)),  # the CR of CR LF
    (5, (1, 0), (1, 0), (1, 0)),
    (6, (1, 1), (1, 2), (1, 1)),
    (7, (1, 2), (1, 3), (1, 2)),  # the lone CR
    (8, (2, 0), (2, 0), (2, 0)),
    (10, (3, 0), (3, 0), (3, 0)),  # the empty line
    (12, (4, 1), (4, 3), (4, 1)),
    (13, (4, 2), (4, 6), (4, 2)),  # the end of the text
]


@pytest.mark.parametrize("offset, utf16, utf8, utf32", PLACES)
def test_offsets_and_positions_round_trip(offset, utf16, utf8, utf32):
    for encoding, (line, character) in ((UTF16, utf16), (UTF8, utf8), (UTF32, utf32)):
        positions = Positions(TEXT, encoding)
        assert (positions.position(offset).line, positions.position(offset).character) == (line, character)
        assert positions.offset(lsp.Position(line=line, character=character)) == offset


# A client position that is not a character's start or lies past the text.
# Position; the offset in UTF-16 and in UTF-8.
CLAMPED = [
    ((0, 2), 1, 1),    # inside the astral character's units: its start
    ((0, 99), 3, 3),   # past the line's end: the end of its text, before CR LF
    ((4, 2), 13, 11),  # UTF-8: inside 日's three bytes
    ((9, 0), 13, 13),  # past the last line: the end of the text
]


@pytest.mark.parametrize("position, utf16, utf8", CLAMPED)
def test_positions_between_characters_move_to_one(position, utf16, utf8):
    line, character = position
    for encoding, expected in ((UTF16, utf16), (UTF8, utf8)):
        assert Positions(TEXT, encoding).offset(lsp.Position(line=line, character=character)) == expected


# The library's (line, column) counts only LF as a line break, and a
# byte-order mark as no column.
@pytest.mark.parametrize("text, line, column, offset", [
    (TEXT, 1, 1, 0), (TEXT, 1, 4, 3), (TEXT, 2, 1, 5), (TEXT, 2, 5, 9), (TEXT, 3, 1, 10), (TEXT, 9, 1, 13),
    ("\ufeff" + TEXT, 1, 1, 1), ("\ufeff" + TEXT, 1, 4, 4), ("\ufeff" + TEXT, 2, 1, 6)])
def test_library_places(text, line, column, offset):
    assert Positions(text).from_library(line, column) == offset


# Lines of characters of one to four UTF-8 bytes and one or two UTF-16
# units, long enough to cross many stretches of the line tables (made
# short here), with each kind of line break.
PIECES = ["a", "é", "日", "𝄞", "\ud800", "TAG(\"é\") ", "\r\n", "\n", "\r"]


def _reference(text: str, encoding: str, offset: int):
    """The client's line and column of ``offset``, counted afresh."""
    lines = text[:offset].replace("\r\n", "\n").replace("\r", "\n").split("\n")
    codec = {UTF8: "utf-8", UTF16: "utf-16-le", UTF32: "utf-32-le"}[encoding]
    width = {UTF8: 1, UTF16: 2, UTF32: 4}[encoding]
    return len(lines) - 1, len(lines[-1].encode(codec, "surrogatepass")) // width


@pytest.mark.parametrize("encoding", [UTF16, UTF8, UTF32])
@pytest.mark.parametrize("seed", range(4))
def test_long_lines_convert_as_counted_afresh(monkeypatch, encoding, seed):
    import random

    from jrl.lsp import positions as module

    monkeypatch.setattr(module, "STRETCH", 7)
    chooser = random.Random(seed)
    text = "".join(chooser.choice(PIECES[:6] if chooser.random() < 0.97 else PIECES) for _ in range(600))
    positions = Positions(text, encoding)
    for offset in range(len(text) + 1):
        if text[offset - 1 : offset + 1] == "\r\n":
            continue  # between CR and LF: no place of the client's
        line, character = _reference(text, encoding, offset)
        assert (positions.position(offset).line, positions.position(offset).character) == (line, character)
        assert positions.offset(lsp.Position(line=line, character=character)) == offset
        # A unit inside a character moves to its start.
        if offset < len(text) and text[offset] not in "\r\n" and _reference(text, encoding, offset + 1)[1] > character + 1:
            assert positions.offset(lsp.Position(line=line, character=character + 1)) == offset


def _both_ways(positions):
    for offset in range(0, len(positions.text), 7):
        positions.offset(positions.position(offset))
    return 2 * len(range(0, len(positions.text), 7))


def _semantic_tokens(positions):
    import jrl
    from jrl.lsp.tokens import Pieces

    return 2 * len(Pieces(positions, jrl.statement_spans(positions.text)).semantic_tokens()) // 5


def _diagnostics(positions):
    import jrl
    from jrl.lsp.diagnostics import to_lsp

    found = jrl.check(positions.text)
    assert len(found) > 100
    return 2 * len(to_lsp(found, "file:///x.jrl", positions))


# What converts positions on a 40,000-character line, and the line.
LONG_LINES = [
    (_both_ways, 'TAG("é")' * 5000),
    (_semantic_tokens, 'TAG("é")' * 5000),
    (_diagnostics, 'SELECT 1 FROM CLASS(MATX 1200) : "é"; ' * 1000),
]


@pytest.mark.parametrize("convert, text", LONG_LINES)
@pytest.mark.parametrize("encoding", [UTF16, UTF8])
def test_a_long_line_is_read_once(monkeypatch, convert, text, encoding):
    """Each conversion on a long line of two-byte characters reads at most
    a stretch of it, and the line is read whole once, not once per
    conversion."""
    from jrl.lsp import positions as module

    read = []
    units, chars = module._units, module._chars
    monkeypatch.setattr(module, "_units", lambda text, encoding: read.append(len(text)) or units(text, encoding))
    monkeypatch.setattr(module, "_chars", lambda line, n, encoding: read.append(len(line)) or chars(line, n, encoding))
    conversions = convert(Positions(text, encoding))
    assert max(read) <= module.STRETCH
    assert sum(read) <= 2 * len(text) + conversions * module.STRETCH
