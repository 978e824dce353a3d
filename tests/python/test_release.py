"""What the installed release offers beside the modules: its version, the
JSON Schema inside the package, ``python -m jrl``, and example scripts that
say how to run them."""

import json
import os
import pathlib
import re
import subprocess
import sys
from importlib import resources

import pytest

import jrl
from jrl import __main__ as jrl_main

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"


def test_one_version_everywhere():
    cmake = re.search(r"project\(libjrl VERSION ([0-9.]+)",
                      (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")).group(1)
    extension = json.loads((ROOT / "editors" / "vscode" / "package.json").read_text(encoding="utf-8"))
    assert (jrl.__version__, extension["version"]) == (cmake, cmake)


def test_schema_is_shipped_in_the_package():
    # The tests run against the installed wheel, so this reads the wheel's copy.
    shipped = resources.files("jrl") / "schemas" / "jrl.schema.json"
    assert json.loads(shipped.read_text(encoding="utf-8")) == jrl.schema() == \
        json.loads((ROOT / "docs" / "jrl.schema.json").read_text(encoding="utf-8"))


def run(args, program=None):
    command = [program] if program else [sys.executable, "-m", "jrl"]
    env = {k: v for k, v in os.environ.items() if k != "NO_COLOR"}
    return subprocess.run([*command, *args], capture_output=True, text=True, env=env,
                          cwd=ROOT, timeout=60)


@pytest.mark.parametrize("args", [
    ["--version"],
    ["json", "examples/minor_mathematics.jrl"],
    ["check", "examples/errors/unknown_department.jrl"],
    ["no-such-command"],
])
def test_python_m_jrl_is_the_installed_tool(args):
    tool = os.environ.get("JRL_CLI") or jrl_main.tool_path()
    if tool is None:
        pytest.skip("jrl not built (set JRL_CLI)")
    through_python, direct = run(args), run(args, tool)
    assert (through_python.returncode, through_python.stdout, through_python.stderr) == \
        (direct.returncode, direct.stdout, direct.stderr)


@pytest.mark.parametrize("script", sorted((EXAMPLES / "python").glob("*.py")), ids=lambda p: p.name)
def test_example_scripts_print_their_usage(script):
    result = subprocess.run([sys.executable, str(script)], capture_output=True, text=True, timeout=60)
    assert result.returncode == 2
    assert result.stderr.startswith("usage: ") and "Traceback" not in result.stderr
