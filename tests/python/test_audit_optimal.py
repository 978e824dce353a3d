"""The audit's allocation is the best by its criteria: on thousands of
seeded random programmes, catalogues and records using every construct, its
objective equals the optimum a general MILP solver (HiGHS) finds, criterion
by criterion, and on the smallest ones the optimum of plain enumeration.

The model below is written from the rules of the audit, independently of
the engine: its own matching, eligibility and constraints."""

import itertools
import json
import random
from dataclasses import dataclass, field
from typing import Any, Dict, List, Optional, Tuple

import pytest

import jrl

highspy = pytest.importorskip("highspy")

DEPARTMENTS = ("MATH", "CSCI", "HIST")
TAGS = ("T1", "T2")
DISTS = ("D1", "D2")
CODES = ("P1", "P2")
PLACEMENTS = ("PA", "PB")
FAILING = {"F", "U", "NP", "NC", "W", "WF", "WU", "I", "AU"}
COST = {"completed": 0, "in-progress": 1, "planned": 2}


# ---- instances ---------------------------------------------------------------

def random_catalogue(rng: random.Random) -> Dict[str, Any]:
    courses: Dict[str, Dict[str, Any]] = {}
    while len(courses) < rng.randint(6, 12):
        code = f"{rng.choice(DEPARTMENTS)} {rng.choice((1100, 1200, 2100, 3100, 4100, 4200))}"
        code += "L" if rng.random() < 0.15 else ""
        entry: Dict[str, Any] = {"course": code, "credits": rng.choice((0, 1, 3, 4))}
        if rng.random() < 0.5:
            entry["tags"] = rng.sample(TAGS, rng.randint(1, 2))
        if rng.random() < 0.3:
            entry["programme_tags"] = {rng.choice(CODES): [rng.choice(TAGS)]}
        if rng.random() < 0.5:
            entry["distributions"] = rng.sample(DISTS, rng.randint(1, 2))
        if rng.random() < 0.3:
            entry["programme_distributions"] = {rng.choice(CODES): [rng.choice(DISTS)]}
        courses[code] = entry
    return {"name": "random", "courses": list(courses.values()), "placements": list(PLACEMENTS),
            "programme_codes": list(CODES)}


@dataclass
class Fn:
    """A function call: its name and arguments."""
    name: str
    args: Tuple[Any, ...]

    def text(self) -> str:
        parts = [f'"{a}"' if isinstance(a, str) and " " not in a else a for a in self.args]
        return f"{self.name}({', '.join(str(p) for p in parts)})"


@dataclass
class Q:
    """A query: its bounds and entries."""
    lo: int
    hi: int
    entries: List[Any]
    bare: bool = False  # one entry written without brackets

    def text(self) -> str:
        q = str(self.lo) if self.lo == self.hi and self.lo > 0 else f"{self.lo}-{self.hi}"
        inner = ", ".join(e.text() for e in self.entries)
        return f"SELECT {q} FROM {inner if self.bare else '[' + inner + ']'}"


def random_function(rng: random.Random, courses: List[str]) -> Fn:
    dept = rng.choice(DEPARTMENTS)
    first, last = f"{dept} {rng.choice((1000, 2000, 3000))}", f"{dept} {rng.choice((2999, 4999))}"
    kind = rng.randrange(9)
    if kind == 0:
        return Fn("CLASS", (rng.choice(courses),))
    if kind == 1:
        return Fn("RANGE", (first, last))
    if kind == 2:
        return Fn("TAG", (rng.choice(TAGS),))
    if kind == 3:
        return Fn("TAG_DEPT", (rng.choice(TAGS), rng.choice(CODES)))
    if kind == 4:
        return Fn("DIST", (rng.choice(DISTS),))
    if kind == 5:
        return Fn("DIST_DEPT", (rng.choice(DISTS), rng.choice(CODES)))
    if kind == 6:
        return Fn("RANGE_TAG", (first, last, rng.choice(TAGS)))
    if kind == 7:
        return Fn("RANGE_DIST", (first, last, rng.choice(DISTS)))
    return Fn("PLACEMENT", (rng.choice(PLACEMENTS),))


def random_query(rng: random.Random, courses: List[str], lo: int, depth: int) -> Q:
    entries: List[Any] = []
    for _ in range(rng.randint(1, 3)):
        roll = rng.random()
        if depth < 2 and roll < 0.15:
            entries.append(random_query(rng, courses, rng.randint(1, 2), depth + 1))
        elif depth < 2 and roll < 0.3:
            entries.append(random_query(rng, courses, 0, depth + 1))
        else:
            entries.append(random_function(rng, courses))
    hi = rng.randint(1, 2) if lo == 0 else lo + (rng.randint(0, 2) if rng.random() < 0.4 else 0)
    return Q(lo, hi, entries, bare=len(entries) == 1 and isinstance(entries[0], Fn) and rng.random() < 0.5)


@dataclass
class Statement:
    query: Q
    limit: bool
    priority: int


def random_programme(rng: random.Random, courses: List[str]) -> List[Statement]:
    out = []
    for i in range(rng.randint(1, 5)):
        if i > 0 and rng.random() < 0.2:
            q = random_query(rng, courses, 0, 2)
            q.lo = q.hi = rng.randint(1, 2)
            out.append(Statement(q, True, 1))
        else:
            out.append(Statement(random_query(rng, courses, rng.randint(1, 3), 0), False,
                                 rng.choice((1, 1, 2, 3))))
    return out


def programme_text(statements: List[Statement]) -> str:
    lines = []
    for i, s in enumerate(statements):
        if s.limit:
            lines.append(f'LIMIT {s.query.hi} FROM {s.query.text().split(" FROM ", 1)[1]} : "L{i}";')
        else:
            lines.append(f'{s.query.text()} : "R{i}" : {s.priority};')
    return "\n".join(lines) + "\n"


def random_record(rng: random.Random, courses: List[str], selects: List[int],
                  size: int) -> Dict[str, Any]:
    attempts = []
    for _ in range(size):
        code = rng.choice(courses) if rng.random() < 0.85 else f"{rng.choice(DEPARTMENTS)} 2990"
        attempt: Dict[str, Any] = {"course": code, "term": f"T{rng.randint(1, 9)}"}
        roll = rng.random()
        if roll < 0.2:
            attempt["status"] = "in-progress"
        elif roll < 0.35:
            attempt["status"] = "planned"
        if rng.random() < 0.15:
            attempt["grade"] = rng.choice(("f", "W", "A", "B+", "nc"))
        if rng.random() < 0.15:
            attempt["tags"] = [rng.choice(TAGS)]
        attempts.append(attempt)
    record: Dict[str, Any] = {"student": "S", "attempts": attempts,
                              "placements": rng.sample(PLACEMENTS, rng.randint(0, 2))}
    if selects and rng.random() < 0.3:
        ex: Dict[str, Any] = {}
        if rng.random() < 0.4:
            ex["waive"] = [rng.choice(selects)]
        if rng.random() < 0.6:
            ex["substitute"] = [{"requirement": rng.choice(selects), "course": rng.choice(courses)}]
        if rng.random() < 0.6:
            ex["block"] = [{"requirement": rng.choice(selects), "course": rng.choice(courses)}]
        record["exceptions"] = ex
    return record


# ---- the model: matching, eligibility, where each item may count -----------

def split(code: str) -> Tuple[str, int, bool]:
    return code[:4], int(code[5:9]), code.endswith("L")


def matches(fn: Fn, code: str, course: Optional[Dict[str, Any]], own_tags: List[str]) -> bool:
    """Whether the call selects an attempt at ``code`` (``course`` its
    catalogue entry, or None)."""
    dept, number, _ = split(code)
    course = course or {}
    tags_all = set(course.get("tags", [])) | set(own_tags)
    tags_by = {c: set(v) for c, v in course.get("programme_tags", {}).items()}
    dists_all = set(course.get("distributions", []))
    dists_by = {c: set(v) for c, v in course.get("programme_distributions", {}).items()}

    def in_range(a: str, b: str) -> bool:
        da, na, _ = split(a)
        db, nb, _ = split(b)
        return da == db == dept and na <= number <= nb

    def tag(t: str, code_: Optional[str] = None) -> bool:
        if t in tags_all:
            return True
        return any(t in v for c, v in tags_by.items() if code_ is None or c == code_)

    def dist(d: str, code_: Optional[str] = None) -> bool:
        if d in dists_all:
            return True
        return any(d in v for c, v in dists_by.items() if code_ is None or c == code_)

    n, a = fn.name, fn.args
    if n == "CLASS":
        return bool(a[0] == code)
    if n == "RANGE":
        return in_range(a[0], a[1])
    if n == "TAG":
        return tag(a[0])
    if n == "TAG_DEPT":
        return tag(a[0], a[1])
    if n == "DIST":
        return dist(a[0])
    if n == "DIST_DEPT":
        return dist(a[0], a[1])
    if n == "RANGE_TAG":
        return in_range(a[0], a[1]) and tag(a[2])
    if n == "RANGE_DIST":
        return in_range(a[0], a[1]) and dist(a[2])
    return False


def eligible(record: Dict[str, Any], include: Tuple[str, ...]) -> List[Dict[str, Any]]:
    kept: Dict[str, Dict[str, Any]] = {}
    for a in record["attempts"]:
        status = a.get("status", "completed")
        if status not in include:
            continue
        if status == "completed" and a.get("grade", "").upper() in FAILING:
            continue
        old = kept.get(a["course"])
        if old is None or COST[status] <= COST[old.get("status", "completed")]:
            kept[a["course"]] = a
    return list(kept.values())


@dataclass
class Node:
    lo: int
    hi: int
    req: int
    parent: Optional[int]
    caps: List[int] = field(default_factory=list)  # each cap's allowed count
    # Offered calls, each with the caps (indexes into caps) it lies inside.
    calls: List[Tuple[Fn, Tuple[int, ...]]] = field(default_factory=list)
    groups: List[Tuple[int, Tuple[int, ...]]] = field(default_factory=list)
    path: Tuple[int, ...] = ()


@dataclass
class Model:
    nodes: List[Node]
    roots: List[int]          # by requirement
    priority: List[int]
    waived: List[bool]
    attempts: List[Dict[str, Any]]
    # (attempt, node) -> the caps of the node it counts against there
    x: Dict[Tuple[int, int], Tuple[int, ...]]
    # (placement, node) -> its caps there
    y: Dict[Tuple[str, int], Tuple[int, ...]]
    limits: List[Tuple[int, List[int]]]  # allowed, the attempts it counts
    tiers: List[int]


def build_model(statements: List[Statement], catalogue: Dict[str, Any], record: Dict[str, Any],
                include: Tuple[str, ...]) -> Model:
    courses = {c["course"]: c for c in catalogue["courses"]}
    selects = [i for i, s in enumerate(statements) if not s.limit]
    ex = record.get("exceptions", {})
    waived_idx = set(ex.get("waive", []))
    subst = {(e["requirement"], e["course"]) for e in ex.get("substitute", [])}
    block = {(e["requirement"], e["course"]) for e in ex.get("block", [])}
    nodes: List[Node] = []
    roots = []

    def walk(node: int, q: Q, path: Tuple[int, ...], caps: Tuple[int, ...]) -> None:
        for i, e in enumerate(q.entries):
            at = path + (i,)
            if isinstance(e, Fn):
                nodes[node].calls.append((e, caps))
            elif e.lo == 0:
                nodes[node].caps.append(e.hi)
                walk(node, e, at, caps + (len(nodes[node].caps) - 1,))
            else:
                nodes.append(Node(e.lo, e.hi, nodes[node].req, node, path=at))
                child = len(nodes) - 1
                nodes[node].groups.append((child, caps))
                walk(child, e, at, ())

    for r, i in enumerate(selects):
        q = statements[i].query
        nodes.append(Node(q.lo, q.hi, r, None))
        roots.append(len(nodes) - 1)
        walk(len(nodes) - 1, q, (), ())
    attempts = eligible(record, include)
    waived = [i in waived_idx for i in selects]
    x: Dict[Tuple[int, int], Tuple[int, ...]] = {}
    for a, att in enumerate(attempts):
        code = att["course"]
        for n, node in enumerate(nodes):
            index = selects[node.req]
            if waived[node.req] or (index, code) in block:
                continue
            hit = [caps for fn, caps in node.calls if matches(fn, code, courses.get(code), att.get("tags", []))]
            if hit or (node.parent is None and (index, code) in subst):
                x[(a, n)] = tuple(sorted({c for caps in hit for c in caps}))
    y: Dict[Tuple[str, int], Tuple[int, ...]] = {}
    for n, node in enumerate(nodes):
        if waived[node.req]:
            continue
        for fn, caps in node.calls:
            if fn.name == "PLACEMENT" and fn.args[0] in record["placements"]:
                y[(fn.args[0], n)] = tuple(sorted(set(y.get((fn.args[0], n), ())) | set(caps)))
    limits = []

    def calls_of(q: Q) -> List[Fn]:
        return [c for e in q.entries for c in ([e] if isinstance(e, Fn) else calls_of(e))]

    for s in statements:
        if s.limit:
            fns = [f for f in calls_of(s.query) if f.name != "PLACEMENT"]
            limits.append((s.query.hi, [a for a, att in enumerate(attempts) if any(
                matches(f, att["course"], courses.get(att["course"]), att.get("tags", [])) for f in fns)]))
    priority = [statements[i].priority for i in selects]
    return Model(nodes, roots, priority, waived, attempts, x, y, limits,
                 sorted(set(priority), reverse=True))


def evaluate(m: Model, x: Dict[int, int], y: set, z: set) -> Optional[Tuple[int, ...]]:
    """The objective of an allocation (attempt -> node, placements (p, node)
    used, groups counted), or None when it breaks a rule."""
    items = [0] * len(m.nodes)
    cap_use: Dict[Tuple[int, int], int] = {}
    for a, n in x.items():
        if (a, n) not in m.x:
            return None
        items[n] += 1
        for c in m.x[(a, n)]:
            cap_use[(n, c)] = cap_use.get((n, c), 0) + 1
    for p, n in y:
        if (p, n) not in m.y:
            return None
        items[n] += 1
        for c in m.y[(p, n)]:
            cap_use[(n, c)] = cap_use.get((n, c), 0) + 1
    for n, node in enumerate(m.nodes):
        for g, caps in node.groups:
            if g in z:
                items[n] += 1
                for c in caps:
                    cap_use[(n, c)] = cap_use.get((n, c), 0) + 1
    for n, node in enumerate(m.nodes):
        if items[n] > node.hi:
            return None
        if node.parent is not None:
            if n in z and items[n] < node.lo:
                return None
            if n not in z and items[n] > 0:
                return None
    for (n, c), used in cap_use.items():
        if used > m.nodes[n].caps[c]:
            return None
    for allowed, counted in m.limits:
        if sum(1 for a in counted if a in x) > allowed:
            return None
    sat = {t: 0 for t in m.tiers}
    progress = fill = 0
    for r, root in enumerate(m.roots):
        lo = m.nodes[root].lo
        if m.waived[r]:
            sat[m.priority[r]] += 1
            progress += lo
            continue
        sat[m.priority[r]] += items[root] >= lo
        progress += min(items[root], lo)
        fill += items[root]
    settled = sum(COST[m.attempts[a].get("status", "completed")] for a in x)
    return tuple(sat[t] for t in m.tiers) + (progress, -settled, fill)


# ---- the optimum by MILP, one criterion at a time ---------------------------

def milp_optimum(m: Model) -> Tuple[int, ...]:
    h = highspy.Highs()
    h.setOptionValue("output_flag", False)
    # Presolve of these tiny models sometimes ends in a postsolve error.
    h.setOptionValue("presolve", "off")
    # One thread: HiGHS's pool costs far more than these models take to solve.
    h.setOptionValue("threads", 1)
    columns: Dict[Any, int] = {}

    def var(key: Any, upper: float = 1.0) -> int:
        columns[key] = h.getNumCol()
        h.addVar(0.0, upper)
        h.changeColIntegrality(columns[key], highspy.HighsVarType.kInteger)
        return columns[key]

    def row(lower: float, upper: float, terms: Dict[int, float]) -> None:
        idx = list(terms)
        h.addRow(lower, upper, len(idx), idx, [terms[i] for i in idx])

    inf = highspy.kHighsInf
    for key in m.x:
        var(("x",) + key)
    for key in m.y:
        var(("y",) + key)
    groups = [n for n, node in enumerate(m.nodes) if node.parent is not None]
    for g in groups:
        var(("z", g))
    roots = [root for r, root in enumerate(m.roots) if not m.waived[r]]
    for root in roots:
        var(("s", root))
        var(("p", root), float(m.nodes[root].lo))

    def items(n: int) -> Dict[int, float]:
        terms = {columns[("x", a, k)]: 1.0 for (a, k) in m.x if k == n}
        terms.update({columns[("y", p, k)]: 1.0 for (p, k) in m.y if k == n})
        terms.update({columns[("z", g)]: 1.0 for g, _ in m.nodes[n].groups})
        return terms

    for a in range(len(m.attempts)):  # each attempt at most once
        terms = {columns[("x", b, n)]: 1.0 for (b, n) in m.x if b == a}
        if terms:
            row(0, 1, terms)
    for n, node in enumerate(m.nodes):
        t = items(n)
        if node.parent is None:
            row(-inf, node.hi, t)
        else:  # counted: between lo and hi items; not counted: none
            z = columns[("z", n)]
            row(0, inf, {**t, z: -float(node.lo)})
            row(-inf, 0, {**t, z: -float(node.hi)})
        for c, allowed in enumerate(node.caps):
            terms = {columns[("x", a, k)]: 1.0 for (a, k), caps in m.x.items() if k == n and c in caps}
            terms.update({columns[("y", p, k)]: 1.0 for (p, k), caps in m.y.items() if k == n and c in caps})
            terms.update({columns[("z", g)]: 1.0 for g, caps in node.groups if c in caps})
            if terms:
                row(-inf, allowed, terms)
    for root in roots:
        t = items(root)
        row(0, inf, {**t, columns[("s", root)]: -float(m.nodes[root].lo)})
        row(0, inf, {**t, columns[("p", root)]: -1.0})
    for allowed, counted in m.limits:
        terms = {columns[("x", a, n)]: 1.0 for (a, n) in m.x if a in counted}
        if terms:
            row(-inf, allowed, terms)

    constant = {t: sum(1 for r in range(len(m.roots)) if m.waived[r] and m.priority[r] == t) for t in m.tiers}
    waived_progress = sum(m.nodes[m.roots[r]].lo for r in range(len(m.roots)) if m.waived[r])
    stages: List[Dict[int, float]] = []
    for t in m.tiers:
        stages.append({columns[("s", m.roots[r])]: 1.0 for r in range(len(m.roots))
                       if not m.waived[r] and m.priority[r] == t})
    stages.append({columns[("p", root)]: 1.0 for root in roots})
    stages.append({columns[("x", a, n)]: -float(COST[m.attempts[a].get("status", "completed")])
                   for (a, n) in m.x})
    fill: Dict[int, float] = {}
    for root in roots:
        for c, v in items(root).items():
            fill[c] = fill.get(c, 0.0) + v
    stages.append(fill)

    h.changeObjectiveSense(highspy.ObjSense.kMaximize)
    best = []
    for terms in stages:
        for c in range(h.getNumCol()):
            h.changeColCost(c, terms.get(c, 0.0))
        value = 0
        if terms:
            h.run()
            assert h.getModelStatus() == highspy.HighsModelStatus.kOptimal
            value = round(h.getInfo().objective_function_value)
        best.append(value)
        if terms:
            row(value, inf, terms)
    tiers = tuple(best[i] + constant[t] for i, t in enumerate(m.tiers))
    return tiers + (best[-3] + waived_progress, best[-2], best[-1])


# ---- the optimum by enumeration, for the smallest instances -----------------

def brute_optimum(m: Model, budget: int) -> Optional[Tuple[int, ...]]:
    """The best objective over every allocation, or None past ``budget`` of them."""
    choices = [[None] + [n for (b, n) in m.x if b == a] for a in range(len(m.attempts))]
    ys = list(m.y)
    groups = [n for n, node in enumerate(m.nodes) if node.parent is not None]
    total = 2 ** (len(ys) + len(groups))
    for c in choices:
        total *= len(c)
    if total > budget:
        return None
    best: Optional[Tuple[int, ...]] = None
    for pick in itertools.product(*choices):
        x = {a: n for a, n in enumerate(pick) if n is not None}
        for ybits in range(2 ** len(ys)):
            y = {ys[i] for i in range(len(ys)) if ybits >> i & 1}
            for zbits in range(2 ** len(groups)):
                z = {groups[i] for i in range(len(groups)) if zbits >> i & 1}
                value = evaluate(m, x, y, z)
                if value is not None and (best is None or value > best):
                    best = value
    return best


# ---- the engine --------------------------------------------------------------

def engine_objective(report: Dict[str, Any]) -> Tuple[int, ...]:
    o = report["objective"]
    return tuple(sat for _, sat, _ in o["priorities"]) + (o["progress"], -o["settled"], o["fill"])


def reported_allocation(m: Model, report: Dict[str, Any]) -> Tuple[Dict[int, int], set, set]:
    """The report's allocation in the model's terms."""
    index_of = {a["course"]: i for i, a in enumerate(m.attempts)}
    x: Dict[int, int] = {}
    y: set = set()
    z: set = set()

    def take(node: int, items: List[Dict[str, Any]]) -> None:
        for item in items:
            if "course" in item:
                a = index_of[item["course"]]
                assert a not in x, f"{item['course']} counted twice"
                x[a] = node
            elif "placement" in item:
                y.add((item["placement"], node))
            else:
                g = next(n for n, nd in enumerate(m.nodes)
                         if nd.parent is not None and nd.req == m.nodes[node].req and nd.path == tuple(item["group"]))
                z.add(g)
                take(g, item["items"])

    for r, req in enumerate(report["requirements"]):
        take(m.roots[r], req["items"])
    return x, y, z


@dataclass
class Instance:
    statements: List[Statement]
    catalogue: Dict[str, Any]
    record: Dict[str, Any]
    include: Tuple[str, ...]


def instances(seed: int, count: int, attempts: Tuple[int, int]) -> List[Instance]:
    rng = random.Random(seed)
    out = []
    catalogue = random_catalogue(rng)
    for i in range(count):
        if i % 50 == 0:
            catalogue = random_catalogue(rng)
        codes = [c["course"] for c in catalogue["courses"]]
        statements = random_programme(rng, codes)
        selects = [j for j, st in enumerate(statements) if not st.limit]
        record = random_record(rng, codes, selects, rng.randint(*attempts))
        include = ("completed", "in-progress", "planned") if rng.random() < 0.3 else ("completed", "in-progress")
        out.append(Instance(statements, catalogue, record, include))
    return out


_catalogues: Dict[str, Any] = {}


def run_engine(inst: Instance, tmp_path: Any) -> Dict[str, Any]:
    text = json.dumps(inst.catalogue)
    if text not in _catalogues:
        path = tmp_path / f"catalogue{len(_catalogues)}.json"
        path.write_text(text)
        _catalogues[text] = jrl.Catalogue.load(path)
    audit = jrl.audit(programme_text(inst.statements), _catalogues[text], inst.record, include=inst.include)
    assert audit.optimal
    return audit.to_dict()


def check(inst: Instance, report: Dict[str, Any], optimum: Tuple[int, ...], m: Model) -> None:
    context = f"\n{programme_text(inst.statements)}{json.dumps(inst.record)}\n{json.dumps(report)}"
    assert engine_objective(report) == optimum, context
    # The reported allocation keeps every rule and has the objective it reports.
    assert evaluate(m, *reported_allocation(m, report)) == optimum, context


def test_the_engine_reaches_the_milp_optimum(tmp_path: Any) -> None:
    for inst in instances(seed=2024, count=800, attempts=(2, 12)):
        m = build_model(inst.statements, inst.catalogue, inst.record, inst.include)
        check(inst, run_engine(inst, tmp_path), milp_optimum(m), m)


def test_the_milp_and_the_engine_agree_with_enumeration(tmp_path: Any) -> None:
    checked = 0
    for inst in instances(seed=7, count=400, attempts=(1, 5)):
        m = build_model(inst.statements, inst.catalogue, inst.record, inst.include)
        brute = brute_optimum(m, budget=4000)
        if brute is None:
            continue
        checked += 1
        assert milp_optimum(m) == brute
        check(inst, run_engine(inst, tmp_path), brute, m)
    assert checked > 150
