"""Programmes written from objects: constructors that refuse what no file
can say, File built from requirements, replace(), and dumps() back to text.

dumps is checked two ways: random trees of valid objects come back equal
from their text, and every shipped and generated programme, written again
from its objects, is exactly what the formatter makes of it.
"""

import builtins
import contextlib
import copy
import io
import pickle
import re
import sys

import pytest
from hypothesis import given
from hypothesis import strategies as st

import jrl
from jrl import Class, Course, File, Kind, Many, NestedQuery, Query, Requirement, Single, Span, Tag
from jrl_sources import ROOT, bench_texts, example_files, fuzz_texts, read
from test_properties import SETTINGS, STRING_CHARS, requirement_file

SELECT, LIMIT = Kind.SELECT, Kind.LIMIT
MATH = Course("MATH", 1200)
ONE_TAG = Query(SELECT, Single(1), [Tag("a")])


def nested(levels):
    """A query whose statements nest `levels` deep, itself the first."""
    query = ONE_TAG
    for _ in range(levels - 1):
        query = Query(SELECT, Single(1), [NestedQuery(query)])
    return query


BAD_ARGUMENTS = [
    (lambda: Course("hist", 1100), ValueError,
     "Course() argument 'department' ('hist'): departments must be 4 uppercase ASCII character symbols"),
    (lambda: Course("MUS", 1100), ValueError,
     "Course() argument 'department' ('MUS'): departments must be 4 uppercase ASCII character symbols"),
    (lambda: Course("MATX", 1100), ValueError,
     "Course() argument 'department' ('MATX'): this department does not exist in Wexmoor's "
     "course catalog (Did you mean: MATH)"),
    (lambda: Course(b"MATH", 1), TypeError, "Course() argument 'department' must be a str, not bytes"),
    (lambda: Course("HIST", "1100"), TypeError, "Course() argument 'number' must be an int, not str"),
    (lambda: Course("HIST", True), TypeError, "Course() argument 'number' must be an int, not bool"),
    (lambda: Course("HIST", 10000), ValueError,
     "Course() argument 'number' (10000): a course number has four digits, from 0 to 9999"),
    (lambda: Course("HIST", -1), ValueError,
     "Course() argument 'number' (-1): a course number cannot be negative"),
    (lambda: Course("HIST", 1, 1), TypeError, "Course() argument 'lab' must be a bool, not int"),
    (lambda: Single(0), ValueError, "Single() argument 'count' (0): cannot select zero"),
    (lambda: Single(2**70), ValueError,
     "Single() argument 'count' (1180591620717411303424): number too large to fit in target type "
     "(at most 65535)"),
    (lambda: Many(5, 2), ValueError,
     "Many() argument 'high': for any SELECT n-k statements, k>=n must be true. 2<5"),
    (lambda: Many(-1, 2), ValueError, "Many() argument 'low' (-1): a number in a file cannot be negative"),
    (lambda: Tag(123), TypeError, "Tag() argument 'tag' must be a str, not int"),
    (lambda: Tag("two\nlines"), ValueError, "Tag() argument 'tag': a string in a file cannot hold a line break"),
    (lambda: jrl.Placement("\ud800"), ValueError,
     "Placement() argument 'name': a string in a file is UTF-8, which cannot hold a lone surrogate"),
    (lambda: jrl.DistDept("d", None), TypeError, "DistDept() argument 'code' must be a str, not NoneType"),
    (lambda: Class("MATH 1200"), TypeError, "Class() argument 'course' must be a Course, not str"),
    (lambda: jrl.RangeTag(MATH, "MATH 1300", "t"), TypeError,
     "RangeTag() argument 'last' must be a Course, not str"),
    (lambda: Query("SELECT", Single(1), [Tag("a")]), TypeError,
     "Query() argument 'kind' must be a jrl.Kind, not str"),
    (lambda: Query(SELECT, 1, [Tag("a")]), TypeError,
     "Query() argument 'quantity' must be a Single or a Many, not int"),
    (lambda: Query(SELECT, Single(1), []), ValueError,
     "Query() argument 'selectors': a query selects from at least one selector"),
    (lambda: Query(SELECT, Single(1), [MATH]), TypeError,
     "Query() argument 'selectors' must be an iterable of selectors (Class ... NestedQuery), not Course"),
    (lambda: NestedQuery(Query(LIMIT, Single(1), [Tag("a")])), ValueError,
     "NestedQuery() argument 'query': LIMIT must be a top-level query"),
    (lambda: Requirement(Tag("a"), "d"), TypeError, "Requirement() argument 'query' must be a Query, not Tag"),
    (lambda: Requirement(Query(SELECT, Many(0, 2), [Tag("a")]), "d"), ValueError,
     "Requirement() argument 'query': cannot select a range starting from zero on a top-level SELECT"),
    (lambda: Requirement(nested(257), "d"), ValueError,
     "Requirement() argument 'query': queries nested deeper than 256 levels are not supported"),
    (lambda: Requirement(ONE_TAG, "d\r"), ValueError,
     "Requirement() argument 'description': a string in a file cannot hold a line break"),
    (lambda: Requirement(ONE_TAG, "d", 65536), ValueError,
     "Requirement() argument 'priority' (65536): number too large to fit in target type (at most 65535)"),
    (lambda: Requirement(ONE_TAG, "d", 1.0), TypeError, "Requirement() argument 'priority' must be an int, not float"),
    (lambda: Requirement(ONE_TAG, "d", span=(1, 1, 1, 2)), TypeError,
     "Requirement() argument 'span' must be a Span or None, not tuple"),
    (lambda: Span(0, 1, 1, 2), ValueError, "Span() argument 'line' (0): lines and columns count from 1"),
    (lambda: File(5), TypeError, "File() argument 'requirements' must be an iterable of Requirement objects"),
    (lambda: File([ONE_TAG]), TypeError,
     "File() argument 'requirements' must be an iterable of Requirement objects"),
    (lambda: File([], path=3), TypeError, "File() argument 'path' must be a str or None"),
    (lambda: jrl.replace(Requirement(ONE_TAG, "d"), priority=-1), ValueError,
     "Requirement() argument 'priority' (-1): a number in a file cannot be negative"),
    (lambda: jrl.replace(MATH, code="MATH"), TypeError, "Course() got an unexpected keyword argument 'code'"),
    (lambda: jrl.replace(jrl.parse(""), version="0.2"), TypeError,
     "File() got an unexpected keyword argument 'version'"),
    (lambda: jrl.dumps("SELECT 1 FROM TAG(\"a\") : \"d\";"), TypeError,
     "dumps() takes a File or a Requirement, not str"),
    (lambda: jrl.dumps(File([]), width=0), ValueError, "width must be at least 1"),
]


@pytest.mark.parametrize("make,error,message", BAD_ARGUMENTS)
def test_bad_arguments_are_refused_naming_the_field(make, error, message):
    with pytest.raises(error) as info:
        make()
    assert str(info.value) == message


def test_built_files_hold_what_they_are_given():
    course = Course(type("Code", (str,), {})("A&HA"), 12, lab=True)
    assert type(course.department) is str and course == Course("A&HA", 12, True)
    requirement = Requirement(nested(256), "deepest", span=Span(1, 1, 1, 2))
    assert requirement.priority == 1
    file = File(iter([requirement]), path="built.jrl")
    assert (file.requirements, file.path, file.requirements[0].span) == ((requirement,), "built.jrl", Span(1, 1, 1, 2))
    assert file == jrl.parse(jrl.dumps(file)) and hash(file) == hash(jrl.parse(jrl.dumps(file)))
    for copied in (pickle.loads(pickle.dumps(file)), copy.deepcopy(file), jrl.replace(file)):
        assert copied == file and copied.path == "built.jrl"
        assert copied.requirements[0].span == Span(1, 1, 1, 2)
    edited = jrl.replace(requirement, description="edited")
    assert (edited.description, edited.query, edited.span) == ("edited", requirement.query, requirement.span)
    assert jrl.replace(file, requirements=[edited]).requirements == (edited,)
    if sys.version_info >= (3, 13):
        assert copy.replace(edited, priority=3) == jrl.replace(edited, priority=3)


# Random valid objects, with the library's table choosing each function's
# record class and arguments.
FOUR_LETTER_CODES = [code for code in jrl.departments() if len(code) == 4]
TEXTS = st.text(STRING_CHARS, max_size=12)
COURSES = st.builds(Course, st.sampled_from(FOUR_LETTER_CODES), st.integers(0, 9999), st.booleans())


@st.composite
def function_selector(draw):
    function = draw(st.sampled_from(jrl.selector_functions()))
    return function.record(*(draw(COURSES if a.kind == "course" else TEXTS) for a in function.arguments))


def quantities(top_level):
    single = st.builds(Single, st.integers(1, 65535))
    many = st.integers(1 if top_level else 0, 65535).flatmap(
        lambda low: st.builds(Many, st.just(low), st.integers(low, 65535)))
    return st.one_of(single, many)


def queries(top_level, depth=1):
    inner = function_selector() if depth >= 4 else st.one_of(
        function_selector(), function_selector(),
        st.deferred(lambda: queries(False, depth + 1)).map(NestedQuery))
    return st.builds(Query, st.sampled_from([SELECT, LIMIT] if top_level else [SELECT]),
                     quantities(top_level), st.lists(inner, min_size=1, max_size=4))


REQUIREMENTS = st.builds(Requirement, queries(True), TEXTS, st.one_of(st.just(1), st.integers(0, 65535)))


@SETTINGS
@given(st.lists(REQUIREMENTS, max_size=4).map(File), st.integers(1, 120))
def test_objects_come_back_from_their_text(file, width):
    text = jrl.dumps(file, width)
    assert jrl.parse(text) == file
    assert jrl.format(text, width) == text
    assert jrl.dumps(file) == jrl.dumps(jrl.parse(text))
    for requirement in file.requirements:
        assert jrl.parse(jrl.dumps(requirement)).requirements == (requirement,)


# What the model does not hold, taken out of a text before it is compared
# with the text written from its objects: comments, blank lines (all space
# becomes one), a priority of 1 given explicitly, and brackets around a
# lone selector.
TOKEN = re.compile(r'"(?:[^"\r\n]|"")*"|//[^\n]*|\s+|[A-Za-z0-9_&]+|.')


def without_what_the_model_drops(text):
    tokens = [" " if t.isspace() else t for t in TOKEN.findall(text) if not t.startswith("//")]
    code = [i for i, t in enumerate(tokens) if t != " "]
    drop = set()
    for n, i in enumerate(code):
        window = [tokens[j] for j in code[n:n + 4]]
        if (len(window) == 4 and window[0].startswith('"') and window[1] == ":"
                and window[2].isdigit() and int(window[2]) == 1 and window[3] == ";"):
            drop.update(code[n + 1:n + 3])
        if tokens[i] == "[":
            depth = commas = 0
            for j in code[n:]:
                depth += (tokens[j] in ("[", "(")) - (tokens[j] in ("]", ")"))
                commas += tokens[j] == "," and depth == 1
                if depth == 0:
                    if commas == 0:
                        drop.update((i, j))
                    break
    return "".join(t for i, t in enumerate(tokens) if i not in drop)


def check_written_as_formatted(text):
    stripped = without_what_the_model_drops(text)
    assert jrl.parse(stripped) == jrl.parse(text)
    assert jrl.dumps(jrl.parse(text)) == jrl.format(stripped)


def parsing(texts):
    good = {}
    for name, text in texts.items():
        try:
            jrl.parse(text)
        except jrl.ParseError:
            continue
        good[name] = text
    return good


CORPUS = {p.name: read(p) for p in example_files()}
CORPUS.update(bench_texts())
CORPUS.update(parsing(fuzz_texts()))


@pytest.mark.parametrize("name", sorted(CORPUS))
def test_programmes_are_written_as_the_formatter_lays_them_out(name):
    check_written_as_formatted(CORPUS[name])


@SETTINGS
@given(requirement_file())
def test_generated_programmes_are_written_as_the_formatter_lays_them_out(case):
    check_written_as_formatted(case[0])


def test_guide_shows_writing_a_programme_as_it_is():
    guide = (ROOT / "docs" / "python.md").read_text(encoding="utf-8")
    section = guide[guide.index("## Writing a programme from objects"):guide.index("## The JSON form")]
    code, *rest = re.findall(r"```python\n(.*?)```", section, re.S)
    output = re.findall(r"```text\n(.*?)```", section, re.S)[0]
    namespace = {}
    printed = io.StringIO()
    with contextlib.redirect_stdout(printed):
        exec(code, namespace)
    assert printed.getvalue() == output
    shown = re.findall(r"^(.*)\n# (\w+Error): (.*)$", rest[0], re.M)
    assert len(shown) == 2
    for statement, error, message in shown:
        with pytest.raises(getattr(builtins, error)) as info:
            exec(statement, namespace)
        assert str(info.value) == message
    exec(rest[1], namespace)
    assert namespace["programme"].requirements[1].priority == 30
