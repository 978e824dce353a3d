// The free items a query node takes once its attempts are fixed. Placements
// and groups that placements complete use no attempt, so taking as many as
// fit never costs anything; only the node's upper bound and its caps limit
// them.
#include <bit>

#include "audit/audit_problem.hpp"

namespace jrl {
namespace {

// Include-first search for the largest set that fits: the first set of the
// largest size in that order is the first in entry order.
struct FreeSearch {
  const std::vector<AuditFreeItem>& items;
  std::vector<int> cap_room;
  std::vector<std::uint32_t> taken, best;

  void run(std::size_t i, unsigned room) {
    if (taken.size() + std::min<std::size_t>(room, items.size() - i) <= best.size() && !best.empty()) {
      return;
    }
    if (i == items.size() || room == 0) {
      if (taken.size() > best.size()) best = taken;
      return;
    }
    const auto& caps = items[i].caps;
    bool fits = true;
    for (std::uint32_t c : caps) fits = fits && cap_room[c] > 0;
    if (fits) {
      for (std::uint32_t c : caps) --cap_room[c];
      taken.push_back(static_cast<std::uint32_t>(i));
      run(i + 1, room - 1);
      taken.pop_back();
      for (std::uint32_t c : caps) ++cap_room[c];
    }
    run(i + 1, room);
  }
};

}  // namespace

std::vector<std::uint32_t> choose_free_items(const std::vector<AuditFreeItem>& items, unsigned room,
                                             std::vector<int> cap_room) {
  FreeSearch search{items, std::move(cap_room), {}, {}};
  search.run(0, room);
  return search.best;
}

}  // namespace jrl
