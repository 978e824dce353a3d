// The entry points: a programme's sentences, rendered in the format asked
// for.
#include <array>
#include <string>
#include <string_view>

#include "describe/description.hpp"
#include "jrl/describe.hpp"

namespace jrl {
namespace {

struct Rendering {
  DescribeFormat format;
  std::string (*render)(const wording::Description&);
};

constexpr std::array RENDERINGS{
    Rendering{DescribeFormat::text, wording::render_text},
    Rendering{DescribeFormat::markdown, wording::render_markdown},
    Rendering{DescribeFormat::html, wording::render_html},
};

std::string plain(const wording::Words& words) { return words.text; }

}  // namespace

std::string describe(const JRLQueryFile& file, const DescribeOptions& options) {
  const wording::Description d =
      wording::description(file, options.catalogue, std::string(options.title));
  for (const Rendering& r : RENDERINGS) {
    if (r.format == options.format) return r.render(d);
  }
  return wording::render_text(d);
}

std::string describe_statement(const JRLRequirement& requirement,
                               const Catalogue* catalogue) {
  return wording::inline_text(wording::sentence(requirement, catalogue), plain) + ".";
}

std::string_view programme_title(std::string_view text) {
  constexpr std::string_view SPACE = " \t\r\n";
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::size_t start = text.find_first_not_of(SPACE);
  if (start == std::string_view::npos || text.substr(start, 2) != "//") return {};
  std::string_view line = text.substr(start + 2);
  line = line.substr(0, line.find('\n'));
  const std::size_t first = line.find_first_not_of(SPACE);
  if (first == std::string_view::npos) return {};
  return line.substr(first, line.find_last_not_of(SPACE) - first + 1);
}

}  // namespace jrl
