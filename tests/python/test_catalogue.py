"""jrl.Catalogue from Python: loading, its records, what requirements and
selectors select, and the errors of a bad catalogue."""

import json
import pathlib

import pytest

import jrl

ROOT = pathlib.Path(__file__).resolve().parents[2]
SHIPPED = ROOT / "examples" / "catalogue" / "wexmoor.json"


@pytest.fixture(scope="module")
def wexmoor():
    return jrl.Catalogue.load(SHIPPED)


def test_records_carry_every_field_of_the_file(wexmoor):
    doc = json.loads(SHIPPED.read_text(encoding="utf-8"))
    assert wexmoor.name == doc["name"]
    assert wexmoor.placements == tuple(doc["placements"])
    assert wexmoor.programme_codes == tuple(doc["programme_codes"])
    assert len(wexmoor.courses) == len(doc["courses"])
    for record, entry in zip(wexmoor.courses, doc["courses"]):
        assert record.code == entry["course"]
        assert (record.department, record.number, record.lab) == (
            entry["course"][:4], int(entry["course"][5:9]), entry["course"].endswith("L"))
        assert (record.title, record.credits) == (entry.get("title", ""), entry.get("credits", 0))
        assert record.tags == tuple(entry.get("tags", ()))
        assert record.distributions == tuple(entry.get("distributions", ()))
        assert record.programme_tags == {k: tuple(v) for k, v in entry.get("programme_tags", {}).items()}
        assert record.programme_distributions == {
            k: tuple(v) for k, v in entry.get("programme_distributions", {}).items()}


def test_a_requirement_selects_what_its_selectors_select(wexmoor):
    programme = jrl.load(ROOT / "examples" / "bs_physics.jrl")
    for requirement in programme.requirements:
        whole = wexmoor.courses_for(requirement)
        parts = {c.code for s in requirement.query.selectors for c in wexmoor.courses_for(s)}
        assert {c.code for c in whole} == parts
        assert list(whole) == sorted(whole, key=wexmoor.courses.index)
    lab = wexmoor.courses_for(jrl.Class(jrl.Course("PHYS", 1100, lab=True)))
    assert [(c.code, c.title) for c in lab] == [("PHYS 1100L", "Physics I Laboratory")]
    assert wexmoor.courses_for(jrl.Placement("MATHCALC2")) == ()
    with pytest.raises(TypeError):
        wexmoor.courses_for("CLASS(PHYS 1100)")


@pytest.mark.parametrize("text, entry, course, field, message", [
    ('{"courses": [{"course": "PHYS 1100", "credits": "4"}]}', 0, "PHYS 1100", "credits",
     'courses[0] (PHYS 1100): "credits": expected a number, found a string'),
    ('{"courses": [{"course": "PHYS 1100"}, {"course": "PHYS 1100"}]}', 1, "PHYS 1100", "course",
     'courses[1] (PHYS 1100): "course": the same course as courses[0]'),
    ('{"courses": 3}', None, "", "courses", '"courses": expected a list of courses, found a number'),
])
def test_errors_name_file_entry_and_field(tmp_path, text, entry, course, field, message):
    path = tmp_path / "bad.json"
    path.write_text(text, encoding="utf-8")
    with pytest.raises(jrl.CatalogueError) as caught:
        jrl.Catalogue.load(path)
    e = caught.value
    assert (e.file, e.entry, e.course, e.field) == (str(path), entry, course, field)
    assert str(e) == f"{path}: {message}"
    with pytest.raises(jrl.CatalogueError, match="cannot read the file"):
        jrl.Catalogue.load(tmp_path / "missing.json")


def test_the_schema_ships_in_the_package():
    from importlib import resources

    shipped = resources.files("jrl") / "schemas" / "catalogue.schema.json"
    assert shipped.read_text(encoding="utf-8") == (ROOT / "docs" / "catalogue.schema.json").read_text(encoding="utf-8")
