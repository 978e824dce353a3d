"""Positions in a document: character offsets, the library's lines and
columns, and the client's positions, converted in this one place.

The library counts characters (code points) and ends a line at a line feed
(a carriage return before it belongs to the line). A client counts columns
in the encoding agreed at start-up: UTF-16 code units unless it offered
UTF-8 or UTF-32, and ends a line at a line feed, a carriage return and line
feed, or a lone carriage return. Offsets here are indices into the ``str``
of the document.
"""

import re
from array import array
from bisect import bisect_right
from typing import Dict, List, Optional, Tuple

from lsprotocol import types as lsp

UTF8 = lsp.PositionEncodingKind.Utf8
UTF16 = lsp.PositionEncodingKind.Utf16
UTF32 = lsp.PositionEncodingKind.Utf32

_SURROGATE = re.compile("[\ud800-\udfff]")


def _line_starts(text: str, lone_cr: bool) -> List[int]:
    starts = [0]
    find = text.find
    at = find("\n")
    while at != -1:
        starts.append(at + 1)
        at = find("\n", at + 1)
    if lone_cr:
        at = find("\r")
        while at != -1:
            if at + 1 >= len(text) or text[at + 1] != "\n":
                starts.append(at + 1)
            at = find("\r", at + 1)
        starts.sort()
    return starts


def _units(text: str, encoding: str) -> int:
    """The length of ``text`` in the client's code units."""
    if encoding == UTF32 or text.isascii():
        return len(text)
    if encoding == UTF8:
        return len(text.encode("utf-8", "surrogatepass"))
    return len(text.encode("utf-16-le", "surrogatepass")) // 2


def _chars(line: str, units: int, encoding: str) -> int:
    """How many characters of ``line`` the first ``units`` code units hold;
    a position inside a character's units moves to its start. Called on at
    most a stretch of ``STRETCH`` characters."""
    if encoding == UTF32 or line.isascii():
        return min(units, len(line))
    count = 0
    for index, c in enumerate(line):
        if encoding == UTF8:
            width = len(c.encode("utf-8", "surrogatepass"))
        else:
            width = 2 if ord(c) > 0xFFFF else 1
        if count + width > units:
            return index
        count += width
    return len(line)


# A line longer than this many characters, holding characters whose code
# units differ from one, is read once into a table of the units before each
# stretch of this many characters; each conversion then reads at most one
# stretch, however long the line.
STRETCH = 256


class Positions:
    """Converts between offsets, the library's places and client positions
    for one version of one document. Building it reads the text once; a
    long line with characters of several code units is read once more, on
    the first conversion on it, so a conversion costs at most a stretch of
    ``STRETCH`` characters and a search, never the whole line."""

    def __init__(self, text: str, encoding: str = UTF16) -> None:
        self.text = text
        # What the library reads: a lone surrogate (which a client may send
        # but UTF-8 cannot hold) becomes U+FFFD, one character for one, so
        # that offsets agree.
        self.library_text = text if text.isascii() or not _SURROGATE.search(text) else _SURROGATE.sub("\ufffd", text)
        # A byte-order mark is no part of the statements.
        self.bom = 1 if text.startswith("\ufeff") else 0
        self.encoding = encoding
        # Whether a code unit is a character everywhere.
        self._plain = encoding == UTF32 or text.isascii()
        self._marks: Dict[int, "array[int]"] = {}
        self._jrl_starts = _line_starts(text, lone_cr=False)
        has_lone_cr = "\r" in text and text.count("\r") != text.count("\r\n")
        self._starts = _line_starts(text, lone_cr=True) if has_lone_cr else self._jrl_starts

    def _line_end(self, line: int) -> int:
        """Where the client's ``line`` ends, before its line break."""
        end = self._starts[line + 1] if line + 1 < len(self._starts) else len(self.text)
        if end > self._starts[line] and self.text[end - 1 : end] == "\n":
            end -= 1
        if end > self._starts[line] and self.text[end - 1 : end] == "\r":
            end -= 1
        return end

    # The client's positions.

    def position(self, offset: int) -> lsp.Position:
        """The client position of ``offset``."""
        line, character = self.line_column(offset)
        return lsp.Position(line=line, character=character)

    def line(self, offset: int) -> int:
        """The client's 0-based line of ``offset``."""
        return bisect_right(self._starts, offset) - 1

    def range(self, start: int, end: int) -> lsp.Range:
        return lsp.Range(start=self.position(start), end=self.position(max(start, end)))

    def offset(self, position: lsp.Position) -> int:
        """The offset of a client position; past a line's end is its end,
        past the last line is the end of the text."""
        if position.line >= len(self._starts):
            return len(self.text)
        start = self._starts[position.line]
        end = self._line_end(position.line)
        units = position.character
        if self._plain:
            return start + min(units, end - start)
        if end - start <= STRETCH:
            return start + _chars(self.text[start:end], units, self.encoding)
        marks = self._line_marks(position.line)
        k = bisect_right(marks, units) - 1
        at = start + k * STRETCH
        return min(at + _chars(self.text[at : min(at + STRETCH, end)], units - marks[k], self.encoding), end)

    def offsets(self, range_: lsp.Range) -> Tuple[int, int]:
        return self.offset(range_.start), self.offset(range_.end)

    def line_column(self, offset: int) -> Tuple[int, int]:
        """The client's 0-based line and code-unit column of ``offset``."""
        offset = max(0, min(offset, len(self.text)))
        line = bisect_right(self._starts, offset) - 1
        start = self._starts[line]
        if self._plain:
            return line, offset - start
        if offset - start <= STRETCH:
            return line, _units(self.text[start:offset], self.encoding)
        k = (offset - start) // STRETCH
        at = start + k * STRETCH
        return line, self._line_marks(line)[k] + _units(self.text[at:offset], self.encoding)

    def _line_marks(self, line: int) -> "array[int]":
        """The code units of the client's ``line`` before each ``STRETCH``-th
        character, read on first use."""
        marks = self._marks.get(line)
        if marks is None:
            start = self._starts[line]
            end = self._starts[line + 1] if line + 1 < len(self._starts) else len(self.text)
            marks = array("q", [0])
            total = 0
            for at in range(start + STRETCH, end + 1, STRETCH):
                total += _units(self.text[at - STRETCH : at], self.encoding)
                marks.append(total)
            self._marks[line] = marks
        return marks

    # The library's places (1-based lines, columns in characters).

    def from_library(self, line: int, column: int) -> int:
        """The offset of a library place in the text, as ``jrl.analyse``
        and ``jrl.check`` count them: a byte-order mark is no column."""
        if line > len(self._jrl_starts):
            return len(self.text)
        start = self._jrl_starts[line - 1] if line > 1 else self.bom
        return min(start + column - 1, len(self.text))


def client_encoding(encoding: Optional[str]) -> str:
    return encoding if encoding in (UTF8, UTF16, UTF32) else UTF16
