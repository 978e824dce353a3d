"""The jrl command-line tool, run as a subprocess.

The binary is taken from $JRL_CLI, else from the running interpreter's
scripts directory or PATH (the wheel installs it there).
"""

import importlib.metadata
import json
import os
import pathlib
import re
import shutil
import subprocess
import sysconfig

import pytest

import pylibjrl

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
ERRORS = EXAMPLES / "errors"
GUIDE = ROOT / "docs" / "language.md"



def find_jrl():
    if os.environ.get("JRL_CLI"):
        return os.environ["JRL_CLI"]
    beside = pathlib.Path(sysconfig.get_path("scripts")) / "jrl"
    return str(beside) if beside.exists() else shutil.which("jrl")


JRL = find_jrl()
pytestmark = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

ZERO = 'SELECT 0 FROM CLASS(MATH 1200) : "Calculus";\n'
GOOD = 'SELECT 1 FROM CLASS(MATH 1200) : "Calculus";\n'


def run(*args, stdin=None, cwd=None, env=None):
    full_env = {k: v for k, v in os.environ.items() if k != "NO_COLOR"}
    full_env.update(env or {})
    return subprocess.run(
        [JRL, *args],
        input=stdin,
        cwd=cwd,
        env=full_env,
        capture_output=True,
    )


# The closing count of `jrl check` on one file with one error.
ONE_ERROR = "\n1 error, 0 warnings in 1 file checked\n"


def parse_report(text, name):
    """The parser's exact report of `text` with `name` in its headers, as
    every report of jrl shows it."""
    with pytest.raises(ValueError) as failure:
        pylibjrl.parse(text)
    return str(failure.value).replace(" --> ", f" --> {name}:")


def write(tmp_path, name, content):
    path = tmp_path / name
    path.write_bytes(content.encode() if isinstance(content, str) else content)
    return path


# ---- check --------------------------------------------------------------


def test_check_examples_are_all_accepted_silently():
    files = sorted(EXAMPLES.glob("*.jrl"))
    assert len(files) >= 3
    r = run("check", *map(str, files))
    assert (r.returncode, r.stdout, r.stderr) == (0, b"", b"")


def test_check_verbose_names_good_files(tmp_path):
    write(tmp_path, "a.jrl", GOOD + GOOD)
    write(tmp_path, "empty.jrl", "// nothing yet\n")
    r = run("check", "--verbose", "a.jrl", "empty.jrl", cwd=tmp_path)
    assert r.returncode == 0
    assert r.stdout == b"a.jrl: ok (2 requirements)\nempty.jrl: ok (0 requirements)\n"
    assert r.stderr == b""


ZERO_REPORT = (
    "failed parsing quantity\n"
    "\n"
    "Caused by:\n"
    "     --> zero.jrl:1:8\n"
    "      |\n"
    '    1 | SELECT 0 FROM CLASS(MATH 1200) : "Calculus";\n'
    "      |        ^\n"
    "      |\n"
    "      = cannot select zero\n"
)


def test_check_reports_failure_with_file_in_header(tmp_path):
    write(tmp_path, "zero.jrl", ZERO)
    r = run("check", "zero.jrl", cwd=tmp_path)
    assert r.returncode == 1
    assert r.stdout == b""
    assert r.stderr.decode() == (
        "error[JRL020]: cannot select zero\n" + ZERO_REPORT +
        "\n1 error, 0 warnings in 1 file checked\n")


def test_print_commands_report_the_exact_chain(tmp_path):
    write(tmp_path, "zero.jrl", ZERO)
    # Under check's headline, without its closing count.
    for args in (["json"], ["json", "--pretty"], ["debug"]):
        r = run(*args, "zero.jrl", cwd=tmp_path)
        assert (r.returncode, r.stdout) == (1, b""), args
        assert r.stderr.decode() == "error[JRL020]: cannot select zero\n" + ZERO_REPORT


def test_check_reads_standard_input():
    r = run("check", "-", stdin=b'SELECT 1 FROM CLASS(MATH 1200) : "y"')
    assert r.returncode == 1
    assert r.stderr.decode().splitlines()[:2] == [
        "error[JRL010]: missing `;` after this requirement",
        " --> <stdin>:1:37",
    ]
    assert run("check", "-", stdin=GOOD.encode()).returncode == 0


def test_check_several_files_reports_each_failure_and_keeps_going(tmp_path):
    write(tmp_path, "good.jrl", GOOD)
    write(tmp_path, "bad1.jrl", ZERO)
    write(tmp_path, "bad2.jrl", 'SELECT 1 FROM CLASS(MATX 1200) : "x";')
    r = run("check", "bad1.jrl", "good.jrl", "bad2.jrl", cwd=tmp_path)
    assert r.returncode == 1
    err = r.stderr.decode()
    assert re.findall(r"^(?:error|warning)\[.*$", err, re.M) == [
        "error[JRL020]: cannot select zero",
        "error[JRL033]: this department does not exist in Wexmoor's course "
        "catalog (Did you mean: MATH)",
    ]
    # A blank line sets the two reports apart.
    assert "= cannot select zero\n\nerror[JRL033]" in err
    assert err.endswith("\n\n2 errors, 0 warnings in 3 files checked\n")


@pytest.mark.parametrize(
    "args, status, message",
    [
        (["check", "missing.jrl"], 2,
         "error[JRL100]: cannot read missing.jrl: No such file or directory\n"
         "\n1 error, 0 warnings in 1 file checked\n"),
        (["json", "missing.jrl"], 2,
         "error: cannot read missing.jrl: No such file or directory\n"),
        ([], 2, "jrl: no command given\nTry 'jrl --help' for more information.\n"),
        (["check"], 2, "jrl: 'jrl check' needs a file (use - for standard input)\n"
                       "Try 'jrl --help' for more information.\n"),
        (["lint", "a.jrl"], 2, "jrl: unknown command 'lint'\n"
                               "Try 'jrl --help' for more information.\n"),
        (["check", "--strict", "a.jrl"], 2, "jrl: unknown option '--strict'\n"
                                            "Try 'jrl --help' for more information.\n"),
        (["check", "--color=blue", "a.jrl"], 2,
         "jrl: invalid value 'blue' for '--color' (expected auto, always or never)\n"
         "Try 'jrl --help' for more information.\n"),
        (["check", "--format=xml", "a.jrl"], 2,
         "jrl: invalid value 'xml' for '--format' (expected text, short, json, "
         "github or sarif)\n"
         "Try 'jrl --help' for more information.\n"),
        (["check", "--format"], 2, "jrl: option '--format' needs a value\n"
                                   "Try 'jrl --help' for more information.\n"),
        (["json", "a.jrl", "b.jrl"], 2, "jrl: 'jrl json' takes exactly one file\n"
                                        "Try 'jrl --help' for more information.\n"),
        (["check", "--pretty", "a.jrl"], 2,
         "jrl: option '--pretty' only applies to 'jrl json'\n"
         "Try 'jrl --help' for more information.\n"),
        (["debug", "--format=json", "a.jrl"], 2,
         "jrl: option '--format' only applies to 'jrl check'\n"
         "Try 'jrl --help' for more information.\n"),
        *[(["check", f"--jobs={value}", "a.jrl"], 2,
           f"jrl: invalid value '{value}' for '--jobs' (expected a number "
           "from 1 to 256)\nTry 'jrl --help' for more information.\n")
          for value in ["0", "257", "-1", "2x", "", " 2", "99999999999"]],
        (["check", "--jobs"], 2, "jrl: option '--jobs' needs a value\n"
                                 "Try 'jrl --help' for more information.\n"),
        (["json", "--jobs=2", "a.jrl"], 2,
         "jrl: option '--jobs' only applies to 'jrl check'\n"
         "Try 'jrl --help' for more information.\n"),
    ],
)
def test_usage_and_read_errors(tmp_path, args, status, message):
    r = run(*args, cwd=tmp_path)
    assert (r.returncode, r.stdout, r.stderr.decode()) == (status, b"", message)


@pytest.mark.parametrize("options", [
    ["--format=text", "--color=always"], ["--format=short"],
    ["--format=json", "--verbose"], ["--format=github"], ["--format=sarif"],
    ["--warnings=error", "--verbose"],
])
def test_check_on_several_threads_prints_what_one_thread_prints(tmp_path,
                                                               options):
    # Good, failing, warning and unreadable files, a directory and standard
    # input, in an order that no sort would give, and more files than threads.
    contents = [GOOD, ZERO, 'SELECT 1 FROM CLASS(MATX 1200) : "x";',
                GOOD + GOOD, "SELECT 1 FROM [CLASS(MATH 1200), " * 40, ""]
    names = []
    for i in range(60):
        name = f"{(i * 37) % 60:02d}.jrl"
        write(tmp_path, name, contents[i % len(contents)])
        names.append(name)
    (tmp_path / "dir").mkdir()
    for i in range(5):
        write(tmp_path / "dir", f"{i}.jrl", contents[i])
    args = ["check", *options, *names[:30], "missing.jrl", "dir", "-",
            *names[30:]]
    one = run(*args, "--jobs=1", stdin=ZERO.encode(), cwd=tmp_path)
    assert one.returncode == 2 and (one.stdout or one.stderr)
    for jobs in ["2", "3", "16"]:
        many = run(*args, f"--jobs={jobs}", stdin=ZERO.encode(), cwd=tmp_path)
        assert (many.returncode, many.stdout, many.stderr) == (
            one.returncode, one.stdout, one.stderr), jobs
    # The default (one thread per core) too.
    default = run(*args, stdin=ZERO.encode(), cwd=tmp_path)
    assert (default.stdout, default.stderr) == (one.stdout, one.stderr)


def test_unreadable_file_does_not_stop_the_others(tmp_path):
    write(tmp_path, "bad.jrl", ZERO)
    r = run("check", "missing.jrl", "bad.jrl", cwd=tmp_path)
    assert r.returncode == 2
    assert "cannot read missing.jrl" in r.stderr.decode()
    assert "error[JRL020]: cannot select zero" in r.stderr.decode()


def test_versions_agree():
    # One release number everywhere: the project's declared version, the
    # package metadata, the tool and the version stored in a parsed file.
    declared = re.search(
        r"^project\(libjrl VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text(), re.M
    ).group(1)
    assert importlib.metadata.version("pylibjrl") == declared
    assert run("--version").stdout == f"jrl {declared}\n".encode()
    assert pylibjrl.parse("").version() == declared
    assert json.loads(pylibjrl.parse("").json())["version"] == declared


# ---- reading with a limit, out of memory ---------------------------------

MEMORY_LIMIT = 200 * 1024 * 1024


def run_limited(*args, stdin=None, cwd=None):
    """Runs jrl with its address space limited to MEMORY_LIMIT bytes."""
    import resource

    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (MEMORY_LIMIT, MEMORY_LIMIT))

    return subprocess.run(
        [JRL, *args], stdin=stdin, cwd=cwd, capture_output=True, preexec_fn=limit
    )


def test_regular_file_of_4_gib_is_refused_before_reading(tmp_path):
    # Sparse files: the size alone decides, so the limited address space
    # (far below 4 GiB) is never touched by reading.
    too_large = tmp_path / "large.jrl"
    with open(too_large, "wb") as f:
        f.truncate(4 << 30)
    message = "cannot read large.jrl: input larger than 4 GiB is not supported\n"
    r = run_limited("json", "large.jrl", cwd=tmp_path)
    assert (r.returncode, r.stdout, r.stderr.decode()) == (2, b"", "error: " + message)
    r = run_limited("check", "large.jrl", cwd=tmp_path)
    assert (r.returncode, r.stdout, r.stderr.decode()) == (
        2, b"", "error[JRL100]: " + message + "\n1 error, 0 warnings in 1 file checked\n"
    )


@pytest.mark.parametrize("command", ["check", "json"])
def test_endless_input_under_a_memory_limit_is_a_read_error(command):
    for args, stdin, name in (
        (["/dev/zero"], None, "/dev/zero"),
        (["-"], "/dev/zero", "<stdin>"),
    ):
        with open(stdin or os.devnull, "rb") as source:
            r = run_limited(command, *args, stdin=source)
        label = "error[JRL100]" if command == "check" else "error"
        assert (r.returncode, r.stdout) == (2, b"")
        assert r.stderr.decode().startswith(f"{label}: cannot read {name}: out of memory\n")


def test_out_of_memory_while_parsing_is_a_message_not_an_abort(tmp_path):
    # 30 MB of statements: checked and printed without a model, they fit.
    statement = 'SELECT 1 FROM [CLASS(MATH 1200), TAG("x")] : "x";\n'
    write(tmp_path, "many.jrl", statement * 600000)
    # One list of 1.5 million items, 14 MB: below the size from which the
    # print commands drop each requirement once written, and its one
    # statement's tree and model do not fit (nor, for check, the tree its
    # warnings are looked for in).
    write(tmp_path, "list.jrl",
          'SELECT 1 FROM [' + ", ".join(['TAG("x")'] * 1500000) + '] : "x";\n')
    # check keeps no model; --verbose parses again for the count, on a
    # worker thread with --jobs.
    for command in (["check", "--verbose", "list.jrl"],
                    ["check", "--verbose", "--jobs=2", "list.jrl", "list.jrl"],
                    ["json", "list.jrl"], ["debug", "list.jrl"]):
        r = run_limited(*command, cwd=tmp_path)
        assert (r.returncode, r.stdout, r.stderr.decode()) == (
            2, b"", "jrl: out of memory\n"
        ), command
    # Without a model, checking and printing a large file fit.
    r = run_limited("check", "many.jrl", cwd=tmp_path)
    assert (r.returncode, r.stdout, r.stderr) == (0, b"", b"")
    r = run_limited("json", "many.jrl", cwd=tmp_path)
    assert (r.returncode, len(r.stdout), r.stderr) == (0, 105600037, b"")


def test_large_files_print_what_the_parsed_model_gives(tmp_path):
    # From 16 MiB on, the print commands check the file, then write each
    # requirement as it is built: the bytes must be those of the model.
    statement = ('SELECT 1-2 FROM [CLASS(MATH 1200L), TAG("caf\u00e9 ""x"""), '
                 'SELECT 1 FROM RANGE_TAG(MATH 1000, MATH 1999, "T")] : "d" : 3;\n')
    text = "// large\n" + statement * (17 * 2**20 // len(statement))
    assert len(text.encode()) >= 16 * 2**20
    write(tmp_path, "big.jrl", text)
    parsed = pylibjrl.parse(text)
    for args, expected in ((["json"], parsed.json()),
                           (["json", "--pretty"], parsed.json_pretty()),
                           (["debug"], str(parsed))):
        r = run(*args, "big.jrl", cwd=tmp_path)
        assert (r.returncode, r.stderr) == (0, b""), args
        assert r.stdout.decode() == expected + "\n", args
    # A fault in the last statement: nothing on standard output, and the
    # exact report of parse.
    bad = text + 'SELECT 1 FROM CLASS(MATX 1200) : "d";\n'
    write(tmp_path, "bad.jrl", bad)
    report = parse_report(bad, "bad.jrl")
    for args in (["json"], ["debug"]):
        r = run(*args, "bad.jrl", cwd=tmp_path)
        assert (r.returncode, r.stdout) == (1, b""), args
        err = r.stderr.decode()
        assert err.startswith("error[JRL033]: ") and report + "\n" in err, args


# ---- terminal safety and bounded reports -----------------------------------


@pytest.mark.parametrize(
    "content, report",
    [
        # C0 controls and DEL as control pictures, one column each.
        (b'SELECT 0 FROM CLASS(MATH 1200) : "\x1b]0;t\x07\x7f";\n',
         "failed parsing quantity\n\nCaused by:\n"
         "     --> f.jrl:1:8\n      |\n"
         '    1 | SELECT 0 FROM CLASS(MATH 1200) : "\u241b]0;t\u2407\u2421";\n'
         "      |        ^\n      |\n      = cannot select zero\n"),
        # A C1 control takes six columns; the marks over it widen to match.
        (b'SELECT 1 FROM CLASS("\xc2\x9bx") : "y";\n',
         "failed parsing selector\n\nCaused by:\n"
         "     --> f.jrl:1:15\n      |\n"
         '    1 | SELECT 1 FROM CLASS("\\u{9b}x") : "y";\n'
         "      |               ^--------------^\n      |\n"
         "      = CLASS function must take one <CLASS> argument of the form "
         "`DEPARTMENT_ID CLASS_ID`\n"),
        # A long line is cut after 100 columns ...
        (b'SELECT 0 FROM CLASS(MATH 1200) : "' + b"d" * 300 + b'";\n',
         "failed parsing quantity\n\nCaused by:\n"
         "     --> f.jrl:1:8\n      |\n"
         '    1 | SELECT 0 FROM CLASS(MATH 1200) : "' + "d" * 65 + "\u2026\n"
         "      |        ^\n      |\n      = cannot select zero\n"),
        # ... and on both sides when the caret is far into it.
        (b'SELECT 1 FROM [TAG("' + b"a" * 300
         + b'"), SELECT 0 FROM CLASS(MATH 1200)] : "' + b"b" * 200 + b'";\n',
         "failed parsing selector\n\nCaused by:\n"
         "    0: could not parse nested query\n    1: failed parsing quantity\n"
         "    2:  --> f.jrl:1:332\n         |\n"
         "       1 | \u2026" + "a" * 29
         + '"), SELECT 0 FROM CLASS(MATH 1200)] : "' + "b" * 30 + "\u2026\n"
         "         |" + " " * 42 + "^\n         |\n"
         "         = cannot select zero\n"),
    ],
)
def test_text_reports_are_safe_and_short_for_a_terminal(tmp_path, content, report):
    write(tmp_path, "f.jrl", content)
    # check shows it under its headline, and json as check does.
    check = run("check", "f.jrl", cwd=tmp_path)
    assert check.returncode == 1
    assert report in check.stderr.decode()
    r = run("json", "f.jrl", cwd=tmp_path)
    assert (r.returncode, r.stderr.decode() + ONE_ERROR) == (1, check.stderr.decode())


def test_control_characters_in_file_names_are_escaped(tmp_path):
    name = "n\x1b[2Jame.jrl"
    write(tmp_path, name, 'SELECT 0 FROM CLASS(MATH 1200) : "x";')
    r = run("check", "--verbose", name, "miss\x07ing.jrl", cwd=tmp_path)
    err = r.stderr.decode()
    assert "\x1b" not in err and "\x07" not in err
    assert err.startswith("error[JRL020]: cannot select zero\n")
    assert " --> n\u241b[2Jame.jrl:1:8\n" in err
    assert "error[JRL100]: cannot read miss\u2407ing.jrl: " in err
    write(tmp_path, name, 'SELECT 1 FROM CLASS(MATH 1200) : "x";')
    r = run("check", "--verbose", name, cwd=tmp_path)
    assert r.stdout.decode() == "n\u241b[2Jame.jrl: ok (1 requirement)\n"


def test_report_of_a_10_mb_line_stays_small(tmp_path):
    write(tmp_path, "f.jrl", "SELECT 1 FROM " + "X" * (10 << 20) + "(MATH 1200) : \"x\";")
    r = run("check", "f.jrl", cwd=tmp_path)
    assert r.returncode == 1
    assert len(r.stderr) < 2000
    assert "(Did you mean: " in r.stderr.decode()


def test_python_reports_keep_the_raw_text():
    import pylibjrl

    with pytest.raises(ValueError) as info:
        pylibjrl.parse('SELECT 0 FROM CLASS(MATH 1200) : "\x1b\x07' + "d" * 300 + '";')
    assert '"\x1b\x07' + "d" * 300 + '";' in str(info.value)


def test_version_and_help():
    r = run("--version")
    assert (r.returncode, r.stdout) == (0, b"jrl 0.1.6\n")
    r = run("--help")
    assert r.returncode == 0
    assert r.stdout.startswith(b"Usage: jrl <command> [options] FILE...\n")


# ---- UTF-8 --------------------------------------------------------------


def utf8_report(line, column, source, marks):
    gutter = " " * len(str(line))
    return (f"error[JRL001]: input is not valid UTF-8\n{gutter}--> bad.jrl:{line}:{column}\n"
            f"{gutter} |\n{line} | {source}\n{gutter} | {marks}^---\n{gutter} |\n"
            f"{gutter} = input is not valid UTF-8\n")


# The library reports the first ill-formed byte like any other fault: line,
# column in characters, and the line with each ill-formed sequence as U+FFFD.
@pytest.mark.parametrize(
    "content, report",
    [
        (b'SELECT 1 FROM TAG("a\xff") : "x";',
         utf8_report(1, 21, 'SELECT 1 FROM TAG("a\ufffd") : "x";', " " * 20)),
        # Columns count characters: the two-byte e-acute counts once.
        ('// caf\u00e9\nSELECT 1 FROM TAG("\u00e9'.encode() + b'\xc3(") : "x";',
         utf8_report(2, 21, 'SELECT 1 FROM TAG("\u00e9\ufffd(") : "x";', " " * 20)),
        # An overlong form of "/" and an encoded surrogate: one U+FFFD for
        # each byte that cannot start or continue a sequence.
        (b"\xc0\xafSELECT", utf8_report(1, 1, "\ufffd\ufffdSELECT", "")),
        (b"// \xed\xa0\x80", utf8_report(1, 4, "// " + "\ufffd" * 3, "   ")),
        # A sequence cut short by the end of the file is one character.
        (b"// \xe2\x82", utf8_report(1, 4, "// \ufffd", "   ")),
        (b"// \xf4\x90\x80\x80", utf8_report(1, 4, "// " + "\ufffd" * 4, "   ")),
    ],
)
def test_invalid_utf8_is_reported_at_its_place(tmp_path, content, report):
    write(tmp_path, "bad.jrl", content)
    r = run("json", "bad.jrl", cwd=tmp_path)
    assert r.returncode == 1
    assert r.stderr.decode() == report
    r = run("check", "--format=short", "bad.jrl", cwd=tmp_path)
    assert r.returncode == 1
    assert "error[JRL001]: input is not valid UTF-8" in r.stdout.decode()


def test_valid_multibyte_text_is_accepted(tmp_path):
    write(tmp_path, "ok.jrl", 'SELECT 1 FROM TAG("\u00e9\u4e2d\U0001f600") : "caf\u00e9";')
    r = run("json", "ok.jrl", cwd=tmp_path)
    assert r.returncode == 0
    assert json.loads(r.stdout)["requirements"][0]["query"]["selector"] == [
        {"Tag": "\u00e9\u4e2d\U0001f600"}
    ]


# ---- --format=json -----------------------------------------------------


def test_json_diagnostics_one_line_per_failure_none_for_good(tmp_path):
    write(tmp_path, "good.jrl", GOOD)
    write(tmp_path, "bad.jrl", ZERO)
    write(tmp_path, 'we"ird\\.jrl', ZERO)
    r = run("check", "--format", "json", "good.jrl", "bad.jrl", 'we"ird\\.jrl',
            cwd=tmp_path)
    assert r.returncode == 1
    assert [json.loads(l)["file"] for l in r.stdout.decode().splitlines()] == [
        "bad.jrl", 'we"ird\\.jrl']
    r = run("check", "--format=json", "good.jrl", cwd=tmp_path)
    assert (r.returncode, r.stdout) == (0, b"")


# ---- json and debug ----------------------------------------------------


def test_json_compact_pretty_and_debug(tmp_path):
    write(tmp_path, "one.jrl", GOOD)
    compact = ('{"version":"0.1.6","requirements":[{"query":{"quantity":{"Single":1},'
               '"type":"Select","selector":[{"Class":{"department_id":"MATH",'
               '"course_number":1200,"lab":false}}]},"description":"Calculus",'
               '"priority":1}]}\n')
    r = run("json", "one.jrl", cwd=tmp_path)
    assert (r.returncode, r.stdout.decode()) == (0, compact)
    r = run("json", "--pretty", "-", stdin=b"")
    assert r.stdout.decode() == '{\n  "version": "0.1.6",\n  "requirements": []\n}\n'
    r = run("debug", "one.jrl", cwd=tmp_path)
    assert r.stdout.decode() == (
        'ParseResult { parsed_jrl_file: JRLQueryFile { version: "0.1.6", '
        "requirements: [JRLRequirement { query: JRLQuery { quantity: Single(1), "
        'type: Select, selector: [Class(Class { department_id: "MATH", '
        'course_number: 1200, lab: false })] }, description: "Calculus", '
        "priority: 1 }] } }\n")


@pytest.mark.parametrize("command", [["json", "--pretty"], ["debug"]])
def test_print_commands_fail_alike(tmp_path, command):
    write(tmp_path, "zero.jrl", ZERO)
    r = run(*command, "zero.jrl", cwd=tmp_path)
    assert r.returncode == 1
    assert r.stdout == b""
    assert r.stderr == run("json", "zero.jrl", cwd=tmp_path).stderr


def test_pretty_json_of_each_example_matches_its_compact_form():
    for path in sorted(EXAMPLES.glob("*.jrl")):
        compact = run("json", str(path))
        pretty = run("json", "--pretty", str(path))
        assert compact.returncode == pretty.returncode == 0
        assert json.loads(compact.stdout) == json.loads(pretty.stdout)
        assert pretty.stdout.count(b"\n") > compact.stdout.count(b"\n") == 1


def test_example_structure_survives_into_json():
    doc = json.loads(run("json", str(EXAMPLES / "bs_computer_science.jrl")).stdout)
    reqs = doc["requirements"]
    assert reqs[0] == {
        "query": {"quantity": {"Single": 1}, "type": "Select", "selector": [
            {"Class": {"department_id": "MATH", "course_number": 1200, "lab": False}},
            {"Placement": "MATHCALC2"}]},
        "description": "Calculus I or placement", "priority": 40}
    electives = next(r for r in reqs if r["description"] == "Technical electives")
    assert electives["query"]["selector"][1] == {"Query": {
        "quantity": {"Many": {"from": 0, "to": 1}}, "type": "Select",
        "selector": [{"Range": {
            "from": {"department_id": "MATH", "course_number": 4000, "lab": False},
            "to": {"department_id": "MATH", "course_number": 4999, "lab": False}}}]}}
    assert [r["query"]["type"] for r in reqs].count("Limit") == 2


# ---- colour -------------------------------------------------------------


RED, BOLD, RESET = "\x1b[1;31m", "\x1b[1m", "\x1b[0m"


def test_colour_always_highlights_caret_and_message(tmp_path):
    write(tmp_path, "zero.jrl", ZERO)
    r = run("check", "--color=always", "zero.jrl", cwd=tmp_path)
    assert r.stderr.decode().startswith(
        f"{RED}error[JRL020]{RESET}: cannot select zero\n"
        "failed parsing quantity\n")
    r = run("json", "--color=always", "zero.jrl", cwd=tmp_path)
    assert r.stderr.decode() == (
        f"{RED}error[JRL020]{RESET}: cannot select zero\n"
        "failed parsing quantity\n"
        "\n"
        "Caused by:\n"
        "     --> zero.jrl:1:8\n"
        "      |\n"
        '    1 | SELECT 0 FROM CLASS(MATH 1200) : "Calculus";\n'
        f"      |        {RED}^{RESET}\n"
        "      |\n"
        f"      = {BOLD}cannot select zero{RESET}\n"
    )


@pytest.mark.parametrize(
    "args, env",
    [
        (["--color=never"], {}),
        (["--color=auto"], {}),  # standard error is a pipe here
        ([], {}),
    ],
)
def test_no_colour_unless_asked(tmp_path, args, env):
    write(tmp_path, "zero.jrl", ZERO)
    r = run("check", *args, "zero.jrl", cwd=tmp_path, env=env)
    assert b"\x1b" not in r.stderr
    assert r.returncode == 1


def test_colour_always_overrides_no_color_and_json_has_none(tmp_path):
    write(tmp_path, "zero.jrl", ZERO)
    r = run("check", "--color=always", "zero.jrl", cwd=tmp_path, env={"NO_COLOR": "1"})
    assert b"\x1b[" in r.stderr
    r = run("check", "--color=always", "--format=json", "zero.jrl", cwd=tmp_path)
    assert b"\x1b" not in r.stdout


def test_colour_auto_on_a_terminal_and_no_color(tmp_path):
    pty = pytest.importorskip("pty")
    write(tmp_path, "zero.jrl", ZERO)

    def through_pty(env):
        full_env = {k: v for k, v in os.environ.items() if k != "NO_COLOR"}
        full_env.update(env, TERM="xterm")
        primary, secondary = pty.openpty()
        proc = subprocess.run([JRL, "check", "zero.jrl"], cwd=tmp_path, env=full_env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=secondary)
        os.close(secondary)
        data = os.read(primary, 65536)
        os.close(primary)
        return proc.returncode, data

    status, data = through_pty({})
    assert status == 1 and b"\x1b[1;31m^" in data
    status, data = through_pty({"NO_COLOR": "1"})
    assert status == 1 and b"\x1b" not in data


# ---- golden error files ------------------------------------------------


GOLDEN = sorted(p.stem for p in ERRORS.glob("*.jrl"))


def test_every_error_file_has_its_expected_output():
    assert len(GOLDEN) >= 10
    assert sorted(p.stem for p in ERRORS.glob("*.expected")) == GOLDEN
    assert sorted(p.stem for p in ERRORS.glob("*.check")) == GOLDEN


@pytest.mark.parametrize("name", GOLDEN)
def test_golden_error_file(name):
    # NAME.expected: the parser's exact report, named for the file (as
    # pylibjrl and jrl.ParseError give it), under an "error:" line.
    exact = (ERRORS / f"{name}.expected").read_text()
    text = (ERRORS / f"{name}.jrl").read_text()
    assert exact.split("\n", 1)[1] == parse_report(text, f"{name}.jrl") + "\n"
    # NAME.check: what `jrl check` shows, the exact report inside it.
    r = run("check", "--color=never", f"{name}.jrl", cwd=ERRORS)
    assert r.returncode == 1
    shown = r.stderr.decode()
    assert shown == (ERRORS / f"{name}.check").read_text()
    assert exact.split("\n", 1)[1] in shown
    # `jrl json` reports the file's first error as check does.
    r = run("json", "--color=never", f"{name}.jrl", cwd=ERRORS)
    assert (r.returncode, r.stdout) == (1, b"")
    assert shown.startswith(r.stderr.decode() + "\n")


# ---- the language guide ------------------------------------------------


FENCE = re.compile(r"^```([\w-]*)\n(.*?)^```\n", re.S | re.M)


def guide_blocks():
    return [(m.group(1), m.group(2)) for m in FENCE.finditer(GUIDE.read_text())]


def guide_cases(kind):
    blocks = guide_blocks()
    cases = []
    for i, (lang, body) in enumerate(blocks):
        if lang == "jrl":
            cases.append(pytest.param(body, None, id=f"block{i}"))
        elif lang == "jrl-error":
            nxt = blocks[i + 1] if i + 1 < len(blocks) else (None, None)
            cases.append(pytest.param(body, nxt[1] if nxt[0] == "text" else None,
                                      id=f"block{i}"))
    return [c for c in cases if (c.values[1] is None) == (kind == "jrl")]


def test_guide_has_examples_of_both_kinds():
    assert len(guide_cases("jrl")) >= 15
    assert len(guide_cases("jrl-error")) >= 25
    # Each failing example is followed by its expected report.
    langs = [lang for lang, _ in guide_blocks()]
    for i, lang in enumerate(langs):
        if lang == "jrl-error":
            assert langs[i + 1] == "text"


@pytest.mark.parametrize("source, _", guide_cases("jrl"))
def test_guide_example_is_accepted(tmp_path, source, _):
    write(tmp_path, "example.jrl", source)
    r = run("check", "example.jrl", cwd=tmp_path)
    assert (r.returncode, r.stderr.decode()) == (0, "")


@pytest.mark.parametrize("source, expected", guide_cases("jrl-error"))
def test_guide_error_example_reports_as_shown(tmp_path, source, expected):
    write(tmp_path, "example.jrl", source)
    r = run("check", "--color=never", "example.jrl", cwd=tmp_path)
    assert r.returncode == 1
    assert r.stderr.decode() == expected


def test_guide_nesting_limit_message(tmp_path):
    depth = 300
    source = "SELECT 1 FROM " * depth + 'TAG("x") : "deep";'
    write(tmp_path, "deep.jrl", source)
    r = run("check", "deep.jrl", cwd=tmp_path)
    assert r.returncode == 1
    assert "= queries nested deeper than 256 levels are not supported\n" in r.stderr.decode()
