// The builders: they walk a parse tree into the query model and make every
// check the grammar cannot express. Statements live in statement_builder.cpp,
// selectors in selector_builder.cpp; the two recurse into each other for
// nested queries.
#pragma once

#include <expected>
#include <string>
#include <vector>

#include "jrl/error.hpp"
#include "jrl/model.hpp"
#include "parser/parse_tree.hpp"

namespace jrl {

struct JRLParser {
  // node: `file`.
  static std::expected<JRLQueryFile, Error> parse_file(NodeRef node);
  // node: `statement`. Nested queries pass top_level = false.
  static std::expected<JRLQuery, Error> parse_query(NodeRef node,
                                                    bool top_level);
  // node: `string`. Strips the quotes and undoes doubled quotes.
  static std::expected<std::string, Error> parse_string(NodeRef node);
  // node: `selector_list`.
  static std::expected<std::vector<Selector>, Error> parse_selector_list(
      NodeRef node);
  // node: `selector_single`.
  static std::expected<Selector, Error> parse_selector_single(NodeRef node);
};

}  // namespace jrl
