#include "diff/statement_matching.hpp"

#include <algorithm>
#include <map>
#include <string>
#include <string_view>

#include "suggest/closest_string.hpp"
#include "text/char_classes.hpp"

namespace jrl::diffing {
namespace {

// How similar two descriptions must be (Jaro-Winkler, ignoring ASCII case)
// to be taken for one reworded: "Core" and "Core courses" are, "Calculus"
// and "Statistics" are not.
constexpr double CLOSE = 0.85;

using Statements = std::span<const JRLRequirement>;

class Matcher {
 public:
  Matcher(Statements old_statements, Statements new_statements)
      : old_(old_statements),
        new_(new_statements),
        matched_(old_statements.size()),
        taken_(new_statements.size(), false) {}

  Matching run() && {
    by_description();
    by_similarity();
    by_place();
    return std::move(matched_);
  }

 private:
  void pair(std::size_t o, std::size_t n) {
    matched_[o] = n;
    taken_[n] = true;
  }

  // Same description: those equal in all else first, then in order.
  void by_description() {
    std::map<std::string_view, std::vector<std::size_t>> news;
    for (std::size_t n = 0; n < new_.size(); ++n) {
      news[new_[n].description].push_back(n);
    }
    for (const bool exact : {true, false}) {
      for (std::size_t o = 0; o < old_.size(); ++o) {
        if (matched_[o]) continue;
        const auto it = news.find(old_[o].description);
        if (it == news.end()) continue;
        for (const std::size_t n : it->second) {
          if (!taken_[n] && (!exact || old_[o] == new_[n])) {
            pair(o, n);
            break;
          }
        }
      }
    }
  }

  // A description close to one other only, on both sides. Each pairing
  // can leave another pair the only close ones, so it runs until none is
  // found.
  void by_similarity() {
    const auto folded = [](Statements statements) {
      std::vector<std::string> out;
      for (const JRLRequirement& r : statements) {
        std::string text(r.description);
        for (char& c : text) c = chars::to_lower(c);
        out.push_back(std::move(text));
      }
      return out;
    };
    const std::vector<std::string> old_text = folded(old_);
    const std::vector<std::string> new_text = folded(new_);
    // The close new statements of each unmatched old one.
    std::vector<std::vector<std::size_t>> close(old_.size());
    for (std::size_t o = 0; o < old_.size(); ++o) {
      if (matched_[o]) continue;
      for (std::size_t n = 0; n < new_.size(); ++n) {
        if (!taken_[n] && closest_string::jaro_winkler(old_text[o], new_text[n]) >= CLOSE) {
          close[o].push_back(n);
        }
      }
    }
    for (bool found = true; found;) {
      found = false;
      std::vector<std::size_t> olds_of(new_.size(), 0);  // close, unmatched
      std::vector<std::size_t> only(new_.size(), 0);
      for (std::size_t o = 0; o < old_.size(); ++o) {
        if (matched_[o]) continue;
        for (const std::size_t n : close[o]) {
          if (!taken_[n]) {
            ++olds_of[n];
            only[n] = o;
          }
        }
      }
      for (std::size_t o = 0; o < old_.size(); ++o) {
        if (matched_[o]) continue;
        std::optional<std::size_t> one;
        std::size_t count = 0;
        for (const std::size_t n : close[o]) {
          if (!taken_[n]) {
            ++count;
            one = n;
          }
        }
        if (count == 1 && olds_of[*one] == 1 && only[*one] == o) {
          pair(o, *one);
          found = true;
        }
      }
    }
  }

  // Between two matched statements that kept their order, the unmatched
  // ones of each version: the same query (a description rewritten), then
  // in order when both versions have as many of one kind there.
  void by_place() {
    const std::vector<bool> moved = moved_statements(matched_);
    std::size_t o = 0;
    std::size_t n = 0;
    while (o <= old_.size()) {
      // The next anchor: a matched old statement that did not move.
      std::size_t anchor = o;
      while (anchor < old_.size() && (!matched_[anchor] || moved[anchor])) {
        ++anchor;
      }
      const std::size_t new_end = anchor < old_.size() ? *matched_[anchor] : new_.size();
      std::vector<std::size_t> olds;
      std::vector<std::size_t> news;
      for (std::size_t i = o; i < anchor; ++i) {
        if (!matched_[i]) olds.push_back(i);
      }
      for (std::size_t j = n; j < new_end; ++j) {
        if (!taken_[j]) news.push_back(j);
      }
      pair_gap(olds, news);
      o = anchor + 1;
      n = new_end + 1;
    }
  }

  void pair_gap(const std::vector<std::size_t>& olds, const std::vector<std::size_t>& news) {
    for (const std::size_t o : olds) {
      for (const std::size_t n : news) {
        if (!taken_[n] && old_[o].query == new_[n].query) {
          pair(o, n);
          break;
        }
      }
    }
    for (const JRLQueryType type : {JRLQueryType::Select, JRLQueryType::Limit}) {
      std::vector<std::size_t> left_old;
      std::vector<std::size_t> left_new;
      for (const std::size_t o : olds) {
        if (!matched_[o] && old_[o].query.type == type) left_old.push_back(o);
      }
      for (const std::size_t n : news) {
        if (!taken_[n] && new_[n].query.type == type) left_new.push_back(n);
      }
      if (left_old.size() != left_new.size()) continue;
      for (std::size_t i = 0; i < left_old.size(); ++i) pair(left_old[i], left_new[i]);
    }
  }

  Statements old_;
  Statements new_;
  Matching matched_;
  std::vector<bool> taken_;
};

}  // namespace

Matching match_statements(Statements old_statements, Statements new_statements) {
  return Matcher(old_statements, new_statements).run();
}

std::vector<bool> moved_statements(const Matching& matched) {
  // A longest increasing run of the new indexes, in old order: `tails[k]`
  // ends the best run of length k + 1 found so far, `before` links each
  // old statement to the one before it in its run.
  std::vector<std::size_t> tails;
  std::vector<std::optional<std::size_t>> before(matched.size());
  for (std::size_t o = 0; o < matched.size(); ++o) {
    if (!matched[o]) continue;
    const auto at = std::ranges::lower_bound(
        tails, *matched[o], {}, [&](std::size_t t) { return *matched[t]; });
    if (at != tails.begin()) before[o] = *(at - 1);
    if (at == tails.end()) {
      tails.push_back(o);
    } else {
      *at = o;
    }
  }
  std::vector<bool> moved(matched.size(), false);
  for (std::size_t o = 0; o < matched.size(); ++o) moved[o] = matched[o].has_value();
  for (std::optional<std::size_t> o = tails.empty() ? std::nullopt : std::optional(tails.back()); o;
       o = before[*o]) {
    moved[*o] = false;
  }
  return moved;
}

}  // namespace jrl::diffing
