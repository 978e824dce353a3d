"""Uses every public name of jrl; `mypy --strict` must pass on it, and it
runs as a plain script too."""

import pathlib
import sys
import tempfile
from typing import Any, Dict, List, Optional, Tuple, Union

import jrl

TEXT = (
    'SELECT 1 FROM [CLASS(MATH 1200L), PLACEMENT("p"), TAG("t"), TAG_DEPT("t", "c"), '
    'DIST("d"), DIST_DEPT("d", "c"), RANGE(MATH 1000, MATH 1999), '
    'RANGE_DIST(MATH 1000, MATH 1999, "d"), RANGE_TAG(MATH 1000, MATH 1999, "t"), '
    'SELECT 1-2 FROM TAG("n")] : "All" : 3;\n'
    'LIMIT 2 FROM TAG("x") : "Cap";\n'
)


def describe(selector: jrl.Selector) -> str:
    if isinstance(selector, jrl.Class):
        course: jrl.Course = selector.course
        return f"{course.department} {course.number}{'L' if course.lab else ''}"
    if isinstance(selector, jrl.Placement):
        return selector.name
    if isinstance(selector, jrl.Tag):
        return selector.tag
    if isinstance(selector, jrl.TagDept):
        return selector.tag + selector.code
    if isinstance(selector, jrl.Dist):
        return selector.dist
    if isinstance(selector, jrl.DistDept):
        return selector.dist + selector.code
    if isinstance(selector, jrl.Range):
        return f"{selector.first.number}-{selector.last.number}"
    if isinstance(selector, jrl.RangeDist):
        return selector.dist
    if isinstance(selector, jrl.RangeTag):
        return selector.tag
    if isinstance(selector, jrl.NestedQuery):
        return describe_query(selector.query)
    raise AssertionError(selector)


def describe_query(query: jrl.Query) -> str:
    quantity: Union[jrl.Single, jrl.Many] = query.quantity
    if isinstance(quantity, jrl.Single):
        count = str(quantity.count)
    else:
        count = f"{quantity.low}-{quantity.high}"
    kind: jrl.Kind = query.kind
    parts: List[str] = [describe(s) for s in query.selectors]
    return f"{kind.value} {count} FROM {', '.join(parts)}"


def main() -> int:
    file: jrl.File = jrl.parse(TEXT, path="usage.jrl")
    requirements: Tuple[jrl.Requirement, ...] = file.requirements
    lines = [f"{r.priority} {r.description}: {describe_query(r.query)}" for r in requirements]
    span: Optional[jrl.Span] = requirements[0].span
    assert span is not None and (span.line, span.column) == (1, 1)
    assert span.end_line == 1 and span.end_column > 1
    first: Optional[jrl.Span] = requirements[0].query.selectors[0].span
    assert first is not None
    assert requirements[1].query.kind is jrl.Kind.LIMIT
    as_dict: Dict[str, Any] = file.to_dict()
    text: str = file.to_json(pretty=True)
    assert as_dict["version"] == file.version and text.startswith("{")
    assert file.path == "usage.jrl"
    built = jrl.Requirement(
        jrl.Query(jrl.Kind.SELECT, jrl.Many(1, 2), [jrl.Tag("x")]), "x", 1,
        jrl.Span(1, 1, 1, 2))
    assert built.query.selectors == (jrl.Tag("x"),)
    try:
        jrl.parse("SELECT 0 FROM TAG(\"t\") : \"x\";")
    except jrl.ParseError as error:
        place: Tuple[Optional[int], Optional[int], Optional[int], Optional[int]] = (
            error.line, error.column, error.end_line, error.end_column)
        context: Tuple[str, ...] = error.context
        assert place == (1, 8, 1, 9) and context == ("failed parsing quantity",)
        assert error.message and error.report == str(error) and error.offset == 7
        assert error.code is None and error.suggestions == () and error.path is None
    with tempfile.TemporaryDirectory() as directory:
        path = pathlib.Path(directory) / "usage.jrl"
        path.write_text(TEXT, encoding="utf-8")
        assert jrl.load(path) == file
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
