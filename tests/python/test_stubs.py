"""The shipped stubs let a type checker see the module's types."""

import pytest

mypy_api = pytest.importorskip("mypy.api")

SNIPPET = """\
import pylibjrl
obj = pylibjrl.parse("")
reveal_type(obj.json())
reveal_type(obj.json_pretty())
reveal_type(obj.version())
reveal_type(pylibjrl.parse)
pylibjrl.parse(b"x")
"""


def test_mypy_finds_the_stubs():
    stdout, stderr, _ = mypy_api.run(
        ["--cache-dir=/dev/null", "--no-error-summary", "-c", SNIPPET]
    )
    assert stderr == ""
    # Newer mypy releases drop the "builtins." qualifier.
    lines = stdout.replace("builtins.", "").splitlines()
    assert lines[:4] == [
        '<string>:3: note: Revealed type is "str"',
        '<string>:4: note: Revealed type is "str"',
        '<string>:5: note: Revealed type is "str"',
        '<string>:6: note: Revealed type is "def (jrl: str) -> pylibjrl.JRL"',
    ]
    assert lines[4].startswith(
        '<string>:7: error: Argument 1 to "parse" has incompatible type "bytes"'
    )
    assert len(lines) == 5
