"""What-if across programmes: one student's record audited against several
programmes, ranked by how close the student is to completing each."""

import os
import pathlib
from dataclasses import dataclass
from typing import Any, Iterable, List, Mapping, Union

from . import _native
from ._audit import Audit, RecordError, _prepare, _record_text, _statuses
from ._catalogue import Catalogue
from ._native import File

Programme = Union[str, "os.PathLike[str]", File]


@dataclass(frozen=True)
class Standing:
    """One programme's audit of the student, with the figures it is ranked
    by: ``rank`` from 1 (equal figures share one), ``met`` requirements
    satisfied or waived of ``requirements`` in all, ``missing`` items over
    every requirement, and the whole ``audit``."""

    rank: int
    programme: str
    title: str
    satisfied: bool
    met: int
    requirements: int
    missing: int
    audit: Audit


def _programmes(programmes: Union[str, "os.PathLike[str]", Iterable[Programme]]) -> List[Programme]:
    """A folder stands for its ``*.jrl`` files in order of name; a single
    programme for itself; anything else is an iterable of programmes."""
    if isinstance(programmes, (str, os.PathLike)):
        path = os.fspath(programmes)
        if not os.path.isdir(path):
            return [programmes]
        found: List[Programme] = [
            pathlib.Path(path, name) for name in sorted(os.listdir(path))
            if name.endswith(".jrl") and os.path.isfile(os.path.join(path, name))]
        if not found:
            raise ValueError(f"no programme (*.jrl) in {path}")
        return found
    if isinstance(programmes, File):
        return [programmes]
    return list(programmes)


def closest_programmes(programmes: Union[str, "os.PathLike[str]", Iterable[Programme]],
                       catalogue: Catalogue, record: Union[str, Mapping[str, Any]], *,
                       include: Iterable[str] = ("completed", "in-progress"),
                       time_limit: float = 5.0) -> List[Standing]:
    """Audit one student's record against each programme and rank them,
    closest first: those satisfied first, then the fewest items missing,
    then the larger share of requirements met, then by programme name.

    ``programmes`` is the path of a folder (its ``*.jrl`` files), or an
    iterable of programmes as :func:`audit` takes them (requirements text,
    paths, :class:`File` objects). A programme the record's exceptions do
    not fit is audited without them, and its audit warns of it.
    ``include`` and ``time_limit`` are those of :func:`audit`. Raises
    :class:`ParseError` for a programme that does not parse and
    :class:`RecordError` for a bad record.
    """
    statuses = _statuses(include)
    prepared = tuple(_prepare(programme, catalogue) for programme in _programmes(programmes))
    try:
        rows = _native.closest_record(prepared, _record_text(record), "<record>", statuses,
                                      max(0, int(time_limit * 1000)))
    except ValueError as e:
        if len(e.args) == 6:
            raise RecordError(*e.args) from None
        raise
    return [Standing(rank, programme, title, satisfied, met, requirements, missing,
                     Audit.from_json(report))
            for rank, programme, title, satisfied, met, requirements, missing, report in rows]
