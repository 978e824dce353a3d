"""Auditing the lines of a JSON Lines file wherever they happen to be read:
in one process, or in the partitions a distributed engine hands to its
workers. Each process loads a catalogue and prepares a programme once, and
keeps them for every later batch of lines."""

import json
import os
import threading
from collections import OrderedDict
from pathlib import Path
from typing import Any, Iterable, Iterator, NamedTuple, Tuple, Union

from ._audit import RecordError, _audit_prepared, _prepare, _statuses
from ._catalogue import Catalogue

PathType = Union[str, "os.PathLike[str]"]

# Programmes a process keeps prepared at once: enough for a what-if run over
# a faculty's programmes, few enough that a long-lived worker stays small.
_CACHE_SIZE = 16


class AuditLinesInfo(NamedTuple):
    """What :func:`audit_lines` holds in this process: ``preparations`` is
    how many times it has loaded a catalogue and prepared a programme,
    ``cached`` how many prepared programmes it keeps now."""

    preparations: int
    cached: int


# The file's path, modification time and size: a file rewritten in place
# is loaded again.
_Stamp = Tuple[str, int, int]


def _stamp(path: PathType) -> _Stamp:
    name = os.path.abspath(os.fsdecode(path))
    status = os.stat(name)
    return name, status.st_mtime_ns, status.st_size


class _Prepared:
    """The programmes this process has prepared, by the stamps of the
    programme and the catalogue files."""

    def __init__(self) -> None:
        self._lock = threading.Lock()
        self._held: "OrderedDict[Tuple[_Stamp, _Stamp], Any]" = OrderedDict()
        self._preparations = 0

    def get(self, programme: PathType, catalogue: PathType) -> Any:
        key = (_stamp(programme), _stamp(catalogue))
        # Held while loading, so that threads of one worker asking for the
        # same programme at once prepare it once.
        with self._lock:
            prepared = self._held.get(key)
            if prepared is None:
                # A Path, not text: reports name the programme by its file
                # name, as `jrl audit` does.
                prepared = _prepare(Path(key[0][0]), Catalogue.load(key[1][0]))
                self._preparations += 1
                # What the same two files held before is of no more use.
                paths = (key[0][0], key[1][0])
                for stale in [k for k in self._held if (k[0][0], k[1][0]) == paths]:
                    del self._held[stale]
                self._held[key] = prepared
                if len(self._held) > _CACHE_SIZE:
                    self._held.popitem(last=False)
            else:
                self._held.move_to_end(key)
            return prepared

    def info(self) -> AuditLinesInfo:
        with self._lock:
            return AuditLinesInfo(self._preparations, len(self._held))


_PREPARED = _Prepared()


def audit_lines(programme: PathType, catalogue: PathType, lines: Iterable[Tuple[int, str]], *,
                file: str = "<records>", include: Iterable[str] = ("completed", "in-progress"),
                time_limit: float = 5.0) -> Iterator[str]:
    """Audit lines of a JSON Lines file, yielding what
    ``jrl audit PROGRAMME --catalogue CATALOGUE --records FILE --format=json``
    writes for them, line for line.

    ``programme`` and ``catalogue`` are paths; ``lines`` gives each line's
    number in the whole file (from 1) with its text, ending in a newline or
    not. A blank line gives nothing; a record gives its report's JSON; a
    record that cannot be read or audited gives
    ``{"line":N,"student":ID,"error":MESSAGE}``, MESSAGE naming ``file``
    and the line. Each item yielded ends in a newline, so the items of all
    the lines in order are the bytes the command writes.

    The catalogue and the programme are loaded once per process and kept
    for later calls while their files are unchanged;
    :func:`audit_lines_info` tells how often that happened. ``include`` and
    ``time_limit`` are as for :func:`audit`.
    """
    prepared = _PREPARED.get(programme, catalogue)
    statuses = _statuses(include)
    for place, text in lines:
        number = int(place)  # numpy's integers too, as data frames hold them
        if text.endswith("\n"):
            text = text[:-1]
        if not text.strip(" \t\r\n"):
            continue
        try:
            yield _audit_prepared(prepared, text, statuses, time_limit, file, number).to_json() + "\n"
        except RecordError as e:
            student = json.dumps(e.student, ensure_ascii=False) if e.student else "null"
            yield (f'{{"line":{number},"student":{student},'
                   f'"error":{json.dumps(str(e), ensure_ascii=False)}}}\n')


def audit_lines_info() -> AuditLinesInfo:
    """How many times :func:`audit_lines` has prepared a programme in this
    process, and how many it keeps."""
    return _PREPARED.info()
