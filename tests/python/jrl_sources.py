"""The JRL texts the highlighting tests run over, by where they come from.

Every text here is one the parser accepts, or one it rejects only for its
meaning (an unknown department, a number out of range), never for its form:
a highlighter must read all of them without an error token.
"""

from __future__ import annotations

import importlib.util
import pathlib

import pylibjrl

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
FUZZ_CORPUS = ROOT / "fuzz" / "corpus"


def is_well_formed(text: str) -> bool:
    """Whether the parser gets past the grammar: a file that parses, or one
    rejected for its meaning. Only a syntax error's report opens with the
    position; the others open with what failed ("failed parsing selector")."""
    try:
        pylibjrl.parse(text)
    except ValueError as error:
        return not str(error).lstrip(" ").startswith("--> ")
    return True


def example_files() -> list[pathlib.Path]:
    return sorted(EXAMPLES.glob("*.jrl"))


def error_example_files() -> list[pathlib.Path]:
    return sorted((EXAMPLES / "errors").glob("*.jrl"))


def read(path: pathlib.Path) -> str:
    return path.read_text(encoding="utf-8")


def meaning_error_files() -> list[pathlib.Path]:
    """The error examples that are wrong only in meaning."""
    return [p for p in error_example_files() if is_well_formed(read(p))]


def _bench_corpus():
    spec = importlib.util.spec_from_file_location("jrl_bench_corpus", ROOT / "bench" / "corpus.py")
    assert spec is not None and spec.loader is not None
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def bench_texts() -> dict[str, str]:
    """The benchmark generator's shapes, at sizes small enough for a test."""
    corpus = _bench_corpus()
    texts = {f"realistic_seed{seed}": corpus.realistic(12_000, seed) for seed in (1, 2, 1200)}
    texts.update(
        long_list=corpus.long_list(300),
        long_string=corpus.long_string(6_000),
        long_comment=corpus.long_comment(6_000),
        deep_statement=corpus.deep_statement(),
        single_line=corpus.single_line(6_000),
    )
    return texts


def fuzz_texts() -> dict[str, str]:
    """The fuzz corpus's files that are UTF-8 and well formed."""
    texts = {}
    for path in sorted(FUZZ_CORPUS.glob("*/*")):
        try:
            text = path.read_bytes().decode("utf-8")
        except UnicodeDecodeError:
            continue
        if is_well_formed(text):
            texts[f"{path.parent.name}/{path.name}"] = text
    return texts


def all_well_formed_texts() -> dict[str, str]:
    """Every well-formed text above, by a name for test ids."""
    texts = {f"examples/{p.name}": read(p) for p in example_files()}
    texts.update({f"examples/errors/{p.name}": read(p) for p in meaning_error_files()})
    texts.update({f"bench/{k}": v for k, v in bench_texts().items()})
    texts.update({f"fuzz/{k}": v for k, v in fuzz_texts().items()})
    return texts
