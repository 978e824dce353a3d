// The search for the best allocation.
//
// Method: depth-first branch and bound over the attempts, each either
// counted in one of the query nodes it may count in or left unused, solved
// separately for each independent part of the problem.
//
// Why this and not a general solver: a record holds a few dozen attempts and
// most of them can count in one to three places, so the tree is narrow, and
// the structure gives strong bounds cheaply. Requirements that share no
// attempt and no LIMIT cannot affect each other, and since every criterion
// is a sum over requirements, the best allocation of the whole is the best
// allocation of each part; real programmes fall apart into many small parts.
// Within a part, a requirement is filled exactly (groups, caps, placements)
// as soon as the last attempt that could count in it is decided, and until
// then is bounded by its direct items so far plus the attempts still
// undecided that could count in it, plus its free items (placements, and
// groups that placements complete), never above its upper bound nor above
// what its nodes could still reach group by group; a group already holding
// attempts that can no longer be complete ends the branch. Each undecided
// attempt adds at most one item to one requirement, which bounds progress
// and fill across requirements: cheaply by the number of attempts left, and
// when the tiers do not cut, by a largest assignment of those attempts to
// the room each requirement has left. Each criterion's bound holds
// for every completion, so the vector of bounds bounds the objective in the
// criteria's order, and a branch whose bound is not better than the best
// allocation found so far is cut.
//
// Ties: attempts are decided in order of course code, each tried first in
// the places it may count (highest priority first, then in file order) and
// last unused, and only a strictly better allocation replaces the best one
// found. So among allocations equal on every criterion the first in that
// order is the result, which does not depend on the order of the catalogue
// or of the record's attempts. Two attempts that may count in the same
// places against the same caps and LIMITs at the same cost are
// interchangeable; the later is never tried in a place before the earlier
// one's, which loses only allocations met later than their twin, so the
// result is the same.
//
// The clock is read every few hundred branches; past the deadline the search
// stops with the best allocation found, and a part not yet searched takes
// the first allocation its search meets, which reaches one at once.
#include <algorithm>
#include <numeric>

#include "audit/allocation.hpp"

namespace jrl {
namespace {

using Clock = std::chrono::steady_clock;

// The objective as numbers compared in order, larger better: satisfied
// requirements per priority tier, progress, settled (negated), fill.
using Score = std::vector<int>;

class PartSearch {
 public:
  PartSearch(const AuditProblem& problem, std::vector<std::uint32_t> attempts,
             std::vector<std::uint32_t> requirements, Clock::time_point deadline, bool& timed_out,
             std::vector<std::optional<std::uint32_t>>& node_of)
      : p_(problem),
        d_(*problem.programme),
        attempts_(std::move(attempts)),
        reqs_(std::move(requirements)),
        deadline_(deadline),
        timed_out_(timed_out),
        node_of_(node_of) {
    counts_.direct.assign(d_.nodes.size(), 0);
    counts_.subtree.assign(d_.nodes.size(), 0);
    counts_.caps.assign(d_.cap_count, 0);
    limit_used_.assign(d_.limits.size(), 0);
    const std::size_t nr = d_.requirements.size();
    rem_.assign(nr, 0);
    rem_node_.assign(d_.nodes.size(), 0);
    reach_.assign(d_.nodes.size(), 0);
    top_.assign(nr, 0);
    final_.assign(nr, -1);
    free_root_.assign(nr, 0);
    std::vector<int> last(nr, -1);
    for (std::size_t i = 0; i < attempts_.size(); ++i) {
      for (std::uint32_t r : requirements_of(attempts_[i])) {
        ++rem_[r];
        last[r] = static_cast<int>(i);
      }
      for (const AuditSlot& s : p_.attempts[attempts_[i]].slots) ++rem_node_[s.node];
    }
    finalize_at_.assign(attempts_.size(), {});
    for (std::uint32_t r : reqs_) {
      free_root_[r] = static_cast<int>(p_.free_items[d_.requirements[r].root].size());
      if (last[r] >= 0) {
        finalize_at_[static_cast<std::size_t>(last[r])].push_back(r);
      } else {
        final_[r] = static_cast<int>(*fill_requirement(p_, r, counts_, nullptr));
      }
    }
    reqs_of_.reserve(attempts_.size());
    for (std::uint32_t a : attempts_) reqs_of_.push_back(requirements_of(a));
    room_.assign(nr, 0);
    low_.assign(nr, 0);
    high_.assign(nr, 0);
    load_.assign(nr, 0);
    seen_.assign(nr, 0);
    match_.assign(attempts_.size(), -1);
    twin_.assign(attempts_.size(), -1);
    choice_.assign(attempts_.size(), 0);
    for (std::size_t i = 0; i < attempts_.size(); ++i) {
      for (std::size_t j = i; j-- > 0;) {
        if (interchangeable(p_.attempts[attempts_[i]], p_.attempts[attempts_[j]])) {
          twin_[i] = static_cast<int>(j);
          break;
        }
      }
    }
    best_assign_.assign(attempts_.size(), {});
    assign_.assign(attempts_.size(), {});
  }

  // Searches, and writes the best allocation found into `node_of`.
  void run() {
    search(0);
    for (std::size_t i = 0; i < attempts_.size(); ++i) node_of_[attempts_[i]] = best_assign_[i];
  }

 private:
  // The requirements an attempt may count in, each once.
  std::vector<std::uint32_t> requirements_of(std::uint32_t a) const {
    std::vector<std::uint32_t> out;
    for (const AuditSlot& s : p_.attempts[a].slots) {
      const std::uint32_t r = d_.nodes[s.node].requirement;
      if (std::ranges::find(out, r) == out.end()) out.push_back(r);
    }
    return out;
  }

  // Attempts that may count in the same places against the same caps and
  // LIMITs at the same cost: swapping where two such count changes nothing.
  static bool interchangeable(const AuditCandidate& a, const AuditCandidate& b) {
    if (a.cost != b.cost || a.limits != b.limits || a.slots.size() != b.slots.size()) return false;
    for (std::size_t k = 0; k < a.slots.size(); ++k) {
      if (a.slots[k].node != b.slots[k].node || a.slots[k].caps != b.slots[k].caps) return false;
    }
    return true;
  }

  bool clock_says_stop() {
    if ((++branches_ & 255) == 0 && Clock::now() >= deadline_) timed_out_ = true;
    return timed_out_;
  }

  // The most items each node of requirement `r` could still reach, ignoring
  // caps and letting each undecided attempt count in every node it may,
  // written into reach_; false when a group already holding attempts can no
  // longer be complete, so that no completion can stand.
  bool reach(std::uint32_t r) const {
    const AuditRequirement& req = d_.requirements[r];
    for (std::uint32_t n = req.end; n-- > req.root;) {
      const AuditNode& node = d_.nodes[n];
      int items = counts_.direct[n] + rem_node_[n] + static_cast<int>(p_.free_items[n].size());
      for (std::uint32_t g : node.groups) {
        const bool complete = reach_[g] >= static_cast<int>(d_.nodes[g].lo);
        if (!complete && counts_.subtree[g] > 0) return false;
        if (complete) ++items;
      }
      reach_[n] = std::min(items, static_cast<int>(node.hi));
    }
    return true;
  }

  // Bounds of the criteria over every completion of the current branch, or
  // none when no completion can stand. Leaves each requirement's items for
  // sure and at most in low_ and high_, for sharpen().
  std::optional<Score> bound() const {
    Score s(p_.priorities.size() + 3, 0);
    int prog_a = 0, prog_b = 0, fill_a = 0, fill_b = 0;
    for (std::uint32_t r : reqs_) {
      const AuditNode& root = d_.nodes[d_.requirements[r].root];
      const int lo = static_cast<int>(root.lo), hi = static_cast<int>(root.hi);
      int ub = 0, base = 0;
      if (final_[r] >= 0) {
        ub = base = final_[r];
      } else {
        if (!reach(r)) return std::nullopt;
        base = std::min(hi, top_[r] + free_root_[r]);
        ub = std::min({hi, base + rem_[r], reach_[d_.requirements[r].root]});
      }
      low_[r] = base;
      high_[r] = ub;
      if (ub >= lo) ++s[p_.tier[r]];
      prog_a += std::min(ub, lo);
      prog_b += std::min(base, lo);
      fill_a += ub;
      fill_b += base;
    }
    const int left = static_cast<int>(attempts_.size() - depth_);
    const std::size_t t = p_.priorities.size();
    s[t] = std::min(prog_a, prog_b + left);
    s[t + 1] = -cost_;
    s[t + 2] = std::min(fill_a, fill_b + left);
    return s;
  }

  // Sharper bounds of progress and fill, for when the tiers alone do not
  // cut: each undecided attempt adds at most one item to one requirement,
  // and a requirement takes no more than it can still gain, so the gain is
  // at most a largest assignment of the attempts to the requirements with
  // that room (augmenting paths: a few dozen attempts, a few requirements).
  // Reads low_ and high_ as bound() left them.
  void sharpen(Score& s) const {
    const std::size_t t = p_.priorities.size();
    int prog = 0, fill = 0;
    for (int pass = 0; pass < 2; ++pass) {
      int base_sum = 0;
      for (std::uint32_t r : reqs_) {
        const int lo = static_cast<int>(d_.nodes[d_.requirements[r].root].lo);
        int ub = high_[r], base = low_[r];
        if (pass == 0) {
          ub = std::min(ub, lo);
          base = std::min(base, lo);
        }
        base_sum += base;
        room_[r] = std::max(0, ub - base);
        load_[r] = 0;
      }
      int gain = 0;
      std::fill(match_.begin() + static_cast<long>(depth_), match_.end(), -1);
      for (std::size_t i = depth_; i < attempts_.size(); ++i) {
        for (std::uint32_t r : reqs_) seen_[r] = 0;
        if (augment(i)) ++gain;
      }
      (pass == 0 ? prog : fill) = base_sum + gain;
    }
    s[t] = std::min(s[t], prog);
    s[t + 2] = std::min(s[t + 2], fill);
  }

  bool augment(std::size_t i) const {
    for (std::uint32_t r : reqs_of_[i]) {
      if (seen_[r] || room_[r] == 0) continue;
      seen_[r] = 1;
      if (load_[r] < room_[r]) {
        ++load_[r];
        match_[i] = static_cast<int>(r);
        return true;
      }
      for (std::size_t j = depth_; j < attempts_.size(); ++j) {
        if (match_[j] == static_cast<int>(r) && augment(j)) {
          match_[i] = static_cast<int>(r);
          return true;
        }
      }
    }
    return false;
  }

  Score exact() const {
    Score s(p_.priorities.size() + 3, 0);
    const std::size_t t = p_.priorities.size();
    for (std::uint32_t r : reqs_) {
      const int lo = static_cast<int>(d_.nodes[d_.requirements[r].root].lo);
      if (final_[r] >= lo) ++s[p_.tier[r]];
      s[t] += std::min(final_[r], lo);
      s[t + 2] += final_[r];
    }
    s[t + 1] = -cost_;
    return s;
  }

  // The root's child group holding node `n`, or `n` itself for the root.
  std::uint32_t top_child(std::uint32_t n) const {
    while (d_.nodes[n].parent && d_.nodes[*d_.nodes[n].parent].parent) n = *d_.nodes[n].parent;
    return n;
  }

  bool can_take(const AuditCandidate& c, const AuditSlot& s) const {
    if (counts_.direct[s.node] >= static_cast<int>(d_.nodes[s.node].hi)) return false;
    const std::uint32_t base = d_.cap_base[s.node];
    for (std::uint32_t cap : s.caps) {
      if (counts_.caps[base + cap] >= static_cast<int>(d_.nodes[s.node].caps[cap].allowed)) return false;
    }
    for (std::uint32_t l : c.limits) {
      if (limit_used_[l] >= static_cast<int>(d_.limits[l].allowed)) return false;
    }
    const std::uint32_t r = d_.nodes[s.node].requirement;
    const std::uint32_t top = top_child(s.node);
    const bool adds = top == d_.requirements[r].root || counts_.subtree[top] == 0;
    return !adds || top_[r] < static_cast<int>(d_.nodes[d_.requirements[r].root].hi);
  }

  void take(const AuditCandidate& c, const AuditSlot& s, int sign) {
    const std::uint32_t r = d_.nodes[s.node].requirement;
    const std::uint32_t top = top_child(s.node);
    if (top == d_.requirements[r].root) {
      top_[r] += sign;
    } else if ((sign > 0 && counts_.subtree[top] == 0) || (sign < 0 && counts_.subtree[top] == 1)) {
      top_[r] += sign;
    }
    counts_.direct[s.node] += sign;
    for (std::optional<std::uint32_t> n = s.node; n; n = d_.nodes[*n].parent) counts_.subtree[*n] += sign;
    const std::uint32_t base = d_.cap_base[s.node];
    for (std::uint32_t cap : s.caps) counts_.caps[base + cap] += sign;
    for (std::uint32_t l : c.limits) limit_used_[l] += sign;
    cost_ += sign * static_cast<int>(c.cost);
  }

  // Decides attempt `i` as already applied, then goes on.
  void descend(std::size_t i) {
    const std::vector<std::uint32_t> reqs = requirements_of(attempts_[i]);
    for (std::uint32_t r : reqs) --rem_[r];
    for (const AuditSlot& s : p_.attempts[attempts_[i]].slots) --rem_node_[s.node];
    bool feasible = true;
    std::size_t done = 0;
    for (std::uint32_t r : finalize_at_[i]) {
      const auto count = fill_requirement(p_, r, counts_, nullptr);
      if (!count) {
        feasible = false;
        break;
      }
      final_[r] = static_cast<int>(*count);
      ++done;
    }
    if (feasible) {
      ++depth_;
      search(i + 1);
      --depth_;
    }
    for (std::size_t k = 0; k < done; ++k) final_[finalize_at_[i][k]] = -1;
    for (std::uint32_t r : reqs) ++rem_[r];
    for (const AuditSlot& s : p_.attempts[attempts_[i]].slots) ++rem_node_[s.node];
  }

  void search(std::size_t i) {
    const bool stop = clock_says_stop();
    if (stop && found_) return;
    const std::optional<Score> b = bound();
    if (!b || (found_ && !(*b > best_))) return;
    if (found_ && std::equal(best_.begin(), best_.begin() + static_cast<long>(p_.priorities.size()),
                             b->begin())) {
      Score sharp = *b;
      sharpen(sharp);
      if (!(sharp > best_)) return;
    }
    if (i == attempts_.size()) {
      Score s = exact();
      if (!found_ || s > best_) {
        best_ = std::move(s);
        best_assign_ = assign_;
        found_ = true;
      }
      return;
    }
    const AuditCandidate& c = p_.attempts[attempts_[i]];
    if (!stop) {
      // Of two interchangeable attempts, the later never takes an earlier
      // place than the earlier one: the other way round is the same
      // allocation met later in this order.
      for (std::size_t k = twin_[i] < 0 ? 0 : choice_[static_cast<std::size_t>(twin_[i])];
           k < c.slots.size(); ++k) {
        const AuditSlot& s = c.slots[k];
        if (!can_take(c, s)) continue;
        take(c, s, +1);
        assign_[i] = s.node;
        choice_[i] = k;
        descend(i);
        assign_[i].reset();
        take(c, s, -1);
        if (timed_out_ && found_) return;
      }
    }
    choice_[i] = c.slots.size();
    descend(i);
  }

  const AuditProblem& p_;
  const AuditProgramme::Data& d_;
  std::vector<std::uint32_t> attempts_;
  std::vector<std::uint32_t> reqs_;
  Clock::time_point deadline_;
  bool& timed_out_;
  std::vector<std::optional<std::uint32_t>>& node_of_;

  NodeCounts counts_;
  std::vector<int> limit_used_, rem_, rem_node_, top_, final_, free_root_;
  mutable std::vector<int> reach_;  // by node, written by reach()
  std::vector<std::vector<std::uint32_t>> reqs_of_;  // by attempt
  // For sharpen(): room and load by requirement, requirements seen on the
  // current augmenting path, and the requirement each attempt is matched to.
  mutable std::vector<int> low_, high_, room_, load_, seen_, match_;
  std::vector<std::vector<std::uint32_t>> finalize_at_;
  int cost_ = 0;
  std::size_t depth_ = 0;
  std::uint64_t branches_ = 0;
  std::vector<std::optional<std::uint32_t>> assign_, best_assign_;
  // By attempt: the last earlier attempt interchangeable with it, or -1, and
  // the index of the place it took in the branch (its slot count: unused).
  std::vector<int> twin_;
  std::vector<std::size_t> choice_;
  Score best_;
  bool found_ = false;
};

// Requirements joined when an attempt may count in both or both hold
// attempts one LIMIT counts.
struct Parts {
  std::vector<std::uint32_t> up;
  explicit Parts(std::size_t n) : up(n) { std::iota(up.begin(), up.end(), 0u); }
  std::uint32_t find(std::uint32_t x) {
    while (up[x] != x) x = up[x] = up[up[x]];
    return x;
  }
  void join(std::uint32_t a, std::uint32_t b) { up[find(a)] = find(b); }
};

}  // namespace

Allocation best_allocation(const AuditProblem& problem, Clock::time_point deadline) {
  const AuditProgramme::Data& d = *problem.programme;
  const std::size_t nr = d.requirements.size();
  Parts parts(nr);
  std::vector<std::optional<std::uint32_t>> limit_anchor(d.limits.size());
  for (const AuditCandidate& c : problem.attempts) {
    if (c.slots.empty()) continue;
    const std::uint32_t first = d.nodes[c.slots.front().node].requirement;
    for (const AuditSlot& s : c.slots) parts.join(first, d.nodes[s.node].requirement);
    for (std::uint32_t l : c.limits) {
      if (limit_anchor[l]) parts.join(first, *limit_anchor[l]);
      limit_anchor[l] = first;
    }
  }
  std::vector<std::vector<std::uint32_t>> reqs(nr), attempts(nr);
  for (std::uint32_t r = 0; r < nr; ++r) {
    if (!problem.waived[r]) reqs[parts.find(r)].push_back(r);
  }
  for (std::uint32_t a = 0; a < problem.attempts.size(); ++a) {
    const auto& slots = problem.attempts[a].slots;
    if (!slots.empty()) attempts[parts.find(d.nodes[slots.front().node].requirement)].push_back(a);
  }
  Allocation out;
  out.node_of.assign(problem.attempts.size(), std::nullopt);
  bool timed_out = false;
  for (std::uint32_t r = 0; r < nr; ++r) {
    if (reqs[r].empty()) continue;
    PartSearch(problem, std::move(attempts[r]), std::move(reqs[r]), deadline, timed_out, out.node_of)
        .run();
  }
  out.optimal = !timed_out;
  return out;
}

}  // namespace jrl
