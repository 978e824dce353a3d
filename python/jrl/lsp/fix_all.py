"""The "fix all" source action: every fix :func:`jrl.fix` applies to the
document, as one edit, for a client that asks for ``source.fixAll`` (an
editor's fix-on-save, its source action menu)."""

from typing import List, Optional, Sequence

from lsprotocol import types as lsp

import jrl

from .positions import Positions

KIND = "source.fixAll.jrl"
#: The kinds the server advertises for it.
KINDS = [lsp.CodeActionKind.SourceFixAll, KIND]
TITLE = "Fix all problems that have a fix"


def actions(uri: str, positions: Positions, only: Optional[Sequence[str]]) -> List[lsp.CodeAction]:
    """The action, when ``only`` asks for a kind it is of and there is
    something to fix; it replaces the one stretch of text that changes."""
    if not only or not any(KIND.startswith(kind) for kind in only):
        return []
    text = positions.library_text
    fixed = jrl.fix(text)
    if fixed == text:
        return []
    start = 0
    limit = min(len(text), len(fixed))
    while start < limit and text[start] == fixed[start]:
        start += 1
    end, new_end = len(text), len(fixed)
    while end > start and new_end > start and text[end - 1] == fixed[new_end - 1]:
        end -= 1
        new_end -= 1
    edit = lsp.TextEdit(range=positions.range(start, end), new_text=fixed[start:new_end])
    return [lsp.CodeAction(title=TITLE, kind=KIND, edit=lsp.WorkspaceEdit(changes={uri: [edit]}))]
