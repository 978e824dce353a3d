"""A small interpreter of TextMate grammars, for the tests.

It applies a grammar line by line as an editor does, with the same regular
expression engine (Oniguruma), and gives each character of a text the stack
of scopes it ends up with. It knows what the JRL grammar uses: `match` and
`begin`/`end` rules with `name` and captures, nested `patterns`, and
`include` of repository rules and of `$self`. Among rules that match, the
one whose match starts first wins; on a tie, the end of the open rule, then
the rules in their order.
"""

from __future__ import annotations

import onigurumacffi


class Grammar:
    def __init__(self, data: dict) -> None:
        self.data = data
        self.scope = data["scopeName"]
        self._regexes: dict[str, onigurumacffi._Pattern] = {}

    def regex(self, pattern: str):
        if pattern not in self._regexes:
            self._regexes[pattern] = onigurumacffi.compile(pattern)
        return self._regexes[pattern]

    def rules(self, patterns: list[dict]) -> list[dict]:
        """The match and begin rules of a pattern list, includes resolved."""
        found: list[dict] = []
        for pattern in patterns:
            if "include" in pattern:
                ref = pattern["include"]
                if ref == "$self":
                    found += self.rules(self.data["patterns"])
                else:
                    assert ref.startswith("#"), ref
                    found += self.rules([self.data["repository"][ref[1:]]])
            elif "match" in pattern or "begin" in pattern:
                found.append(pattern)
            else:
                found += self.rules(pattern["patterns"])
        return found

    def scopes(self, text: str) -> list[tuple[str, ...]]:
        """The scope stack of every character of `text`, in order."""
        result: list[tuple[str, ...]] = []
        stack: list[tuple[dict, tuple[str, ...]]] = []
        # Lines end at line feeds only (str.splitlines would also split at
        # form feeds and other separators that editors keep inside a line).
        for line in text.split("\n"):
            body = line.rstrip("\r")
            # Editors hand a grammar each line with a line feed at its end.
            result += self._line(body + "\n", stack)[: len(body)]
            result += [(self.scope,)] * (len(line) - len(body) + 1)
        return result[: len(text)]

    def _line(self, line: str, stack: list) -> list[tuple[str, ...]]:
        out: list[tuple[str, ...]] = []
        pos = 0
        cache: dict[str, tuple[int, object]] = {}

        def search(pattern: str):
            # A search from an earlier position whose match starts at or after
            # `pos` is also the first match from `pos`.
            hit = cache.get(pattern)
            if hit is None or hit[0] > pos or (hit[1] is not None and hit[1].start() < pos):
                hit = (pos, self.regex(pattern).search(line, pos))
                cache[pattern] = hit
            return hit[1]

        while pos < len(line):
            rule, base = stack[-1] if stack else (None, (self.scope,))
            patterns = rule["patterns"] if rule else self.data["patterns"]
            best, best_rule, is_end = None, None, False
            if rule is not None:
                best, best_rule, is_end = search(rule["end"]), rule, True
            for candidate in self.rules(patterns):
                m = search(candidate.get("match") or candidate["begin"])
                if m is not None and (best is None or m.start() < best.start()):
                    best, best_rule, is_end = m, candidate, False
            if best is None:
                out += [base] * (len(line) - pos)
                break
            out += [base] * (best.start() - pos)
            if is_end:
                stack.pop()
                out += self._captured(best, base, rule.get("endCaptures", {}))
            elif "match" in best_rule:
                inner = base + ((best_rule["name"],) if "name" in best_rule else ())
                out += self._captured(best, inner, best_rule.get("captures", {}))
            else:
                inner = base + ((best_rule["name"],) if "name" in best_rule else ())
                out += self._captured(best, inner, best_rule.get("beginCaptures", {}))
                stack.append((best_rule, inner))
            if best.end() == best.start() and not is_end and "match" in best_rule:
                out.append(base)  # an empty match moves on by one character
                pos = best.end() + 1
            else:
                pos = best.end()
        return out

    @staticmethod
    def _captured(match, scopes: tuple[str, ...], captures: dict) -> list[tuple[str, ...]]:
        start = match.start()
        chars = [scopes] * (match.end() - start)
        for group, capture in sorted(captures.items(), key=lambda item: int(item[0])):
            begin, end = match.span(int(group))
            for i in range(max(begin, start), end):
                chars[i - start] = chars[i - start] + (capture["name"],)
        return chars
