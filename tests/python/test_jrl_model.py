"""The jrl package's object model: what a text parses to, where each part
was written, and how the objects behave as values."""

import copy
import pickle
import sys

import pytest

import jrl
from jrl import (
    Class, Course, Dist, DistDept, Kind, Many, NestedQuery, Placement, Query,
    Range, RangeDist, RangeTag, Requirement, Single, Span, Tag, TagDept,
)

SELECT, LIMIT = Kind.SELECT, Kind.LIMIT
MATH1200 = Course("MATH", 1200)


def q(quantity, *selectors, kind=SELECT):
    return Query(kind, quantity, selectors)


# Text of one requirement, and the Requirement it parses to.
MODEL_CASES = [
    ('SELECT 1 FROM CLASS(MATH 1200) : "Calculus";',
     Requirement(q(Single(1), Class(MATH1200)), "Calculus", 1)),
    ('LIMIT 2-4 FROM CLASS(PHYS 0042L) : "Labs" : 7;',
     Requirement(q(Many(2, 4), Class(Course("PHYS", 42, True)), kind=LIMIT), "Labs", 7)),
    ('SELECT 1 FROM [PLACEMENT("p"), TAG("t"), TAG_DEPT("t", "c"), DIST("d"), '
     'DIST_DEPT("d", "c")] : "say ""hi""";',
     Requirement(q(Single(1), Placement("p"), Tag("t"), TagDept("t", "c"), Dist("d"),
                   DistDept("d", "c")), 'say "hi"', 1)),
    ('SELECT 3 FROM [RANGE(MATH 1000, MATH 1999), RANGE_DIST(MATH 1000, MATH 1999L, "d"), '
     'RANGE_TAG(MATH 1000, MATH 1999, "t")] : "é";',
     Requirement(q(Single(3), Range(Course("MATH", 1000), Course("MATH", 1999)),
                   RangeDist(Course("MATH", 1000), Course("MATH", 1999, True), "d"),
                   RangeTag(Course("MATH", 1000), Course("MATH", 1999), "t")), "é", 1)),
    ('SELECT 1 FROM SELECT 0-2 FROM [SELECT 1 FROM TAG("a"), TAG("b")] : "n" : 0;',
     Requirement(q(Single(1), NestedQuery(q(Many(0, 2), NestedQuery(q(Single(1), Tag("a"))),
                                            Tag("b")))), "n", 0)),
]


@pytest.mark.parametrize("text,expected", MODEL_CASES)
def test_parses_to_objects(text, expected):
    (requirement,) = jrl.parse(text).requirements
    assert requirement == expected
    assert hash(requirement) == hash(expected)


def test_file_attributes():
    file = jrl.parse(MODEL_CASES[0][0] + "\n" + MODEL_CASES[1][0], path="p.jrl")
    assert file.version == "0.1.6"
    assert file.path == "p.jrl"
    assert len(file.requirements) == 2
    assert file.requirements is file.requirements  # built once
    assert repr(file) == "<jrl.File path='p.jrl', 2 requirements>"
    assert jrl.parse("").requirements == ()
    assert repr(jrl.parse("")) == "<jrl.File path=None, 0 requirements>"


def test_repr_reads_as_the_constructor_call():
    (requirement,) = jrl.parse(MODEL_CASES[1][0]).requirements
    assert repr(requirement) == (
        "Requirement(query=Query(kind=Kind.LIMIT, quantity=Many(low=2, high=4), "
        "selectors=(Class(course=Course(department='PHYS', number=42, lab=True)),)), "
        "description='Labs', priority=7)")
    assert eval(repr(requirement), vars(jrl)) == requirement


# Spans of the requirements, then of the selectors in pre-order, as
# (line, column, end_line, end_column).
SPAN_CASES = [
    ('SELECT 1 FROM CLASS(MATH 1200) : "Calculus";',
     [(1, 1, 1, 44)], [(1, 15, 1, 31)]),
    ('// c\r\n  SELECT 1 FROM [TAG("é"),\n    SELECT 1 FROM DIST("d")] : "x" : 2;',
     [(2, 3, 3, 39)], [(2, 18, 2, 26), (3, 5, 3, 28), (3, 19, 3, 28)]),
]


def spans_of(query):
    for selector in query.selectors:
        yield selector.span
        if isinstance(selector, NestedQuery):
            yield from spans_of(selector.query)


@pytest.mark.parametrize("text,requirements,selectors", SPAN_CASES)
def test_spans(text, requirements, selectors):
    file = jrl.parse(text)
    as_tuple = lambda s: (s.line, s.column, s.end_line, s.end_column)
    assert [as_tuple(r.span) for r in file.requirements] == requirements
    assert [as_tuple(s) for r in file.requirements for s in spans_of(r.query)] == selectors


def test_spans_do_not_count_in_equality():
    a = jrl.parse('SELECT 1 FROM TAG("t") : "x";').requirements[0]
    b = jrl.parse('\n\n  SELECT 1 FROM  TAG("t") : "x";').requirements[0]
    assert a.span != b.span
    assert a == b and hash(a) == hash(b)
    assert a == Requirement(a.query, "x", 1)  # built by hand: span None
    assert Requirement(a.query, "x", 1).span is None


def test_equality_is_by_class_and_fields():
    assert Tag("x") != Dist("x")
    assert hash(Tag("x")) != hash(Dist("x"))
    assert Course("MATH", 1200) == Course("MATH", 1200, False) != Course("MATH", 1200, True)
    assert Single(1) != Many(1, 1)
    assert Tag("x") != "x"
    assert len({Tag("x"), Tag("x"), Dist("x")}) == 2
    assert jrl.parse(MODEL_CASES[0][0]) == jrl.parse(" " + MODEL_CASES[0][0])
    assert jrl.parse(MODEL_CASES[0][0]) != jrl.parse(MODEL_CASES[1][0])


# Kept as text, so that the module still loads where `match` is unknown.
MATCH_SOURCE = """
def describe(selector):
    match selector:
        case Class(Course(department, number, lab=True)):
            return f"lab of {department} {number}"
        case Class(Course(department, number)):
            return f"{department} {number}"
        case RangeTag(first, last, tag):
            return f"{tag} from {first.number} to {last.number}"
        case NestedQuery(Query(kind, Many(low, high), selectors)):
            return f"{kind.name} {low}-{high} of {len(selectors)}"
        case _:
            return "other"
"""


@pytest.mark.skipif(sys.version_info < (3, 10), reason="match needs Python 3.10")
def test_match_statements():
    namespace = dict(vars(jrl))
    exec(MATCH_SOURCE, namespace)
    describe = namespace["describe"]
    cases = [(Class(Course("MATH", 1200)), "MATH 1200"),
             (Class(Course("MATH", 1200, True)), "lab of MATH 1200"),
             (RangeTag(MATH1200, Course("MATH", 1300), "t"), "t from 1200 to 1300"),
             (NestedQuery(q(Many(0, 2), Tag("a"))), "SELECT 0-2 of 1"),
             (Tag("a"), "other")]
    assert [describe(s) for s, _ in cases] == [d for _, d in cases]


def every_object(file):
    yield file
    for requirement in file.requirements:
        yield requirement
        yield requirement.span
        stack = [requirement.query]
        while stack:
            query = stack.pop()
            yield query
            yield query.quantity
            for selector in query.selectors:
                yield selector
                yield selector.span
                if isinstance(selector, NestedQuery):
                    stack.append(selector.query)
                for name in ("course", "first", "last"):
                    if hasattr(selector, name):
                        yield getattr(selector, name)


ALL_KINDS = jrl.parse("\n".join(text for text, _ in MODEL_CASES), path="all.jrl")


@pytest.mark.parametrize("protocol", range(pickle.HIGHEST_PROTOCOL + 1))
def test_pickle_every_object(protocol):
    for value in every_object(ALL_KINDS):
        loaded = pickle.loads(pickle.dumps(value, protocol))
        assert loaded == value and type(loaded) is type(value)
        if hasattr(value, "span"):
            assert loaded.span == value.span
    loaded = pickle.loads(pickle.dumps(ALL_KINDS, protocol))
    assert loaded.path == "all.jrl"
    assert loaded.to_json() == ALL_KINDS.to_json()


def test_copy_every_object():
    for value in every_object(ALL_KINDS):
        assert copy.copy(value) == value
        assert copy.deepcopy(value) == value
        if hasattr(value, "span"):
            assert copy.deepcopy(value).span == value.span


def test_objects_are_immutable():
    requirement = ALL_KINDS.requirements[0]
    for target, name in [(requirement, "priority"), (requirement, "span"),
                         (requirement.query, "selectors"), (ALL_KINDS, "requirements"),
                         (MATH1200, "number"), (Span(1, 1, 1, 2), "line")]:
        with pytest.raises(AttributeError):
            setattr(target, name, None)
    assert isinstance(requirement.query.selectors, tuple)
    assert q(Single(1), *[Tag("a")]).selectors == (Tag("a"),)
    assert Query(SELECT, Single(1), [Tag("a")]).selectors == (Tag("a"),)


# Constructor misuse and its TypeError texts.
CONSTRUCTOR_ERRORS = [
    (lambda: Course("MATH"), "Course() missing required argument 'number'"),
    (lambda: Course("MATH", 1, False, 4), "Course() takes at most 3 arguments (4 given)"),
    (lambda: Tag("a", tag="b"), "Tag() got multiple values for argument 'tag'"),
    (lambda: Tag(name="b"), "Tag() got an unexpected keyword argument 'name'"),
    (lambda: jrl.Selector(), "Selector cannot be instantiated"),
    (lambda: jrl.File(), "File() missing required argument 'requirements'"),
    (lambda: Query(SELECT, Single(1), 5),
     "Query() argument 'selectors' must be an iterable of selectors, not int"),
]


@pytest.mark.parametrize("make,message", CONSTRUCTOR_ERRORS)
def test_constructor_errors(make, message):
    with pytest.raises(TypeError) as info:
        make()
    assert str(info.value) == message


def test_selector_classes_share_a_base():
    for cls in (Class, Placement, Tag, TagDept, Dist, DistDept, Range, RangeDist,
                RangeTag, NestedQuery):
        assert issubclass(cls, jrl.Selector)
        assert cls.__module__ == "jrl"
    with pytest.raises(TypeError):
        type("Sub", (Tag,), {})
    assert Tag.__match_args__ == ("tag",)
    assert Requirement.__match_args__ == ("query", "description", "priority")
    assert jrl.File.__match_args__ == ("version", "requirements")


def test_help_text():
    for name in jrl.__all__:
        assert getattr(jrl, name).__doc__, name
    assert "course of the catalogue" in Course.__doc__
    # Interpreters before 3.10 do not read the signatures of native classes.
    if sys.version_info >= (3, 10):
        assert Course.__text_signature__ == "(department, number, lab=False)"
