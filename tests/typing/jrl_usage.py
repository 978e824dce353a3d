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


def function_forms() -> List[str]:
    forms: List[str] = []
    for function in jrl.selector_functions():
        f: jrl.SelectorFunction = function
        arguments: Tuple[jrl.SelectorArgument, ...] = f.arguments
        record: type = f.record
        forms.append(f"{f.name}({', '.join(a.label for a in arguments)}) -> {f.alternative}, {record.__name__}")
    return forms


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
    edited: jrl.Requirement = jrl.replace(built, description="y", priority=2)
    programme = jrl.File([built, jrl.Requirement(edited.query, "z")], path="built.jrl")
    written: str = jrl.dumps(programme, width=60)
    assert jrl.parse(written) == programme and jrl.dumps(edited).endswith(': "y" : 2;\n')
    assert jrl.replace(programme, requirements=[edited]).requirements == (edited,)
    try:
        jrl.parse("SELECT 0 FROM TAG(\"t\") : \"x\";")
    except jrl.ParseError as error:
        place: Tuple[Optional[int], Optional[int], Optional[int], Optional[int]] = (
            error.line, error.column, error.end_line, error.end_column)
        context: Tuple[str, ...] = error.context
        assert place == (1, 8, 1, 9) and context == ("failed parsing quantity",)
        headline: str = error.headline
        assert error.message and str(error) == headline + "\n" + error.report and error.offset == 7
        code: Optional[str] = error.code
        fixes: Tuple[jrl.Suggestion, ...] = error.suggestions
        assert code == "JRL020" and fixes == () and error.path is None
    diagnostics: List[jrl.Diagnostic] = jrl.check(
        'SELECT 1 FROM CLASS(ECOM 1200) : "x";\nSELECT 1 FROM [TAG("a"), TAG("a")] : "y";')
    diagnostics += jrl.check('SELECT 1 FROM [TAG("a"), TAG("a")] : "y";', warnings=True)
    assert [d.severity for d in diagnostics] == ["error", "warning"]
    d: jrl.Diagnostic = diagnostics[0]
    assert (d.code, d.line, d.column, d.end_line, d.end_column) == ("JRL033", 1, 21, 1, 25)
    assert (d.offset, d.end_offset, d.context) == (20, 24, ("failed parsing selector",))
    assert d.message.endswith("ECON)") and d.report.endswith(d.message) and d.notes == ()
    fix: jrl.Suggestion = d.suggestions[0]
    edit: jrl.TextEdit = fix.edits[0]
    assert fix.message and (edit.offset, edit.end_offset, edit.replacement) == (20, 24, "ECON")
    assert (edit.line, edit.column, edit.end_line, edit.end_column) == (1, 21, 1, 25)
    note: jrl.Note = diagnostics[1].notes[0]
    assert (note.message, note.line, note.column, note.offset) == ("first written here", 1, 16, 15)
    assert jrl.check(TEXT, warnings=False) == []
    fixed: str = jrl.fix('SELECT 1 FROM CLASS(ECOM 1200) : "x";')
    named: List[jrl.Diagnostic] = jrl.check(fixed.replace("1", "0", 1), path=pathlib.Path("a.jrl"))
    assert " --> a.jrl:1:8" in named[0].report
    with tempfile.TemporaryDirectory() as directory:
        path = pathlib.Path(directory) / "a.jrl"
        path.write_text(fixed)
        assert jrl.check_file(path, warnings=False) == jrl.check_file(str(path)) == []
    formatted: str = jrl.format(TEXT, width=60)
    assert jrl.format(formatted, 60) == formatted
    spans: List[Tuple[int, int]] = jrl.statement_spans(TEXT)
    assert spans[0][0] == 0 and spans[-1][1] == len(TEXT)
    analysis: jrl.Analysis = jrl.analyse(TEXT + "SELECT 1 FROM;", warnings=False,
                                         suggestions=False, max_diagnostics=10)
    statements: Tuple[jrl.Statement, ...] = analysis.statements
    found: Tuple[jrl.Diagnostic, ...] = analysis.diagnostics
    built_first: Optional[jrl.Requirement] = statements[0].requirement
    assert built_first == requirements[0] and statements[2].requirement is None and len(found) == 1
    chunk: Tuple[int, int] = statements[1].chunk
    second: jrl.Span = statements[1].span
    assert (second.line, second.column, chunk[1]) == (2, 1, statements[1].end_offset)
    assert analysis.file == file and jrl.Statement(second, 0, 1, chunk) != statements[1]
    departments: Tuple[str, ...] = jrl.departments()
    closest: Optional[str] = jrl.closest_department("ECOM")
    assert "MATH" in departments and closest == "ECON"
    assert function_forms()[0] == "CLASS(course) -> Class, Class"
    codes: Tuple[jrl.DiagnosticCode, ...] = jrl.diagnostic_codes()
    syntax = next(c for c in codes if c.code == "JRL010")
    assert (syntax.severity, syntax.name) == ("error", "syntax-error") and syntax.title
    assert jrl.DiagnosticCode(syntax.code, syntax.severity, syntax.name, syntax.title) == syntax
    assert jrl.Note("n", 1, 1, 0) != jrl.Suggestion("n", [jrl.TextEdit(0, 0, 1, 1, 1, 1, "")])
    assert jrl.Diagnostic(d.severity, d.code, d.message, list(d.context), d.line, d.column,
                          d.end_line, d.end_column, d.offset, d.end_offset, d.report,
                          d.suggestions, []) == d
    with tempfile.TemporaryDirectory() as directory:
        path = pathlib.Path(directory) / "usage.jrl"
        path.write_text(TEXT, encoding="utf-8")
        assert jrl.load(path) == file
    catalogue = jrl.Catalogue.load(pathlib.Path(__file__).resolve().parents[2] / "examples" / "catalogue" / "wexmoor.json")
    selected: Tuple[jrl.CatalogueCourse, ...] = catalogue.courses_for(file.requirements[0])
    titles: List[str] = [c.title for c in selected + catalogue.courses_for(jrl.Tag("WX Proof"))]
    credits: float = sum(c.credits for c in selected)
    lines.append(f"catalogue: {len(titles)} titles, {credits} credits")
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
