// A programme in plain words, for catalogue pages and advisers: each
// statement under its description as a heading, with what it asks for in
// sentences ("Take two of: MATH 1200 Calculus I, MATH 1210 Calculus II"),
// as plain text, Markdown or one self-contained HTML page.
//
//   jrl::DescribeOptions options;
//   options.format = jrl::DescribeFormat::html;
//   options.catalogue = &*catalogue;  // course titles; may be null
//   options.title = jrl::programme_title(text);
//   std::string page = jrl::describe(parsed->parsed_jrl_file, options);
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "jrl/model.hpp"

namespace jrl {

class Catalogue;

enum class DescribeFormat : std::uint8_t { text, markdown, html };

struct DescribeOptions {
  DescribeFormat format = DescribeFormat::text;
  // Gives each course named its title; a course it lacks is named by its
  // code alone. Null: codes alone.
  const Catalogue* catalogue = nullptr;
  // The page's heading (and the HTML page's title); empty for none in
  // text and Markdown, "Programme requirements" in HTML.
  std::string_view title;
};

// The whole file in plain words, in the format asked for. Requirements come
// first, in file order, then the limits; a note on what priorities mean is
// added when any requirement has one other than 1.
std::string describe(const JRLQueryFile& file, const DescribeOptions& options = {});

// What one statement asks for, as one plain-text sentence (its lists inline).
std::string describe_statement(const JRLRequirement& requirement,
                               const Catalogue* catalogue = nullptr);

// The first line of the comment a requirements text opens with ("Wexmoor
// University: Minor in Mathematics"), without the slashes and surrounding
// space; empty when the text does not open with a comment.
std::string_view programme_title(std::string_view text);

}  // namespace jrl
