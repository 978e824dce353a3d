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


# The library's (line, column) counts only LF as a line break.
@pytest.mark.parametrize("line, column, base, offset", [
    (1, 1, 0, 0), (1, 4, 0, 3), (2, 1, 0, 5), (2, 5, 0, 9), (3, 1, 0, 10), (1, 2, 6, 7), (2, 1, 6, 10)])
def test_library_places(line, column, base, offset):
    assert Positions(TEXT).from_library(line, column, base) == offset
