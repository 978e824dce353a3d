"""What the server does with a course catalogue: the catalogue's warnings
among a document's diagnostics, hover on a selector (how many courses it
selects, the first few with titles) and on a course (its title and
credits), and completion of the names the catalogue knows inside the
strings that take them.

The catalogue is the one the ``catalogue`` setting names (an
initialization option, or ``jrl.catalogue`` in the workspace settings),
else the one the ``jrl.toml`` (or ``pyproject.toml`` ``[tool.jrl]``) found
from the document's folder names, as ``jrl check`` finds it."""

import os
import re
from pathlib import Path
from typing import Dict, Iterator, List, NamedTuple, Optional, Set, Tuple
from urllib.parse import unquote, urlparse

from lsprotocol import types as lsp

import jrl

from .._config import ConfigError, find_config
from .positions import Positions

# How many courses a hover lists before "and N more".
SHOWN_COURSES = 8


class Catalogues:
    """The catalogue of each document, each file loaded once (again when it
    changes on disk). A catalogue or configuration that does not load is
    told once, through ``problems``, and the document goes without."""

    def __init__(self) -> None:
        # The setting, as given, and the folder a relative one is read from.
        self.setting: Optional[str] = None
        self.root: Optional[Path] = None
        self._loaded: Dict[Path, Tuple[float, Optional[jrl.Catalogue]]] = {}
        self.problems: List[str] = []
        self._told: Set[str] = set()

    def configure(self, value: object) -> bool:
        """Takes a new setting; whether it changed."""
        setting = value if isinstance(value, str) and value else None
        changed = setting != self.setting
        self.setting = setting
        return changed

    def _problem(self, message: str) -> None:
        if message not in self._told:
            self._told.add(message)
            self.problems.append(message)

    def for_document(self, uri: str) -> Optional[jrl.Catalogue]:
        path: Optional[Path] = None
        if self.setting is not None:
            path = Path(os.path.expanduser(self.setting))
            if not path.is_absolute() and self.root is not None:
                path = self.root / path
        else:
            folder = _folder_of(uri)
            if folder is None:
                return None
            try:
                config = find_config(folder)
            except (ConfigError, OSError) as e:
                self._problem(str(e))
                return None
            path = config.catalogue if config is not None else None
        return None if path is None else self._load(path)

    def _load(self, path: Path) -> Optional[jrl.Catalogue]:
        try:
            stamp = path.stat().st_mtime
        except OSError as e:
            self._problem(f"cannot read the catalogue {path}: {e.strerror}")
            return None
        known = self._loaded.get(path)
        if known is not None and known[0] == stamp:
            return known[1]
        catalogue: Optional[jrl.Catalogue] = None
        try:
            catalogue = jrl.Catalogue.load(path)
        except jrl.CatalogueError as e:
            self._problem(str(e))
        self._loaded[path] = (stamp, catalogue)
        return catalogue


def _folder_of(uri: str) -> Optional[Path]:
    parsed = urlparse(uri)
    if parsed.scheme != "file":
        return None
    return Path(unquote(parsed.path)).parent


def diagnostics(text: str, catalogue: jrl.Catalogue) -> Tuple[jrl.Diagnostic, ...]:
    """Every diagnostic of ``text``, the catalogue's warnings among them."""
    return tuple(jrl.check(text, catalogue=catalogue))


# ---- names and courses ------------------------------------------------------


def _course_code(course: jrl.Course) -> str:
    return f"{course.department} {course.number:04d}{'L' if course.lab else ''}"


class _Index(NamedTuple):
    """What the features look up in a catalogue: its courses by code, and
    the names it knows by the label of the argument that takes them."""

    courses: Dict[str, jrl.CatalogueCourse]
    names: Dict[str, Tuple[str, ...]]


_last: Optional[Tuple[jrl.Catalogue, _Index]] = None


def _index(catalogue: jrl.Catalogue) -> _Index:
    """The index of ``catalogue``, made once for the catalogue last asked."""
    global _last
    if _last is None or _last[0] is not catalogue:
        tags: Set[str] = set()
        distributions: Set[str] = set()
        for c in catalogue.courses:
            tags.update(c.tags)
            distributions.update(c.distributions)
            for names in c.programme_tags.values():
                tags.update(names)
            for names in c.programme_distributions.values():
                distributions.update(names)
        _last = (catalogue, _Index(
            {c.code: c for c in catalogue.courses},
            {"tag": tuple(sorted(tags)), "distribution": tuple(sorted(distributions)),
             "major code": tuple(catalogue.programme_codes), "placement": tuple(catalogue.placements)}))
    return _last[1]


def _credits(credits: float) -> str:
    text = f"{credits:g}"
    return f"{text} credit" if credits == 1 else f"{text} credits"


# ---- hover ------------------------------------------------------------------


def _selectors(selectors: Tuple[jrl.Selector, ...]) -> Iterator[jrl.Selector]:
    for s in selectors:
        yield s
        if isinstance(s, jrl.NestedQuery):
            yield from _selectors(s.query.selectors)


def _selector_at(analysis: jrl.Analysis, positions: Positions, offset: int) -> Optional[Tuple[jrl.Selector, int, int]]:
    """The function call (not a nested statement) written around ``offset``."""
    for statement in analysis.statements:
        if statement.requirement is None or not statement.offset <= offset <= statement.end_offset:
            continue
        for s in _selectors(statement.requirement.query.selectors):
            if isinstance(s, jrl.NestedQuery) or s.span is None:
                continue
            start = positions.from_library(s.span.line, s.span.column)
            end = positions.from_library(s.span.end_line, s.span.end_column)
            if start <= offset < end:
                return s, start, end
    return None


def hover_text(selector: jrl.Selector, catalogue: jrl.Catalogue) -> str:
    """What the catalogue says of a selector, in Markdown."""
    if isinstance(selector, jrl.Class):
        code = _course_code(selector.course)
        course = _index(catalogue).courses.get(code)
        if course is None:
            return f"`{code}` is not in the catalogue."
        return f"**{code}** {course.title} ({_credits(course.credits)})"
    if isinstance(selector, jrl.Placement):
        known = selector.name in catalogue.placements
        return f"`{selector.name}` is {'a' if known else 'not a'} placement of the catalogue."
    courses = catalogue.courses_for(selector)
    if not courses:
        return "Selects no course of the catalogue."
    lines = [f"Selects {len(courses)} course{'' if len(courses) == 1 else 's'} of the catalogue:", ""]
    lines += [f"- {c.code} {c.title}" for c in courses[:SHOWN_COURSES]]
    if len(courses) > SHOWN_COURSES:
        lines.append(f"- and {len(courses) - SHOWN_COURSES} more")
    return "\n".join(lines)


def add_to_hover(shown: Optional[lsp.Hover], analysis: jrl.Analysis, positions: Positions, offset: int,
                 catalogue: jrl.Catalogue) -> Optional[lsp.Hover]:
    """``shown``, the hover at ``offset`` without a catalogue, with the
    catalogue's word on the selector there below it."""
    found = _selector_at(analysis, positions, offset)
    if found is None:
        return shown
    selector, start, end = found
    text = hover_text(selector, catalogue)
    if shown is None:
        return lsp.Hover(contents=lsp.MarkupContent(kind=lsp.MarkupKind.Markdown, value=text),
                         range=positions.range(start, end))
    assert isinstance(shown.contents, lsp.MarkupContent)
    return lsp.Hover(contents=lsp.MarkupContent(kind=lsp.MarkupKind.Markdown,
                                                value=f"{shown.contents.value}\n\n---\n\n{text}"),
                     range=shown.range)


# ---- completion ---------------------------------------------------------------

_NAME_BEFORE = re.compile(r"([A-Za-z_]+)\s*\Z")


def _string_argument(text: str, start: int, offset: int) -> Optional[Tuple[str, int, int]]:
    """When ``offset`` is inside a string argument of a function call: the
    function's name, the argument's index and where the string's text
    starts. ``start`` is where the statement starts."""
    # Each open bracket: the function it calls ("" for a list) and the
    # index of the argument being written.
    open_brackets: List[Tuple[str, int]] = []
    string_from: Optional[int] = None
    i = start
    while i < offset:
        c = text[i]
        if string_from is not None:
            if c == "\\":
                i += 1
            elif c == '"':
                string_from = None
        elif c == '"':
            string_from = i + 1
        elif text.startswith("//", i):
            end = text.find("\n", i)
            i = offset if end == -1 else end
            continue
        elif c in "([":
            name = _NAME_BEFORE.search(text, start, i) if c == "(" else None
            open_brackets.append((name.group(1).upper() if name else "", 0))
        elif c in ")]" and open_brackets:
            open_brackets.pop()
        elif c == "," and open_brackets:
            function, index = open_brackets[-1]
            open_brackets[-1] = (function, index + 1)
        elif c == ";":
            open_brackets.clear()
        i += 1
    if string_from is None or not open_brackets:
        return None
    function, index = open_brackets[-1]
    return function, index, string_from


def completions(text: str, start: int, offset: int, positions: Positions,
                catalogue: jrl.Catalogue) -> Optional[List[lsp.CompletionItem]]:
    """The catalogue's names that the string at ``offset`` may hold; None
    where the cursor is in no string that takes them."""
    found = _string_argument(text, start, offset)
    if found is None:
        return None
    name, index, string_from = found
    function = next((f for f in jrl.selector_functions() if f.name == name), None)
    if function is None or index >= len(function.arguments):
        return None
    label = function.arguments[index].label
    names = _index(catalogue).names.get(label)
    if names is None:
        return None
    typed = text[string_from:offset].lower()
    edit_range = positions.range(string_from, offset)
    return [lsp.CompletionItem(label=n, kind=lsp.CompletionItemKind.EnumMember, detail=label,
                               text_edit=lsp.TextEdit(range=edit_range, new_text=n))
            for n in names if n.lower().startswith(typed)]
