"""Course catalogues: the courses a requirement can select."""

import json
import os
import tempfile
from dataclasses import dataclass, field
from typing import Any, Dict, List, Optional, Tuple, Union

from . import _native
from ._kind import Kind
from ._native import Diagnostic, Query, Requirement, Selector, Single

PathType = Union[str, "os.PathLike[str]"]


class CatalogueError(ValueError):
    """A catalogue that did not load. ``str()`` is the whole message;
    ``file``, ``entry`` (the course entry's index, or None), ``course`` (its
    code, or empty), ``field`` (or empty) and ``reason`` are its parts."""

    def __init__(self, message: str, file: str, entry: Optional[int], course: str,
                 field: str, reason: str) -> None:
        super().__init__(message)
        self.file = file
        self.entry = entry
        self.course = course
        self.field = field
        self.reason = reason


@dataclass(frozen=True)
class CatalogueCourse:
    """One course of a catalogue. ``tags`` and ``distributions`` hold for
    every programme; ``programme_tags`` and ``programme_distributions`` map a
    programme code to the names that hold for that programme only."""

    code: str
    department: str
    number: int
    lab: bool
    title: str
    credits: float
    tags: Tuple[str, ...] = ()
    distributions: Tuple[str, ...] = ()
    programme_tags: Dict[str, Tuple[str, ...]] = field(default_factory=dict, hash=False)
    programme_distributions: Dict[str, Tuple[str, ...]] = field(default_factory=dict, hash=False)


class Catalogue:
    """A course catalogue loaded from its JSON form
    (``schemas/catalogue.schema.json`` in the package)."""

    def __init__(self, handle: Any, name: str, courses: Tuple[CatalogueCourse, ...],
                 placements: Tuple[str, ...], programme_codes: Tuple[str, ...]) -> None:
        self._handle = handle
        self.name = name
        self.courses = courses
        self.placements = placements
        self.programme_codes = programme_codes

    @classmethod
    def load(cls, path: PathType) -> "Catalogue":
        """Reads a catalogue file; a file that cannot be read or is not a
        good catalogue raises :class:`CatalogueError`."""
        try:
            handle, name, courses, placements, codes = _native.catalogue_load(os.fsdecode(path))
        except ValueError as e:
            raise CatalogueError(*e.args) from None
        return cls(handle, name, tuple(CatalogueCourse(*c) for c in courses), placements, codes)

    def courses_for(self, value: Union[Requirement, Selector]) -> Tuple[CatalogueCourse, ...]:
        """The courses a requirement or a selector selects, in catalogue
        order, each once: every course any selector inside it selects. A
        placement selects no course."""
        if isinstance(value, Selector):
            value = Requirement(Query(Kind.SELECT, Single(1), [value]), "")
        elif not isinstance(value, Requirement):
            raise TypeError(f"courses_for() takes a Requirement or a Selector, not {type(value).__name__}")
        return tuple(self.courses[i] for i in _native.catalogue_courses_for(self._handle, (value,)))

    def _check(self, text: str, warnings: bool, path: Optional[str] = None) -> List[Diagnostic]:
        """:func:`jrl.check` of ``text`` with this catalogue's warnings."""
        return _native.catalogue_check(self._handle, text, warnings, path)

    def __repr__(self) -> str:
        return f"<Catalogue {self.name!r}: {len(self.courses)} courses>"

    def to_dict(self) -> Dict[str, Any]:
        """The catalogue in its JSON form: loading it gives this catalogue."""
        return {
            "name": self.name,
            "courses": [
                {"course": c.code, "title": c.title, "credits": c.credits,
                 "tags": list(c.tags), "distributions": list(c.distributions),
                 "programme_tags": {k: list(v) for k, v in c.programme_tags.items()},
                 "programme_distributions": {k: list(v) for k, v in c.programme_distributions.items()}}
                for c in self.courses
            ],
            "placements": list(self.placements),
            "programme_codes": list(self.programme_codes),
        }

    def __reduce__(self) -> Tuple[Any, Tuple[str]]:
        # The native part is loaded again from the JSON form, in the process
        # that unpickles it.
        return (_catalogue_from_json, (json.dumps(self.to_dict(), ensure_ascii=False),))


def _catalogue_from_json(text: str) -> Catalogue:
    """A catalogue from its JSON text (as pickles hold it)."""
    with tempfile.TemporaryDirectory(prefix="jrl-catalogue-") as folder:
        path = os.path.join(folder, "catalogue.json")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return Catalogue.load(path)
