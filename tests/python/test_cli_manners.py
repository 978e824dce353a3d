"""What people expect of a command line: help per command, suggestions for a
mistyped command, wrong paths refused, listings, and terminal niceties that
stay off the record when output is piped."""

import json
import os
import pty
import subprocess

import pytest

from test_cli import GOOD, JRL, run, write

pytestmark = pytest.mark.skipif(JRL is None, reason="jrl not built (set JRL_CLI)")

BAD = 'SELECT 1 FROM CLASS(MATH 1200) : "Calculus I"\nSELECT 1 FROM CLASS(MATH 1210) : "x";\n'
UGLY = 'SELECT 1 FROM CLASS(MATH 1200):"Calculus";\n'


@pytest.fixture
def tree(tmp_path):
    (tmp_path / "empty").mkdir()
    (tmp_path / "notes").mkdir()
    write(tmp_path / "notes", "readme.txt", "not a programme")
    write(tmp_path, "good.jrl", GOOD)
    write(tmp_path, "bad.jrl", BAD)
    write(tmp_path, "ugly.jrl", UGLY)
    return tmp_path


# argv, exit status, text expected in standard output, in standard error.
CASES = [
    (["check", "--help"], 0, "Usage: jrl check [options] PATH...\n", ""),
    (["json", "-h"], 0, "--pretty", ""),
    (["fmt", "--help"], 0, "Usage: jrl fmt", ""),
    (["explain", "--help"], 0, "--list", ""),
    (["chek", "good.jrl"], 2, "", "unknown command 'chek'; did you mean 'check'?"),
    (["jsn", "good.jrl"], 2, "", "did you mean 'json'?"),
    (["frobnicate"], 2, "", "jrl: unknown command 'frobnicate'\n"),
    (["check", "empty"], 2, "", "there are no *.jrl files in directory 'empty'"),
    (["check", "good.jrl", "notes"], 2, "", "directory 'notes'"),
    (["fmt", "--check", "empty"], 2, "", "directory 'empty'"),
    (["explain", "--list"], 0, "JRL010  syntax-error", ""),
    (["explain", "--list", "JRL010"], 2, "", "takes no codes"),
    (["explain", "JRL010"], 0, "```jrl-error\n", ""),
    (["departments"], 0, "MATH\n", ""),
    (["departments", "MATH"], 2, "", "takes no operands"),
    (["check", "good.jrl"], 0, "", ""),
    (["fmt", "--check", "ugly.jrl"], 1, "ugly.jrl\n", ""),
    (["fmt", "--check", "bad.jrl"], 3, "", "error[JRL010]"),
    (["fmt", "--check", "ugly.jrl", "bad.jrl"], 3, "ugly.jrl\n", "error[JRL010]"),
    (["fmt", "good.jrl", "ugly.jrl"], 0, "",
     "1 file reformatted, 1 left unchanged\n"),
    (["fmt", "good.jrl", "bad.jrl"], 3, "",
     "0 files reformatted, 1 left unchanged, 1 could not be formatted\n"),
]


@pytest.mark.parametrize("argv, status, out, err", CASES,
                         ids=[" ".join(c[0]) for c in CASES])
def test_command_line_manners(tree, argv, status, out, err):
    r = run(*argv, cwd=tree)
    assert r.returncode == status
    assert out in r.stdout.decode()
    assert err in r.stderr.decode()
    if not err:
        assert r.stderr == b""


def test_command_help_lists_only_its_own_options():
    check = run("check", "--help").stdout.decode()
    assert "--format=FORMAT" in check and "--pretty" not in check
    assert "check:" not in check  # the per-command prefix is dropped
    assert "--format" not in run("json", "--help").stdout.decode()


def test_listings_come_from_the_library():
    codes = run("explain", "--list").stdout.decode().splitlines()
    assert len(codes) == len({line.split()[0] for line in codes}) >= 10
    # Every listed code is one explain knows.
    assert all(run("explain", line.split()[0]).returncode == 0 for line in codes)
    plain = run("departments").stdout.decode().split()
    assert json.loads(run("departments", "--json").stdout) == plain == sorted(plain)


def test_print_failures_read_as_check_reads_them(tree):
    check = run("check", "bad.jrl", cwd=tree).stderr.decode()
    for argv in (["json"], ["json", "--pretty"], ["debug"]):
        r = run(*argv, "bad.jrl", cwd=tree)
        assert r.returncode == 1 and r.stdout == b""
        # The first error as check shows it, without check's closing count.
        assert check == r.stderr.decode() + "\n1 error, 0 warnings in 1 file checked\n"


def through_pty(argv, stream, cwd):
    """Runs jrl with `stream` ("stdout" or "stderr") on a terminal."""
    primary, secondary = pty.openpty()
    other = "stderr" if stream == "stdout" else "stdout"
    proc = subprocess.Popen([JRL, *argv], cwd=cwd, stdin=subprocess.DEVNULL,
                            **{stream: secondary, other: subprocess.PIPE})
    os.close(secondary)
    data = b""
    while True:
        try:
            chunk = os.read(primary, 65536)
        except OSError:  # the terminal is closed once the child ends
            break
        if not chunk:
            break
        data += chunk
    piped = proc.communicate()[0 if other == "stdout" else 1]
    os.close(primary)
    return proc.returncode, data.decode().replace("\r\n", "\n"), piped


def test_terminal_only_behaviours(tree):
    # A good check ends with one line on a terminal; piped, with nothing.
    assert through_pty(["check", "good.jrl", "ugly.jrl"], "stderr", tree) == (
        0, "2 files checked, no problems\n", b"")
    assert run("check", "good.jrl", "ugly.jrl", cwd=tree).stderr == b""
    # A failed check keeps its usual closing count only.
    status, shown, _ = through_pty(["check", "bad.jrl"], "stderr", tree)
    assert status == 1 and "no problems" not in shown
    # explain on a terminal: plain text, code examples indented.
    status, shown, _ = through_pty(["explain", "jrl010"], "stdout", tree)
    assert status == 0 and "```" not in shown and "## " not in shown
    assert shown.startswith("JRL010: syntax-error\n====")
    assert '\n    SELECT 1 FROM CLASS(MATH 1200) : "Calculus I"\n' in shown
