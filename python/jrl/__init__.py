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
same as ``pylibjrl``'s. The global interpreter lock is released while the
library parses, so threads can parse files side by side.
"""

import os
from typing import Optional, Union

from ._error import ParseError
from ._kind import Kind
from ._native import (
    Class,
    Course,
    Dist,
    DistDept,
    File,
    Many,
    NestedQuery,
    Placement,
    Query,
    Range,
    RangeDist,
    RangeTag,
    Requirement,
    Selector,
    Single,
    Span,
    Tag,
    TagDept,
)
from . import _native

__all__ = [
    "Class",
    "Course",
    "Dist",
    "DistDept",
    "File",
    "Kind",
    "Many",
    "NestedQuery",
    "ParseError",
    "Placement",
    "Query",
    "Range",
    "RangeDist",
    "RangeTag",
    "Requirement",
    "Selector",
    "Single",
    "Span",
    "Tag",
    "TagDept",
    "load",
    "parse",
]

_BOM = b"\xef\xbb\xbf"

PathType = Union[str, "os.PathLike[str]"]


def _path_text(path: Optional[PathType]) -> Optional[str]:
    return None if path is None else os.fsdecode(path)


def parse(text: str, *, path: Optional[PathType] = None) -> File:
    """Parse the requirements in ``text``.

    ``path`` only names the file in the report of a :class:`ParseError`, as
    the ``jrl`` command does; nothing is read from it. Raises
    :class:`ParseError` when the text does not parse, :class:`TypeError` when
    it is not a ``str``.
    """
    return _native.parse(text, _path_text(path))


def load(path: PathType) -> File:
    """Read and parse the requirements file at ``path`` (UTF-8).

    A leading byte order mark is skipped. Raises :class:`ParseError` when the
    file does not parse (also when it is not valid UTF-8), :class:`OSError`
    when it cannot be read.
    """
    with open(path, "rb") as stream:
        data = stream.read()
    if data.startswith(_BOM):
        data = data[len(_BOM):]
    return _native.parse_utf8(data, _path_text(path))
