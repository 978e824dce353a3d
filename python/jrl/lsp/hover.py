"""Hover: a function's argument form and meaning, a department code, and a
statement's quantity in words. It reads the words around the cursor, so a
document that does not parse gets hover wherever a word can be read."""

import re
from typing import FrozenSet, List, Optional

from lsprotocol import types as lsp
from pygments.token import Keyword, Name, Number, Operator

import jrl

from .language import function, quantity_in_words
from .positions import Positions
from .tokens import Word, is_a, significant

_DIGITS = re.compile(r"[0-9]+")


def _markdown(text: str) -> lsp.MarkupContent:
    return lsp.MarkupContent(kind=lsp.MarkupKind.Markdown, value=text)


_known: Optional[FrozenSet[str]] = None


def known_departments() -> FrozenSet[str]:
    """The registry's codes, read once."""
    global _known
    if _known is None:
        _known = frozenset(jrl.departments())
    return _known


def department_text(code: str) -> str:
    if code in known_departments():
        return f"`{code}`: a department of the Wexmoor catalogue."
    closest = jrl.closest_department(code)
    if closest is not None:
        return f"`{code}` is not a department of the Wexmoor catalogue. Did you mean `{closest}`?"
    return f"`{code}` is not a department of the Wexmoor catalogue."


def _quantity(tokens: List[Word], index: int) -> Optional[str]:
    """The quantity of the statement head that token ``index`` belongs to
    (its keyword, a number or the range's hyphen), in words."""
    # Step back to the keyword: at most two tokens before it (low, "-").
    start = index
    while start > 0 and index - start < 3 and not is_a(tokens[start].kind, Keyword):
        start -= 1
    head = tokens[start]
    if not is_a(head.kind, Keyword) or head.text not in ("SELECT", "LIMIT"):
        return None
    rest = tokens[start + 1 : start + 4]
    if not rest or not is_a(rest[0].kind, Number) or not _DIGITS.fullmatch(rest[0].text):
        return None
    low = int(rest[0].text)
    high = None
    if len(rest) == 3 and is_a(rest[1].kind, Operator) and is_a(rest[2].kind, Number):
        high = int(rest[2].text)
        if index > start + 3:
            return None
    elif index > start + 1:
        return None
    return f"`{head.text} {low}{'' if high is None else f'-{high}'}`: " + quantity_in_words(head.text, low, high)


def hover(tokens: List[Word], positions: Positions, offset: int) -> Optional[lsp.Hover]:
    """What to show for the word at ``offset``; ``tokens`` are those of the
    statement around it."""
    shown = list(significant(tokens))
    hit = next((i for i, t in enumerate(shown) if t.start <= offset < t.end), None)
    if hit is None:  # just after a word, as when the cursor ends it
        hit = next((i for i, t in enumerate(shown) if t.end == offset), None)
    if hit is None:
        return None
    token = shown[hit]
    text = None
    if is_a(token.kind, Name.Function):
        f = function(token.text)
        if f is not None:
            text = f"```jrl\n{f.form}\n```\nSelects {f.meaning}."
    elif is_a(token.kind, Name.Namespace):
        text = department_text(token.text)
    elif is_a(token.kind, Keyword) or is_a(token.kind, Number) or is_a(token.kind, Operator):
        text = _quantity(shown, hit)
    if text is None:
        return None
    return lsp.Hover(contents=_markdown(text), range=positions.range(token.start, token.end))
