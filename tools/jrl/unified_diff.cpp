// The shortest edit script between the lines of two texts (the greedy
// forward search over diagonals), after taking off the lines the two share
// at both ends. Past MAX_EDITS differing lines the search stops and the
// middle becomes one replacement, which keeps time and memory bounded on
// texts that share little.
#include "unified_diff.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace jrl::cli {
namespace {

constexpr std::size_t CONTEXT = 3;
constexpr std::ptrdiff_t MAX_EDITS = 1000;

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t lf = text.find('\n', start);
    const std::size_t end = lf == std::string_view::npos ? text.size() : lf + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

enum class Op : char { keep = ' ', remove = '-', add = '+' };

struct Edit {
  Op op;
  std::size_t line;  // in the text it comes from
};

using Lines = std::vector<std::string_view>;

// The edit script of a[a0, a1) into b[b0, b1).
void middle_script(const Lines& a, std::size_t a0, std::size_t a1,
                   const Lines& b, std::size_t b0, std::size_t b1,
                   std::vector<Edit>& script) {
  const std::ptrdiff_t n = a1 - a0;
  const std::ptrdiff_t m = b1 - b0;
  const std::ptrdiff_t limit = std::min<std::ptrdiff_t>(n + m, MAX_EDITS);
  const std::ptrdiff_t offset = limit + 1;
  std::vector<std::ptrdiff_t> v(2 * offset + 1, 0);
  std::vector<std::vector<std::ptrdiff_t>> trace;
  std::ptrdiff_t found = -1;
  for (std::ptrdiff_t d = 0; d <= limit && found < 0; ++d) {
    trace.push_back(v);
    for (std::ptrdiff_t k = -d; k <= d; k += 2) {
      std::ptrdiff_t x =
          (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1]))
              ? v[offset + k + 1]
              : v[offset + k - 1] + 1;
      std::ptrdiff_t y = x - k;
      while (x < n && y < m && a[a0 + x] == b[b0 + y]) ++x, ++y;
      v[offset + k] = x;
      if (x >= n && y >= m) {
        found = d;
        break;
      }
    }
  }
  if (found < 0) {
    for (std::size_t i = a0; i < a1; ++i) script.push_back({Op::remove, i});
    for (std::size_t j = b0; j < b1; ++j) script.push_back({Op::add, j});
    return;
  }
  // Walk back through the saved frontiers.
  std::vector<Edit> reversed;
  std::ptrdiff_t x = n, y = m;
  for (std::ptrdiff_t d = found; d > 0; --d) {
    const auto& w = trace[d];
    const std::ptrdiff_t k = x - y;
    const bool down =
        k == -d || (k != d && w[offset + k - 1] < w[offset + k + 1]);
    const std::ptrdiff_t prev_k = down ? k + 1 : k - 1;
    const std::ptrdiff_t prev_x = w[offset + prev_k];
    const std::ptrdiff_t prev_y = prev_x - prev_k;
    while (x > prev_x && y > prev_y) {
      --x, --y;
      reversed.push_back({Op::keep, a0 + x});
    }
    if (down) {
      --y;
      reversed.push_back({Op::add, b0 + y});
    } else {
      --x;
      reversed.push_back({Op::remove, a0 + x});
    }
  }
  while (x > 0 && y > 0) {
    --x, --y;
    reversed.push_back({Op::keep, a0 + x});
  }
  script.insert(script.end(), reversed.rbegin(), reversed.rend());
}

std::string range_text(std::size_t start, std::size_t count) {
  // A hunk side without lines names the line before it.
  std::string text = std::to_string(count == 0 ? start : start + 1);
  if (count != 1) {
    text.push_back(',');
    text.append(std::to_string(count));
  }
  return text;
}

void append_line(std::string& out, char op, std::string_view line) {
  out.push_back(op);
  out.append(line);
  if (line.empty() || line.back() != '\n') {
    out.append("\n\\ No newline at end of file\n");
  }
}

}  // namespace

std::string unified_diff(std::string_view name, std::string_view before,
                         std::string_view after) {
  if (before == after) return {};
  const Lines a = split_lines(before);
  const Lines b = split_lines(after);
  std::size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  std::size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
    ++tail;
  }
  std::vector<Edit> script;
  for (std::size_t i = 0; i < head; ++i) script.push_back({Op::keep, i});
  middle_script(a, head, a.size() - tail, b, head, b.size() - tail, script);
  for (std::size_t i = a.size() - tail; i < a.size(); ++i) {
    script.push_back({Op::keep, i});
  }

  std::string out = "--- ";
  out.append(name);
  out.append("\n+++ ");
  out.append(name);
  out.push_back('\n');
  // Line numbers before each script entry, in both texts.
  std::vector<std::size_t> at_a(script.size() + 1), at_b(script.size() + 1);
  for (std::size_t i = 0; i < script.size(); ++i) {
    at_a[i + 1] = at_a[i] + (script[i].op != Op::add);
    at_b[i + 1] = at_b[i] + (script[i].op != Op::remove);
  }
  std::size_t i = 0;
  while (i < script.size()) {
    if (script[i].op == Op::keep) {
      ++i;
      continue;
    }
    // A hunk: this change, the changes less than two contexts after it,
    // and the context around them.
    const std::size_t first = i >= CONTEXT ? i - CONTEXT : 0;
    std::size_t last = i;  // one past the last change
    std::size_t j = i;
    while (j < script.size()) {
      if (script[j].op != Op::keep) {
        last = ++j;
        continue;
      }
      std::size_t run = j;
      while (run < script.size() && script[run].op == Op::keep) ++run;
      if (run == script.size() || run - j > 2 * CONTEXT) break;
      j = run;
    }
    const std::size_t stop = std::min(script.size(), last + CONTEXT);
    out.append("@@ -");
    out.append(range_text(at_a[first], at_a[stop] - at_a[first]));
    out.append(" +");
    out.append(range_text(at_b[first], at_b[stop] - at_b[first]));
    out.append(" @@\n");
    for (std::size_t k = first; k < stop; ++k) {
      const Edit& edit = script[k];
      append_line(out, static_cast<char>(edit.op),
                  edit.op == Op::add ? b[edit.line] : a[edit.line]);
    }
    i = stop;
  }
  return out;
}

}  // namespace jrl::cli
