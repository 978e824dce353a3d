"""The words near the cursor, for completion and hover, read from a window
of at most ``WINDOW`` characters on each side of it.

A statement may be megabytes long, and the lexer reads about a megabyte a
second, so the words of the whole statement are not read on every request.
Where the statement starts more than ``WINDOW`` characters before the
cursor, the words are read from a place in the window where the lexer can
start afresh: the first line start in it (strings and comments end at their
line), or, on a longer line, the first place after a space or punctuation
that lies outside strings and comments. The lists and argument lists still
open there are found by counting brackets outside strings and comments
from the statement's start, which the regular-expression engine does at
many times the lexer's speed; they stand before the words as brackets of
no width (an argument list's function unknown), so completion knows it is
in a list.
"""

import re
from typing import List, Optional

from pygments.token import Punctuation

from .tokens import Word, words

WINDOW = 4096

# Strings (closed on their line, or running to its end) and comments, as the
# lexer reads them.
_NOISE = re.compile(r'"(?:""|[^"\r\n])*"(?!")|"[^\r\n]*|//[^\n]*')
# Strings closed on their line: what remains of a line's start without them
# shows whether a place after it is in a string (a quote is left) or a
# comment (a "//" comes first).
_CLOSED_STRINGS = re.compile(r'"(?:""|[^"\r\n])*"(?!")')
# Where the lexer may start afresh: after a space or punctuation.
_BREAK = re.compile(r"[ \t\r\n,\[\]();:]")
_BRACKETS = re.compile(r"[^\[\]()]+")


def _in_code(text: str, line_start: int, at: int) -> bool:
    """Whether ``at`` lies outside strings and comments, on the line that
    starts at ``line_start``."""
    rest = _CLOSED_STRINGS.sub("", text[line_start:at])
    quote, comment = rest.find('"'), rest.find("//")
    return quote == -1 and comment == -1


def _open_brackets(text: str, start: int, end: int) -> str:
    """The brackets still open at ``end`` of those from ``start``, outermost
    first, leaving out those in strings and comments."""
    stack: List[str] = []
    for bracket in _BRACKETS.sub("", _NOISE.sub("", text[start:end])):
        if bracket in "[(":
            stack.append(bracket)
        elif stack and stack[-1] == ("[" if bracket == "]" else "("):
            stack.pop()
    return "".join(stack)


def window_start(text: str, start: int, offset: int) -> Optional[int]:
    """Where to read the words before ``offset`` from, in the statement that
    starts at ``start``; None if no place in the window will do."""
    low = offset - WINDOW
    if start >= low:
        return start
    line_start = text.rfind("\n", start, offset) + 1
    if line_start > low:
        return line_start
    line_start = max(line_start, start)
    found = _BREAK.search(text, low, offset)
    if found is None or not _in_code(text, line_start, found.end()):
        # A string, a comment or a word longer than the window: read from
        # the line's start would cost the line; what is near is not known.
        return None
    return found.end()


def words_near(text: str, start: int, offset: int, end: int) -> Optional[List[Word]]:
    """The words from the window before ``offset`` to ``end`` (at most
    ``WINDOW`` characters after ``offset``), in the statement that starts at
    ``start``, with the brackets open before the window in front; None where
    the window holds no place to start reading."""
    begin = window_start(text, start, offset)
    if begin is None:
        return None
    end = min(end, offset + WINDOW)
    if begin == start:
        return words(text[start:end], start)
    opened = _open_brackets(text, start, begin)
    stack = ("root", "arguments") if opened.endswith("(") else ("root",)
    return [Word(begin, begin, Punctuation, b) for b in opened] + words(text[begin:end], begin, stack)
