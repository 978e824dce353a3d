#include "suggest/closest_string.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "text/char_classes.hpp"
#include "text/utf8.hpp"

namespace jrl::closest_string {
namespace {

// A buffer that lives on the stack for short texts (department codes and
// function names) and falls back to the heap only for long ones.
template <typename T>
class SmallBuffer {
 public:
  explicit SmallBuffer(std::size_t capacity) { reset(capacity); }
  // `data_` may point into the object itself.
  SmallBuffer(const SmallBuffer&) = delete;
  SmallBuffer& operator=(const SmallBuffer&) = delete;

  // Empties the buffer and makes room for `capacity` elements.
  void reset(std::size_t capacity) {
    size_ = 0;
    if (capacity <= INLINE_CAPACITY) {
      data_ = inline_.data();
    } else {
      if (heap_.size() < capacity) heap_.resize(capacity);
      data_ = heap_.data();
    }
  }
  void push_back(T value) { data_[size_++] = value; }
  std::span<T> view() { return {data_, size_}; }

 private:
  static constexpr std::size_t INLINE_CAPACITY = 32;
  std::array<T, INLINE_CAPACITY> inline_{};
  std::vector<T> heap_;
  T* data_ = nullptr;
  std::size_t size_ = 0;
};

using CodePoints = SmallBuffer<char32_t>;

// Bytes that are not valid UTF-8 are kept as values above the Unicode range,
// one per byte, so that they only ever equal the same stray byte.
constexpr char32_t STRAY_BYTE_BASE = 0x110000;

// Decodes `text` into `out`, ASCII-lower-casing letters when `lower` is set.
// An ASCII byte never occurs inside a multi-byte sequence, so lower-casing
// code points is the same as lower-casing bytes.
void decode(std::string_view text, bool lower, CodePoints& out) {
  out.reset(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
      const char c = lower ? chars::to_lower(text[pos]) : text[pos];
      out.push_back(static_cast<unsigned char>(c));
      ++pos;
      continue;
    }
    const utf8::Decoded decoded = utf8::decode(text, pos);
    if (decoded.valid) {
      out.push_back(decoded.code_point);
      pos += decoded.length;
    } else {
      out.push_back(STRAY_BYTE_BASE + lead);
      ++pos;
    }
  }
}

// How many positions of a text hold each character and are not matched yet.
// A character of the other text with none left cannot match, whatever the
// window, so it is skipped without a scan.
class Unmatched {
 public:
  explicit Unmatched(std::span<const char32_t> text) {
    for (const char32_t c : text) {
      if (c < kAscii) {
        ++ascii_[c];
      } else {
        others_.push_back(c);
      }
    }
    std::sort(others_.begin(), others_.end());
    // One entry per distinct character, its count beside it.
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < others_.size(); ++distinct) {
      std::size_t j = i;
      while (j < others_.size() && others_[j] == others_[i]) ++j;
      others_[distinct] = others_[i];
      other_counts_.push_back(j - i);
      i = j;
    }
    others_.resize(distinct);
  }

  // The count of `c`, or null when the text never holds it.
  std::size_t* count(char32_t c) {
    if (c < kAscii) return ascii_[c] != 0 ? &ascii_[c] : nullptr;
    const auto it = std::lower_bound(others_.begin(), others_.end(), c);
    if (it == others_.end() || *it != c) return nullptr;
    const auto index = static_cast<std::size_t>(it - others_.begin());
    std::size_t* n = &other_counts_[index];
    return *n != 0 ? n : nullptr;
  }

 private:
  static constexpr char32_t kAscii = 128;
  std::array<std::size_t, kAscii> ascii_{};
  std::vector<char32_t> others_;
  std::vector<std::size_t> other_counts_;
};

// Jaro similarity, matching each character of `a` in order with the first
// unmatched equal character of `b` inside the window. The scan stops as soon
// as no later character of `a` can match (all of `b` is matched, or the
// windows have passed the end of `b`), and skips characters with no
// unmatched equal left in `b`; every scan of a window that holds all of `b`
// then ends in a match, so a long text against a short one costs one step
// per character plus at most |b| scans of |b|.
double jaro(std::span<const char32_t> a, std::span<const char32_t> b) {
  const std::size_t la = a.size();
  const std::size_t lb = b.size();
  if (la == 0 && lb == 0) return 1.0;
  if (la == 0 || lb == 0) return 0.0;

  const std::size_t longest = std::max(la, lb);
  const std::size_t window = longest / 2 >= 1 ? longest / 2 - 1 : 0;

  // Match flags of `b`, one byte each (std::vector<bool> has no contiguous
  // data), and the matched characters of `a` in order.
  const std::size_t most = std::min(la, lb);
  SmallBuffer<char> matched_b(lb);
  for (std::size_t k = 0; k < lb; ++k) matched_b.push_back(0);
  const std::span<char> in_b = matched_b.view();
  SmallBuffer<char32_t> matches_a(most);
  Unmatched unmatched(b);

  std::size_t m = 0;
  for (std::size_t i = 0; i < la && m < most; ++i) {
    const std::size_t low = i > window ? i - window : 0;
    if (low >= lb) break;  // this window and all later ones lie past `b`
    std::size_t* left = unmatched.count(a[i]);
    if (left == nullptr) continue;
    const std::size_t high = std::min(lb - 1, i + window);
    for (std::size_t k = low; k <= high; ++k) {
      if (!in_b[k] && b[k] == a[i]) {
        in_b[k] = 1;
        --*left;
        matches_a.push_back(a[i]);
        ++m;
        break;
      }
    }
  }
  if (m == 0) return 0.0;

  // Pair the matched characters of both texts in order.
  std::size_t differing = 0;
  std::size_t k = 0;
  for (const char32_t c : matches_a.view()) {
    while (!in_b[k]) ++k;
    if (c != b[k]) ++differing;
    ++k;
  }
  const std::size_t t = differing / 2;

  const double md = static_cast<double>(m);
  return (md / static_cast<double>(la) + md / static_cast<double>(lb) +
          static_cast<double>(m - t) / md) /
         3.0;
}

double jaro_winkler(std::span<const char32_t> a, std::span<const char32_t> b) {
  const double j = jaro(a, b);
  if (!(j > 0.7)) return j;
  std::size_t prefix = 0;
  while (prefix < 4 && prefix < a.size() && prefix < b.size() &&
         a[prefix] == b[prefix]) {
    ++prefix;
  }
  return j + (1.0 - j) * (0.1 * static_cast<double>(prefix));
}

// s * 1000 truncated toward zero into 32 bits; NaN gives 0, out-of-range
// values saturate.
std::int32_t score(double similarity) {
  const double scaled = similarity * 1000.0;
  if (std::isnan(scaled)) return 0;
  constexpr auto MAX_SCORE = std::numeric_limits<std::int32_t>::max();
  constexpr auto MIN_SCORE = std::numeric_limits<std::int32_t>::min();
  if (scaled >= static_cast<double>(MAX_SCORE)) return MAX_SCORE;
  if (scaled <= static_cast<double>(MIN_SCORE)) return MIN_SCORE;
  return static_cast<std::int32_t>(scaled);
}

}  // namespace

double jaro_winkler(std::string_view a, std::string_view b) {
  CodePoints da(a.size());
  CodePoints db(b.size());
  decode(a, false, da);
  decode(b, false, db);
  return jaro_winkler(da.view(), db.view());
}

std::optional<std::string_view> closest_string(
    std::string_view target, std::span<const std::string_view> candidates) {
  CodePoints lowered_target(target.size());
  decode(target, true, lowered_target);
  CodePoints lowered_candidate(0);

  std::optional<std::string_view> best;
  std::int32_t best_score = 0;
  for (const std::string_view candidate : candidates) {
    decode(candidate, true, lowered_candidate);
    const std::int32_t k =
        score(jaro_winkler(lowered_target.view(), lowered_candidate.view()));
    // `>=`: among equal scores the later candidate wins.
    if (!best || k >= best_score) {
      best = candidate;
      best_score = k;
    }
  }
  return best;
}

}  // namespace jrl::closest_string
