// The ANSI colours of reports: the one place that writes escape sequences.
#include <array>
#include <string>
#include <string_view>

#include "jrl/text.hpp"

namespace jrl {

std::string paint(std::string_view text, Tone tone) {
  // By tone: error, warning, help, strong.
  constexpr std::array<std::string_view, 4> STYLES = {
      "\x1b[1;31m", "\x1b[1;33m", "\x1b[1;36m", "\x1b[1m"};
  constexpr std::string_view RESET = "\x1b[0m";
  const std::string_view style = STYLES[static_cast<std::size_t>(tone)];
  std::string out;
  out.reserve(style.size() + text.size() + RESET.size());
  out.append(style);
  out.append(text);
  out.append(RESET);
  return out;
}

}  // namespace jrl
