"""Speed and memory of pylibjrl, side by side with baselines in one process.

    python bench/run.py            # the full run (a few minutes)
    python bench/run.py --quick    # fewer, shorter repeats

Prints, for each realistic corpus, median/min/max of pylibjrl.parse, .json(),
.json_pretty(), str() and a failing parse with its error text, beside
text.encode("utf-8"), data.count(b";"), json.loads of the compact JSON and
json.dumps of the loaded object; then flatness from 1 MB to 100 MB, linearity
of the pathological files, the one-requirement file and the peak memory of a
parse (in a child process). A summary says which targets are met.
"""

from __future__ import annotations

import argparse
import datetime
import gc
import json
import os
import platform
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import corpus  # noqa: E402

import pylibjrl  # noqa: E402

MB = corpus.MB
ONE_REQUIREMENT = 'SELECT 1 FROM CLASS(MATH 1200) : "Calculus" : 1;\n'


class Timer:
    """Per-call times of named operations, repeated round-robin so that a
    change of machine load hits every operation alike."""

    def __init__(self, repeat: int, min_time: float) -> None:
        self.repeat = repeat
        self.min_time = min_time

    def _loops(self, fn) -> int:
        # Enough calls per sample that one sample lasts min_time.
        n = 1
        while True:
            t0 = time.perf_counter()
            for _ in range(n):
                fn()
            dt = time.perf_counter() - t0
            if dt >= self.min_time or n >= 1 << 20:
                return n
            n = max(n + 1, int(n * 1.2 * self.min_time / max(dt, 1e-9)))

    def run(self, ops: dict) -> dict:
        loops = {name: self._loops(fn) for name, fn in ops.items()}
        samples: dict[str, list[float]] = {name: [] for name in ops}
        gc_was_enabled = gc.isenabled()
        gc.disable()
        try:
            for _ in range(self.repeat):
                for name, fn in ops.items():
                    n = loops[name]
                    t0 = time.perf_counter()
                    for _ in range(n):
                        fn()
                    samples[name].append((time.perf_counter() - t0) / n)
                gc.collect()
        finally:
            if gc_was_enabled:
                gc.enable()
        return {
            name: {"median": statistics.median(s), "min": min(s), "max": max(s)}
            for name, s in samples.items()
        }


def ms(seconds: float) -> str:
    return f"{seconds * 1e3:10.3f}"


def mbps(size: int, seconds: float) -> str:
    return f"{size / MB / seconds:9.1f}" if seconds > 0 else "      inf"


def print_table(times: dict, sizes: dict) -> None:
    """sizes: name -> (input bytes, output bytes or 0)."""
    print(f"  {'operation':<22}{'median ms':>10} {'min ms':>10} {'max ms':>10}"
          f" {'in MB/s':>9} {'out MB/s':>9}")
    for name, t in times.items():
        inp, out = sizes[name]
        out_text = mbps(out, t["median"]) if out else " " * 9
        print(f"  {name:<22}{ms(t['median'])} {ms(t['min'])} {ms(t['max'])}"
              f" {mbps(inp, t['median'])} {out_text}")


def failing_variant(text: str) -> str:
    """The same text with one stray byte at its end: a full run, a failed
    one, then the report."""
    return text + "!"


def error_text(text: str) -> str:
    try:
        pylibjrl.parse(text)
    except ValueError as e:
        return str(e)
    raise SystemExit("run.py: expected the failing variant to fail")


def bench_corpus(label: str, text: str, timer: Timer, baselines: bool) -> dict:
    data = text.encode("utf-8")
    obj = pylibjrl.parse(text)
    compact = obj.json()
    pretty = obj.json_pretty()
    debug = str(obj)
    bad = failing_variant(text)
    report = error_text(bad)
    ops = {
        "pylibjrl.parse": lambda: pylibjrl.parse(text),
        ".json()": obj.json,
        ".json_pretty()": obj.json_pretty,
        "str()": lambda: str(obj),
        "failing parse + text": lambda: error_text(bad),
    }
    sizes = {
        "pylibjrl.parse": (len(data), 0),
        ".json()": (len(data), len(compact.encode())),
        ".json_pretty()": (len(data), len(pretty.encode())),
        "str()": (len(data), len(debug.encode())),
        "failing parse + text": (len(bad.encode()), len(report.encode())),
    }
    same_output = None
    if baselines:
        loaded = json.loads(compact)
        dumped = json.dumps(loaded, separators=(",", ":"), ensure_ascii=False)
        same_output = dumped == compact
        jdata = compact.encode("utf-8")
        ops.update({
            'text.encode("utf-8")': lambda: text.encode("utf-8"),
            'data.count(b";")': lambda: data.count(b";"),
            "json.loads(compact)": lambda: json.loads(compact),
            "json.dumps(loaded)": lambda: json.dumps(
                loaded, separators=(",", ":"), ensure_ascii=False),
        })
        sizes.update({
            'text.encode("utf-8")': (len(data), len(data)),
            'data.count(b";")': (len(data), 0),
            "json.loads(compact)": (len(jdata), 0),
            "json.dumps(loaded)": (len(jdata), len(jdata)),
        })
    times = timer.run(ops)
    print(f"\n== {label}: {len(data):,} bytes, {data.count(b';'):,} statements; "
          f"JSON {len(compact.encode()):,} bytes, pretty {len(pretty.encode()):,}, "
          f"str {len(debug.encode()):,}")
    print_table(times, sizes)
    result = {"label": label, "bytes": len(data), "times": times, "sizes": sizes}
    med = {k: v["median"] for k, v in times.items()}
    per_byte = {k: med[k] / max(1, sizes[k][1]) for k in (".json()", ".json_pretty()", "str()")}
    ratios = {
        "pretty/json per output byte": per_byte[".json_pretty()"] / per_byte[".json()"],
        "str/json per output byte": per_byte["str()"] / per_byte[".json()"],
        "failing/successful parse": med["failing parse + text"] / med["pylibjrl.parse"],
    }
    if baselines:
        ratios = {
            "json.loads / parse": med["json.loads(compact)"] / med["pylibjrl.parse"],
            "json.dumps / json()": med["json.dumps(loaded)"] / med[".json()"],
            "encode share of parse": med['text.encode("utf-8")'] / med["pylibjrl.parse"],
            "parse / byte scan": med["pylibjrl.parse"] / med['data.count(b";")'],
            **ratios,
        }
        print(f"  json.dumps output identical to .json(): {same_output}")
    print("  ratios: " + "; ".join(f"{k} {v:.2f}" for k, v in ratios.items()))
    result["ratios"] = ratios
    return result


def bench_one_requirement(timer: Timer) -> dict:
    text = ONE_REQUIREMENT
    compact = pylibjrl.parse(text).json()
    times = timer.run({
        "parse + json()": lambda: pylibjrl.parse(text).json(),
        "pylibjrl.parse": lambda: pylibjrl.parse(text),
        "json.loads(its JSON)": lambda: json.loads(compact),
    })
    print(f"\n== one-requirement file ({len(text)} bytes, JSON {len(compact)} bytes)")
    n = len(text.encode())
    print_table(times, {k: (n if k != "json.loads(its JSON)" else len(compact), 0) for k in times})
    ratio = times["parse + json()"]["median"] / times["json.loads(its JSON)"]["median"]
    print(f"  (parse + json()) / json.loads: {ratio:.2f}")
    return {"ratio": ratio, "times": times}


def bench_flatness(texts: dict, timer: Timer) -> dict:
    """Time per MB of each operation at every realistic size of 1 MB or more."""
    per_mb: dict[str, dict[str, float]] = {}
    for label, text in texts.items():
        n = len(text.encode("utf-8"))
        obj = pylibjrl.parse(text)
        times = timer.run({
            "parse": lambda: pylibjrl.parse(text),
            "json()": obj.json,
            "json_pretty()": obj.json_pretty,
            "str()": lambda: str(obj),
        })
        del obj
        for op, t in times.items():
            per_mb.setdefault(op, {})[label] = t["median"] / (n / MB)
    print("\n== flatness: median ms per input MB")
    labels = list(texts)
    print(f"  {'operation':<16}" + "".join(f"{l:>10}" for l in labels) + f"{'max/min':>10}")
    spread = {}
    for op, row in per_mb.items():
        values = [row[l] for l in labels]
        spread[op] = max(values) / min(values)
        print(f"  {op:<16}" + "".join(f"{v * 1e3:10.2f}" for v in values) + f"{spread[op]:10.2f}")
    return spread


def bench_pathological(timer: Timer, quick: bool) -> dict:
    """Each pathological file at a tenth of its scale and at full scale; time
    per byte must stay the same."""
    print("\n== pathological files: parse (or failing parse + error text)")
    print(f"  {'file':<26}{'bytes':>12}{'median ms':>11}{'MB/s':>9}"
          f"{'bytes':>12}{'median ms':>11}{'MB/s':>9}{'per-byte ratio':>15}  result")
    out = {}
    for name, (_, standard, ok) in corpus.PATHOLOGICAL.items():
        row = []
        for scale in (standard // 10, standard):
            text = corpus.pathological_file(name, scale).read_text(encoding="utf-8")
            n = len(text.encode("utf-8"))
            fn = (lambda t=text: pylibjrl.parse(t)) if ok else (lambda t=text: error_text(t))
            t = timer.run({name: fn})[name]["median"]
            row.append((n, t))
        (n1, t1), (n2, t2) = row
        ratio = (t2 / n2) / (t1 / n1)
        out[name] = ratio
        print(f"  {name:<26}{n1:>12,}{ms(t1):>11}{mbps(n1, t1)}{n2:>12,}{ms(t2):>11}"
              f"{mbps(n2, t2)}{ratio:15.2f}  {'parsed' if ok else 'ValueError'}")
    deep = corpus.deep_statement(corpus.MAX_DEPTH)
    too_deep = corpus.deep_statement(corpus.MAX_DEPTH + 1)
    times = timer.run({
        "depth 256, one requirement": lambda: pylibjrl.parse(deep),
        "depth 257 (rejected)": lambda: error_text(too_deep),
    })
    for k, t in times.items():
        print(f"  {k:<26}{len(deep):>12,}{ms(t['median']):>11}")
    first_line = error_text(too_deep).splitlines()[-1].strip()
    print(f"  depth 257 says: {first_line}")
    return out


MEMORY_CHILD = r"""
import ctypes, gc, json, sys
import pylibjrl
libc = ctypes.CDLL("libc.so.6")
def status(key):
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1]) * 1024
text = open(sys.argv[1], encoding="utf-8").read()
gc.collect(); libc.malloc_trim(0)
before = status("VmRSS")
with open("/proc/self/clear_refs", "w") as f:
    f.write("5")
try:
    obj = pylibjrl.parse(text)
except ValueError:
    obj = None
peak = status("VmHWM")
gc.collect(); libc.malloc_trim(0)
after = status("VmRSS")
print(json.dumps({"bytes": len(text.encode()), "before": before, "peak": peak,
                  "after": after, "ok": obj is not None}))
"""


def bench_memory(paths: list[Path]) -> dict:
    print("\n== peak resident memory of one parse (child process), bytes per input byte")
    print(f"  {'file':<34}{'input':>13}{'peak-before':>13}{'model':>9}{'transient':>11}")
    out = {}
    for path in paths:
        res = subprocess.run([sys.executable, "-c", MEMORY_CHILD, str(path)],
                             capture_output=True, text=True, check=True)
        m = json.loads(res.stdout)
        n = m["bytes"]
        extra = (m["peak"] - m["before"]) / n
        model = (m["after"] - m["before"]) / n
        transient = (m["peak"] - m["after"]) / n
        out[path.stem] = transient
        print(f"  {path.stem:<34}{n:>13,}{extra:13.2f}{model:9.2f}{transient:11.2f}")
    print("  (peak-before: all memory a parse adds at its peak; model: what the"
          " finished object keeps; transient: peak beyond the model)")
    return out


def machine() -> str:
    cpu = platform.processor() or "unknown CPU"
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    load = " ".join(f"{x:.2f}" for x in os.getloadavg())
    return (f"{cpu}, {os.cpu_count()} CPUs; {platform.system()} {platform.release()}; "
            f"CPython {platform.python_version()}; load average {load}")


def main() -> None:
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--quick", action="store_true", help="3 short repeats instead of 7")
    ap.add_argument("--repeat", type=int, help="repeats of every measurement")
    ap.add_argument("--seed", type=int, default=corpus.DEFAULT_SEED)
    ap.add_argument("--no-100m", action="store_true", help="leave out the 100 MB corpus")
    ap.add_argument("--no-pathological", action="store_true")
    ap.add_argument("--no-memory", action="store_true")
    args = ap.parse_args()
    repeat = args.repeat or (3 if args.quick else 7)
    timer = Timer(repeat, 0.05 if args.quick else 0.25)

    print(f"pylibjrl benchmark, {datetime.datetime.now().astimezone():%Y-%m-%d %H:%M %Z}")
    print(f"machine: {machine()}")
    print(f"module: {pylibjrl.__file__}; seed {args.seed}; {repeat} repeats; "
          f"MB = 2^20 bytes; gc off while timing")

    labels = ["2K", "1M", "10M"] + ([] if args.no_100m else ["100M"])
    paths = {l: corpus.realistic_file(l, args.seed) for l in labels}
    texts = {l: paths[l].read_text(encoding="utf-8") for l in labels}

    results = {l: bench_corpus(l, texts[l], timer, baselines=True) for l in ["2K", "1M", "10M"]}
    one = bench_one_requirement(timer)
    flat = bench_flatness({l: texts[l] for l in labels if l != "2K"}, timer)
    del texts
    path_ratios = {} if args.no_pathological else bench_pathological(timer, args.quick)
    memory = {}
    if not args.no_memory:
        mem_paths = [paths[l] for l in labels if l != "2K"]
        if not args.no_pathological:
            mem_paths += [corpus.pathological_file(n) for n in corpus.PATHOLOGICAL]
        memory = bench_memory(mem_paths)

    print("\n== targets")
    checks = []
    for l in ["1M", "10M"]:
        r = results[l]["ratios"]
        checks += [
            (f"{l}: parse >= 10x faster than json.loads", r["json.loads / parse"], ">=", 10),
            (f"{l}: json() >= 10x faster than json.dumps", r["json.dumps / json()"], ">=", 10),
            (f"{l}: json_pretty() within 2x of json() per output byte", r["pretty/json per output byte"], "<=", 2),
            (f"{l}: str() within 2x of json() per output byte", r["str/json per output byte"], "<=", 2),
        ]
    # parse within 1.2x from 1 MB to 100 MB, the renderings within 1.3x.
    for op, spread in flat.items():
        checks.append((f"{op}: time per MB, largest/smallest over {', '.join(l for l in labels if l != '2K')}",
                       spread, "<=", 1.2 if op == "parse" else 1.3))
    for name, ratio in path_ratios.items():
        checks.append((f"{name}: linear (per-byte time at n / at n/10)", ratio, "<=", 1.2))
    for name, transient in memory.items():
        checks.append((f"{name}: transient memory per input byte", transient, "<=", 8))
    checks.append(("one requirement: (parse + json()) / json.loads", one["ratio"], "<=", 2))
    met = 0
    for text, value, op, bound in checks:
        ok = value >= bound if op == ">=" else value <= bound
        met += ok
        print(f"  {'MET ' if ok else 'MISS'} {text}: {value:.2f} (target {op} {bound})")
    for l in ["1M", "10M"]:
        share = results[l]["ratios"]["encode share of parse"]
        print(f"  info {l}: the UTF-8 copy takes {share * 100:.1f}% of a parse's time")
    print(f"  {met} of {len(checks)} targets met")


if __name__ == "__main__":
    main()
