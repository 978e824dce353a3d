"""The library's table of selector functions, as the jrl package gives it,
against everything that lists the functions by hand: the record classes,
the language guide's table and headings, the TextMate and Vim grammars and
the fuzzing dictionary. A new function that one of them misses fails here."""

from __future__ import annotations

import json
import re

import jrl
import jrl_sources

FUNCTIONS = jrl.selector_functions()
NAMES = {f.name for f in FUNCTIONS}


def call(f: jrl.SelectorFunction, name: str) -> str:
    args = [f"MATH {1000 + i}" if a.kind == "course" else f'"s{i}"' for i, a in enumerate(f.arguments)]
    return f"SELECT 1 FROM {name}({', '.join(args)}) : \"x\";"


def form(f: jrl.SelectorFunction) -> str:
    """As the guide heads its section: RANGE_TAG(first course, last course, "tag")."""
    written = [a.label if a.kind == "course" else '"' + a.label + '"' for a in f.arguments]
    return f"{f.name}({', '.join(written)})"


def test_each_function_parses_to_its_record_and_json_alternative():
    assert FUNCTIONS is jrl.selector_functions()
    for f in FUNCTIONS:
        assert f.arguments and all(a.kind in ("course", "string") for a in f.arguments)
        (selector,) = jrl.parse(call(f, f.name)).requirements[0].query.selectors
        assert selector == jrl.parse(call(f, f.name.lower())).requirements[0].query.selectors[0]
        assert type(selector) is f.record and f.record.__name__ in jrl.__all__
        assert len(f.record.__match_args__) == len(f.arguments)
        (json_selector,) = jrl.parse(call(f, f.name)).to_dict()["requirements"][0]["query"]["selector"]
        payload = json_selector[f.alternative]
        if len(f.arguments) > 1:
            assert list(payload) == [a.field for a in f.arguments]


def test_every_selector_class_but_nested_queries_is_a_function():
    classes = {cls for cls in vars(jrl).values() if isinstance(cls, type) and issubclass(cls, jrl.Selector)}
    assert classes - {f.record for f in FUNCTIONS} == {jrl.Selector, jrl.NestedQuery}


def test_the_guide_lists_each_function_with_its_arguments_and_meaning():
    guide = (jrl_sources.ROOT / "docs" / "language.md").read_text(encoding="utf-8")
    rows = re.findall(r"^\| `([A-Z_]+)` \| ([a-z, ]+) \| (.+) \|$", guide, re.M)
    assert rows == [(f.name, ", ".join(a.kind for a in f.arguments), f.meaning) for f in FUNCTIONS]
    headings = re.findall(r"^### ([A-Z_]+\(.*\))$", guide, re.M)
    assert headings == [form(f) for f in FUNCTIONS]


def test_editor_grammars_and_fuzzing_dictionary_know_every_function():
    editors = jrl_sources.ROOT / "editors"
    textmate = json.loads((editors / "jrl.tmLanguage.json").read_text(encoding="utf-8"))
    pattern = textmate["repository"]["function"]["match"]
    (alternatives,) = re.findall(r"\(\?:((?:[A-Za-z_]+\|)+[A-Za-z_]+)\)", pattern)
    listed = alternatives.split("|")
    assert set(listed) == NAMES | {n.lower() for n in NAMES}
    # Each name before the shorter ones it starts with, or they never match.
    assert all(not listed[j].startswith(listed[i]) for i in range(len(listed)) for j in range(i + 1, len(listed)))

    vim = (editors / "vim" / "syntax" / "jrl.vim").read_text(encoding="utf-8")
    keywords = [set(line.split()[3:]) for line in vim.splitlines() if line.startswith("syntax keyword jrlFunction")]
    assert keywords == [NAMES, {n.lower() for n in NAMES}]

    dictionary = (jrl_sources.ROOT / "fuzz" / "jrl.dict").read_text(encoding="utf-8")
    assert NAMES <= set(re.findall(r'^"([A-Za-z_]+)"$', dictionary, re.M))


def test_json_schema_describes_each_function():
    schema = json.loads((jrl_sources.ROOT / "docs" / "jrl.schema.json").read_text(encoding="utf-8"))
    properties = schema["$defs"]["selector"]["properties"]
    assert set(properties) == {f.alternative for f in FUNCTIONS} | {"Query"}
    refs = {"course": {"$ref": "#/$defs/class"}, "string": {"$ref": "#/$defs/text"}}
    for f in FUNCTIONS:
        if len(f.arguments) == 1:
            assert properties[f.alternative] == refs[f.arguments[0].kind]
        else:
            assert properties[f.alternative]["properties"] == {a.field: refs[a.kind] for a in f.arguments}
