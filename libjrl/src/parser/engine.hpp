// A parsing-expression engine built from compile-time combinators.
//
// An expression is an empty type with a static `match(state)` that returns
// whether it matched. On failure an expression leaves the position and the
// node queue as it found them. A grammar declares each rule as a type
// deriving from one of the rule kinds (Normal, Silent, Atomic,
// CompoundAtomic, NonAtomic) over its body, and runs its start rule with
// `run<Start, Skip>`, where Skip is the implicit whitespace-and-comment
// expression.
//
// A run happens at most twice: first building the tree without failure
// tracking; only if that fails, once more tracking attempts and building
// nothing, to find the error position and the rules expected there. Tracking
// never changes what matches, so both runs take the same path.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <expected>
#include <string_view>
#include <vector>

#include "parser/engine_failure.hpp"
#include "parser/parse_tree.hpp"
#include "language/rule.hpp"

namespace jrl::peg {

// Combinators and primitives fold into the rule that uses them; only rules
// remain calls, which bounds code size and keeps recursion on rules alone.
#define JRL_PEG_INLINE [[gnu::always_inline]] inline

enum class Lookahead : std::uint8_t { none, positive, negative };
enum class Atomicity : std::uint8_t { atomic, compound_atomic, non_atomic };

inline constexpr std::size_t UNBOUNDED = static_cast<std::size_t>(-1);

// Whether expression E can match a non-empty text beginning with byte c.
// Expressions that tell nothing answer yes.
template <class E>
constexpr bool can_start(unsigned char c) {
  if constexpr (requires { E::can_start(c); }) {
    return E::can_start(c);
  } else {
    return true;
  }
}

// Whether E can match the empty text; expressions that tell nothing answer
// yes, which only makes a sequence ask its next element too.
template <class E>
constexpr bool can_be_empty() {
  if constexpr (requires { E::can_be_empty(); }) {
    return E::can_be_empty();
  } else {
    return true;
  }
}

// The node queue: a rule pushes its node when it starts, fills in the end
// when it succeeds, and a failure truncates back. Capacity is reserved, not
// filled, so pages the run never reaches are never touched; the nodes so far
// are readable through NodeRef.
class NodeQueue {
 public:
  std::size_t size() const { return tree.nodes.size(); }
  Node& operator[](std::size_t i) { return tree.nodes[i]; }
  JRL_PEG_INLINE void push(const Node& node) {
    if (tree.nodes.size() == tree.nodes.capacity()) [[unlikely]]
      grow();
    tree.nodes.push_back(node);
  }
  void truncate(std::size_t size) {
    tree.nodes.erase(tree.nodes.begin() + static_cast<std::ptrdiff_t>(size),
                     tree.nodes.end());
  }
  void reserve(std::size_t capacity) { tree.nodes.reserve(capacity); }
  ParseTree take() && { return std::move(tree); }

  ParseTree tree;

 private:
  [[gnu::noinline]] void grow() {
    tree.nodes.reserve(tree.nodes.capacity() * 2 + 64);
  }
};

// The state of one run. `Tree` builds the node queue, `Track` records
// attempts; `Skip` is run between the elements of non-atomic sequences.
template <class Skip, bool Tree, bool Track>
struct State {
  static constexpr bool TREE = Tree;
  static constexpr bool TRACK = Track;

  explicit State(std::string_view text) : input(text) {
    queue.tree.input = text;
  }

  std::string_view input;
  std::size_t pos = 0;
  NodeQueue queue;  // pre-order; a failed rule truncates its nodes
  Lookahead lookahead = Lookahead::none;
  Atomicity atomicity = Atomicity::non_atomic;
  std::size_t attempt_pos = 0;
  std::vector<Rule> positives;
  std::vector<Rule> negatives;
  std::size_t depth = 0;  // nesting levels entered through Nest
  bool halted = false;    // the run was stopped; everything fails from here
  std::size_t halt_pos = 0;
  NodeSink* sink = nullptr;  // receives what Drain matched

  std::size_t remaining() const { return input.size() - pos; }

  // Implicit whitespace and comments, only in non-atomic mode.
  JRL_PEG_INLINE void skip() {
    if (atomicity != Atomicity::non_atomic || pos == input.size()) return;
    // Most skips find nothing; the byte ahead tells without running Skip.
    if (can_start<Skip>(static_cast<unsigned char>(input[pos]))) {
      skip_in_atomic_mode();
    }
  }
  void skip_in_atomic_mode() {
    atomicity = Atomicity::atomic;
    Skip::match(*this);
    atomicity = Atomicity::non_atomic;
  }

  void halt(std::size_t at) {
    halted = true;
    halt_pos = at;
  }

  // Records the attempt of rule `r` started at `p`, which decides what an
  // error report names. `pi` and `ni` are the lengths of the positive and
  // negative lists when `r` started, or 0 if `p` was not the attempt
  // position then. The rules, in order:
  //  1. In atomic mode nothing is recorded.
  //  2. If exactly one attempt was recorded at `p` by r's insides, that more
  //     specific attempt stands instead of `r`: nothing changes.
  //  3. Otherwise, at the attempt position, what r's insides recorded there
  //     is dropped (the lists go back to `pi` and `ni`).
  //  4. Past the attempt position, both lists are emptied and `p` becomes
  //     the attempt position.
  //  5. At the attempt position `r` is appended, to the negatives under
  //     negative lookahead, else to the positives. An attempt before the
  //     attempt position is dropped.
  // The callers track a failed rule, or one that matched under negative
  // lookahead.
  void track_attempt(Rule r, std::size_t p, std::size_t pi, std::size_t ni) {
    if (atomicity == Atomicity::atomic) return;
    const std::size_t before = pi + ni;
    const std::size_t now =
        p == attempt_pos ? positives.size() + negatives.size() : 0;
    if (now > before && now - before == 1) return;
    if (p == attempt_pos) {
      positives.resize(pi);
      negatives.resize(ni);
    }
    if (p > attempt_pos) {
      positives.clear();
      negatives.clear();
      attempt_pos = p;
    }
    if (p == attempt_pos) {
      (lookahead == Lookahead::negative ? negatives : positives).push_back(r);
    }
  }
};

// ---- Primitives ----------------------------------------------------------

template <std::size_t N>
struct Text {
  char chars[N - 1];
  static constexpr std::size_t SIZE = N - 1;
  constexpr Text(const char (&s)[N]) { std::copy_n(s, N - 1, chars); }
};

// Exactly these bytes.
template <Text T>
struct Lit {
  static constexpr bool can_start(unsigned char c) {
    return T.SIZE > 0 && static_cast<unsigned char>(T.chars[0]) == c;
  }
  static constexpr bool can_be_empty() { return T.SIZE == 0; }
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    if (s.remaining() < T.SIZE ||
        std::memcmp(s.input.data() + s.pos, T.chars, T.SIZE) != 0) {
      return false;
    }
    s.pos += T.SIZE;
    return true;
  }
};

// Byte length of the UTF-8 character led by `lead` (1 for a stray byte).
constexpr std::size_t utf8_length(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

// One character whose code point lies in [Lo, Hi].
template <char32_t Lo, char32_t Hi>
struct Range {
  static constexpr bool can_start(unsigned char c) {
    return Hi >= 0x80 || (c >= Lo && c <= Hi);
  }
  static constexpr bool can_be_empty() { return false; }
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    if (s.remaining() == 0) return false;
    const auto* at =
        reinterpret_cast<const unsigned char*>(s.input.data() + s.pos);
    char32_t c = at[0];
    std::size_t length = 1;
    if (c >= 0x80) {
      length = std::min(utf8_length(at[0]), s.remaining());
      static constexpr unsigned char LEAD_MASK[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
      c = at[0] & LEAD_MASK[length];
      for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (at[i] & 0x3F);
    }
    if (c < Lo || c > Hi) return false;
    s.pos += length;
    return true;
  }
};

// Any one whole character.
struct Any {
  static constexpr bool can_be_empty() { return false; }
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    if (s.remaining() == 0) return false;
    const auto lead = static_cast<unsigned char>(s.input[s.pos]);
    s.pos += std::min(utf8_length(lead), s.remaining());
    return true;
  }
};

// Only ASCII bytes make a byte set: a byte of a longer character never
// stands for itself.
template <Text T>
constexpr bool is_ascii() {
  for (char c : T.chars) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The bytes of T as a lookup table.
template <Text T>
constexpr std::array<bool, 256> byte_table() {
  static_assert(is_ascii<T>(), "byte sets hold ASCII bytes only");
  std::array<bool, 256> table{};
  for (char c : T.chars) table[static_cast<unsigned char>(c)] = true;
  return table;
}

// One of the ASCII bytes of T: T[0] | T[1] | ...
template <Text T>
struct OneOf {
  static constexpr std::array<bool, 256> TABLE = byte_table<T>();
  static constexpr bool can_start(unsigned char c) { return TABLE[c]; }
  static constexpr bool can_be_empty() { return false; }
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    if (s.remaining() == 0 ||
        !TABLE[static_cast<unsigned char>(s.input[s.pos])]) {
      return false;
    }
    ++s.pos;
    return true;
  }
  // As many matches in a row as there are, without skipping between them.
  template <class S>
  JRL_PEG_INLINE static void scan(S& s) {
    const auto* at = reinterpret_cast<const unsigned char*>(s.input.data());
    std::size_t p = s.pos;
    while (p < s.input.size() && TABLE[at[p]]) ++p;
    s.pos = p;
  }
};

// One whole character that is none of the ASCII bytes of T:
// !(T[0] | T[1] | ...) ~ ANY.
template <Text T>
struct NoneOf {
  static constexpr std::array<bool, 256> TABLE = byte_table<T>();
  static constexpr bool can_start(unsigned char c) { return !TABLE[c]; }
  static constexpr bool can_be_empty() { return false; }
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    if (s.remaining() == 0) return false;
    const auto lead = static_cast<unsigned char>(s.input[s.pos]);
    if (TABLE[lead]) return false;
    s.pos += std::min(utf8_length(lead), s.remaining());
    return true;
  }
  // As many matches in a row as there are, without skipping between them.
  template <class S>
  JRL_PEG_INLINE static void scan(S& s) {
    const auto* at = reinterpret_cast<const unsigned char*>(s.input.data());
    const std::size_t size = s.input.size();
    std::size_t p = s.pos;
    while (p < size) {
      const unsigned char lead = at[p];
      if (lead < 0x80) {
        if (TABLE[lead]) break;
        ++p;
      } else {
        p += std::min(utf8_length(lead), size - p);
      }
    }
    s.pos = p;
  }
};

struct Soi {
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    return s.pos == 0;
  }
};

struct Eoi {
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    return s.pos == s.input.size();
  }
};

// ---- Combinators ---------------------------------------------------------

// e1 ~ e2 ~ ..., skipping between elements in non-atomic mode.
template <class First, class... Rest>
struct Seq {
  static constexpr bool can_start(unsigned char c) {
    if constexpr (sizeof...(Rest) == 0) {
      return peg::can_start<First>(c);
    } else {
      return peg::can_start<First>(c) ||
             (peg::can_be_empty<First>() && peg::can_start<Seq<Rest...>>(c));
    }
  }
  static constexpr bool can_be_empty() {
    return peg::can_be_empty<First>() && (peg::can_be_empty<Rest>() && ...);
  }
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    const std::size_t pos = s.pos;
    const std::size_t length = s.queue.size();
    if (!First::match(s)) return false;
    if (((s.skip(), Rest::match(s)) && ...)) return true;
    s.pos = pos;
    if constexpr (S::TREE) s.queue.truncate(length);
    return false;
  }
};

// e1 | e2 | ...: the first alternative that matches.
template <class... Alternatives>
struct Choice {
  static constexpr bool can_start(unsigned char c) {
    return (peg::can_start<Alternatives>(c) || ...);
  }
  static constexpr bool can_be_empty() {
    return (peg::can_be_empty<Alternatives>() || ...);
  }
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    bool ok = false;
    (((ok = attempt<Alternatives>(s)) || s.halted) || ...);
    return ok;
  }

 private:
  // Without tracking, a failed alternative leaves no trace, so one that
  // cannot match the byte ahead need not be run.
  template <class E, class S>
  JRL_PEG_INLINE static bool attempt(S& s) {
    if constexpr (!S::TRACK && !peg::can_be_empty<E>()) {
      if (s.pos == s.input.size() ||
          !peg::can_start<E>(static_cast<unsigned char>(s.input[s.pos]))) {
        return false;
      }
    }
    return E::match(s);
  }
};

// e?
template <class E>
struct Opt {
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    return E::match(s) || !s.halted;
  }
};

// e{Min,Max}, greedy, skipping between repetitions; a further repetition
// that fails gives back what its skip consumed.
template <class E, std::size_t Min, std::size_t Max = Min>
struct Rep {
  static constexpr bool can_start(unsigned char c) {
    return peg::can_start<E>(c);
  }
  static constexpr bool can_be_empty() {
    return Min == 0 || peg::can_be_empty<E>();
  }
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    if constexpr (Max == UNBOUNDED && requires { E::scan(s); }) {
      // Nothing is skipped between repetitions here: the rest is one scan.
      if (s.atomicity != Atomicity::non_atomic) {
        const std::size_t pos = s.pos;
        for (std::size_t count = 0; count < Min; ++count) {
          if (!E::match(s)) {
            s.pos = pos;
            return false;
          }
        }
        E::scan(s);
        return true;
      }
    }
    const std::size_t pos = s.pos;
    const std::size_t length = s.queue.size();
    std::size_t count = 0;
    for (; count < Min; ++count) {
      if (count > 0) s.skip();
      if (!E::match(s)) {
        s.pos = pos;
        if constexpr (S::TREE) s.queue.truncate(length);
        return false;
      }
    }
    for (; count < Max; ++count) {
      const std::size_t before = s.pos;
      if (count > 0) s.skip();
      if (!E::match(s)) {
        s.pos = before;
        return !s.halted;
      }
    }
    return true;
  }
};

template <class E>
using Star = Rep<E, 0, UNBOUNDED>;
template <class E>
using Plus = Rep<E, 1, UNBOUNDED>;

// !e: matches nothing, succeeds where e fails.
template <class E>
struct Not {
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    const std::size_t pos = s.pos;
    const Lookahead saved = s.lookahead;
    s.lookahead = saved == Lookahead::negative ? Lookahead::positive
                                               : Lookahead::negative;
    const bool ok = E::match(s);
    s.pos = pos;
    s.lookahead = saved;
    return !ok && !s.halted;
  }
};

// Head ~ Tail, entered as one more level of nesting. A level deeper than
// Limit halts the run at its start once Head has matched, so Tail (where
// deeper levels would begin) is never entered and the stack stays bounded.
template <std::size_t Limit, class Head, class Tail>
struct Nest {
  static constexpr bool can_start(unsigned char c) {
    return peg::can_start<Seq<Head, Tail>>(c);
  }
  static constexpr bool can_be_empty() {
    return peg::can_be_empty<Seq<Head, Tail>>();
  }
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    const std::size_t pos = s.pos;
    const std::size_t length = s.queue.size();
    ++s.depth;
    bool ok = Head::match(s);
    if (ok && s.depth > Limit) {
      s.halt(pos);
      ok = false;
    }
    if (ok) {
      s.skip();
      ok = Tail::match(s);
      if (!ok) {
        s.pos = pos;
        if constexpr (S::TREE) s.queue.truncate(length);
      }
    }
    --s.depth;
    return ok;
  }
};

// E, whose top-level nodes go to the run's sink as soon as it has matched and
// are then dropped, so that the queue holds one E at a time. Only for a place
// that nothing backtracks over once E has matched, short of the whole run
// failing (the sink is then told to discard what it took).
template <class E>
struct Drain {
  template <class S>
  JRL_PEG_INLINE static bool match(S& s) {
    const std::size_t first = s.queue.size();
    if (!E::match(s)) return false;
    if constexpr (S::TREE) {
      if (s.sink != nullptr && s.queue.size() > first) {
        for (auto i = static_cast<std::uint32_t>(first); i < s.queue.size();
             i = s.queue[i].subtree_end) {
          s.sink->take(NodeRef(s.queue.tree, i));
        }
        s.queue.truncate(first);
      }
    }
    return true;
  }
};

// ---- Rule kinds ----------------------------------------------------------

// Invokes rule R with tracking: a node for R unless under lookahead or in
// atomic mode, and the attempt recorded as the tracking procedure says.
// With AtomicBody the body runs in atomic mode.
template <Rule R, bool AtomicBody, class Body, class S>
bool invoke_tracked(S& s) {
  const std::size_t p = s.pos;
  const std::size_t q = s.queue.size();
  std::size_t pi = 0;
  std::size_t ni = 0;
  if constexpr (S::TRACK) {
    if (p == s.attempt_pos) {
      pi = s.positives.size();
      ni = s.negatives.size();
    }
  }
  const bool record = S::TREE && s.lookahead == Lookahead::none &&
                      s.atomicity != Atomicity::atomic;
  if (record) s.queue.push(Node{static_cast<std::uint32_t>(p), 0, 0, R});

  bool ok;
  if constexpr (AtomicBody) {
    const Atomicity saved = s.atomicity;
    s.atomicity = Atomicity::atomic;
    ok = Body::match(s);
    s.atomicity = saved;
  } else {
    ok = Body::match(s);
  }

  if (ok) {
    if constexpr (S::TRACK) {
      if (s.lookahead == Lookahead::negative) {
        s.track_attempt(R, p, pi, ni);
      }
    }
    if (record) {
      Node& node = s.queue[q];
      node.end = static_cast<std::uint32_t>(s.pos);
      node.subtree_end = static_cast<std::uint32_t>(s.queue.size());
    }
    return true;
  }
  if (s.halted) return false;
  if constexpr (S::TRACK) {
    if (s.lookahead != Lookahead::negative) {
      s.track_attempt(R, p, pi, ni);
    }
  }
  if (record) s.queue.truncate(q);
  return false;
}

// Runs the whole invocation, R's own node and tracking included, in `mode`,
// then restores the caller's mode.
template <Rule R, Atomicity Mode, class Body, class S>
bool invoke_in_mode(S& s) {
  const Atomicity saved = s.atomicity;
  s.atomicity = Mode;
  const bool ok = invoke_tracked<R, false, Body>(s);
  s.atomicity = saved;
  return ok;
}

// What every rule kind tells about itself: its rule and how its body can
// begin.
template <Rule R, class Body>
struct RuleBase {
  static constexpr Rule RULE = R;
  static constexpr bool can_start(unsigned char c) {
    return peg::can_start<Body>(c);
  }
  static constexpr bool can_be_empty() { return peg::can_be_empty<Body>(); }
};

// No node, no tracking.
template <Rule R, class Body>
struct Silent : RuleBase<R, Body> {
  template <class S>
  static bool match(S& s) {
    return Body::match(s);
  }
  template <class S>
  requires requires(S& s) { Body::scan(s); }
  JRL_PEG_INLINE static void scan(S& s) { Body::scan(s); }
};

// A node and tracking, in the caller's mode.
template <Rule R, class Body>
struct Normal : RuleBase<R, Body> {
  template <class S>
  static bool match(S& s) {
    return invoke_tracked<R, false, Body>(s);
  }
};

// A node and tracking in the caller's mode; nothing inside is skipped,
// yields nodes or is tracked.
//
// Where the mode switches is what tells the three kinds apart. Atomic
// switches inside the tracked call (invoke_tracked with AtomicBody), so R
// itself is still recorded as the caller's mode says: it yields a node and
// is tracked unless the caller is atomic, and a failed atomic rule is
// reported as itself. CompoundAtomic and NonAtomic switch outside it
// (invoke_in_mode), so R's own node and tracking already happen in the new
// mode: neither of those modes is atomic, so such a rule yields a node and
// is tracked even when invoked from atomic text.
template <Rule R, class Body>
struct Atomic : RuleBase<R, Body> {
  template <class S>
  static bool match(S& s) {
    return invoke_tracked<R, true, Body>(s);
  }
};

// Nothing inside is skipped; rules inside still yield nodes and are tracked.
template <Rule R, class Body>
struct CompoundAtomic : RuleBase<R, Body> {
  template <class S>
  static bool match(S& s) {
    return invoke_in_mode<R, Atomicity::compound_atomic, Body>(s);
  }
};

// Skipping is switched back on inside, whatever the caller's mode.
template <Rule R, class Body>
struct NonAtomic : RuleBase<R, Body> {
  template <class S>
  static bool match(S& s) {
    return invoke_in_mode<R, Atomicity::non_atomic, Body>(s);
  }
};

// ---- Runs ----------------------------------------------------------------

// The positives and negatives of a tracked run, as a syntax error.
template <class S>
SyntaxError syntax_error(S& s) {
  const auto normalise = [](std::vector<Rule>& rules) {
    std::sort(rules.begin(), rules.end());
    rules.erase(std::unique(rules.begin(), rules.end()), rules.end());
  };
  normalise(s.positives);
  normalise(s.negatives);
  return SyntaxError{s.attempt_pos, std::move(s.positives),
                     std::move(s.negatives)};
}

// Runs the start rule over the whole input (shorter than 4 GiB).
template <class Start, class Skip>
std::expected<ParseTree, GrammarFailure> run(std::string_view input,
                                             NodeSink* sink = nullptr) {
  {
    State<Skip, true, false> s(input);
    s.sink = sink;
    // About 0.3 nodes per byte when the whole tree is kept: start below and
    // double; with a sink, one drained piece's worth.
    s.queue.reserve(sink ? 1024 : input.size() / 8 + 64);
    if (Start::match(s)) return std::move(s.queue).take();
    if (sink != nullptr) sink->discard();
    if (s.halted) return std::unexpected(NestingTooDeep{s.halt_pos});
  }
  // Failed: run again, tracking, for the exact error.
  State<Skip, false, true> s(input);
  Start::match(s);
  return std::unexpected(syntax_error(s));
}

}  // namespace jrl::peg

#undef JRL_PEG_INLINE
