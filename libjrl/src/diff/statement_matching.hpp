// Which statement of the new version each statement of the old one became.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "jrl/model.hpp"

namespace jrl::diffing {

// For each old statement, the new statement it is matched with, or none;
// each new statement is matched at most once. A statement is matched, in
// this order of preference, with one of the same description (one that
// is also the same in all else first), with the one statement whose
// description is close to its own when neither side has another that
// close, and last by its place: between the same two matched neighbours,
// with a statement of the same query, else in order when both versions
// hold as many unmatched statements of one kind there.
using Matching = std::vector<std::optional<std::size_t>>;
Matching match_statements(std::span<const JRLRequirement> old_statements,
                          std::span<const JRLRequirement> new_statements);

// For each old statement, whether it is matched and lies outside a longest
// run of matched statements that keeps its order in the new version: the
// statements that moved.
std::vector<bool> moved_statements(const Matching& matched);

}  // namespace jrl::diffing
