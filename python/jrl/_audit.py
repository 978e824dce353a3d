"""The degree audit: which requirements a student's record meets, with the
best possible use of each course, and what is missing."""

import json
import os
from dataclasses import dataclass, field
from typing import Any, Dict, Iterable, Mapping, Optional, Tuple, Union

from . import _native
from ._catalogue import Catalogue
from ._native import File

PathType = Union[str, "os.PathLike[str]"]

#: The attempt statuses an audit can include.
STATUSES = ("completed", "in-progress", "planned")


class RecordError(ValueError):
    """A student record that could not be read or audited. ``str()`` is the
    whole message; ``file``, ``line`` (for JSON Lines, or None), ``student``,
    ``field`` and ``reason`` are its parts (empty when not known)."""

    def __init__(self, message: str, file: str, line: Optional[int], student: str,
                 field: str, reason: str) -> None:
        super().__init__(message)
        self.file = file
        self.line = line
        self.student = student
        self.field = field
        self.reason = reason


@dataclass(frozen=True)
class Audit:
    """The report of one audit. ``to_dict()`` gives all of it, as the JSON
    report has it; ``to_json()`` gives that JSON on one line."""

    student: str
    programme: str
    catalogue: str
    satisfied: bool
    optimal: bool
    json_text: str = field(repr=False)

    def to_dict(self) -> Dict[str, Any]:
        result: Dict[str, Any] = json.loads(self.json_text)
        return result

    def to_json(self) -> str:
        return self.json_text

    def to_html(self, catalogue: Optional[Catalogue] = None, title: str = "") -> str:
        """The report as one self-contained page (styles inline, nothing
        fetched), as ``jrl audit --format=html`` writes it: with the
        catalogue's course titles when ``catalogue`` is given, headed by
        ``title`` (the programme's name when empty)."""
        if catalogue is not None and not isinstance(catalogue, Catalogue):
            raise TypeError(f"the catalogue is a jrl.Catalogue, not {type(catalogue).__name__}")
        handle = None if catalogue is None else catalogue._handle
        return _native.audit_html(self.json_text, handle, title)

    @classmethod
    def from_json(cls, text: str) -> "Audit":
        d = json.loads(text)
        return cls(d["student"], d["programme"], d["catalogue"], d["satisfied"], d["optimal"], text)


def _programme_text(programme: Union[str, "os.PathLike[str]", File]) -> Tuple[str, str]:
    """The requirements text and the name reports give the programme."""
    if isinstance(programme, File):
        from . import dumps
        return dumps(programme), programme.path or "<programme>"
    if isinstance(programme, str):
        return programme, "<programme>"
    if isinstance(programme, os.PathLike):
        path = os.fspath(programme)
        with open(path, "rb") as stream:
            data = stream.read()
        return data.decode("utf-8-sig"), os.path.basename(os.fsdecode(path))
    raise TypeError(
        f"the programme is requirements text, a path or a jrl.File, not {type(programme).__name__}")


def _statuses(include: Iterable[str]) -> Tuple[bool, bool, bool]:
    if isinstance(include, str):
        include = (include,)
    chosen = tuple(include)
    for status in chosen:
        if status not in STATUSES:
            raise ValueError(f"unknown attempt status {status!r}: expected one of {', '.join(STATUSES)}")
    completed, in_progress, planned = (s in chosen for s in STATUSES)
    return completed, in_progress, planned


def _prepare(programme: Union[str, "os.PathLike[str]", File], catalogue: Catalogue) -> Any:
    if not isinstance(catalogue, Catalogue):
        raise TypeError(f"the catalogue is a jrl.Catalogue, not {type(catalogue).__name__}")
    text, name = _programme_text(programme)
    return _native.audit_prepare(text, name, catalogue._handle)


def _record_text(record: Union[str, Mapping[str, Any]]) -> str:
    if isinstance(record, str):
        return record
    if isinstance(record, Mapping):
        return json.dumps(record)
    raise TypeError(f"the record is a dict or JSON text, not {type(record).__name__}")


def _audit_prepared(prepared: Any, record: Union[str, Mapping[str, Any]],
                    statuses: Tuple[bool, bool, bool], time_limit: float,
                    file: str = "<record>", line: Optional[int] = None) -> Audit:
    try:
        text = _native.audit_record(prepared, _record_text(record), file, statuses,
                                    max(0, int(time_limit * 1000)), line)
    except ValueError as e:
        if len(e.args) == 6:
            raise RecordError(*e.args) from None
        raise
    return Audit.from_json(text)


def audit(programme: Union[str, "os.PathLike[str]", File], catalogue: Catalogue,
          record: Union[str, Mapping[str, Any]], *,
          include: Iterable[str] = ("completed", "in-progress"),
          time_limit: float = 5.0) -> Audit:
    """Audit one student's record against a programme.

    ``programme`` is requirements text, the path of a requirements file
    (``os.PathLike``) or a :class:`File`; ``record`` a dict or its JSON text.
    ``include`` names the attempt statuses that take part; after
    ``time_limit`` seconds the best allocation found is reported with
    ``optimal`` false. Raises :class:`ParseError` for a programme that does
    not parse and :class:`RecordError` for a bad record. The global lock is
    released while the audit runs.
    """
    return _audit_prepared(_prepare(programme, catalogue), record, _statuses(include), time_limit)
