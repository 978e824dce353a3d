// The sentences of a programme, made from its model: what each selector
// names, how many of what a query asks for, what a cap allows and what a
// limit holds back.
#include <algorithm>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "describe/description.hpp"
#include "jrl/catalogue.hpp"
#include "jrl/selector_functions.hpp"
#include "jrl/selector_visit.hpp"

namespace jrl::wording {
namespace {

// Every string argument of the function table names one of these.
constexpr std::string_view TAG = "tag", DISTRIBUTION = "distribution",
                           PROGRAMME = "major code", PLACEMENT = "placement";

consteval bool every_string_argument_worded() {
  for (const SelectorFunction& f : selector_functions()) {
    for (const SelectorArgument& a : f.arguments()) {
      if (a.kind == ArgumentKind::string && a.label != TAG &&
          a.label != DISTRIBUTION && a.label != PROGRAMME &&
          a.label != PLACEMENT) {
        return false;
      }
    }
  }
  return true;
}
static_assert(every_string_argument_worded(),
              "a new kind of string argument needs its words in descriptions");

// A function call's arguments, by what they mean.
struct Terms {
  const Class* first = nullptr;  // the course, or the first of a range
  const Class* last = nullptr;   // the last of a range
  std::optional<std::string_view> tag;
  std::optional<std::string_view> distribution;
  std::optional<std::string_view> programme;
  std::optional<std::string_view> placement;

  // One named course, rather than a set of them.
  bool one_course() const { return first && !last; }
};

void take(Terms& t, const SelectorArgument&, const Class& course) {
  (t.first == nullptr ? t.first : t.last) = &course;
}

void take(Terms& t, const SelectorArgument& slot, std::string_view text) {
  if (slot.label == TAG) {
    t.tag = text;
  } else if (slot.label == DISTRIBUTION) {
    t.distribution = text;
  } else if (slot.label == PROGRAMME) {
    t.programme = text;
  } else {
    t.placement = text;
  }
}

// One entry of a query's list, sorted by what it contributes.
struct Entry {
  Terms terms;                       // a function call
  const JRLQuery* nested = nullptr;  // a group or a cap

  // A function that selects a set of courses (a range, a tag, ...).
  bool course_set() const {
    return !nested && !terms.placement && !terms.one_course();
  }
};

struct Amount {
  std::size_t lo = 0;
  std::size_t hi = 0;
};

Amount amount_of(const Quantity& quantity) {
  return std::visit(
      Overloaded{[](quantity::Single s) { return Amount{s.count, s.count}; },
                 [](quantity::Many m) { return Amount{m.from, m.to}; }},
      quantity);
}

bool is_cap(const JRLQuery& query) { return amount_of(query.quantity).lo == 0; }

Entry entry_of(const Selector& selector) {
  return visit(selector, Overloaded{
                             [](const JRLQuery& nested) {
                               return Entry{{}, &nested};
                             },
                             [](const SelectorFunction& row, const auto&... args) {
                               Entry e;
                               std::size_t i = 0;
                               (take(e.terms, row.arguments()[i++], args), ...);
                               return e;
                             },
                         });
}

// A query's entries: its own, and its caps, whose entries it takes as its
// own but only so many of.
struct Split {
  std::vector<Entry> own;
  std::vector<const JRLQuery*> caps;
};

Split split(const JRLQuery& query) {
  Split out;
  for (const Selector& selector : query.selector) {
    Entry e = entry_of(selector);
    if (e.nested && is_cap(*e.nested)) {
      out.caps.push_back(e.nested);
    } else {
      out.own.push_back(e);
    }
  }
  return out;
}

// How many, in words: "three", "two to four", "up to two".
std::string amount_words(Amount a) {
  if (a.lo == a.hi) return number_words(a.lo);
  if (a.lo == 0) return "up to " + number_words(a.hi);
  return number_words(a.lo) + " to " + number_words(a.hi);
}

// Whether at most one is taken: "one course", "up to one course".
bool singular(Amount a) { return a.hi == 1; }

std::string course_code(const Class& c, bool lab) {
  std::string out(c.department_id);
  out += ' ';
  const std::string digits = std::to_string(c.course_number);
  out.append(digits.size() < 4 ? 4 - digits.size() : 0, '0');
  out += digits;
  if (lab && c.lab) out += 'L';
  return out;
}

// Appends words to a part, joining runs of plain words.
class Sentence {
 public:
  explicit Sentence(const Catalogue* catalogue) : catalogue_(catalogue) {}

  Sentence& plain(std::string_view text) {
    if (!words_.empty() && words_.back().mark == Mark::plain) {
      words_.back().text += text;
    } else {
      words_.push_back({Mark::plain, std::string(text)});
    }
    return *this;
  }
  Sentence& mark(Mark mark, std::string_view text) {
    words_.push_back({mark, std::string(text)});
    return *this;
  }

  // "MATH 1200 Calculus I", or the code alone when the catalogue has no
  // title for it.
  Sentence& course(const Class& c) {
    mark(Mark::course, course_code(c, true));
    if (catalogue_) {
      if (const CatalogueCourse* found = catalogue_->find(c);
          found && !found->title.empty()) {
        plain(" ").mark(Mark::title, found->title);
      }
    }
    return *this;
  }

  // "MATH 4000-4999"; lab flags do not narrow a range.
  Sentence& range(const Class& first, const Class& last) {
    if (first.department_id == last.department_id) {
      std::string text = course_code(first, false);
      text += '-';
      text += course_code(last, false).substr(first.department_id.size() + 1);
      return mark(Mark::course, text);
    }
    return mark(Mark::course, course_code(first, false))
        .plain(" to ")
        .mark(Mark::course, course_code(last, false));
  }

  // What a set of courses has in common: "from MATH 3000-4999 tagged WX
  // Proof", "in the WX Humanities distribution for the programme ECON-BA".
  Sentence& qualifier(const Terms& t) {
    const char* space = "";
    if (t.last) {
      plain("from ").range(*t.first, *t.last);
      space = " ";
    }
    if (t.tag) plain(space).plain("tagged ").mark(Mark::name, *t.tag);
    if (t.distribution) {
      plain(space).plain("in the ").mark(Mark::name, *t.distribution).plain(
          " distribution");
    }
    if (t.programme) {
      plain(" for the programme ").mark(Mark::name, *t.programme);
    }
    return *this;
  }

  // " from MATH 4000-4999", " tagged X or in the Y distribution": what
  // courses of any of the sets have in common.
  Sentence& qualifiers(std::span<const Entry> sets) {
    for (std::size_t i = 0; i < sets.size(); ++i) {
      plain(i == 0 ? " " : i + 1 == sets.size() ? " or " : ", ");
      qualifier(sets[i].terms);
    }
    return *this;
  }

  Sentence& placement(std::string_view name) {
    return plain("the placement ").mark(Mark::name, name);
  }

  // The words so far, as a part with `items`; the sentence starts again.
  Part part(std::vector<Clause> items = {}, bool alternatives = false) {
    Part p{std::move(words_), std::move(items), alternatives};
    words_.clear();
    return p;
  }


 private:
  const Catalogue* catalogue_;
  std::vector<Words> words_;
};

class Builder {
 public:
  explicit Builder(const Catalogue* catalogue) : catalogue_(catalogue) {}

  // What a requirement asks for: "Take two of: ...".
  Clause requirement(const JRLQuery& query) { return query_clause(query, true); }

  // What a limit holds back, over every function anywhere inside it.
  Clause limit(const JRLQuery& query) {
    std::vector<Terms> functions;
    gather(query, functions);
    const std::size_t k = amount_of(query.quantity).hi;
    Sentence s(catalogue_);
    if (functions.size() == 1 && Entry{functions.front()}.course_set()) {
      const bool one = k <= 1;
      if (k == 0) {
        s.plain("No course ");
      } else {
        s.plain("At most ").plain(number_words(k)).plain(one ? " course " : " courses ");
      }
      s.qualifier(functions.front())
          .plain(one ? " counts" : " count")
          .plain(" towards the whole programme");
      return {s.part()};
    }
    std::vector<Clause> items;
    for (const Terms& t : functions) items.push_back(item(t, false));
    if (k == 0) {
      s.plain("None of these courses count");
    } else {
      s.plain("At most ").plain(number_words(k)).plain(
          k == 1 ? " of these courses counts" : " of these courses count");
    }
    s.plain(" towards the whole programme:");
    return {s.part(std::move(items))};
  }

 private:
  void gather(const JRLQuery& query, std::vector<Terms>& out) {
    for (const Selector& selector : query.selector) {
      const Entry e = entry_of(selector);
      if (e.nested) {
        gather(*e.nested, out);
      } else {
        out.push_back(e.terms);
      }
    }
  }

  // A function as an item of a list: the course, the placement, or the set
  // ("a course tagged WX Capstone" where one is taken, "courses ..." where
  // more may be).
  Clause item(const Terms& t, bool one) {
    Sentence s(catalogue_);
    if (t.placement) {
      s.placement(*t.placement);
    } else if (t.one_course()) {
      s.course(*t.first);
    } else {
      s.plain(one ? "a course " : "courses ").qualifier(t);
    }
    return {s.part()};
  }

  Clause item(const Entry& e, bool one) {
    return e.nested ? query_clause(*e.nested, false) : item(e.terms, one);
  }

  // A query: how many of what, then what each of its caps allows. At the
  // top it is a sentence of its own ("Take ..."); nested, a phrase.
  Clause query_clause(const JRLQuery& query, bool top) {
    const auto [own, caps] = split(query);
    const Amount a = amount_of(query.quantity);
    Sentence s(catalogue_);
    Clause clause;
    const bool sets = std::ranges::all_of(own, &Entry::course_set);
    if (sets) {
      if (top) s.plain("Take ");
      s.plain(amount_words(a)).plain(singular(a) ? " course" : " courses");
      s.qualifiers(own);
      clause.push_back(s.part());
    } else if (own.size() == 1 && a.lo == 1 && a.hi == 1) {
      Clause only = item(own.front(), true);
      if (top) {
        Part& first = only.front();
        const bool placement = !own.front().nested && own.front().terms.placement;
        first.words.insert(first.words.begin(),
                           {Mark::plain, placement ? "Hold " : "Take "});
      }
      clause = std::move(only);
    } else {
      const bool every = !top && caps.empty() && a.lo == a.hi && a.lo == own.size() &&
                         std::ranges::none_of(own, &Entry::course_set);
      if (top) s.plain("Take ");
      if (every) {
        s.plain(a.lo == 2 ? "both" : "all " + number_words(a.lo));
      } else {
        s.plain(amount_words(a));
      }
      std::vector<Clause> items;
      for (const Entry& e : own) items.push_back(item(e, singular(a)));
      s.plain(" of:");
      clause.push_back(s.part(std::move(items), singular(a)));
    }
    for (const JRLQuery* cap : caps) append_cap(clause, *cap);
    return clause;
  }

  // "of which at most one from MATH 4000-4999", then the cap's own caps.
  void append_cap(Clause& clause, const JRLQuery& cap) {
    const auto [own, inner] = split(cap);
    const std::size_t k = amount_of(cap.quantity).hi;
    Sentence s(catalogue_);
    s.plain("of which ").plain(k == 0 ? "none" : "at most " + number_words(k));
    if (!own.empty() && std::ranges::all_of(own, &Entry::course_set)) {
      s.qualifiers(own);
      clause.push_back(s.part());
    } else if (!own.empty()) {
      std::vector<Clause> items;
      for (const Entry& e : own) items.push_back(item(e, false));
      s.plain(" from:");
      clause.push_back(s.part(std::move(items)));
    } else {
      clause.push_back(s.part());
    }
    for (const JRLQuery* c : inner) append_cap(clause, *c);
  }

  const Catalogue* catalogue_;
};

}  // namespace

std::string number_words(std::size_t n) {
  static constexpr std::string_view WORDS[] = {
      "zero", "one", "two", "three", "four", "five",
      "six",  "seven", "eight", "nine", "ten"};
  if (n < std::size(WORDS)) return std::string(WORDS[n]);
  return std::to_string(n);
}

Clause sentence(const JRLRequirement& requirement, const Catalogue* catalogue) {
  Builder builder(catalogue);
  return requirement.query.type == JRLQueryType::Limit
             ? builder.limit(requirement.query)
             : builder.requirement(requirement.query);
}

Description description(const JRLQueryFile& file, const Catalogue* catalogue,
                        std::string title) {
  Description out;
  out.title = std::move(title);
  for (const JRLRequirement& r : file.requirements) {
    Statement statement{std::string(r.description), std::nullopt,
                        sentence(r, catalogue)};
    if (r.query.type == JRLQueryType::Limit) {
      out.limits.push_back(std::move(statement));
      continue;
    }
    if (r.priority != 1) {
      statement.priority = r.priority;
      out.priorities = true;
    }
    out.requirements.push_back(std::move(statement));
  }
  return out;
}

}  // namespace jrl::wording
