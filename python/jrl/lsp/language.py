"""What the editor says about the language's words: the selector functions'
argument forms and meanings, the keywords, and quantities in words.

The functions' forms are those of the language guide (docs/language.md);
the table is data, read by hover and completion alike.
"""

from typing import Dict, NamedTuple, Optional, Tuple

COURSE = "course"
STRING = "string"


class Function(NamedTuple):
    name: str
    form: str  # as the guide writes it, e.g. RANGE(first course, last course)
    arguments: Tuple[str, ...]  # COURSE or STRING, in order
    snippet: str  # the arguments as an LSP snippet, after the "("
    meaning: str


FUNCTIONS: Tuple[Function, ...] = (
    Function("CLASS", "CLASS(course)", (COURSE,),
             "${1:DEPT} ${2:0000})", "that course"),
    Function("RANGE", "RANGE(first course, last course)", (COURSE, COURSE),
             "${1:DEPT} ${2:0000}, ${3:DEPT} ${4:9999})",
             "the courses numbered from the first to the second"),
    Function("RANGE_TAG", 'RANGE_TAG(first course, last course, "tag")', (COURSE, COURSE, STRING),
             '${1:DEPT} ${2:0000}, ${3:DEPT} ${4:9999}, "${5:tag}")',
             "the courses of the range that carry the tag"),
    Function("RANGE_DIST", 'RANGE_DIST(first course, last course, "distribution")',
             (COURSE, COURSE, STRING),
             '${1:DEPT} ${2:0000}, ${3:DEPT} ${4:9999}, "${5:distribution}")',
             "the courses of the range in the distribution area"),
    Function("TAG", 'TAG("tag")', (STRING,), '"${1:tag}")', "the courses that carry the tag"),
    Function("TAG_DEPT", 'TAG_DEPT("tag", "major code")', (STRING, STRING),
             '"${1:tag}", "${2:major code}")',
             "the courses that carry the tag for the major with the given code"),
    Function("DIST", 'DIST("distribution")', (STRING,), '"${1:distribution}")',
             "the courses of the distribution area"),
    Function("DIST_DEPT", 'DIST_DEPT("distribution", "major code")', (STRING, STRING),
             '"${1:distribution}", "${2:major code}")',
             "the courses of the distribution area for the major with the given code"),
    Function("PLACEMENT", 'PLACEMENT("placement")', (STRING,), '"${1:placement}")',
             "a placement result standing in for a course"),
)

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
