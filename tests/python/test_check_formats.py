"""`jrl check`: every diagnostic of a file, in each output format, end to end
against the built CLI."""

import json
import os
import pathlib
import re
import subprocess

import pytest

from test_cli import JRL, parse_report, run, write

pytestmark = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

ROOT = pathlib.Path(__file__).resolve().parents[2]
ERRORS = ROOT / "examples" / "errors"

GOOD = 'SELECT 1 FROM CLASS(MATH 1200) : "a";\n'
# Four faulty statements among good ones: a missing ")", a zero quantity,
# an unknown department and an overlong priority, in this order of place;
# the first in order is not the one parse reports, a syntax error wins.
SEVERAL = (
    GOOD
    + 'SELECT 0 FROM CLASS(MATH 1200) : "zero";\n'
    + 'SELECT 1 FROM CLASS(MATH 1200 : "paren";\n'
    + GOOD
    + 'SELECT 1 FROM CLASS(ECOM 1200) : "dept";\n'
    + 'SELECT 1 FROM CLASS(MATH 1200) : "prio" : 70000;\n'
)
JSON_KEYS = ["file", "severity", "code", "message", "context", "line", "column",
             "end_line", "end_column", "offset", "end_offset", "report",
             "suggestions", "notes"]


def diagnostics(tmp_path, content, *args, name="f.jrl"):
    write(tmp_path, name, content)
    r = run("check", "--format=json", *args, name, cwd=tmp_path)
    return r.returncode, [json.loads(line) for line in r.stdout.decode().splitlines()]


def apply(data, edits):
    for e in sorted(edits, key=lambda e: e["offset"], reverse=True):
        data = data[:e["offset"]] + e["replacement"].encode() + data[e["end_offset"]:]
    return data


# ---- every error, in order, the first one parse's ----------------------


def test_every_statement_error_is_reported_first_the_parse_error(tmp_path):
    status, found = diagnostics(tmp_path, SEVERAL)
    assert status == 1
    assert [(d["code"], d["line"], d["column"]) for d in found] == [
        ("JRL010", 3, 30), ("JRL020", 2, 8), ("JRL033", 5, 21), ("JRL024", 6, 43)]
    assert all(list(d) == JSON_KEYS for d in found)
    # The first is exactly the error parse gives: same report text.
    assert parse_report(SEVERAL, "f.jrl") == found[0]["report"].replace(
        " --> ", " --> f.jrl:")
    zero = found[1]
    assert zero["context"] == ["failed parsing quantity"]
    assert zero["report"] == (
        "failed parsing quantity\n\nCaused by:\n     --> 2:8\n      |\n"
        '    2 | SELECT 0 FROM CLASS(MATH 1200) : "zero";\n'
        "      |        ^\n      |\n      = cannot select zero")
    # An error without a place of its own spans the number that overflows.
    prio = found[3]
    assert (prio["offset"], prio["end_offset"]) == (
        SEVERAL.index("70000"), SEVERAL.index("70000") + 5)
    assert prio["context"] == ["selection could not fit as u16"]


@pytest.mark.parametrize("name", sorted(p.stem for p in ERRORS.glob("*.jrl")))
def test_first_diagnostic_of_each_golden_file_is_the_exact_report(tmp_path, name):
    source = ERRORS / f"{name}.jrl"
    r = run("check", "--format=json", str(source))
    first = json.loads(r.stdout.decode().splitlines()[0])
    exact = parse_report(source.read_text(encoding="utf-8"), str(source))
    assert exact == first["report"].replace(" --> ", f" --> {source}:")


def test_first_diagnostic_equals_parse_over_generated_mistakes(tmp_path):
    # One character deleted at a time from a shipped programme.
    text = (ROOT / "examples" / "minor_mathematics.jrl").read_bytes()
    checked = 0
    for i in range(0, len(text), 7):
        broken = text[:i] + text[i + 1:]
        path = write(tmp_path, "m.jrl", broken)
        r = run("check", "--format=json", str(path))
        if r.returncode == 0:
            continue
        checked += 1
        first = json.loads(r.stdout.decode().splitlines()[0])
        exact = parse_report(broken.decode(), str(path))
        assert exact == first["report"].replace(" --> ", f" --> {path}:")
    assert checked > 20


@pytest.mark.parametrize(
    "content, edits",
    [
        # One character missing: the fix puts it back where it was.
        ('SELECT 1 FROM CLASS(MATH 1200) : "x"\n' + GOOD, [(36, 36, ";")]),
        ('SELECT 1 FROM CLASS(MATH 1200 : "x";\n', [(29, 29, ")")]),
        ('SELECT 1 FROM [CLASS(MATH 1200) CLASS(MATH 1300)] : "x";\n',
         [(31, 31, ",")]),
        ('SELECT 1 FROM CLASS(MATH 1200) "x";\n', [(30, 30, ":")]),
        ('SELECT 1 FROM CLASS(MATH 1200) : "x" 4;\n', [(36, 36, ":")]),
        ('SELECT 1 FROM CLASSMATH 1200) : "x";\n', [(19, 19, "(")]),
        ('SELECT 1 FROM CLASS(MATH 1200) : "x;\n', [(35, 35, '"')]),
        ('SELCT 1 FROM CLASS(MATH 1200) : "x";\n', [(0, 5, "SELECT")]),
        ('SELECT 1 FORM CLASS(MATH 1200) : "x";\n', [(9, 13, "FROM")]),
        ('LIMT 1 FROM CLASS(MATH 1200) : "x";\n', [(0, 4, "LIMIT")]),
        ('SELECT 1 FROM CLASS(math 1200) : "x";\n', [(20, 24, "MATH")]),
        # The library's own "Did you mean", as an edit.
        ('SELECT 1 FROM CLASS(MATX 1200) : "x";\n', [(20, 24, "MATH")]),
        ('SELECT 1 FROM CLAS(MATH 1200) : "x";\n', [(14, 18, "CLASS")]),
    ],
)
def test_first_suggestion_fixes_the_mistake(tmp_path, content, edits):
    status, found = diagnostics(tmp_path, content)
    assert status == 1
    first = found[0]["suggestions"][0]
    assert [(e["offset"], e["end_offset"], e["replacement"])
            for e in first["edits"]] == edits
    fixed = apply(content.encode(), first["edits"])
    assert run("check", "-", stdin=fixed).returncode == 0


def test_edits_carry_their_lines_and_columns(tmp_path):
    status, found = diagnostics(tmp_path, '// \u00e9\u00e9\nSELECT 1 FROM CLASS(MATH 1200 : "x";')
    (edit,) = found[0]["suggestions"][0]["edits"]
    assert (edit["line"], edit["column"], edit["end_line"], edit["end_column"]) == (2, 30, 2, 30)
    assert edit["offset"] == len("// \u00e9\u00e9\n".encode()) + 29


# ---- warnings ------------------------------------------------------------


@pytest.mark.parametrize(
    "content, expected",
    [
        ('SELECT 3 FROM [CLASS(MATH 1200), CLASS(MATH 1300)] : "x";',
         [("JRL201", 1, 8, "SELECT 3 is more than the 2 courses its list can give")]),
        ('SELECT 2 FROM CLASS(MATH 1200) : "x";',
         [("JRL201", 1, 8, "SELECT 2 is more than the 1 course its list can give")]),
        ('SELECT 1 FROM RANGE_TAG(MATH 3000, MATH 2000, "t") : "x";',
         [("JRL202", 1, 15, "the range ends at MATH 2000, below its start MATH 3000")]),
        ('SELECT 1 FROM RANGE(MATH 3000, CSCI 4000) : "x";',
         [("JRL203", 1, 15, "the range starts in MATH and ends in CSCI")]),
        ('SELECT 1 FROM [TAG("a"), CLASS(MATH 1200), TAG("a")] : "x";',
         [("JRL204", 1, 44, "this selector already stands in the list")]),
        ('SELECT 1 FROM SELECT 1 FROM [DIST(""), PLACEMENT("")] : "x";',
         [("JRL205", 1, 35, "the distribution is empty, so nothing can match it"),
          ("JRL205", 1, 50, "the placement is empty, so nothing can match it")]),
        ('SELECT 1 FROM DIST_DEPT("d", "") : "x";',
         [("JRL205", 1, 30, "the major code is empty, so nothing can match it")]),
        # Nothing to warn about: a range within one department, counts
        # that a list with a non-course selector may meet.
        ('SELECT 1 FROM RANGE(MATH 1000, MATH 1000) : "x";\n'
         'SELECT 3 FROM [CLASS(MATH 1200), TAG("t")] : "x";', []),
    ],
)
def test_warnings(tmp_path, content, expected):
    status, found = diagnostics(tmp_path, content)
    assert status == 0
    assert [(d["code"], d["line"], d["column"], d["message"]) for d in found] == expected
    assert all(d["severity"] == "warning" for d in found)
    # A warning never changes what parse returns.
    assert run("json", "f.jrl", cwd=tmp_path).returncode == 0


def test_duplicate_selector_notes_the_first(tmp_path):
    _, found = diagnostics(tmp_path, 'SELECT 1 FROM [TAG("a"),\n  TAG("a")] : "x";')
    assert found[0]["notes"] == [{"message": "first written here", "line": 1, "column": 16}]


@pytest.mark.parametrize("mode, status, count", [("show", 0, 1), ("error", 1, 1),
                                                 ("ignore", 0, 0)])
def test_warnings_option(tmp_path, mode, status, count):
    got, found = diagnostics(tmp_path, 'SELECT 1 FROM TAG("") : "x";',
                             f"--warnings={mode}")
    assert (got, len(found)) == (status, count)


# ---- formats ---------------------------------------------------------------


def test_text_format(tmp_path):
    write(tmp_path, "f.jrl", 'SELECT 1 FROM CLASS(MATX 1200) : "x";\nSELECT 1 FROM TAG("") : "y";\n')
    r = run("check", "f.jrl", cwd=tmp_path)
    assert r.returncode == 1
    assert r.stdout == b""
    assert r.stderr.decode() == (
        "error[JRL033]: this department does not exist in Wexmoor's course "
        "catalog (Did you mean: MATH)\n"
        "failed parsing selector\n\nCaused by:\n"
        "     --> f.jrl:1:21\n      |\n"
        '    1 | SELECT 1 FROM CLASS(MATX 1200) : "x";\n'
        "      |                     ^--^\n      |\n"
        "      = this department does not exist in Wexmoor's course catalog "
        "(Did you mean: MATH)\n"
        "help: replace `MATX` with `MATH` (1:21)\n"
        "\n1 error, 0 warnings in 1 file checked\n")


def test_text_format_without_place_names_it(tmp_path):
    write(tmp_path, "f.jrl", 'SELECT 1 FROM TAG("a") : "x" : 65536;\n')
    r = run("check", "f.jrl", cwd=tmp_path)
    assert r.stderr.decode().splitlines()[:3] == [
        "error[JRL024]: a priority is a whole number from 0 to 65535",
        " --> f.jrl:1:32",
        "  |",
    ]
    # The exact report follows, its place named though it has none.
    assert "note: the parser reports:\n --> f.jrl:1:32\nselection could not fit as u16\n" in r.stderr.decode()


def test_short_format(tmp_path):
    write(tmp_path, "f.jrl", SEVERAL)
    r = run("check", "--format=short", "f.jrl", "missing.jrl", cwd=tmp_path)
    assert r.returncode == 2
    assert r.stdout.decode() == (
        "f.jrl:3:30: error[JRL010]: missing `)` to close `CLASS(`\n"
        "f.jrl:2:8: error[JRL020]: cannot select zero\n"
        "f.jrl:5:21: error[JRL033]: this department does not exist in "
        "Wexmoor's course catalog (Did you mean: ECON)\n"
        "f.jrl:6:43: error[JRL024]: a priority is a whole number from 0 to 65535\n"
        "missing.jrl: error[JRL100]: cannot read missing.jrl: No such file or directory\n")


def test_json_format_unreadable_file_is_one_object(tmp_path):
    r = run("check", "--format=json", "missing.jrl", cwd=tmp_path)
    assert r.returncode == 2
    (obj,) = [json.loads(line) for line in r.stdout.decode().splitlines()]
    assert list(obj) == JSON_KEYS
    assert obj["code"] == "JRL100" and obj["line"] is None and obj["report"] is None


def test_github_format(tmp_path):
    write(tmp_path, "a,b.jrl", 'SELECT 0 FROM TAG("a") : "x";\nSELECT 1 FROM TAG("") : "y";\n')
    r = run("check", "--format=github", "--warnings=show", "a,b.jrl", cwd=tmp_path)
    assert r.returncode == 1
    assert r.stdout.decode() == (
        "::error file=a%2Cb.jrl,line=1,col=8,endLine=1,endColumn=9,"
        "title=JRL020::cannot select zero\n")
    write(tmp_path, "w.jrl", 'SELECT 1 FROM TAG("") : "y";\n')
    r = run("check", "--format=github", "w.jrl", cwd=tmp_path)
    assert r.stdout.decode() == (
        "::warning file=w.jrl,line=1,col=19,endLine=1,endColumn=21,"
        "title=JRL205::the tag is empty, so nothing can match it\n")


@pytest.mark.parametrize("options", [["--format=short"], ["--format=github"],
                                     ["--format=text", "--verbose"]])
def test_line_formats_keep_names_and_messages_on_their_line(tmp_path, options):
    # A name that would forge a workflow command and colour the terminal, a
    # failing file, a good one and a missing one (the name in the message).
    forged = "x\n::error file=README.md::forged\x1b[31m"
    write(tmp_path, forged + "0.jrl", 'SELECT 0 FROM TAG("a") : "x";')
    write(tmp_path, forged + "1.jrl", GOOD)
    r = run("check", *options, forged + "0.jrl", forged + "1.jrl", forged + "2.jrl",
            cwd=tmp_path)
    lines = r.stdout.decode().splitlines()
    assert "\x1b" not in r.stdout.decode()
    assert all(line.startswith(("x\u240a::error", "::error file=x")) for line in lines)
    assert len(lines) == (1 if "--verbose" in options else 2)


# The SARIF object model: which class each property of a class holds.
SARIF_CHILDREN = {
    ("SarifLog", "runs"): "Run", ("Run", "tool"): "Tool",
    ("Tool", "driver"): "ToolComponent", ("ToolComponent", "rules"): "ReportingDescriptor",
    ("ReportingDescriptor", "shortDescription"): "MultiformatMessageString",
    ("ReportingDescriptor", "defaultConfiguration"): "ReportingConfiguration",
    ("Run", "results"): "Result", ("Result", "message"): "Message",
    ("Result", "locations"): "Location", ("Result", "relatedLocations"): "Location",
    ("Location", "message"): "Message", ("Location", "physicalLocation"): "PhysicalLocation",
    ("PhysicalLocation", "artifactLocation"): "ArtifactLocation",
    ("PhysicalLocation", "region"): "Region", ("Result", "fixes"): "Fix",
    ("Fix", "description"): "Message", ("Fix", "artifactChanges"): "ArtifactChange",
    ("ArtifactChange", "artifactLocation"): "ArtifactLocation",
    ("ArtifactChange", "replacements"): "Replacement",
    ("Replacement", "deletedRegion"): "Region",
    ("Replacement", "insertedContent"): "ArtifactContent",
}


def build_sarif_object(sarif_om, attr, cls, data):
    """The SARIF object model's object for `data`: fails on a property the
    class does not have, or on one it requires that is missing."""
    klass = getattr(sarif_om, cls)
    names = {f.metadata["schema_property_name"]: f.name for f in attr.fields(klass)}
    kwargs = {}
    for key, value in data.items():
        assert key in names, f"{cls} has no property {key}"
        child = SARIF_CHILDREN.get((cls, key))
        if child and isinstance(value, list):
            value = [build_sarif_object(sarif_om, attr, child, v) for v in value]
        elif child:
            value = build_sarif_object(sarif_om, attr, child, value)
        kwargs[names[key]] = value
    return klass(**kwargs)


def test_sarif_format_reads_as_a_sarif_log(tmp_path):
    sarif_om = pytest.importorskip("sarif_om")
    attr = pytest.importorskip("attr")
    loader = pytest.importorskip("sarif.loader")
    write(tmp_path, "f.jrl", SEVERAL)
    write(tmp_path, "w.jrl", 'SELECT 1 FROM [TAG("a"), TAG("a")] : "x";\n')
    r = run("check", "--format=sarif", "f.jrl", "w.jrl", cwd=tmp_path)
    assert r.returncode == 1
    log = json.loads(r.stdout)
    build_sarif_object(sarif_om, attr, "SarifLog", log)
    assert log["version"] == "2.1.0"
    run0 = log["runs"][0]
    assert run0["columnKind"] == "unicodeCodePoints"
    rules = [rule["id"] for rule in run0["tool"]["driver"]["rules"]]
    assert rules == sorted(rules) and "JRL010" in rules
    for result in run0["results"]:
        assert rules[result["ruleIndex"]] == result["ruleId"]
        assert result["level"] in ("error", "warning")
    # A SARIF reader sees the results where they are.
    path = tmp_path / "out.sarif"
    path.write_bytes(r.stdout)
    sarif = loader.load_sarif_file(str(path))
    assert sarif.get_result_count() == 5
    assert sarif.get_distinct_tool_names() == ["jrl"]
    records = sarif.get_records()
    assert [(rec["Location"], rec["Line"]) for rec in records][:2] == [
        ("f.jrl", 3), ("f.jrl", 2)]
    fix = run0["results"][0]["fixes"][0]["artifactChanges"][0]["replacements"][0]
    assert fix["insertedContent"] == {"text": ")"}
    assert fix["deletedRegion"]["byteLength"] == 0


# ---- paths, standard input, byte-order mark -----------------------------


def test_directories_mean_every_jrl_file_below_sorted(tmp_path):
    write(tmp_path, "b.jrl", 'SELECT 0 FROM TAG("a") : "x";')
    (tmp_path / "sub").mkdir()
    write(tmp_path / "sub", "a.jrl", 'SELECT 0 FROM TAG("a") : "x";')
    write(tmp_path / "sub", "c.txt", "not checked")
    write(tmp_path, "a.jrl", GOOD)
    r = run("check", "--format=short", "--verbose", ".", cwd=tmp_path)
    assert r.returncode == 1
    lines = r.stdout.decode().splitlines()
    assert lines == ["./a.jrl: ok (1 requirement)",
                     "./b.jrl:1:8: error[JRL020]: cannot select zero",
                     "./sub/a.jrl:1:8: error[JRL020]: cannot select zero"]
    r = run("check", str(tmp_path / "sub" / "none"), cwd=tmp_path)
    assert r.returncode == 2


def test_stdin_filename(tmp_path):
    r = run("check", "--format=short", "--stdin-filename", "req/x.jrl", "-",
            stdin=b'SELECT 0 FROM TAG("a") : "x";')
    assert r.stdout.decode() == "req/x.jrl:1:8: error[JRL020]: cannot select zero\n"
    r = run("json", "--stdin-filename=x", "-", stdin=b"")
    assert r.returncode == 2


def test_byte_order_mark_is_skipped(tmp_path):
    bom = b"\xef\xbb\xbf"
    _, found = diagnostics(tmp_path, bom + b'SELECT 0 FROM TAG("a") : "x";')
    d = found[0]
    # Columns count from after the mark; offsets count it, so edits apply
    # to the file as it is.
    assert (d["line"], d["column"], d["offset"]) == (1, 8, 10)
    _, found = diagnostics(tmp_path, bom + b'SELECT 1 FROM TAG("a") : "x"')
    (edit,) = found[0]["suggestions"][0]["edits"]
    fixed = apply(bom + b'SELECT 1 FROM TAG("a") : "x"', [edit])
    assert fixed == bom + b'SELECT 1 FROM TAG("a") : "x";'
    assert edit["column"] == 29
    write(tmp_path, "b.jrl", bom + GOOD.encode())
    assert run("check", "b.jrl", cwd=tmp_path).returncode == 0
    assert run("json", "b.jrl", cwd=tmp_path).returncode == 0


def test_many_errors_are_capped(tmp_path):
    content = 'SELECT 0 FROM TAG("a") : "x";\n' * 500
    status, found = diagnostics(tmp_path, content)
    assert status == 1 and len(found) == 200


# ---- explain ----------------------------------------------------------------


def test_explain_prints_each_codes_section():
    r = run("explain", "JRL010", "jrl033")
    assert r.returncode == 0
    out = r.stdout.decode()
    assert out.startswith("## JRL010: syntax-error\n")
    assert "\n## JRL033: unknown-department\n" in out
    assert out.count("\n## ") == 1


@pytest.mark.parametrize("args", [["explain", "JRL999"], ["explain", "E0001"]])
def test_explain_unknown_code(args):
    r = run(*args)
    assert r.returncode == 2
    assert b"unknown diagnostic code" in r.stderr


def test_every_code_is_documented():
    doc = (ROOT / "docs" / "diagnostics.md").read_text()
    documented = re.findall(r"^## (JRL\d{3}): ", doc, re.M)
    sarif = json.loads(run("check", "--format=sarif", "-", stdin=b"").stdout)
    codes = [rule["id"] for rule in sarif["runs"][0]["tool"]["driver"]["rules"]]
    assert documented == codes


# ---- display width ------------------------------------------------------------


def test_carets_align_by_display_width_on_a_terminal(tmp_path):
    pty = pytest.importorskip("pty")
    # Two wide characters and a combining mark before the mistake.
    write(tmp_path, "w.jrl", 'SELECT 1 FROM TAG("\u6570\u5b66e\u0301", MATX 1200) : "x";')
    primary, secondary = pty.openpty()
    env = {k: v for k, v in os.environ.items() if k != "NO_COLOR"}
    proc = subprocess.run([JRL, "check", "--color=never", "w.jrl"], cwd=tmp_path,
                          env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=secondary)
    os.close(secondary)
    data = os.read(primary, 65536).decode().replace("\r\n", "\n")
    os.close(primary)
    assert proc.returncode == 1
    lines = data.splitlines()
    source = next(i for i, line in enumerate(lines) if "1 | SELECT" in line)
    # 26 characters before the mark; two take two cells, one none: 27.
    assert lines[source + 1] == "      | " + " " * 27 + "^--^"
    # In a pipe the exact report stays, one blank per character.
    r = run("check", "w.jrl", cwd=tmp_path)
    assert "\n      | " + " " * 26 + "^--^\n" in r.stderr.decode()


# ---- docs/diagnostics.md ----------------------------------------------------


FENCE = re.compile(r"^```([\w-]*)\n(.*?)^```\n", re.S | re.M)


def doc_cases():
    blocks = [(m.group(1), m.group(2))
              for m in FENCE.finditer((ROOT / "docs" / "diagnostics.md").read_text())]
    cases = []
    for i, (lang, body) in enumerate(blocks):
        if lang in ("jrl-error", "jrl-warning"):
            assert blocks[i + 1][0] == "text"
            cases.append(pytest.param(lang, body, blocks[i + 1][1], id=f"block{i}"))
        elif lang == "jrl":
            cases.append(pytest.param(lang, body, "", id=f"block{i}"))
    return cases


def test_diagnostics_doc_has_examples():
    langs = [c.values[0] for c in doc_cases()]
    assert langs.count("jrl-error") >= 15 and langs.count("jrl-warning") == 5


@pytest.mark.parametrize("lang, source, expected", doc_cases())
def test_diagnostics_doc_example_reports_as_shown(tmp_path, lang, source, expected):
    write(tmp_path, "example.jrl", source)
    r = run("check", "--color=never", "example.jrl", cwd=tmp_path)
    assert r.returncode == (1 if lang == "jrl-error" else 0)
    assert r.stderr.decode() == expected
