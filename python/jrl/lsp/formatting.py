"""Formatting of the whole document or of the statements a range touches,
by the library's formatter. A text that does not parse is left alone."""

from bisect import bisect_left
from typing import List, Optional, Sequence, Tuple

from lsprotocol import types as lsp

import jrl

from .positions import Positions


def _edit(positions: Positions, start: int, end: int, new_text: str) -> List[lsp.TextEdit]:
    if positions.text[start:end] == new_text:
        return []
    return [lsp.TextEdit(range=positions.range(start, end), new_text=new_text)]


def whole(positions: Positions, width: int) -> Optional[List[lsp.TextEdit]]:
    skip = positions.bom
    try:
        formatted = jrl.format(positions.library_text[skip:], width)
    except jrl.ParseError:
        return None
    return _edit(positions, skip, len(positions.text), formatted)


def touched(spans: Sequence[Tuple[int, int]], low: int, high: int) -> Optional[Tuple[int, int]]:
    """From the start of the first statement that the range ``low``..``high``
    touches to the end of the last one."""
    ends = [end for _, end in spans]
    first = bisect_left(ends, low)
    if first == len(spans) or spans[first][0] > high:
        return None
    last = first
    while last + 1 < len(spans) and spans[last + 1][0] <= high:
        last += 1
    return spans[first][0], spans[last][1]


def part(positions: Positions, spans: Sequence[Tuple[int, int]], wanted: lsp.Range,
         width: int) -> Optional[List[lsp.TextEdit]]:
    """The statements the range touches, formatted as a file of their own
    would be, without the final line break the file would end with.
    ``spans`` cut the text at the end of each statement."""
    low, high = positions.offsets(wanted)
    text = positions.library_text
    found = touched(spans, low, high)
    if found is None:
        return []
    start, end = found
    # A statement's span starts where the one before it ended; the line
    # breaks between them (and a byte-order mark) stay as they are.
    start = max(start, positions.bom)
    start += len(text[start:end]) - len(text[start:end].lstrip())
    piece = text[start:end]
    try:
        formatted = jrl.format(piece, width)
    except jrl.ParseError:
        return None
    if not piece.endswith("\n"):
        formatted = formatted.rstrip("\r\n")
    # The formatter ends the lines of the piece as the piece's first line
    # ends; they end as the document's first line does, as formatting the
    # whole document would end them.
    formatted = formatted.replace("\r\n", "\n")
    if _crlf(text):
        formatted = formatted.replace("\n", "\r\n")
    return _edit(positions, start, end, formatted)


def _crlf(text: str) -> bool:
    """Whether the first line of ``text`` ends in CR LF."""
    first = text.find("\n")
    return first > 0 and text[first - 1] == "\r"
