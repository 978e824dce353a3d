"""The selector functions of the language, as the library's table gives
them: CLASS, RANGE, RANGE_TAG and the rest, each with its arguments and
what it selects."""

from typing import NamedTuple, Tuple, Type

from . import _native

COURSE = "course"
STRING = "string"


class SelectorArgument(NamedTuple):
    """One argument of a selector function."""

    kind: str
    """``"course"`` (written ``MATH 1200``) or ``"string"`` (a quoted text)."""
    label: str
    """What the language guide calls it, such as ``"first course"``."""
    field: str
    """The key that holds it in the JSON form when the function takes more
    than one argument, such as ``"from"``."""


class SelectorFunction(NamedTuple):
    """One selector function of the language."""

    name: str
    """As written in capitals, such as ``"RANGE_TAG"``; all lower case is
    accepted too."""
    alternative: str
    """Its selectors' key in the JSON form, such as ``"RangeTag"``."""
    meaning: str
    """What it selects, one line."""
    arguments: Tuple[SelectorArgument, ...]
    """Its arguments, in the order they are written."""

    @property
    def record(self) -> Type[_native.Selector]:
        """The class of its selectors in this package: ``jrl.TagDept`` for
        ``TAG_DEPT``."""
        cls: Type[_native.Selector] = getattr(
            _native, "".join(part.capitalize() for part in self.name.split("_")))
        return cls


_FUNCTIONS: Tuple[SelectorFunction, ...] = tuple(
    SelectorFunction(name, alternative, meaning,
                     tuple(SelectorArgument(*argument) for argument in arguments))
    for name, alternative, meaning, arguments in _native.selector_functions()
)


def selector_functions() -> Tuple[SelectorFunction, ...]:
    """Every selector function, in the order the language guide lists them."""
    return _FUNCTIONS
