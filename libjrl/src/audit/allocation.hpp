// An allocation: the query node each attempt counts in (or none), how a
// requirement's nodes fill from it, and the search for the best one.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "audit/audit_problem.hpp"

namespace jrl {

// The attempts counted in each node, as numbers: what filling a
// requirement needs to know.
struct NodeCounts {
  std::vector<int> direct;   // by node: attempts that are its direct items
  std::vector<int> subtree;  // by node: attempts in it and in its groups
  std::vector<int> caps;     // by cap (Data::cap_base): attempts that count against it
};

// How each node of a requirement filled: its items and the free items it took.
struct NodeFill {
  unsigned items = 0;
  bool complete = false;
  std::vector<std::uint32_t> free;  // indexes into the problem's free items of the node
};

// The number of direct items of requirement `r` once its attempts are
// fixed, or none when the attempts cannot stand so (a group holding
// attempts that is not complete, a bound or cap exceeded). `fills`, when
// given, receives each node's fill, indexed by node.
std::optional<unsigned> fill_requirement(const AuditProblem& problem, std::uint32_t r,
                                         const NodeCounts& counts, std::vector<NodeFill>* fills);

struct Allocation {
  std::vector<std::optional<std::uint32_t>> node_of;  // by attempt
  bool optimal = true;
};

// The best allocation, or the best found by `deadline` with `optimal` false.
Allocation best_allocation(const AuditProblem& problem,
                           std::chrono::steady_clock::time_point deadline);

}  // namespace jrl
