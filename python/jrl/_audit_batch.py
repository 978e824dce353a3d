"""Auditing many students against one programme: prepared once, audited on
several threads (each audit runs without the global lock), reports in the
order of the records."""

import os
from collections import deque
from concurrent.futures import Future, ThreadPoolExecutor
from typing import Any, Deque, Iterable, Iterator, Mapping, Optional, Union

from ._audit import Audit, _audit_prepared, _prepare, _record_text, _statuses
from ._catalogue import Catalogue
from ._native import File

# Records handed to the threads ahead of the one being yielded, per thread:
# enough to keep them busy, few enough that memory stays small.
_AHEAD_PER_JOB = 8


def audit_many(programme: Union[str, "os.PathLike[str]", File], catalogue: Catalogue,
               records: Iterable[Union[str, Mapping[str, Any]]], *,
               include: Iterable[str] = ("completed", "in-progress"),
               time_limit: float = 5.0, jobs: Optional[int] = None) -> Iterator[Audit]:
    """Audit each record of ``records`` (dicts or JSON text, such as the
    lines of a JSON Lines file) against one programme, yielding the reports
    in the order of the records.

    ``programme``, ``catalogue``, ``include`` and ``time_limit`` are as for
    :func:`audit`; the programme is prepared once. ``jobs`` threads audit at
    a time (default: one per core); only a few records are read ahead, so
    an iterable of any length will do. A record that cannot be read or
    audited raises :class:`RecordError` when its turn comes, with ``line``
    set to its place in ``records`` (from 1), which its message names too.
    """
    prepared = _prepare(programme, catalogue)
    statuses = _statuses(include)
    count = jobs if jobs is not None else (os.cpu_count() or 1)
    if count < 1:
        raise ValueError(f"jobs must be at least 1, not {count}")

    def one(position: int, record: Union[str, Mapping[str, Any]]) -> Audit:
        # Errors name the record's place in `records`, in their text too.
        return _audit_prepared(prepared, record, statuses, time_limit, "<records>", position)

    if count == 1:
        for position, record in enumerate(records, 1):
            yield one(position, record)
        return
    with ThreadPoolExecutor(max_workers=count) as pool:
        pending: Deque["Future[Audit]"] = deque()
        for position, record in enumerate(records, 1):
            # Turned into text here, under the lock, so that a bad value is
            # refused at once and the threads only audit.
            pending.append(pool.submit(one, position, _record_text(record)))
            if len(pending) >= count * _AHEAD_PER_JOB:
                yield pending.popleft().result()
        while pending:
            yield pending.popleft().result()
