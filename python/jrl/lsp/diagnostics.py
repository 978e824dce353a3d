"""The library's diagnostics as the client's, and their fixes as quick fixes."""

from typing import Dict, List, Optional, Sequence

from lsprotocol import types as lsp

import jrl

from .positions import Positions

SOURCE = "jrl"


def _repository() -> str:
    """The project's source repository, as the installed package names it."""
    try:
        from importlib.metadata import metadata

        entries: List[str] = metadata("pylibjrl").get_all("Project-URL") or []
        for entry in entries:
            label, _, url = entry.partition(",")
            if label.strip() == "Source":
                return url.strip().rstrip("/")
    except Exception:  # run from a build tree, without the distribution's metadata
        pass
    return "https://github.com/libjrl/libjrl"


# Where each code is explained: the sections of docs/diagnostics.md, whose
# anchors are the code and its name.
DOCUMENTATION = f"{_repository()}/blob/main/docs/diagnostics.md"
CODE_NAMES: Dict[str, str] = {c.code: c.name for c in jrl.diagnostic_codes()}


def documentation(code: Optional[str]) -> Optional[str]:
    if code is None:
        return None
    name = CODE_NAMES.get(code)
    anchor = f"{code.lower()}-{name}" if name else ""
    return f"{DOCUMENTATION}#{anchor}" if anchor else DOCUMENTATION


def _range(d: "jrl.Diagnostic", positions: Positions) -> lsp.Range:
    start = d.offset if d.offset is not None else 0
    end = d.end_offset if d.end_offset is not None else start
    # A mark at a single place still shows one character where there is one.
    if end <= start and start < len(positions.text) and positions.text[start] not in "\r\n":
        end = start + 1
    return positions.range(start, end)


def to_lsp(found: Sequence["jrl.Diagnostic"], uri: str, positions: Positions) -> List[lsp.Diagnostic]:
    """The client's diagnostics for the library's, in the same order: the
    context chain (outermost first) and the notes as related information."""
    result = []
    for d in found:
        range_ = _range(d, positions)
        related = [
            lsp.DiagnosticRelatedInformation(location=lsp.Location(uri=uri, range=range_), message=message)
            for message in d.context
        ]
        for note in d.notes:
            at = note.offset if note.offset is not None else 0
            related.append(lsp.DiagnosticRelatedInformation(
                location=lsp.Location(uri=uri, range=positions.range(at, at)), message=note.message))
        href = documentation(d.code)
        result.append(lsp.Diagnostic(
            range=range_,
            severity=lsp.DiagnosticSeverity.Warning if d.severity == "warning" else lsp.DiagnosticSeverity.Error,
            code=d.code,
            code_description=lsp.CodeDescription(href=href) if href else None,
            source=SOURCE,
            message=d.message,
            related_information=related or None,
        ))
    return result


def quick_fixes(found: Sequence["jrl.Diagnostic"], shown: Sequence[lsp.Diagnostic], uri: str,
                positions: Positions, wanted: lsp.Range) -> List[lsp.CodeAction]:
    """A quick fix for each suggestion of each diagnostic whose range meets
    ``wanted``; the first suggestion of a diagnostic is the preferred one."""
    low, high = positions.offsets(wanted)
    actions = []
    for d, client in zip(found, shown):
        start, end = positions.offsets(client.range)
        if end < low or start > high:
            continue
        for index, suggestion in enumerate(d.suggestions):
            edits = [
                lsp.TextEdit(range=positions.range(e.offset, e.end_offset), new_text=e.replacement)
                for e in suggestion.edits
            ]
            actions.append(lsp.CodeAction(
                title=suggestion.message,
                kind=lsp.CodeActionKind.QuickFix,
                diagnostics=[client],
                is_preferred=index == 0,
                edit=lsp.WorkspaceEdit(changes={uri: edits}),
            ))
    return actions
