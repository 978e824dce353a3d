#include "progress_bar.hpp"

#include <algorithm>
#include <cmath>
#include <string>

namespace jrl::cli {
namespace {

using namespace std::chrono_literals;

// A short run never shows the bar; a long one is redrawn this often at most.
constexpr auto FIRST_DRAW = 500ms;
constexpr auto REDRAW = 200ms;
constexpr std::size_t BAR_WIDTH = 24;

// 1234567 as "1,234,567".
std::string grouped(std::size_t n) {
  std::string digits = std::to_string(n);
  for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, 1, ',');
  return digits;
}

// The line drawn for `done` records after `seconds`, at `fraction` of the
// input when known.
std::string line(std::size_t done, double seconds, std::optional<double> fraction) {
  std::string out;
  if (fraction) {
    const double f = std::clamp(*fraction, 0.0, 1.0);
    const auto filled = static_cast<std::size_t>(f * BAR_WIDTH);
    out += '[';
    out.append(filled, '#');
    out.append(BAR_WIDTH - filled, ' ');
    out += "] ";
    out += std::to_string(static_cast<int>(std::floor(f * 100)));
    out += "%  ";
  }
  out += grouped(done) + (done == 1 ? " record" : " records");
  if (seconds > 0) {
    out += ", " + grouped(static_cast<std::size_t>(static_cast<double>(done) / seconds)) + "/s";
  }
  return out;
}

}  // namespace

ProgressBar::ProgressBar(std::FILE* stream, std::optional<std::uintmax_t> size)
    : stream_(stream), size_(size) {}

void ProgressBar::update(std::size_t done, const std::function<std::uintmax_t()>& position) {
  const Clock::time_point now = Clock::now();
  if (now - start_ < FIRST_DRAW || (drawn_at_ && now - *drawn_at_ < REDRAW)) return;
  std::optional<double> fraction;
  if (size_ && *size_ > 0) {
    fraction = static_cast<double>(position()) / static_cast<double>(*size_);
  }
  const std::string text =
      line(done, std::chrono::duration<double>(now - start_).count(), fraction);
  // Spaces over what is left of a longer line: no terminal codes needed.
  const std::size_t pad = shown_width_ > text.size() ? shown_width_ - text.size() : 0;
  std::string drawn(1, '\r');
  drawn += text;
  drawn.append(pad, ' ');
  std::fputs(drawn.c_str(), stream_);
  std::fflush(stream_);
  shown_width_ = text.size() + pad;
  drawn_at_ = now;
}

void ProgressBar::clear() {
  if (shown_width_ == 0) return;
  std::string blank(1, '\r');
  blank.append(shown_width_, ' ');
  blank += '\r';
  std::fputs(blank.c_str(), stream_);
  std::fflush(stream_);
  shown_width_ = 0;
}

}  // namespace jrl::cli
