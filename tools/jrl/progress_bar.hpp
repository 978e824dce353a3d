// A one-line progress bar on a terminal for a long run over many records:
// how many are done, at what rate, and how far through the input when its
// size is known. It appears only once the run has lasted a moment, is
// redrawn a few times a second at most, and is erased before any other text
// is written to its stream and at the end.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>

namespace jrl::cli {

class ProgressBar {
 public:
  using Clock = std::chrono::steady_clock;

  // `size`: the input's size in bytes, when it is a regular file.
  ProgressBar(std::FILE* stream, std::optional<std::uintmax_t> size);

  // `done` records are finished; `position` tells how many bytes of the
  // input were read, and is asked only when the bar is redrawn.
  void update(std::size_t done, const std::function<std::uintmax_t()>& position);
  // Erases the bar if it is shown; the next update may draw it again.
  void clear();

 private:
  std::FILE* stream_;
  std::optional<std::uintmax_t> size_;
  Clock::time_point start_ = Clock::now();
  std::optional<Clock::time_point> drawn_at_;
  std::size_t shown_width_ = 0;  // of the line now on the terminal
};

}  // namespace jrl::cli
