"""How soon jrl-lsp's diagnostics arrive after a change.

    python bench/lsp_latency.py               # 40 changes of a 5,000-line programme
    python bench/lsp_latency.py --changes 100 --lines 20000
    python bench/lsp_latency.py --long-lines  # long lines and statements, against the old reading

A client (pygls's) starts the installed server over standard input and
output, opens a realistic programme of the given number of lines, then
sends incremental changes that alternately break one statement in the
middle of it (FROM becomes FORM) and mend it. Each sample is the time from
sending didChange to receiving the publishDiagnostics of that version. The
same run times, in this process, jrl.analyse on the same two texts (the
library's share; jrl.check beside it, what the server read before) and a
hover round trip on a one-line document (the protocol's share). Target: median and p95 of a change at most 50 ms.

With --long-lines it times instead what long lines and statements cost:
semantic tokens and folding of a 40 KB line of TAG("é"), the diagnostics
of a 1.5 MB line with 200 errors (UTF-16 and UTF-8), and completion and
hover at the end of a 2.2 MB statement, in this process, each beside the
same work done as the server did it before (each conversion reading its
line from the start; completion and hover lexing the statement from its
start; pygls making an incremental change), and then as round trips to the
server.
"""

from __future__ import annotations

import argparse
import asyncio
import os
import platform
import statistics
import sys
import time
from pathlib import Path
from typing import Callable
from unittest import mock

sys.path.insert(0, str(Path(__file__).resolve().parent))
import corpus  # noqa: E402

import jrl  # noqa: E402
from lsprotocol import types as lsp  # noqa: E402
from pygls.lsp.client import LanguageClient  # noqa: E402
from pygls.workspace import TextDocument  # noqa: E402
from jrl.lsp import completion, diagnostics, hover, nearby, outline, tokens  # noqa: E402
from jrl.lsp.positions import UTF8, UTF16, UTF32, Positions  # noqa: E402

TARGET_MS = 50.0


def programme(lines: int, seed: int) -> str:
    """Whole realistic statements until the text has ``lines`` lines."""
    writer = corpus.Writer(seed)
    parts = [f"// Generated requirements, seed {seed}\n"]
    count = 1
    while count < lines:
        statement = writer.statement()
        parts.append(statement)
        count += statement.count("\n")
    return "".join(parts)


def middle_from(text: str) -> lsp.Position:
    """The place of a FROM in the middle of the text."""
    middle = text.index(" FROM ", len(text) // 2) + 1
    line = text.count("\n", 0, middle)
    column = middle - (text.rfind("\n", 0, middle) + 1)
    return lsp.Position(line=line, character=column)  # ASCII before it on its line


def percentile(values: list[float], share: float) -> float:
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, round(share * (len(ordered) - 1)))]


def ms(seconds: float) -> str:
    return f"{seconds * 1000:8.2f}"


async def measure(text: str, changes: int) -> dict[str, list[float]]:
    client = LanguageClient("lsp-latency", "1")
    published: dict[tuple[str, int | None], asyncio.Future] = {}
    loop = asyncio.get_running_loop()

    def waiter(uri: str, version: int | None) -> asyncio.Future:
        return published.setdefault((uri, version), loop.create_future())

    @client.feature(lsp.TEXT_DOCUMENT_PUBLISH_DIAGNOSTICS)
    def on_diagnostics(params: lsp.PublishDiagnosticsParams) -> None:
        future = waiter(params.uri, params.version)
        if not future.done():
            future.set_result((time.perf_counter(), params.diagnostics))

    await client.start_io(sys.executable, "-m", "jrl.lsp")
    await client.initialize_async(lsp.InitializeParams(capabilities=lsp.ClientCapabilities()))
    client.initialized(lsp.InitializedParams())

    uri, small = "file:///bench/programme.jrl", "file:///bench/small.jrl"
    client.text_document_did_open(lsp.DidOpenTextDocumentParams(
        text_document=lsp.TextDocumentItem(uri=uri, language_id="jrl", version=1, text=text)))
    client.text_document_did_open(lsp.DidOpenTextDocumentParams(text_document=lsp.TextDocumentItem(
        uri=small, language_id="jrl", version=1, text='SELECT 1 FROM CLASS(MATH 1200) : "x";\n')))
    _, first = await waiter(uri, 1)
    await waiter(small, 1)
    start = time.perf_counter()
    await client.text_document_semantic_tokens_full_async(
        lsp.SemanticTokensParams(text_document=lsp.TextDocumentIdentifier(uri=uri)))
    samples_first = time.perf_counter() - start
    assert not [d for d in first if d.severity == lsp.DiagnosticSeverity.Error], "the programme should parse"

    at = middle_from(text)
    word = lsp.Range(start=at, end=lsp.Position(line=at.line, character=at.character + 4))
    samples: dict[str, list[float]] = {
        "didChange -> diagnostics": [], "semantic tokens, changed": [], "hover round trip": [],
        "semantic tokens, on open": [samples_first]}
    for version in range(2, changes + 2):
        broken = version % 2 == 0
        start = time.perf_counter()
        client.text_document_did_change(lsp.DidChangeTextDocumentParams(
            text_document=lsp.VersionedTextDocumentIdentifier(uri=uri, version=version),
            content_changes=[lsp.TextDocumentContentChangePartial(range=word, text="FORM" if broken else "FROM")]))
        arrived, diagnostics = await waiter(uri, version)
        samples["didChange -> diagnostics"].append(arrived - start)
        errors = [d for d in diagnostics if d.severity == lsp.DiagnosticSeverity.Error]
        assert bool(errors) == broken, (version, errors)

        # What an editor asks next: the colours of the changed document.
        start = time.perf_counter()
        await client.text_document_semantic_tokens_full_async(
            lsp.SemanticTokensParams(text_document=lsp.TextDocumentIdentifier(uri=uri)))
        samples["semantic tokens, changed"].append(time.perf_counter() - start)

        start = time.perf_counter()
        await client.text_document_hover_async(lsp.HoverParams(
            text_document=lsp.TextDocumentIdentifier(uri=small), position=lsp.Position(line=0, character=15)))
        samples["hover round trip"].append(time.perf_counter() - start)

    await client.shutdown_async(None)
    client.exit(None)
    await client.stop()
    return samples


def in_process(text: str, changes: int) -> dict[str, list[float]]:
    broken = text.replace(" FROM ", " FORM ", 1)
    # The server reads each version with jrl.analyse; jrl.check, which it
    # used to run instead, is timed beside it as the baseline.
    readings: dict[str, Callable[[str], object]] = {
        "jrl.check in process": jrl.check, "jrl.analyse in process": jrl.analyse}
    samples: dict[str, list[float]] = {name: [] for name in readings}
    for i in range(changes):
        current = broken if i % 2 == 0 else text
        for name, read in readings.items():
            start = time.perf_counter()
            read(current)
            samples[name].append(time.perf_counter() - start)
    return samples


class LineFromStart(Positions):
    """The baseline: positions converted as before line tables, each
    conversion reading its line from the start, character by character."""

    @staticmethod
    def _units(text: str, encoding: str) -> int:
        if encoding == UTF32 or text.isascii():
            return len(text)
        if encoding == UTF8:
            return len(text.encode("utf-8", "surrogatepass"))
        return len(text) + sum(1 for c in text if ord(c) > 0xFFFF)

    def line_column(self, offset: int) -> tuple[int, int]:
        offset = max(0, min(offset, len(self.text)))
        line = self.line(offset)
        return line, self._units(self.text[self._starts[line] : offset], self.encoding)


def long_texts() -> dict[str, str]:
    statement = 'SELECT 1 FROM [' + 'TAG("é"), ' * 220_000
    unit, wrong = 'SELECT 1 FROM TAG("é") : "x"; ', 'SELECT 1 FROM CLASS(MATX 1200) : "é"; '
    count = 1_500_000 // len(unit)
    line = [unit] * count
    for i in range(200):
        line[i * (count // 200)] = wrong
    return {"tokens": 'TAG("é")' * 5000 + "\n", "diagnostics": "".join(line) + "\n",
            "completion": statement + "CL", "hover": statement + "CLASS(MATH 1200)"}


def timed(work: Callable[[], object]) -> float:
    start = time.perf_counter()
    work()
    return time.perf_counter() - start


def long_in_process(texts: dict[str, str]) -> list[tuple[str, float, float]]:
    """(case, seconds before, seconds now) of each long case, in process."""
    rows = []
    line = texts["tokens"]
    spans = jrl.statement_spans(line)
    for encoding in (UTF16, UTF8):
        times = []
        for kind in (LineFromStart, Positions):
            with mock.patch.object(tokens, "Positions", kind):
                positions = kind(line, encoding)
                # Each as the first request on the document: its words are
                # read and their places converted on the way.
                times.append(timed(lambda: tokens.Pieces(positions, spans).semantic_tokens()))
                times.append(timed(lambda: outline.folding_ranges(tokens.Pieces(positions, spans), positions)))
        rows.append((f"semantic tokens, 40 KB line, {encoding.value}", times[0], times[2]))
        rows.append((f"folding, 40 KB line, {encoding.value}", times[1], times[3]))
    text = texts["diagnostics"]
    found = jrl.check(text)
    for encoding in (UTF16, UTF8):
        before, now = (timed(lambda: diagnostics.to_lsp(found, "file:///x", kind(text, encoding)))
                       for kind in (LineFromStart, Positions))
        rows.append((f"diagnostics, 1.5 MB line, {len(found)} found, {encoding.value}", before, now))
    text = texts["completion"]
    end = lsp.Position(line=0, character=len(text.encode("utf-16-le")) // 2)
    change = lsp.TextDocumentContentChangePartial(range=lsp.Range(start=end, end=end), text="A")

    def splice() -> str:
        start, stop = Positions(text).offsets(change.range)
        return text[:start] + change.text + text[stop:]

    before = timed(lambda: TextDocument("file:///x", text).apply_change(change))
    rows.append(("a change at the end of a 2.2 MB line, utf-16", before, timed(splice)))
    for case in ("completion", "hover"):
        text = texts[case]
        positions, offset = Positions(text), len(text) - 2
        known = nearby.OpenBrackets()

        def answer(words: list[tokens.Word]) -> object:
            if case == "completion":
                return completion.items(words, positions, offset, True)
            return hover.hover(words, positions, offset)

        before = timed(lambda: answer(tokens.words(text[: offset if case == "completion" else len(text)])))
        first = timed(lambda: answer(nearby.words_near(text, 0, offset, len(text), known) or []))
        offset += 1
        after = timed(lambda: answer(nearby.words_near(text, 0, offset, len(text), known) or []))
        rows.append((f"{case}, end of a 2.2 MB statement, first", before, first))
        rows.append((f"{case}, end of a 2.2 MB statement, next", before, after))
    return rows


async def long_round_trips(texts: dict[str, str]) -> list[tuple[str, float]]:
    """The long cases as round trips to the server, in UTF-16."""
    client = LanguageClient("lsp-latency", "1")
    published: dict[tuple[str, int | None], asyncio.Future] = {}
    loop = asyncio.get_running_loop()

    @client.feature(lsp.TEXT_DOCUMENT_PUBLISH_DIAGNOSTICS)
    def on_diagnostics(params: lsp.PublishDiagnosticsParams) -> None:
        future = published.setdefault((params.uri, params.version), loop.create_future())
        if not future.done():
            future.set_result(time.perf_counter())

    await client.start_io(sys.executable, "-m", "jrl.lsp")
    await client.initialize_async(lsp.InitializeParams(capabilities=lsp.ClientCapabilities()))
    client.initialized(lsp.InitializedParams())
    rows = []
    for name, text in texts.items():
        uri = f"file:///bench/{name}.jrl"
        future = published.setdefault((uri, 1), loop.create_future())
        start = time.perf_counter()
        client.text_document_did_open(lsp.DidOpenTextDocumentParams(
            text_document=lsp.TextDocumentItem(uri=uri, language_id="jrl", version=1, text=text)))
        rows.append((f"didOpen -> diagnostics, {name}", await future - start))
    document = lsp.TextDocumentIdentifier(uri="file:///bench/tokens.jrl")
    start = time.perf_counter()
    await client.text_document_semantic_tokens_full_async(lsp.SemanticTokensParams(text_document=document))
    rows.append(("semantic tokens, 40 KB line", time.perf_counter() - start))
    start = time.perf_counter()
    await client.text_document_folding_range_async(lsp.FoldingRangeParams(text_document=document))
    rows.append(("folding, 40 KB line", time.perf_counter() - start))
    for name, ask in (("completion", client.text_document_completion_async),
                      ("hover", client.text_document_hover_async)):
        text = texts[name]
        end = lsp.Position(line=0, character=len(text.encode("utf-16-le")) // 2 - 2)
        document = lsp.TextDocumentIdentifier(uri=f"file:///bench/{name}.jrl")
        if name == "completion":
            future = published.setdefault((document.uri, 2), loop.create_future())
            start = time.perf_counter()
            client.text_document_did_change(lsp.DidChangeTextDocumentParams(
                text_document=lsp.VersionedTextDocumentIdentifier(uri=document.uri, version=2),
                content_changes=[lsp.TextDocumentContentChangePartial(range=lsp.Range(start=end, end=end), text="")]))
            rows.append(("didChange -> diagnostics, end of a 2.2 MB statement", await future - start))
        for attempt in ("first", "next"):
            start = time.perf_counter()
            await ask(lsp.CompletionParams(text_document=document, position=end) if name == "completion"
                      else lsp.HoverParams(text_document=document, position=end))
            rows.append((f"{name}, end of a 2.2 MB statement, {attempt}", time.perf_counter() - start))
    await client.shutdown_async(None)
    client.exit(None)
    await client.stop()
    return rows


def long_lines() -> int:
    texts = long_texts()
    print(f"jrl-lsp on long lines; CPython {platform.python_version()}, load {os.getloadavg()[0]:.2f}")
    print(f"  {'in process':<58}{'before ms':>10} {'now ms':>9} {'ratio':>7}")
    for case, before, now in long_in_process(texts):
        print(f"  {case:<58}{ms(before)}  {ms(now)} {before / now:6.0f}x")
    text = texts["diagnostics"]
    print(f"  {'the library: jrl.check of the 1.5 MB line, 200 errors':<58}{ms(timed(lambda: jrl.check(text)))}")
    print(f"  {'round trip to the server':<58}{'now ms':>10}")
    for case, now in asyncio.run(long_round_trips(texts)):
        print(f"  {case:<58}{ms(now)}")
    return 0


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lines", type=int, default=5000)
    parser.add_argument("--changes", type=int, default=40)
    parser.add_argument("--seed", type=int, default=corpus.DEFAULT_SEED)
    parser.add_argument("--long-lines", action="store_true", help="time long lines and statements instead")
    args = parser.parse_args()
    if args.long_lines:
        return long_lines()

    text = programme(args.lines, args.seed)
    lines = text.count("\n")
    print(f"jrl-lsp latency: {lines} lines, {len(text.encode('utf-8')) / 1024:.0f} KiB, "
          f"{args.changes} changes; CPython {platform.python_version()}, load {os.getloadavg()[0]:.2f}")
    samples = in_process(text, args.changes)
    samples.update(asyncio.run(measure(text, args.changes)))
    print(f"  {'operation':<28}{'median ms':>10} {'p95 ms':>8} {'min ms':>8} {'max ms':>8}")
    for name, values in samples.items():
        print(f"  {name:<28}{ms(statistics.median(values))}  {ms(percentile(values, 0.95))}"
              f" {ms(min(values))} {ms(max(values))}")
    change = samples["didChange -> diagnostics"]
    met = statistics.median(change) * 1000 <= TARGET_MS and percentile(change, 0.95) * 1000 <= TARGET_MS
    print(f"target: diagnostics within {TARGET_MS:.0f} ms of a change (median and p95): "
          f"{'met' if met else 'NOT met'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
