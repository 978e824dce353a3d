#include "audit_output_names.hpp"

#include <algorithm>
#include <array>

namespace jrl::cli {
namespace {

bool kept(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '.' || c == '_' || c == '-';
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Names Windows gives to devices, whatever follows them after a dot.
constexpr std::array<std::string_view, 4> DEVICES{"con", "prn", "aux", "nul"};
constexpr std::array<std::string_view, 2> NUMBERED_DEVICES{"com", "lpt"};

bool names_a_device(std::string_view stem) {
  const std::string base = case_folded(stem.substr(0, stem.find('.')));
  if (std::ranges::find(DEVICES, base) != DEVICES.end()) return true;
  return base.size() == 4 && base[3] >= '0' && base[3] <= '9' &&
         std::ranges::find(NUMBERED_DEVICES, base.substr(0, 3)) != NUMBERED_DEVICES.end();
}

void append_encoded(std::string& out, char c) {
  constexpr std::string_view HEX = "0123456789ABCDEF";
  const auto byte = static_cast<unsigned char>(c);
  out += '%';
  out += HEX[byte >> 4];
  out += HEX[byte & 0xF];
}

}  // namespace

std::string file_stem(std::string_view student) {
  std::string stem;
  const bool device = names_a_device(student);
  for (std::size_t i = 0; i < student.size(); ++i) {
    const char c = student[i];
    const bool encode = !kept(c) || (i == 0 && (c == '.' || device));
    const std::size_t width = encode ? 3 : 1;
    if (stem.size() + width > MAX_STEM) break;
    if (encode) {
      append_encoded(stem, c);
    } else {
      stem += c;
    }
  }
  return stem.empty() ? "_" : stem;
}

std::string case_folded(std::string_view stem) {
  std::string out(stem);
  std::ranges::transform(out, out.begin(), lower);
  return out;
}

std::string stem_href(std::string_view stem) {
  std::string out;
  for (const char c : stem) {
    if (c == '%') {
      out += "%25";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace jrl::cli
