"""How soon jrl-lsp's diagnostics arrive after a change.

    python bench/lsp_latency.py               # 40 changes of a 5,000-line programme
    python bench/lsp_latency.py --changes 100 --lines 20000

A client (pygls's) starts the installed server over standard input and
output, opens a realistic programme of the given number of lines, then
sends incremental changes that alternately break one statement in the
middle of it (FROM becomes FORM) and mend it. Each sample is the time from
sending didChange to receiving the publishDiagnostics of that version. The
same run times, in this process, jrl.check on the same two texts (the
library's share) and a hover round trip on a one-line document (the
protocol's share). Target: median and p95 of a change at most 50 ms.
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

sys.path.insert(0, str(Path(__file__).resolve().parent))
import corpus  # noqa: E402

import jrl  # noqa: E402
from lsprotocol import types as lsp  # noqa: E402
from pygls.lsp.client import LanguageClient  # noqa: E402

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
    samples: dict[str, list[float]] = {"jrl.check in process": []}
    for i in range(changes):
        current = broken if i % 2 == 0 else text
        start = time.perf_counter()
        jrl.check(current)
        samples["jrl.check in process"].append(time.perf_counter() - start)
    return samples


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lines", type=int, default=5000)
    parser.add_argument("--changes", type=int, default=40)
    parser.add_argument("--seed", type=int, default=corpus.DEFAULT_SEED)
    args = parser.parse_args()

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
