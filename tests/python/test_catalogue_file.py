"""The shipped Wexmoor catalogue: its generator writes it again byte for
byte from the seed, it meets its JSON Schema, and a larger generated one
meets it too."""

import json
import pathlib
import subprocess
import sys

import jsonschema
import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SCHEMA = json.loads((ROOT / "docs" / "catalogue.schema.json").read_text(encoding="utf-8"))
SHIPPED = ROOT / "examples" / "catalogue" / "wexmoor.json"
GENERATOR = ROOT / "examples" / "catalogue" / "generate.py"


def generate(out, *args):
    subprocess.run([sys.executable, str(GENERATOR), "--out", str(out), *args], check=True)
    return out.read_bytes()


def test_generator_writes_the_shipped_catalogue(tmp_path):
    assert generate(tmp_path / "c.json") == SHIPPED.read_bytes()


@pytest.mark.parametrize("courses", [None, "3000"])
def test_catalogues_meet_the_schema(tmp_path, courses):
    text = SHIPPED.read_bytes() if courses is None else generate(tmp_path / "c.json", "--courses", courses)
    doc = json.loads(text)
    jsonschema.Draft202012Validator(SCHEMA).validate(doc)
    codes = [c["course"] for c in doc["courses"]]
    assert len(codes) == len(set(codes)) >= 1500
    # Every lab stands beside a lecture of its department and level.
    labs = [c for c in codes if c.endswith("L")]
    assert labs and all(c[:6] in {d[:6] for d in codes if not d.endswith("L")} for c in labs)
