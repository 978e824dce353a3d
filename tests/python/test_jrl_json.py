"""File.to_dict() and File.to_json() against pylibjrl's JSON, and the JSON
Schema of that JSON checked against every output the tests make."""

import json
import pathlib

import pytest
from hypothesis import given

import jrl
import pylibjrl
from test_properties import SETTINGS, requirement_file
from test_jrl_model import MODEL_CASES, SPAN_CASES

ROOT = pathlib.Path(__file__).resolve().parents[2]
SCHEMA = json.loads((ROOT / "docs" / "jrl.schema.json").read_text(encoding="utf-8"))
EXAMPLES = sorted((ROOT / "examples").glob("*.jrl"))

TEXTS = [text for text, _ in MODEL_CASES] + [text for text, *_ in SPAN_CASES] + [
    "",
    'SELECT 1 FROM TAG("tab\there \u0001 / \u007f") : "x" : 65535;',
]


def check_against_pylibjrl(text):
    file = jrl.parse(text)
    reference = pylibjrl.parse(text)
    assert file.to_json() == reference.json()
    assert file.to_json(pretty=True) == reference.json_pretty()
    assert file.to_json(False) == reference.json()
    assert file.to_dict() == json.loads(reference.json())
    return file


@pytest.mark.parametrize("text", TEXTS)
def test_json_matches_pylibjrl(text):
    check_against_pylibjrl(text)


@pytest.mark.parametrize("path", EXAMPLES, ids=lambda p: p.name)
def test_examples_match_pylibjrl(path):
    file = check_against_pylibjrl(path.read_text(encoding="utf-8"))
    assert jrl.load(path) == file


@SETTINGS
@given(requirement_file())
def test_generated_files_match_pylibjrl(case):
    text, expected = case
    file = check_against_pylibjrl(text)
    assert file.to_dict() == expected


def test_to_dict_is_fresh_each_time():
    file = jrl.parse(TEXTS[0])
    first = file.to_dict()
    first["requirements"].clear()
    assert file.to_dict()["requirements"] != []


jsonschema = pytest.importorskip("jsonschema")


def test_schema_is_valid():
    jsonschema.Draft202012Validator.check_schema(SCHEMA)


@pytest.mark.parametrize("text", TEXTS + [p.read_text(encoding="utf-8") for p in EXAMPLES])
def test_every_output_fits_the_schema(text):
    jsonschema.validate(json.loads(pylibjrl.parse(text).json()), SCHEMA,
                        cls=jsonschema.Draft202012Validator)


@SETTINGS
@given(requirement_file())
def test_generated_outputs_fit_the_schema(case):
    jsonschema.validate(json.loads(pylibjrl.parse(case[0]).json()), SCHEMA,
                        cls=jsonschema.Draft202012Validator)


# Documents the schema must turn away: each breaks one rule of the format.
NOT_OUTPUTS = [
    {"version": "0.1.6"},
    {"version": "0.1.6", "requirements": [], "extra": 1},
    {"version": "0.1.6", "requirements": [{"query": {"quantity": {"Single": 1},
     "type": "Select", "selector": []}, "description": "x", "priority": 1}]},
    {"version": "0.1.6", "requirements": [{"query": {"quantity": {"Single": 70000},
     "type": "Select", "selector": [{"Tag": "t"}]}, "description": "x", "priority": 1}]},
    {"version": "0.1.6", "requirements": [{"query": {"quantity": {"Single": 1},
     "type": "Pick", "selector": [{"Tag": "t"}]}, "description": "x", "priority": 1}]},
    {"version": "0.1.6", "requirements": [{"query": {"quantity": {"Single": 1},
     "type": "Select", "selector": [{"Tag": "t", "Dist": "d"}]}, "description": "x",
     "priority": 1}]},
]


@pytest.mark.parametrize("document", NOT_OUTPUTS)
def test_schema_rejects(document):
    with pytest.raises(jsonschema.ValidationError):
        jsonschema.validate(document, SCHEMA, cls=jsonschema.Draft202012Validator)
