// How two versions of one statement differ in what they mean.
#pragma once

#include <vector>

#include "jrl/model.hpp"
#include "jrl/programme_diff.hpp"

namespace jrl::diffing {

// The changes that turn `old_statement` into `new_statement`: description,
// type, quantity and priority, then the selectors each version has and the
// other lacks, compared by canonical text (so their order in a list does not
// count), then the same inside each pair of nested statements. Nested
// statements are paired with an equal one first, then in order.
std::vector<StatementChange> compare_statements(
    const JRLRequirement& old_statement, const JRLRequirement& new_statement);

}  // namespace jrl::diffing
