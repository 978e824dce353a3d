"""The words near the cursor, for completion and hover, read from a window
of a few thousand characters around it.

A statement may be megabytes long and the lexer reads about a megabyte a
second, so the words of the whole statement are not read on every request.
Where the statement starts long before the cursor, the words are read from
a place near it where the lexer can start afresh: a line start (strings and
comments end at their line) or, on a longer line, a place after a space or
punctuation that lies outside strings and comments. The lists and argument
lists still open there stand before the words as brackets of no width (an
argument list's function unknown), so that completion knows it is in a
list. They are found by counting brackets outside strings and comments with
the regular-expression engine, once for a statement; while the text before
the place stays as it was (as it does while one types after it), later
requests count only from where the last count ended.
"""

import re
from typing import List, Optional, Tuple

from pygments.token import Punctuation

from .tokens import Word, words

# The window starts between WINDOW and twice WINDOW characters before the
# cursor, at a multiple of WINDOW, so that it stays put while one types.
WINDOW = 2048

# Strings (closed on their line, or running to its end) and comments, as the
# lexer reads them, and everything else but brackets.
_ALL_BUT_BRACKETS = re.compile(r'"(?:""|[^"\r\n])*"(?!")|"[^\r\n]*|//[^\n]*|[^\[\]()"/]+|/')
# Strings closed on their line: what remains of a stretch of a line without
# them shows whether the place after it is in a string (a quote is left) or
# in a comment (a "//" is left).
_CLOSED_STRINGS = re.compile(r'"(?:""|[^"\r\n])*"(?!")')
# The rest of a string from a place inside it, through its closing quote.
_STRING_REST = re.compile(r'(?:""|[^"\r\n])*"(?!")')
# Where the lexer may start afresh: after a space or punctuation.
_BREAK = re.compile(r"[ \t\r\n,\[\]();:]")


def _code_from(text: str, start: int, at: int, offset: int) -> Optional[int]:
    """``at``, or the end of the string it lies in, whichever lies outside
    strings and comments, given that ``start`` (on the same line) does; None
    if ``offset`` comes first, or ``at`` is in a comment."""
    if text.find("//", start, at) == -1:
        # No comment: the quotes of strings closed before ``at`` pair up, and
        # those inside a string after its opening quote are doubled.
        in_string = text.count('"', start, at) % 2 == 1
    else:
        rest = _CLOSED_STRINGS.sub("", text[start:at])
        quote, comment = rest.find('"'), rest.find("//")
        if comment != -1 and (quote == -1 or comment < quote):
            return None  # a comment runs to the end of the line
        in_string = quote != -1
    if not in_string:
        return at
    line_end = text.find("\n", at)
    found = _STRING_REST.match(text, at, len(text) if line_end == -1 else line_end)
    return None if found is None or found.end() > offset else found.end()


def _brackets(text: str, start: int, end: int) -> str:
    """The brackets between two places outside strings and comments that
    are themselves outside strings and comments."""
    return _ALL_BUT_BRACKETS.sub("", text[start:end])


def _still_open(brackets: str) -> str:
    """Of a run of brackets, those left open, outermost first."""
    brackets = brackets.replace("()", "").replace("[]", "")
    stack: List[str] = []
    for bracket in brackets:
        if bracket in "[(":
            stack.append(bracket)
        elif stack and stack[-1] == ("[" if bracket == "]" else "("):
            stack.pop()
    return "".join(stack)


class OpenBrackets:
    """The brackets open at a place of a statement, kept from one request
    (and one version of the document) to the next, so that a place after
    the last one, with the text before that one unchanged, costs only the
    text between the two."""

    def __init__(self) -> None:
        self._text = ""
        self._start = self._end = -1
        self._open = ""

    def reusable(self, text: str, start: int, end: int) -> bool:
        """Whether the last count, from ``start``, ended at or before
        ``end`` and the text it read is unchanged."""
        return self._start == start <= self._end <= end and (
            text is self._text or text.startswith(self._text[start : self._end], start))

    @property
    def end(self) -> int:
        return self._end

    def at(self, text: str, start: int, end: int) -> str:
        """The brackets open at ``end`` in the statement from ``start``; both
        lie outside strings and comments."""
        if self.reusable(text, start, end):
            opened = _still_open(self._open + _brackets(text, self._end, end))
        else:
            opened = _still_open(_brackets(text, start, end))
        self._text, self._start, self._end, self._open = text, start, end, opened
        return opened


def window_start(text: str, start: int, offset: int, known: OpenBrackets) -> Optional[int]:
    """Where to read the words before ``offset`` from, in the statement that
    starts at ``start``; None if no place near it will do (``offset`` is in
    a comment or string that starts before the window, or a word longer than
    the window)."""
    low = (offset - WINDOW) // WINDOW * WINDOW
    if start >= low:
        return start
    line_start = text.rfind("\n", start, offset) + 1
    if line_start > low:
        return line_start
    found = _BREAK.search(text, low, offset)
    if found is None:
        return None
    # Where the check for strings and comments may start: the line's start,
    # or where the last count ended, if on this line and still as it was.
    begin = max(line_start, start)
    if known.reusable(text, start, found.end()) and known.end > begin:
        begin = known.end
    return _code_from(text, begin, found.end(), offset)


def words_near(text: str, start: int, offset: int, end: int, known: OpenBrackets) -> Optional[List[Word]]:
    """The words from the window before ``offset`` to ``end`` (at most
    ``WINDOW`` characters after ``offset``), in the statement that starts at
    ``start``, with the brackets open before the window in front; None where
    the window holds no place to start reading."""
    begin = window_start(text, start, offset, known)
    if begin is None:
        return None
    end = min(end, offset + WINDOW)
    if begin == start:
        return words(text[start:end], start)
    opened = known.at(text, start, begin)
    stack: Tuple[str, ...] = ("root", "arguments") if opened.endswith("(") else ("root",)
    return [Word(begin, begin, Punctuation, b) for b in opened] + words(text[begin:end], begin, stack)
