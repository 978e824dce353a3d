"""A degree audit written as a mixed-integer programme and solved by HiGHS:
the general solver the audit's own search is measured against.

    objective = audit_objective(programme, catalogue, record, include)

`programme` is a `jrl.File`, `catalogue` the catalogue's JSON as a dict,
`record` a student's record as a dict. The result has the audit report's
`objective` fields, solved lexicographically: one solve per criterion, each
fixing the optimum of those before it.
"""

from __future__ import annotations

from collections import defaultdict
from typing import Dict, Iterable, List, Optional, Sequence, Tuple

import highspy

import jrl

FAILING = {"F", "U", "NP", "NC", "W", "WF", "WU", "I", "AU"}
RANK = {"completed": 0, "in-progress": 1, "planned": 2}


class Attempt:
    __slots__ = ("course", "department", "number", "lab", "tags", "dists", "rank")

    def __init__(self, course: str, entry: Optional[dict], own_tags: Sequence[str], rank: int):
        self.course = course
        self.department, digits = course.split(" ")
        self.lab = digits.endswith("L")
        self.number = int(digits.rstrip("L"))
        self.rank = rank
        # (name, None) holds for every programme, (name, code) for one.
        self.tags = {(t, None) for t in own_tags}
        self.dists = set()
        if entry:
            self.tags |= {(t, None) for t in entry.get("tags", [])}
            self.dists = {(d, None) for d in entry.get("distributions", [])}
            for code, names in entry.get("programme_tags", {}).items():
                self.tags |= {(t, code) for t in names}
            for code, names in entry.get("programme_distributions", {}).items():
                self.dists |= {(d, code) for d in names}


def eligible(record: dict, catalogue: dict, include: Iterable[str]) -> List[Attempt]:
    """The attempts that take part, one per course: the most settled, and
    among equals the last listed."""
    courses = {c["course"]: c for c in catalogue["courses"]}
    kept: Dict[str, Tuple[int, dict]] = {}
    statuses = set(include)
    for attempt in record.get("attempts", []):
        status = attempt.get("status", "completed")
        if status not in statuses:
            continue
        if status == "completed" and attempt.get("grade", "").upper() in FAILING:
            continue
        rank = RANK[status]
        if attempt["course"] not in kept or rank <= kept[attempt["course"]][0]:
            kept[attempt["course"]] = (rank, attempt)
    return [Attempt(code, courses.get(code), a.get("tags", []), rank)
            for code, (rank, a) in sorted(kept.items())]


def _in_range(a: Attempt, first, last) -> bool:
    return (first.department == last.department == a.department
            and first.number <= a.number <= last.number)


def _has(names, name: str, code: Optional[str]) -> bool:
    if code is None:
        return any(n == name for n, _ in names)
    return (name, None) in names or (name, code) in names


def matches(selector, a: Attempt) -> bool:
    if isinstance(selector, jrl.Class):
        c = selector.course
        return (c.department, c.number, c.lab) == (a.department, a.number, a.lab)
    if isinstance(selector, jrl.Range):
        return _in_range(a, selector.first, selector.last)
    if isinstance(selector, jrl.Tag):
        return _has(a.tags, selector.tag, None)
    if isinstance(selector, jrl.TagDept):
        return _has(a.tags, selector.tag, selector.code)
    if isinstance(selector, jrl.Dist):
        return _has(a.dists, selector.dist, None)
    if isinstance(selector, jrl.DistDept):
        return _has(a.dists, selector.dist, selector.code)
    if isinstance(selector, jrl.RangeTag):
        return _in_range(a, selector.first, selector.last) and _has(a.tags, selector.tag, None)
    if isinstance(selector, jrl.RangeDist):
        return _in_range(a, selector.first, selector.last) and _has(a.dists, selector.dist, None)
    return False


def bounds(query) -> Tuple[int, int]:
    q = query.quantity
    return (q.count, q.count) if isinstance(q, jrl.Single) else (q.low, q.high)


def functions(query, into_groups: bool) -> List:
    """The functions of `query`, through its caps, and through its groups
    when `into_groups`."""
    out = []
    for s in query.selectors:
        if isinstance(s, jrl.NestedQuery):
            if into_groups or bounds(s.query)[0] == 0:
                out += functions(s.query, into_groups)
        elif not isinstance(s, jrl.Placement):
            out.append(s)
    return out


class Model:
    def __init__(self) -> None:
        self.h = highspy.Highs()
        self.h.setOptionValue("output_flag", False)
        self.h.setOptionValue("mip_rel_gap", 0.0)
        self.used: Dict[int, list] = defaultdict(list)  # attempt -> its x variables

    def binary(self):
        return self.h.addBinary()

    def node(self, query, attempts: List[Attempt], placements: set,
             extra: Sequence[int], blocked: set, settled: list) -> Tuple[object, list]:
        """Variables for one statement and what it offers, the groups inside
        it included; returns (its number of direct items, its item variables)."""
        lo, hi = bounds(query)
        own = functions(query, into_groups=False)
        items = []
        offered = []  # (variable, kind, key)
        for i, a in enumerate(attempts):
            if i in blocked:
                continue
            if i in extra or any(matches(f, a) for f in own):
                x = self.binary()
                self.used[i].append(x)
                settled.append((a.rank, x))
                offered.append((x, "attempt", i))
        def walk(q):  # placements and groups offered: own entries and caps
            for s in q.selectors:
                if isinstance(s, jrl.Placement):
                    yield ("placement", s.name, s)
                elif isinstance(s, jrl.NestedQuery):
                    if bounds(s.query)[0] == 0:
                        yield from walk(s.query)
                    else:
                        yield ("group", id(s), s)
        seen_placements = set()
        for kind, key, s in walk(query):
            if kind == "placement":
                if key in placements and key not in seen_placements:
                    seen_placements.add(key)
                    y = self.binary()
                    offered.append((y, "placement", key))
            else:
                z = self.binary()
                glo, ghi = bounds(s.query)
                count, _ = self.node(s.query, attempts, placements, (), blocked, settled)
                self.h.addConstr(count >= glo * z)
                self.h.addConstr(count <= ghi * z)
                offered.append((z, "group", key))
        items = [v for v, _, _ in offered]
        count = sum(items) if items else 0
        if items:
            self.h.addConstr(count <= hi)
        # Each cap, at any depth of caps, bounds the items that match it.
        def caps(q):
            for s in q.selectors:
                if isinstance(s, jrl.NestedQuery) and bounds(s.query)[0] == 0:
                    yield s.query
                    yield from caps(s.query)
        for cap in caps(query):
            cap_functions = functions(cap, into_groups=False)
            cap_placements = {k for kind, k, _ in walk(cap) if kind == "placement"}
            cap_groups = {k for kind, k, _ in walk(cap) if kind == "group"}
            counted = [v for v, kind, key in offered
                       if (kind == "attempt" and any(matches(f, attempts[key]) for f in cap_functions))
                       or (kind == "placement" and key in cap_placements)
                       or (kind == "group" and key in cap_groups)]
            if counted:
                self.h.addConstr(sum(counted) <= bounds(cap)[1])
        return count, items


def _requirement_index(ref, statements) -> Optional[int]:
    if isinstance(ref, int):
        return ref
    found = [i for i, r in enumerate(statements) if r.description == ref]
    return found[0] if len(found) == 1 else None


def audit_objective(programme, catalogue: dict, record: dict,
                    include: Iterable[str] = ("completed", "in-progress")) -> dict:
    attempts = eligible(record, catalogue, include)
    index = {a.course: i for i, a in enumerate(attempts)}
    placements = set(record.get("placements", []))
    statements = programme.requirements
    exceptions = record.get("exceptions", {})
    waived = {_requirement_index(r, statements) for r in exceptions.get("waive", [])}
    extra: Dict[int, set] = defaultdict(set)
    blocked: Dict[int, set] = defaultdict(set)
    for table, kind in ((extra, "substitute"), (blocked, "block")):
        for e in exceptions.get(kind, []):
            r = _requirement_index(e["requirement"], statements)
            if e["course"] in index:
                table[r].add(index[e["course"]])

    m = Model()
    settled: list = []
    tiers: Dict[int, list] = defaultdict(list)
    progress = []
    fill = []
    for r, requirement in enumerate(statements):
        query = requirement.query
        if query.kind == jrl.Kind.LIMIT:
            continue
        lo, _ = bounds(query)
        if r in waived:
            tiers[requirement.priority].append(1)
            progress.append(lo)
            continue
        count, items = m.node(query, attempts, placements, tuple(extra[r]), blocked[r], settled)
        s = m.binary()
        m.h.addConstr(count >= lo * s)
        p = m.h.addVariable(lb=0, ub=lo)
        m.h.addConstr(p <= count)
        tiers[requirement.priority].append(s)
        progress.append(p)
        fill += items
    for i, xs in m.used.items():
        if len(xs) > 1:
            m.h.addConstr(sum(xs) <= 1)
    for requirement in statements:
        if requirement.query.kind != jrl.Kind.LIMIT:
            continue
        limit_functions = functions(requirement.query, into_groups=True)
        counted = [x for i, a in enumerate(attempts)
                   if any(matches(f, a) for f in limit_functions) for x in m.used[i]]
        if counted:
            m.h.addConstr(sum(counted) <= bounds(requirement.query)[1])

    def best(expr, maximise: bool) -> int:
        if isinstance(expr, (int, float)):
            return int(expr)
        (m.h.maximize if maximise else m.h.minimize)(expr)
        value = round(m.h.getInfo().objective_function_value)
        m.h.addConstr(expr >= value if maximise else expr <= value)
        return value

    objective = {"priorities": [], "progress": 0, "settled": 0, "fill": 0}
    for priority in sorted(tiers, reverse=True):
        satisfied = best(sum(tiers[priority]), True)
        objective["priorities"].append([priority, satisfied, len(tiers[priority])])
    objective["progress"] = best(sum(progress), True)
    objective["settled"] = best(sum(rank * x for rank, x in settled), False)
    objective["fill"] = best(sum(fill), True)
    return objective
