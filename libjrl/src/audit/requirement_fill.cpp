// Filling a requirement's query nodes from the attempts counted in them,
// groups before the nodes that hold them.
#include <algorithm>

#include "audit/allocation.hpp"

namespace jrl {

std::optional<unsigned> fill_requirement(const AuditProblem& problem, std::uint32_t r,
                                         const NodeCounts& counts, std::vector<NodeFill>* fills) {
  const AuditProgramme::Data& d = *problem.programme;
  const AuditRequirement& req = d.requirements[r];
  // Small requirements are the rule: a few nodes each.
  std::vector<unsigned> items(req.end - req.root);
  std::vector<char> complete(req.end - req.root);
  std::vector<int> cap_room;
  for (std::uint32_t n = req.end; n-- > req.root;) {
    const AuditNode& node = d.nodes[n];
    const std::uint32_t base = d.cap_base[n];
    unsigned fixed = static_cast<unsigned>(counts.direct[n]);
    cap_room.assign(node.caps.size(), 0);
    for (std::size_t c = 0; c < node.caps.size(); ++c) {
      cap_room[c] = static_cast<int>(node.caps[c].allowed) - counts.caps[base + c];
    }
    for (std::uint32_t g : node.groups) {
      if (counts.subtree[g] == 0) continue;
      if (!complete[g - req.root]) return std::nullopt;  // its attempts would count nowhere
      ++fixed;
      for (std::uint32_t c : d.nodes[g].caps_of_group) --cap_room[c];
    }
    if (fixed > node.hi) return std::nullopt;
    for (int room : cap_room) {
      if (room < 0) return std::nullopt;
    }
    // Free items: placements, and groups without attempts that placements complete.
    const auto& offered = problem.free_items[n];
    std::vector<std::uint32_t> chosen;
    if (!offered.empty()) {
      const bool all_open = std::ranges::none_of(offered, [&](const AuditFreeItem& f) {
        return f.group && counts.subtree[*f.group] > 0;
      });
      if (all_open) {
        chosen = choose_free_items(offered, node.hi - fixed, cap_room);
      } else {
        std::vector<AuditFreeItem> open;
        std::vector<std::uint32_t> at;
        for (std::uint32_t i = 0; i < offered.size(); ++i) {
          if (offered[i].group && counts.subtree[*offered[i].group] > 0) continue;
          open.push_back(offered[i]);
          at.push_back(i);
        }
        for (std::uint32_t i : choose_free_items(open, node.hi - fixed, cap_room)) chosen.push_back(at[i]);
      }
    }
    items[n - req.root] = fixed + static_cast<unsigned>(chosen.size());
    complete[n - req.root] = items[n - req.root] >= node.lo;
    if (fills != nullptr) {
      (*fills)[n] = NodeFill{items[n - req.root], complete[n - req.root] != 0, std::move(chosen)};
    }
  }
  return items[0];
}

}  // namespace jrl
