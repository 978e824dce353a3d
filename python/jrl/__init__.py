"""Requirements files of the JRL language as Python objects.

Parse a text or load a file, then walk its requirements::

    import jrl

    programme = jrl.load("bs_physics.jrl")
    for requirement in programme.requirements:
        print(requirement.description, requirement.query.quantity)

:func:`parse` and :func:`load` return a :class:`File`; a text that does not
parse raises :class:`ParseError`, whose ``str()`` is the full report and whose
fields give its place and messages. Every object is immutable, comparable,
hashable, picklable, and matchable in ``match`` statements::

    match selector:
        case jrl.Class(jrl.Course("MATH", number)):
            ...
        case jrl.NestedQuery(jrl.Query(kind, quantity, selectors)):
            ...

``File.to_dict()`` and ``File.to_json()`` give the JSON form of the file, the
same as ``pylibjrl``'s.

Programmes can be written from objects too: every constructor checks its
arguments as the parser would, ``File(requirements)`` makes a file of them,
:func:`replace` copies an object with some fields changed, and
:func:`dumps` writes a File or a Requirement as text in the canonical
layout::

    calculus = jrl.Requirement(
        jrl.Query(jrl.Kind.SELECT, jrl.Single(1), [jrl.Class(jrl.Course("MATH", 1200))]),
        "Calculus")
    print(jrl.dumps(jrl.File([calculus, jrl.replace(calculus, priority=5)])))

:func:`check` gives every :class:`Diagnostic` of a text (with its code, place,
fixes and notes) as ``jrl check`` does, :func:`analyse` adds each statement
with its place and model where it builds, and :func:`format` rewrites a text
in the canonical layout as ``jrl fmt`` does. For editors, :func:`statement_spans`
cuts even a broken text into its statements, and :func:`departments` and
:func:`closest_department` give the catalogue's codes, and
:func:`selector_functions` the language's selector functions.

The global interpreter lock is released while the library parses, checks or
formats, so threads can work on files side by side.
"""

import json as _json
import os
from importlib import resources as _resources
from typing import Any, Dict, List, Optional, Tuple, TypeVar, Union

from ._argument_hints import hint_load_error, hint_parse_error
from ._error import ParseError
from ._kind import Kind
from ._native import (
    Analysis,
    Class,
    Course,
    Diagnostic,
    DiagnosticCode,
    Dist,
    DistDept,
    File,
    Many,
    NestedQuery,
    Note,
    Placement,
    Query,
    Range,
    RangeDist,
    RangeTag,
    Requirement,
    Selector,
    Single,
    Span,
    Statement,
    Suggestion,
    Tag,
    TagDept,
    TextEdit,
)
from . import _native
from ._audit import Audit, RecordError, audit
from ._audit_batch import audit_many
from ._distributed import AuditLinesInfo, audit_lines, audit_lines_info
from ._catalogue import Catalogue, CatalogueCourse, CatalogueError
from ._closest import Standing, closest_programmes
from ._selector_functions import SelectorArgument, SelectorFunction, selector_functions

__all__ = [
    "Analysis",
    "Audit",
    "AuditLinesInfo",
    "Catalogue",
    "CatalogueCourse",
    "CatalogueError",
    "Class",
    "Course",
    "Diagnostic",
    "DiagnosticCode",
    "Dist",
    "DistDept",
    "File",
    "Kind",
    "Many",
    "NestedQuery",
    "Note",
    "ParseError",
    "Placement",
    "Query",
    "Range",
    "RangeDist",
    "RangeTag",
    "RecordError",
    "Requirement",
    "Selector",
    "SelectorArgument",
    "SelectorFunction",
    "Single",
    "Span",
    "Standing",
    "Statement",
    "Suggestion",
    "Tag",
    "TagDept",
    "TextEdit",
    "analyse",
    "audit",
    "audit_lines",
    "audit_lines_info",
    "audit_many",
    "check",
    "check_file",
    "closest_department",
    "closest_programmes",
    "departments",
    "describe",
    "diagnostic_codes",
    "dumps",
    "fix",
    "format",
    "load",
    "parse",
    "replace",
    "schema",
    "selector_functions",
    "statement_spans",
]

#: The release, the one the build declares (and the installed distribution's
#: version). Read from the native part rather than the package metadata:
#: importing importlib.metadata crashes CPython 3.12 at exit once an isolated
#: sub-interpreter has imported it too.
__version__: str = _native.VERSION

_BOM = b"\xef\xbb\xbf"

PathType = Union[str, "os.PathLike[str]"]


def _path_text(path: Optional[PathType]) -> Optional[str]:
    return None if path is None else os.fsdecode(path)


def parse(text: str, *, path: Optional[PathType] = None) -> File:
    """Parse the requirements in ``text``.

    ``path`` only names the file in the report of a :class:`ParseError`, as
    the ``jrl`` command does; nothing is read from it. Raises
    :class:`ParseError` when the text does not parse, :class:`TypeError` when
    it is not a ``str``. A ``text`` that is one line naming a ``.jrl`` file
    or a file that exists gets a hint in the error to use :func:`load`.
    """
    try:
        return _native.parse(text, _path_text(path))
    except ParseError as error:
        hint_parse_error(error, text)
        raise


def load(path: PathType) -> File:
    """Read and parse the requirements file at ``path`` (UTF-8).

    A leading byte order mark is skipped. Raises :class:`ParseError` when the
    file does not parse (also when it is not valid UTF-8), :class:`OSError`
    when it cannot be read (saying to use :func:`parse` when ``path`` is
    requirements text rather than a path).
    """
    try:
        with open(path, "rb") as stream:
            data = stream.read()
    except (OSError, ValueError) as error:
        raise hint_load_error(error, path) from None
    if data.startswith(_BOM):
        data = data[len(_BOM):]
    return _native.parse_utf8(data, _path_text(path))


def check(text: str, *, path: Optional[PathType] = None, warnings: bool = True,
          catalogue: Optional[Catalogue] = None) -> List[Diagnostic]:
    """Every diagnostic of the requirements in ``text``, as ``jrl check`` gives.

    Errors come first (the first is the error :func:`parse` raises), the
    others in order of position, then warnings (statements that parse but
    cannot mean what they say; left out with ``warnings=False``). An empty
    list means the text parses with no warning. Offsets are indices into
    ``text``; a leading byte order mark is skipped for lines and columns, as
    the library skips it, but counts in offsets. The global interpreter lock
    is released while the library checks. ``path`` names the file in each
    diagnostic's ``report``, as ``jrl check`` names it; nothing is read from
    it.

    With a :class:`Catalogue`, its warnings come among the others: names
    and courses it does not know, selectors that select none of its
    courses, and queries it can never fill (as ``jrl check --catalogue``).
    """
    if catalogue is not None:
        if not isinstance(catalogue, Catalogue):
            raise TypeError(f"catalogue must be a jrl.Catalogue, not {type(catalogue).__name__}")
        return catalogue._check(text, warnings, None if path is None else os.fsdecode(path))
    if path is not None:
        return _native.check_utf8(text.encode("utf-8"), warnings, os.fsdecode(path))
    return _native.check(text, warnings)


def check_file(path: PathType, *, warnings: bool = True) -> List[Diagnostic]:
    """Every diagnostic of the requirements file at ``path``, as ``jrl check
    PATH`` gives them: the reports name the file, a leading byte order mark
    is skipped for lines and columns (offsets index the file's text with
    it), and bytes that are not UTF-8 are a diagnostic (JRL001) rather than
    an exception. Raises :class:`OSError` when the file cannot be read.
    """
    with open(path, "rb") as stream:
        data = stream.read()
    return _native.check_utf8(data, warnings, os.fsdecode(path))


def fix(text: str) -> str:
    """``text`` with the fixes of its errors applied, as ``jrl check --fix``
    applies them: each error's first fix, which a trial parse showed mends
    it, all at once and again on the result until nothing changes. A text
    with nothing to fix comes back unchanged; what :func:`check` then finds
    is what no fix could mend. The global interpreter lock is released
    while the library works.
    """
    return _native.fix(text)


def analyse(text: str, *, warnings: bool = True, suggestions: bool = True,
            max_diagnostics: Optional[int] = None) -> Analysis:
    """Read ``text`` once for a tool that shows it while it is written, as
    an editor does: an :class:`Analysis` of its diagnostics (what
    :func:`check` gives, as a tuple), each top-level :class:`Statement` with
    its place and, where it builds, its :class:`Requirement`, and a
    :class:`File` of the requirements that built. A broken statement costs
    only itself.

    ``suggestions=False`` skips the search for fixes of syntax errors, and
    ``max_diagnostics`` caps the diagnostics (``None``: the library's cap of
    200; the first error always comes). Offsets are indices into ``text``; a
    leading byte order mark counts in offsets but not in lines and columns,
    as in :func:`check`. The global interpreter lock is released while the
    library reads.
    """
    return _native.analyse(text, warnings, suggestions, max_diagnostics)


def format(text: str, width: int = 100) -> str:
    """``text`` in the canonical layout, as ``jrl fmt`` writes it.

    ``width`` is the longest line, in characters, that the layout aims for.
    A text that does not parse raises :class:`ParseError`, exactly as
    :func:`parse` would; a ``width`` below 1 raises :class:`ValueError`. A
    byte-order mark at the start is kept in front and is no part of the text
    formatted: an error's offsets then index the text after it, as
    :func:`load`'s do.
    """
    return _native.format(text, width)


def statement_spans(text: str) -> List[Tuple[int, int]]:
    """The top-level statements of ``text``, even one that does not parse.

    Each is ``(start, end)``, indices into ``text``, through its ``;``. The
    spans cover the whole text in order, so each holds the space and comments
    before its statement, and the last runs to the end of the text.
    """
    return _native.statement_spans(text)


def describe(source: Union[File, str], *, catalogue: Optional[Catalogue] = None,
             format: str = "text") -> str:
    """The programme in plain words, as ``jrl describe`` prints it: each
    statement under its description, with what it asks for in sentences.

    ``source`` is a :class:`File` or a requirements text (whose opening
    comment is then the title; a text that does not parse raises
    :class:`ParseError`). A ``catalogue`` gives every course named its
    title. ``format`` is ``"text"``, ``"markdown"`` or ``"html"`` (one
    self-contained page).
    """
    handle = None if catalogue is None else catalogue._handle
    if isinstance(source, File):
        return _native.describe(tuple(source.requirements), handle, format)
    return _native.describe(source, handle, format)


def departments() -> Tuple[str, ...]:
    """Every department code of the catalogue, sorted, each once."""
    return _native.departments()


def diagnostic_codes() -> Tuple[DiagnosticCode, ...]:
    """Every code that :func:`check` reports, in code order, with its
    severity, short name and one-line title (docs/diagnostics.md explains
    each under the anchor ``<code>-<name>``, such as ``jrl010-syntax-error``)."""
    return _native.diagnostic_codes()


def closest_department(code: str) -> Optional[str]:
    """The registered code most like an unknown ``code``, as a report's
    "Did you mean" names it and :func:`check`'s fix puts it in.

    ``None`` when ``code`` is a registered department, and when the closest
    code is one of the registry's three-letter codes (such as ``MUS``),
    which no course in a file can name.
    """
    return _native.closest_department(code)


def dumps(value: Union[File, Requirement], width: int = 100) -> str:
    """A :class:`File` or a :class:`Requirement` as requirements text.

    The text is in the canonical layout, exactly what :func:`format` gives
    for any text that parses to ``value`` (comments aside), and parses back
    to an equal object. A priority of 1, the language's default, is left
    out, and a query of one selector is written without brackets. ``width``
    is the longest line, in characters, that the layout aims for; below 1
    it raises :class:`ValueError`. Anything but a File or a Requirement
    raises :class:`TypeError`. The global interpreter lock is released
    while the library writes.
    """
    return _native.dumps(value, width)


_T = TypeVar("_T")


def replace(value: _T, /, **changes: Any) -> _T:
    """A copy of ``value`` with the fields named in ``changes`` changed.

    As :func:`dataclasses.replace` does for data classes (and
    :func:`copy.replace` on Python 3.13 and newer, which calls the same
    ``__replace__``): the other fields are kept, spans included, and the
    new object is checked as any built by hand is, so a change the language
    does not allow raises :class:`TypeError` or :class:`ValueError`. For a
    :class:`File`, ``requirements`` and ``path`` can be changed.
    """
    method = getattr(type(value), "__replace__", None)
    if method is None:
        raise TypeError(f"replace() takes a jrl object, not {type(value).__name__}")
    result: _T = method(value, **changes)
    return result


def schema() -> Dict[str, Any]:
    """The JSON Schema (draft 2020-12) of a file's JSON form, as
    :meth:`File.to_dict`, ``pylibjrl``'s ``json()`` and ``jrl json`` give it.

    A new dictionary on each call. The schema is the file ``schemas/jrl.schema.json``
    of this package, for tools that want the file itself::

        importlib.resources.files("jrl") / "schemas" / "jrl.schema.json"
    """
    text = (_resources.files(__name__) / "schemas" / "jrl.schema.json").read_text(encoding="utf-8")
    result: Dict[str, Any] = _json.loads(text)
    return result
