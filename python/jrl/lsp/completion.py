"""Completion: statement keywords where a statement may start, FROM after a
quantity, functions (with their arguments as snippets) and nested
statements where a selector may stand, and department codes where a
function takes a course. It reads the words of the statement before the
cursor, so it works while that statement is still being written."""

import re
from typing import List, Optional, Tuple

from lsprotocol import types as lsp
from pygments.token import Comment, Error, Keyword, Name, Number, Punctuation

from .hover import known_departments
from .language import COURSE, FROM, FUNCTIONS, NESTED_SELECT, STATEMENT_KEYWORDS, Keyword as KeywordEntry
from .language import function
from .positions import Positions
from .tokens import Word, is_a, significant

# The word being typed: what the items replace and are matched against,
# read from at most the characters before the cursor that the longest label
# could take.
_TYPED = re.compile(r"[A-Za-z_&]*\Z")
_LONGEST_TYPED = 64

STATEMENT = "statement"
SELECTOR = "selector"
AFTER_QUANTITY = "after-quantity"
DEPARTMENT = "department"


def context(tokens: List[Word]) -> Optional[str]:
    """What may stand after ``tokens``, the words from the start of the
    statement to the cursor (the word being typed left out); None where
    nothing is offered (in a string or comment, a description, a number)."""
    if tokens and is_a(tokens[-1].kind, Comment):
        return None  # a comment runs to the end of its line
    if tokens and is_a(tokens[-1].kind, Error) and tokens[-1].text.startswith('"'):
        return None  # inside a string still open
    words = list(significant(tokens))
    # The brackets open at the cursor: each "(" with its function and the
    # index of the argument being written.
    open_brackets: List[Tuple[str, Optional[str], int]] = []
    previous: Optional[Word] = None
    for word in words:
        if is_a(word.kind, Punctuation):
            if word.text == ";":
                open_brackets.clear()
            elif word.text == "[":
                open_brackets.append(("[", None, 0))
            elif word.text == "(":
                name = previous.text if previous is not None and is_a(previous.kind, Name) else None
                open_brackets.append(("(", name, 0))
            elif word.text in ")]" and open_brackets:
                open_brackets.pop()
            elif word.text == "," and open_brackets:
                kind, name, index = open_brackets[-1]
                open_brackets[-1] = (kind, name, index + 1)
        previous = word
    last = words[-1] if words else None
    if last is None or (is_a(last.kind, Punctuation) and last.text == ";"):
        return STATEMENT
    if is_a(last.kind, Keyword) and last.text == "FROM":
        return SELECTOR
    if open_brackets:
        kind, name, index = open_brackets[-1]
        if kind == "[" and is_a(last.kind, Punctuation) and last.text in "[,":
            return SELECTOR
        if kind == "(" and is_a(last.kind, Punctuation) and last.text in "(,":
            f = function(name) if name is not None else None
            if f is not None and index < len(f.arguments) and f.arguments[index] == COURSE:
                return DEPARTMENT
            return None
    if is_a(last.kind, Number) and len(words) >= 2:
        head = words[-2] if is_a(words[-2].kind, Keyword) else (words[-4] if len(words) >= 4 else None)
        if head is not None and is_a(head.kind, Keyword) and head.text in ("SELECT", "LIMIT"):
            return AFTER_QUANTITY
    return None


def _keyword_item(entry: KeywordEntry, edit_range: lsp.Range, sort: str) -> lsp.CompletionItem:
    return lsp.CompletionItem(
        label=entry.name, kind=lsp.CompletionItemKind.Keyword, detail=entry.meaning, sort_text=sort,
        insert_text_format=lsp.InsertTextFormat.Snippet,
        text_edit=lsp.TextEdit(range=edit_range, new_text=entry.snippet))


def items(tokens: List[Word], positions: Positions, offset: int, snippets: bool) -> List[lsp.CompletionItem]:
    """The completions at ``offset``; ``tokens`` are the words from the start
    of its statement to the word being typed."""
    typed = _TYPED.search(positions.text, max(0, offset - _LONGEST_TYPED), offset)
    typed_text = typed.group() if typed else ""
    start = offset - len(typed_text)
    # The word being typed is left out; a comment or string it lies in stays.
    tokens = [t for t in tokens if t.start < start or t.end <= start]
    where = context(tokens)
    if where is None:
        return []
    edit_range = positions.range(start, offset)
    upper = typed_text.upper()
    result: List[lsp.CompletionItem] = []
    if where == STATEMENT:
        result = [_keyword_item(k, edit_range, f"0{i}") for i, k in enumerate(STATEMENT_KEYWORDS)]
    elif where == AFTER_QUANTITY:
        result = [_keyword_item(FROM, edit_range, "0")]
    elif where == SELECTOR:
        # Lower-case functions are valid too; follow the case being typed.
        lower = typed_text != "" and typed_text.islower()
        for i, f in enumerate(FUNCTIONS):
            name = f.name.lower() if lower else f.name
            result.append(lsp.CompletionItem(
                label=name, kind=lsp.CompletionItemKind.Function, detail=f.form,
                documentation=lsp.MarkupContent(kind=lsp.MarkupKind.Markdown, value=f"Selects {f.meaning}."),
                sort_text=f"0{i}", filter_text=name,
                insert_text_format=lsp.InsertTextFormat.Snippet,
                text_edit=lsp.TextEdit(range=edit_range, new_text=f"{name}({f.snippet}")))
        result.append(_keyword_item(NESTED_SELECT, edit_range, "1"))
    elif where == DEPARTMENT:
        result = [
            lsp.CompletionItem(label=code, kind=lsp.CompletionItemKind.Module, detail="department",
                               text_edit=lsp.TextEdit(range=edit_range, new_text=code))
            for code in sorted(known_departments())
            # Courses need four characters; the short codes cannot be written.
            if len(code) == 4
        ]
    if not snippets:
        for item in result:
            if item.insert_text_format == lsp.InsertTextFormat.Snippet:
                item.insert_text_format = lsp.InsertTextFormat.PlainText
                assert isinstance(item.text_edit, lsp.TextEdit)
                item.text_edit.new_text = item.label + ("(" if item.kind == lsp.CompletionItemKind.Function else "")
    return [item for item in result if item.label.upper().startswith(upper)]
