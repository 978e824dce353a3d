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


def test_version_is_the_projects():
    assert jrl.__version__ == re.search(r"project\(libjrl VERSION ([0-9.]+)",
                                        (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")).group(1)


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


def hook_fields(text):
    return {m.group(1): dict(re.findall(r"^ *(name|entry|language|files): (.*)$", m.group(2), re.M))
            for m in re.finditer(r"^ *- id: ([\w-]+)\n((?: {2,}\w+: .*\n)*)", text, re.M)}


def test_local_hooks_of_the_guide_run_what_the_published_hooks_run():
    published = hook_fields((ROOT / ".pre-commit-hooks.yaml").read_text(encoding="utf-8"))
    guide = (ROOT / "docs" / "style.md").read_text(encoding="utf-8")
    local = hook_fields(re.search(r"- repo: local\n(.*?)```", guide, re.S).group(1))
    assert set(local) == set(published) == {"jrl-check", "jrl-fmt"}
    for hook_id, fields in local.items():
        assert fields["language"] == "system"
        assert {k: fields[k] for k in ("name", "entry", "files")} == \
            {k: published[hook_id][k] for k in ("name", "entry", "files")}
