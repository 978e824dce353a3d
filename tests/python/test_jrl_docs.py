"""docs/python.md shows the worked example and its output as they are."""

import contextlib
import importlib.util
import io
import os
import pathlib
import re

ROOT = pathlib.Path(__file__).resolve().parents[2]
GUIDE = (ROOT / "docs" / "python.md").read_text(encoding="utf-8")
EXAMPLE = ROOT / "examples" / "python" / "registrar.py"


def blocks(language):
    return re.findall(rf"```{language}\n(.*?)```", GUIDE, re.S)


def test_guide_shows_the_example_code():
    code = EXAMPLE.read_text(encoding="utf-8")
    body = code[code.index("import sys"):code.index("\n\n\nif __name__")] + "\n"
    assert blocks("python")[0] == body


def test_guide_shows_the_example_output(monkeypatch):
    spec = importlib.util.spec_from_file_location("registrar", EXAMPLE)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    monkeypatch.chdir(ROOT)
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        assert module.main(os.path.join("examples", "minor_mathematics.jrl"), "STAT") == 0
    assert out.getvalue() == blocks("text")[0]


def test_guide_shows_the_error_fields_as_they_are():
    import jrl

    block = next(b for b in blocks("python") if "error.code" in b)
    text = re.search(r"jrl\.parse\('(.*)'\)", block).group(1)
    try:
        jrl.parse(text)
    except jrl.ParseError as error:
        caught = error
    # `expression   # value`, the value perhaps continued on comment lines.
    shown = re.findall(r"^ +(error\.[\w., ]+?) *(?:# (.+))?\n((?: +# .*\n)*)", block, re.M)
    assert len(shown) == 5
    for expression, value, more in shown:
        value = value + "".join(line.strip()[1:] for line in more.splitlines())
        namespace = {"error": caught, **vars(jrl)}
        assert eval(expression, namespace) == eval(value, namespace), expression
