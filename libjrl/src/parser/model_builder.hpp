// The builders: they walk a parse tree into the query model and make every
// check the grammar cannot express. Statements live in statement_builder.cpp,
// selectors in selector_builder.cpp; the two recurse into each other for
// nested queries. Every text and selector sequence is made in the arena they
// are given.
#pragma once

#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jrl/error.hpp"
#include "jrl/model.hpp"
#include "jrl/model_arena.hpp"
#include "parser/parse_tree.hpp"

namespace jrl {

struct ModelBuilder {
  // node: `special_statement`: one requirement. jrl::parse hands each
  // statement here as soon as the grammar has matched it.
  static std::expected<JRLRequirement, Error> parse_requirement(
      NodeRef node, ModelArena& arena);
  // node: `statement`. Nested queries pass top_level = false.
  static std::expected<JRLQuery, Error> parse_query(NodeRef node,
                                                    bool top_level,
                                                    ModelArena& arena);
  // node: `string`. Strips the quotes and undoes doubled quotes.
  static std::expected<std::string_view, Error> parse_string(
      NodeRef node, ModelArena& arena);
  // node: `string`. The text between its quotes, doubled quotes kept.
  static std::expected<std::string_view, Error> string_content(NodeRef node);
  // The text between a string's quotes with doubled quotes undone, made in
  // `arena`.
  static std::string_view unquote(std::string_view content, ModelArena& arena);

  // One selector from its `selector_single` node, for readers of a tree
  // outside the builders (the checker's warnings).
  static std::expected<Selector, Error> parse_selector_single(
      NodeRef node, ModelArena& arena);

  // The recursion of nested queries. Query and selectors are built in place
  // and a failure is left in `failure` (false is returned), so that each
  // level of nesting keeps only a few words on the stack: a 256-deep file
  // builds within a small thread stack.
  // node: `statement`.
  static bool build_query(NodeRef node, bool top_level, JRLQuery& out,
                          ModelArena& arena, std::optional<Error>& failure);
  // node: `selector`: its list or its single selector, made in `arena` and
  // viewed by `out`.
  static bool build_selectors(NodeRef node, std::span<const Selector>& out,
                              ModelArena& arena, std::optional<Error>& failure);

  // Test and benchmark path, not taken by jrl::parse: builds a whole file
  // from a tree that holds every statement (node: `file`), so the builders
  // can be run on a hand-made tree or timed apart from the grammar.
  static std::expected<JRLQueryFile, Error> parse_file(NodeRef node,
                                                      ModelArena& arena);
};

}  // namespace jrl
