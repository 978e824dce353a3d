"""What the editor says about the language's words: the selector functions'
argument forms and meanings, the keywords, and quantities in words.

The functions come from the library's table (``jrl.selector_functions()``);
their forms are written as the language guide (docs/language.md) writes
them, and hover and completion read them alike.
"""

from typing import Dict, List, NamedTuple, Optional, Tuple

import jrl
from jrl._selector_functions import COURSE as COURSE


class Function(NamedTuple):
    name: str
    form: str  # as the guide writes it, e.g. RANGE(first course, last course)
    arguments: Tuple[str, ...]  # COURSE or STRING, in order
    snippet: str  # the arguments as an LSP snippet, after the "("
    meaning: str


def _snippet(arguments: Tuple[jrl.SelectorArgument, ...]) -> str:
    """Placeholders for the arguments: a department and a number for a
    course (a later course, the end of a range, at 9999), the label in quotes
    for a string."""
    parts: List[str] = []
    stop = 1
    courses = 0
    for argument in arguments:
        if argument.kind == COURSE:
            number = "0000" if courses == 0 else "9999"
            parts.append(f"${{{stop}:DEPT}} ${{{stop + 1}:{number}}}")
            stop += 2
            courses += 1
        else:
            parts.append(f'"${{{stop}:{argument.label}}}"')
            stop += 1
    return ", ".join(parts) + ")"


def _function(f: jrl.SelectorFunction) -> Function:
    written = [a.label if a.kind == COURSE else f'"{a.label}"' for a in f.arguments]
    return Function(f.name, f"{f.name}({', '.join(written)})", tuple(a.kind for a in f.arguments),
                    _snippet(f.arguments), f.meaning)


FUNCTIONS: Tuple[Function, ...] = tuple(_function(f) for f in jrl.selector_functions())

_BY_NAME: Dict[str, Function] = {f.name: f for f in FUNCTIONS}


def function(name: str) -> Optional[Function]:
    """The function a name calls: capitals or all lower case, as the
    language accepts."""
    if name.isupper() or name.islower():
        return _BY_NAME.get(name.upper())
    return None


class Keyword(NamedTuple):
    name: str
    snippet: str
    meaning: str


STATEMENT_KEYWORDS: Tuple[Keyword, ...] = (
    Keyword("SELECT", 'SELECT ${1:1} FROM ${2} : "${3:description}";',
            "a requirement: how many courses a student takes from the selector"),
    Keyword("LIMIT", 'LIMIT ${1:1} FROM ${2} : "${3:description}";',
            "a ceiling: at most how many courses of the selector count toward the programme"),
)

NESTED_SELECT = Keyword("SELECT", "SELECT ${1:1} FROM ${2}",
                        "a nested statement used as a selector")

FROM = Keyword("FROM", "FROM ", "what the courses are chosen from")

_SMALL = ("zero", "one", "two", "three", "four", "five", "six", "seven", "eight",
          "nine", "ten", "eleven", "twelve")


def _number(n: int) -> str:
    return _SMALL[n] if n < len(_SMALL) else str(n)


def _courses(n: int) -> str:
    return f"{_number(n)} course" + ("" if n == 1 else "s")


def quantity_in_words(keyword: str, low: int, high: Optional[int]) -> str:
    """A statement's quantity said in words: ``SELECT 2-4`` is "at least two
    and at most four courses"."""
    if keyword == "LIMIT":
        if high is None or high == low:
            return f"At most {_courses(low)} of these count toward the programme."
        return f"From {_number(low)} to {_courses(high)} of these count toward the programme."
    if high is None:
        return f"Take {_courses(low)}."
    if low == high:
        return f"Take exactly {_courses(low)}."
    if low == 0:
        return f"Take up to {_courses(high)} (optional)."
    return f"Take at least {_number(low)} and at most {_courses(high)}."
