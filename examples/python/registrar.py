"""A registrar's first script: load a programme, list every course it names,
and find the requirements that mention a department.

    python examples/python/registrar.py examples/minor_mathematics.jrl STAT
"""

import sys
from typing import Iterator, List

import jrl


def selectors(query: jrl.Query) -> Iterator[jrl.Selector]:
    """Every selector of a query, those of nested queries included."""
    for selector in query.selectors:
        yield selector
        if isinstance(selector, jrl.NestedQuery):
            yield from selectors(selector.query)


def courses(selector: jrl.Selector) -> List[jrl.Course]:
    """The courses a selector names: one for CLASS, the bounds of a RANGE."""
    if isinstance(selector, jrl.Class):
        return [selector.course]
    if isinstance(selector, (jrl.Range, jrl.RangeDist, jrl.RangeTag)):
        return [selector.first, selector.last]
    return []


def course_text(course: jrl.Course) -> str:
    return f"{course.department} {course.number:04d}{'L' if course.lab else ''}"


def main(path: str, department: str) -> int:
    try:
        programme = jrl.load(path)
    except jrl.ParseError as error:
        print(error, file=sys.stderr)
        return 1

    print(f"{path}: {len(programme.requirements)} requirements")
    for requirement in programme.requirements:
        named = [c for s in selectors(requirement.query) for c in courses(s)]
        listed = ", ".join(course_text(c) for c in named) or "(no single courses)"
        # Parsed objects always carry their span; hand-built ones may not.
        line = requirement.span.line if requirement.span else "?"
        print(f"  line {line}: {requirement.description}: {listed}")

    mentioning = [
        r for r in programme.requirements
        if any(c.department == department
               for s in selectors(r.query) for c in courses(s))
    ]
    print(f"requirements that mention {department}:")
    for requirement in mentioning:
        print(f"  {requirement.description} (priority {requirement.priority})")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] in ("-h", "--help"):
        print(f"usage: python {sys.argv[0]} FILE DEPARTMENT\n\n"
              "Lists every course the programme in FILE names, and its requirements\n"
              "that name a course of DEPARTMENT (a code such as STAT).", file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1], sys.argv[2]))
