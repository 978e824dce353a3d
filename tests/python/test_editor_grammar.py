"""The TextMate grammar and the VS Code extension under editors/: the files
are valid, every pattern compiles with the editors' regular expression
engine, the manifest points at what exists, and the grammar gives each kind
of token its scope, in agreement with the Pygments lexer on every
well-formed text."""

from __future__ import annotations

import json
import re

import onigurumacffi
import pytest
from pygments.token import (
    Comment,
    Keyword,
    Name,
    Number,
    Operator,
    Punctuation,
    String,
    Whitespace,
)

import jrl_sources
from jrl.pygments_lexer import JrlLexer
from textmate import Grammar

EDITORS = jrl_sources.ROOT / "editors"
VSCODE = EDITORS / "vscode"
GRAMMAR_FILE = EDITORS / "jrl.tmLanguage.json"


def load(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


@pytest.fixture(scope="module")
def grammar() -> Grammar:
    return Grammar(load(GRAMMAR_FILE))


def dicts(node):
    """Every object of a JSON document, wherever it sits."""
    if isinstance(node, dict):
        yield node
        for value in node.values():
            yield from dicts(value)
    elif isinstance(node, list):
        for value in node:
            yield from dicts(value)


def test_files_are_json():
    for path in (GRAMMAR_FILE, VSCODE / "package.json", VSCODE / "language-configuration.json"):
        assert isinstance(load(path), dict), path


def test_every_pattern_compiles_and_every_include_resolves():
    data = load(GRAMMAR_FILE)
    rules = [n for n in dicts(data) if any(key in n for key in ("match", "begin", "end"))]
    assert len(rules) >= 10
    for rule in rules:
        for key in ("match", "begin", "end"):
            if key in rule:
                onigurumacffi.compile(rule[key])
        assert ("begin" in rule) == ("end" in rule), rule
        # A capture of a group the pattern lacks would colour nothing; the
        # patterns stay inside what Python's engine reads too, to count them.
        for key, captures in (("match", "captures"), ("begin", "beginCaptures"), ("end", "endCaptures")):
            if captures in rule:
                groups = re.compile(rule[key]).groups
                assert all(0 <= int(n) <= groups for n in rule[captures]), (rule[key], rule[captures])
    includes = [n["include"] for n in dicts(data) if "include" in n]
    assert includes
    for ref in includes:
        assert ref == "$self" or ref[1:] in data["repository"], ref


def test_manifest_declares_the_language_and_grammar():
    manifest = load(VSCODE / "package.json")
    for key in ("name", "publisher", "version"):
        assert manifest[key]
    assert (VSCODE / manifest["main"]).is_file()  # the client of jrl-lsp
    assert manifest["engines"]["vscode"].startswith("^")
    # The project has one version; the extension and its install line follow it.
    version = re.search(r"^project\(libjrl VERSION ([0-9.]+)",
                        (jrl_sources.ROOT / "CMakeLists.txt").read_text(), re.M).group(1)
    assert manifest["version"] == version
    guide = (jrl_sources.ROOT / "docs" / "editors.md").read_text(encoding="utf-8")
    assert f"code --install-extension build/vscode/{manifest['name']}-{version}.vsix" in guide
    (language,) = manifest["contributes"]["languages"]
    assert language["id"] == "jrl"
    assert language["extensions"] == [".jrl"]
    assert "JRL" in language["aliases"]
    assert (VSCODE / language["configuration"]).resolve().is_file()
    (entry,) = manifest["contributes"]["grammars"]
    assert entry["language"] == "jrl"
    path = (VSCODE / entry["path"]).resolve()
    assert path.is_file()
    # The extension's grammar is the one grammar of the repository.
    assert path.read_bytes() == GRAMMAR_FILE.read_bytes()
    assert entry["scopeName"] == load(GRAMMAR_FILE)["scopeName"] == "source.jrl"


def test_language_configuration():
    config = load(VSCODE / "language-configuration.json")
    # The language has line comments only.
    assert config["comments"] == {"lineComment": "//"}
    pairs = [["[", "]"], ["(", ")"]]
    assert config["brackets"] == pairs
    closing = {(p["open"], p["close"]) for p in config["autoClosingPairs"]}
    assert closing == {("[", "]"), ("(", ")"), ('"', '"')}
    quote = next(p for p in config["autoClosingPairs"] if p["open"] == '"')
    assert set(quote["notIn"]) == {"string", "comment"}
    assert sorted(config["surroundingPairs"]) == sorted(pairs + [['"', '"']])
    # A department code such as W&GS is one word to double-click.
    assert onigurumacffi.compile(config["wordPattern"]).search("(W&GS 1000)").group() == "W&GS"


KW = "keyword.control.jrl"
FN = "support.function.jrl"
DEPT = "entity.name.namespace.department.jrl"
COURSE = "constant.numeric.course.jrl"
LAB = "keyword.other.unit.lab.jrl"
NUM = "constant.numeric.integer.jrl"
RANGE = "keyword.operator.range.jrl"
STR = "string.quoted.double.jrl"
ESC = "constant.character.escape.quote.jrl"
COMMENT = "comment.line.double-slash.jrl"
BAD = "invalid.illegal.unterminated.string.jrl"


def innermost(grammar: Grammar, text: str) -> str:
    """Each run of characters with the same innermost scope, as
    "scope:text" pieces; characters with no scope of their own are left out."""
    pieces: list[list[str]] = []
    for char, scopes in zip(text, grammar.scopes(text)):
        scope = scopes[-1]
        if pieces and pieces[-1][0] == scope:
            pieces[-1][1] += char
        else:
            pieces.append([scope, char])
    return " ".join(f"{s}:{t}" for s, t in pieces if s != "source.jrl")


@pytest.mark.parametrize(
    "text, expected",
    [
        ('SELECT 2 FROM TAG("t")', f'{KW}:SELECT {NUM}:2 {KW}:FROM {FN}:TAG '
         f'punctuation.section.parens.begin.jrl:( punctuation.definition.string.begin.jrl:" {STR}:t '
         f'punctuation.definition.string.end.jrl:" punctuation.section.parens.end.jrl:)'),
        ("LIMIT 1-3 FROM", f"{KW}:LIMIT {NUM}:1 {RANGE}:- {NUM}:3 {KW}:FROM"),
        ("SELECT7FROMCLASS", f"{KW}:SELECT {NUM}:7 {KW}:FROM {FN}:CLASS"),
        ("FROMSELECT1FROM", f"{KW}:SELECT {NUM}:1 {KW}:FROM"),
        ("select 1 from SELECTED Class TAGS", f"{NUM}:1"),
        ("class range_tag TAG_DEPT DIST_DEPT", f"{FN}:class {FN}:range_tag {FN}:TAG_DEPT {FN}:DIST_DEPT"),
        ("(MATH 1200, PHYS 1100L)", f"punctuation.section.parens.begin.jrl:( {DEPT}:MATH meta.course.jrl:  "
         f"{COURSE}:1200 punctuation.separator.comma.jrl:, {DEPT}:PHYS meta.course.jrl:  {COURSE}:1100 "
         f"{LAB}:L punctuation.section.parens.end.jrl:)"),
        ("(W&GS1000)(MUS 1100)", f"punctuation.section.parens.begin.jrl:( {DEPT}:W&GS {COURSE}:1000 "
         f"punctuation.section.parens.end.jrl:) punctuation.section.parens.begin.jrl:( {DEPT}:MUS "
         f"meta.course.jrl:  {COURSE}:1100 punctuation.section.parens.end.jrl:)"),
        ("(math 1200)(MATH 1200l)", "punctuation.section.parens.begin.jrl:( punctuation.section.parens.end.jrl:) "
         "punctuation.section.parens.begin.jrl:( punctuation.section.parens.end.jrl:)"),
        ("MATH 1200", f"{NUM}:1200"),  # a course only inside an argument list
        ('"a ""b"""', f'punctuation.definition.string.begin.jrl:" {STR}:a  {ESC}:"" {STR}:b {ESC}:"" '
         f'punctuation.definition.string.end.jrl:"'),
        ('"数学 Übung" : 7;', f'punctuation.definition.string.begin.jrl:" {STR}:数学 Übung '
         f'punctuation.definition.string.end.jrl:" punctuation.separator.colon.jrl:: {NUM}:7 '
         f"punctuation.terminator.statement.jrl:;"),
        ('"open\n"ab""', f'{BAD}:"open {BAD}:"ab""'),
        ("// c Ü\n[]", f"punctuation.definition.comment.jrl:// {COMMENT}: c Ü "
         "punctuation.section.brackets.begin.jrl:[ punctuation.section.brackets.end.jrl:]"),
        ("SELECT // q\n  2 // f\n FROM", f"{KW}:SELECT punctuation.definition.comment.jrl:// {COMMENT}: q "
         f"{NUM}:2 punctuation.definition.comment.jrl:// {COMMENT}: f {KW}:FROM"),
        ("CLASS(\n MATH 1200 // c\n)", f"{FN}:CLASS punctuation.section.parens.begin.jrl:( {DEPT}:MATH "
         f"meta.course.jrl:  {COURSE}:1200 punctuation.definition.comment.jrl:// {COMMENT}: c "
         "punctuation.section.parens.end.jrl:)"),
        ('TAG("x" : 2;', f'{FN}:TAG punctuation.section.parens.begin.jrl:( punctuation.definition.string.begin.jrl:" '
         f'{STR}:x punctuation.definition.string.end.jrl:" punctuation.separator.colon.jrl:: {NUM}:2 '
         "punctuation.terminator.statement.jrl:;"),
    ],
)
def test_scopes(grammar, text, expected):
    assert innermost(grammar, text) == expected


# The scope each kind of Pygments token must carry in the grammar's output.
def _wanted(kind, char: str):
    if kind in Keyword:
        return lambda s: KW in s
    if kind in Name.Function:
        return lambda s: FN in s
    if kind in Name.Namespace:
        return lambda s: DEPT in s
    if kind in Number:
        return lambda s: any(x in s for x in (NUM, COURSE)) or (char == "L" and LAB in s)
    if kind in Operator:
        return lambda s: RANGE in s
    if kind in String.Escape:
        return lambda s: ESC in s and STR in s
    if kind in String:
        return lambda s: STR in s
    if kind in Comment:
        return lambda s: COMMENT in s
    if kind in Punctuation:
        return lambda s: s[-1].startswith("punctuation.")
    if kind in Name:
        return lambda s: s[-1] in ("source.jrl", "meta.course.jrl")
    raise AssertionError(f"no scope for {kind}")


TEXTS = jrl_sources.all_well_formed_texts()


@pytest.mark.parametrize("name", sorted(TEXTS))
def test_grammar_agrees_with_the_lexer(grammar, name):
    text = TEXTS[name]
    scopes = grammar.scopes(text)
    assert len(scopes) == len(text)
    wrong = []
    for start, kind, value in JrlLexer().get_tokens_unprocessed(text):
        if kind in Whitespace:
            continue
        for i, char in enumerate(value, start):
            if char not in "\r\n" and not _wanted(kind, char)(scopes[i]):
                wrong.append((i, char, str(kind), scopes[i]))
    assert wrong[:5] == []
