// A clause on one line, its lists run into the sentence.
#include <algorithm>
#include <string>

#include "describe/description.hpp"

namespace jrl::wording {

std::string write_words(const std::vector<Words>& words, WriteWords write) {
  std::string out;
  for (const Words& w : words) out += write(w);
  return out;
}

bool flat(const Clause& clause) {
  return std::ranges::all_of(clause, [](const Part& part) {
    return std::ranges::all_of(part.items, [](const Clause& item) {
      return std::ranges::all_of(item, [](const Part& p) { return p.items.empty(); });
    });
  });
}

bool ends_in_words(const Clause& clause) {
  return clause.empty() || clause.back().items.empty();
}

std::string inline_text(const Clause& clause, WriteWords write) {
  std::string out;
  for (const Part& part : clause) {
    // A part after a list is set off more strongly than the list's items.
    if (&part != &clause.front()) out += (&part)[-1].items.empty() ? ", " : "; ";
    out += write_words(part.words, write);
    const std::size_t n = part.items.size();
    for (std::size_t i = 0; i < n; ++i) {
      if (i == 0) {
        out += ' ';
      } else if (part.alternatives && i + 1 == n) {
        out += n == 2 ? " or " : ", or ";
      } else {
        out += ", ";
      }
      const Clause& item = part.items[i];
      const bool listing = std::ranges::any_of(
          item, [](const Part& p) { return !p.items.empty(); });
      // Appended piece by piece: GCC 12 warns wrongly of overlap on
      // `"(" + string`.
      if (listing) out += '(';
      out += inline_text(item, write);
      if (listing) out += ')';
    }
  }
  return out;
}

}  // namespace jrl::wording
