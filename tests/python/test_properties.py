"""Properties over generated inputs.

Valid requirement files are generated together with the JSON model they
must parse to, built here from the same choices; damaged and arbitrary
texts must fail with ValueError and nothing else. Trees of jrl records of
any depth pickle and copy.
"""

import copy
import json
import os
import pickle
import subprocess
import sys
import textwrap

from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

import jrl
import pylibjrl

# Fewer examples where the suite runs under valgrind.
SETTINGS = settings(
    max_examples=int(os.environ.get("JRL_PROPERTY_EXAMPLES", "300")),
    deadline=None,
    suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large],
)

DEPARTMENTS = ["MATH", "ECON", "HIST", "PHYS", "CSCI", "STAT", "A&HA", "TH&D", "W&GS"]

# Whitespace and comments, where the grammar skips them.
GAPS = st.sampled_from(
    ["", " ", "  ", "\t", "\n", "\r\n", " // a comment\n", "//\r\n", "\n\t// é ; FROM\n "]
)

# Anything a string literal may hold: no line breaks, no lone surrogates.
STRING_CHARS = st.characters(
    blacklist_categories=("Cs",), blacklist_characters="\r\n"
)


def u16(min_value=0):
    return st.one_of(
        st.integers(min_value, min(min_value + 5, 65535)),
        st.just(65535),
        st.integers(min_value, 65535),
    )


@st.composite
def number(draw, min_value=0, max_value=65535):
    value = draw(st.integers(min_value, max_value))
    zeros = "0" * draw(st.integers(0, 2))
    return zeros + str(value), value


@st.composite
def string_literal(draw):
    value = draw(st.text(STRING_CHARS, max_size=8))
    return '"' + value.replace('"', '""') + '"', value


@st.composite
def course(draw):
    dept = draw(st.sampled_from(DEPARTMENTS))
    num = draw(st.integers(0, 9999))
    lab = draw(st.booleans())
    spaces = " " * draw(st.integers(0, 2))
    text = f"{dept}{spaces}{num:04d}" + ("L" if lab else "")
    return text, {"department_id": dept, "course_number": num, "lab": lab}


# Each function: its name, its argument kinds, and how the selector's JSON
# is made from the argument values.
FUNCTIONS = [
    ("CLASS", "c", lambda a: {"Class": a[0]}),
    ("PLACEMENT", "s", lambda a: {"Placement": a[0]}),
    ("TAG", "s", lambda a: {"Tag": a[0]}),
    ("TAG_DEPT", "ss", lambda a: {"TagCode": {"tag": a[0], "code": a[1]}}),
    ("DIST", "s", lambda a: {"Dist": a[0]}),
    ("DIST_DEPT", "ss", lambda a: {"DistCode": {"dist": a[0], "code": a[1]}}),
    ("RANGE", "cc", lambda a: {"Range": {"from": a[0], "to": a[1]}}),
    ("RANGE_DIST", "ccs", lambda a: {"RangeDist": {"from": a[0], "to": a[1], "dist": a[2]}}),
    ("RANGE_TAG", "ccs", lambda a: {"RangeTag": {"from": a[0], "to": a[1], "tag": a[2]}}),
]


@st.composite
def function_call(draw):
    name, kinds, build = draw(st.sampled_from(FUNCTIONS))
    if draw(st.booleans()):
        name = name.lower()
    texts, values = [], []
    for kind in kinds:
        text, value = draw(course() if kind == "c" else string_literal())
        texts.append(text)
        values.append(value)
    sep = draw(GAPS) + "," + draw(GAPS)
    text = name + draw(GAPS) + "(" + draw(GAPS) + sep.join(texts) + draw(GAPS) + ")"
    return text, build(values)


@st.composite
def quantity(draw, top_level):
    if draw(st.booleans()):
        text, value = draw(number(1, draw(u16(1))))
        return text, {"Single": value}
    low_text, low = draw(number(1 if top_level else 0, draw(u16(1 if top_level else 0))))
    high_text, high = draw(number(low, draw(u16(low))))
    return f"{low_text}-{high_text}", {"Many": {"from": low, "to": high}}


@st.composite
def selector_single(draw, depth):
    if depth < 3 and draw(st.integers(0, 3)) == 0:
        text, query = draw(statement(depth + 1, top_level=False))
        return text, {"Query": query}
    return draw(function_call())


@st.composite
def statement(draw, depth=1, top_level=True):
    limit = top_level and draw(st.booleans())
    q_text, q = draw(quantity(top_level))
    if draw(st.integers(0, 2)) == 0:
        items = draw(st.lists(selector_single(depth), min_size=1, max_size=3))
        sep = draw(GAPS) + "," + draw(GAPS)
        s_text = "[" + draw(GAPS) + sep.join(t for t, _ in items) + draw(GAPS) + "]"
        selectors = [s for _, s in items]
    else:
        s_text, single = draw(selector_single(depth))
        selectors = [single]
    g = [draw(GAPS) for _ in range(3)]
    text = f"{'LIMIT' if limit else 'SELECT'}{g[0] or ' '}{q_text}{g[1] or ' '}FROM{g[2]}{s_text}"
    return text, {
        "quantity": q,
        "type": "Limit" if limit else "Select",
        "selector": selectors,
    }


@st.composite
def requirement(draw):
    text, query = draw(statement())
    d_text, description = draw(string_literal())
    text += draw(GAPS) + ":" + draw(GAPS) + d_text
    priority = 1
    if draw(st.booleans()):
        p_text, priority = draw(number(0, draw(st.sampled_from([30, 65535]))))
        text += draw(GAPS) + ":" + draw(GAPS) + p_text
    return text, {"query": query, "description": description, "priority": priority}


@st.composite
def requirement_file(draw):
    reqs = draw(st.lists(requirement(), max_size=4))
    text = draw(GAPS)
    for r_text, _ in reqs:
        text += r_text + draw(GAPS) + ";" + draw(GAPS)
    return text, {"version": "0.1.6", "requirements": [r for _, r in reqs]}


def compact(model):
    return json.dumps(model, separators=(",", ":"), ensure_ascii=False)


@SETTINGS
@given(requirement_file())
def test_valid_file_parses_to_its_model(case):
    text, expected = case
    result = pylibjrl.parse(text)
    assert json.loads(result.json()) == expected
    # Key order and escapes too, not only the content.
    assert result.json() == compact(expected)
    assert result.json_pretty() == json.dumps(expected, indent=2, ensure_ascii=False)


@SETTINGS
@given(requirement_file())
def test_json_forms_agree(case):
    result = pylibjrl.parse(case[0])
    pretty = result.json_pretty()
    assert json.loads(result.json()) == json.loads(pretty)
    assert json.dumps(json.loads(pretty), indent=2, ensure_ascii=False) == pretty
    assert str(result).startswith("ParseResult { parsed_jrl_file: JRLQueryFile {")


FRAGMENTS = [
    "SELECT", "LIMIT", "FROM", "(", ")", "[", "]", ",", ";", ":", '"', "//",
    "\n", "\r", "-", "0", "65536", "99999999999", "CLASS", "Class", "MATX",
    "MA", "MATHS", "1200L", "0-0", "SELECT 1 FROM ", "é", "\x00",
]


@st.composite
def damaged_file(draw):
    text, _ = draw(requirement_file())
    for _ in range(draw(st.integers(1, 4))):
        at = draw(st.integers(0, len(text)))
        edit = draw(st.integers(0, 2))
        if edit == 0:
            text = text[:at] + text[at + draw(st.integers(1, 8)):]
        elif edit == 1:
            text = text[:at] + draw(st.sampled_from(FRAGMENTS)) + text[at:]
        else:
            start = draw(st.integers(0, len(text)))
            text = text[:at] + text[start:start + draw(st.integers(1, 16))] + text[at:]
    return text


def parse_or_value_error(text):
    try:
        result = pylibjrl.parse(text)
    except ValueError as error:
        assert str(error)
        return
    json.loads(result.json())
    json.loads(result.json_pretty())
    assert str(result)


@SETTINGS
@given(damaged_file())
def test_damaged_file_fails_only_with_value_error(text):
    parse_or_value_error(text)


@SETTINGS
@given(st.text(st.characters(blacklist_categories=("Cs",)), max_size=200))
def test_any_text_fails_only_with_value_error(text):
    parse_or_value_error(text)


def test_nesting_limit():
    def nested(depth):
        return "SELECT 1 FROM " * depth + 'CLASS(MATH 1200) : "x";'

    model = json.loads(pylibjrl.parse(nested(256)).json())
    assert model["requirements"][0]["query"]["quantity"] == {"Single": 1}
    try:
        pylibjrl.parse(nested(257))
    except ValueError as error:
        # Reported at the statement that goes one level too deep.
        assert str(error).startswith(" --> 1:3585\n")
        assert str(error).endswith("= queries nested deeper than 256 levels are not supported")
    else:
        raise AssertionError("nesting past the limit was accepted")


# A fresh interpreter, so that the threads below are the first users of the
# department registry.
THREADS_SCRIPT = textwrap.dedent(
    """
    import sys, threading
    import pylibjrl

    inputs = sys.argv[1:]

    def outcome(text):
        try:
            r = pylibjrl.parse(text)
            return ("ok", r.json(), r.json_pretty(), str(r))
        except ValueError as e:
            return ("error", str(e))

    barrier = threading.Barrier(8)
    seen = [None] * 8

    def work(t):
        barrier.wait()
        mine = []
        for round in range(20):
            for k in range(len(inputs)):
                mine.append(outcome(inputs[(k + t) % len(inputs)]))
        seen[t] = mine

    threads = [threading.Thread(target=work, args=(t,)) for t in range(8)]
    for th in threads:
        th.start()
    for th in threads:
        th.join()
    for t, mine in enumerate(seen):
        expected = [outcome(inputs[(k + t) % len(inputs)])
                    for round in range(20) for k in range(len(inputs))]
        if mine != expected:
            sys.exit(f"thread {t} saw other results")
    print("same")
    """
)


def test_parse_from_eight_threads():
    inputs = [
        'SELECT 1 FROM CLASS(MATH 1200) : "Calculus";',
        'SELECT 1 FROM CLASS(MATX 1200) : "x";',
        'SELECT 2 FROM [RANGE(ECON 1000, ECON 1999), CLASS(A&HA 2000L)] : "x" : 7;',
        'SELECT 1 FROM SELECT 1 FROM CLASS(PHYZ 1200) : "n";',
        'SELECT 1 FROM CLAS(MATH 1200) : "x";',
        'SELECT 0 FROM TAG("t") : "zero";',
    ]
    run = subprocess.run(
        [sys.executable, "-c", THREADS_SCRIPT, *inputs],
        capture_output=True,
        text=True,
        timeout=120,
    )
    assert run.returncode == 0, run.stderr
    assert run.stdout == "same\n"


# Trees of jrl records built by hand, through tuples and around mutable
# leaves, from a few levels to far past where the pickler and copy would
# recurse out of the default limit: both give back an equal tree. (At most
# 200 steps, so that comparing the trees stays inside the limit.) Nested
# queries hold selectors, and the diagnostics' records any value.
SELECTOR_WRAPPERS = {
    "nested": lambda x: jrl.NestedQuery(
        jrl.Query(jrl.Kind.SELECT, jrl.Many(0, 2), [jrl.Tag("a"), x])),
    "spanned": lambda x: jrl.NestedQuery(
        jrl.Query(jrl.Kind.SELECT, jrl.Single(1), [x]), jrl.Span(1, 2, 3, 4)),
}
ANY_WRAPPERS = {
    "note": lambda x: jrl.Note(x, 1, 2, 3),
    "tuple": lambda x: jrl.Suggestion("fix", (x, ())),
}


@st.composite
def record_tree(draw):
    leaf = draw(st.one_of(st.none(), st.text(max_size=4), st.integers(),
                          st.lists(st.integers(), max_size=3)))
    selector_steps = draw(st.integers(0, 100))
    any_steps = draw(st.integers(1 if selector_steps == 0 else 0, 100))
    tree = jrl.Dist(draw(st.text(STRING_CHARS, max_size=4)))
    for name in draw(st.lists(st.sampled_from(sorted(SELECTOR_WRAPPERS)),
                              min_size=selector_steps, max_size=selector_steps)):
        tree = SELECTOR_WRAPPERS[name](tree)
    tree = jrl.Suggestion(leaf, (tree,))
    for name in draw(st.lists(st.sampled_from(sorted(ANY_WRAPPERS)),
                              min_size=any_steps, max_size=any_steps)):
        tree = ANY_WRAPPERS[name](tree)
    return tree


@SETTINGS
@given(record_tree(), st.integers(0, pickle.HIGHEST_PROTOCOL))
def test_record_trees_pickle_and_copy(tree, protocol):
    limit = sys.getrecursionlimit()
    sys.setrecursionlimit(1000)  # the default, which other tests' tools raise
    try:
        for copied in (pickle.loads(pickle.dumps(tree, protocol)), copy.deepcopy(tree)):
            assert type(copied) is type(tree) and copied == tree
    finally:
        sys.setrecursionlimit(limit)
