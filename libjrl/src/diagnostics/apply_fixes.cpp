// fix(): the errors' own suggestions applied to the text, round after round.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "jrl/diagnostics.hpp"
#include "jrl/fix.hpp"

namespace jrl {
namespace {

// Each round fixes every error that has a fix at once, so a file needs more
// than one only when a fix brings a further fixable error to light.
constexpr std::size_t MAX_ROUNDS = 8;

std::size_t error_count(const std::vector<Diagnostic>& diagnostics) {
  return static_cast<std::size_t>(
      std::ranges::count(diagnostics, Severity::error, &Diagnostic::severity));
}

// Whether two edits touch: they overlap, or they start at one place (two
// insertions there would go in an order that is a guess).
bool touch(const TextEdit& a, const TextEdit& b) {
  if (a.offset == b.offset) return true;
  return a.offset < b.end_offset && b.offset < a.end_offset;
}

// The first suggestion of each error, in order, those whose edits overlap
// an earlier one's left out.
std::vector<const Suggestion*> first_fixes(
    const std::vector<Diagnostic>& diagnostics) {
  std::vector<const Suggestion*> fixes;
  std::vector<const TextEdit*> edits;
  for (const Diagnostic& d : diagnostics) {
    if (d.severity != Severity::error || d.suggestions.empty()) continue;
    const Suggestion& s = d.suggestions.front();
    if (s.edits.empty() || std::ranges::any_of(s.edits, [&](const TextEdit& e) {
          return std::ranges::any_of(
              edits, [&](const TextEdit* c) { return touch(*c, e); });
        })) {
      continue;
    }
    for (const TextEdit& e : s.edits) edits.push_back(&e);
    fixes.push_back(&s);
  }
  return fixes;
}

// `text` with the edits of `fixes` made, which do not overlap.
std::string applied(std::string_view text,
                    const std::vector<const Suggestion*>& fixes) {
  std::vector<const TextEdit*> edits;
  for (const Suggestion* s : fixes) {
    for (const TextEdit& e : s->edits) edits.push_back(&e);
  }
  std::ranges::sort(edits, {}, &TextEdit::offset);
  std::string out;
  out.reserve(text.size() + 16 * edits.size());
  std::size_t at = 0;
  for (const TextEdit* e : edits) {
    out.append(text.substr(at, e->offset - at));
    out.append(e->replacement);
    at = e->end_offset;
  }
  out.append(text.substr(at));
  return out;
}

// Every error of `text`, however many: a fix is kept by the count of errors
// it leaves. Warnings have no fixes.
std::vector<Diagnostic> errors_of(std::string_view text) {
  CheckOptions options;
  options.warnings = false;
  // No text has more errors than bytes.
  options.max_diagnostics = text.size() + 1;
  return check(text, options);
}

}  // namespace

FixResult fix(std::string_view text) {
  FixResult result{std::string(text), 0};
  std::vector<Diagnostic> diagnostics = errors_of(result.text);
  for (std::size_t round = 0; round < MAX_ROUNDS; ++round) {
    const std::size_t errors = error_count(diagnostics);
    const std::vector<const Suggestion*> fixes = first_fixes(diagnostics);
    if (fixes.empty()) break;
    // All of them at once; failing that, the first one that is safe alone.
    // A set of fixes is safe when the errors fall by at least as many.
    bool kept = false;
    std::vector<std::vector<const Suggestion*>> tries{fixes};
    if (fixes.size() > 1) {
      for (const Suggestion* s : fixes) tries.push_back({s});
    }
    for (const auto& batch : tries) {
      std::string fixed = applied(result.text, batch);
      std::vector<Diagnostic> after = errors_of(fixed);
      if (error_count(after) + batch.size() <= errors) {
        result.text = std::move(fixed);
        result.fixes += batch.size();
        diagnostics = std::move(after);
        kept = true;
        break;
      }
    }
    if (!kept) break;
  }
  return result;
}

}  // namespace jrl
