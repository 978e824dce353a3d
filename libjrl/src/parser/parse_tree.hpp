// The parse tree of one grammar run: a flat array of nodes in pre-order.
//
// A node's children follow it directly; `subtree_end` is the index one past
// its last descendant, so the next sibling of node i is nodes[i].subtree_end.
// Nodes refer to the input by byte offsets and live only during one parse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "language/rule.hpp"

namespace jrl {

struct Node {
  std::uint32_t start = 0;        // byte offset of the span start
  std::uint32_t end = 0;          // byte offset of the span end
  std::uint32_t subtree_end = 0;  // index one past the last descendant
  Rule rule = Rule::EOI;
};

class NodeRef;

struct ParseTree {
  std::string_view input;
  std::vector<Node> nodes;  // nodes[0] is the start rule's node

  // The first top-level node, if any.
  std::optional<NodeRef> root() const;
};

// A read-only view of one node of a tree.
class NodeRef {
 public:
  NodeRef(const ParseTree& tree, std::uint32_t index)
      : tree_(&tree), index_(index) {}

  Rule rule() const { return node().rule; }
  std::size_t start() const { return node().start; }
  std::size_t end() const { return node().end; }
  std::string_view text() const {
    return tree_->input.substr(node().start, node().end - node().start);
  }
  std::uint32_t index() const { return index_; }
  // The index one past this node's last descendant.
  std::uint32_t subtree_end() const { return node().subtree_end; }
  // Another node of the same tree, by index.
  NodeRef at(std::uint32_t index) const { return NodeRef(*tree_, index); }
  // The whole input of the tree, for reports over this node's span.
  std::string_view input() const { return tree_->input; }

  class ChildIterator {
   public:
    using value_type = NodeRef;
    using difference_type = std::ptrdiff_t;
    ChildIterator() = default;
    ChildIterator(const ParseTree* tree, std::uint32_t index)
        : tree_(tree), index_(index) {}
    NodeRef operator*() const { return NodeRef(*tree_, index_); }
    ChildIterator& operator++() {
      index_ = tree_->nodes[index_].subtree_end;
      return *this;
    }
    ChildIterator operator++(int) {
      ChildIterator old = *this;
      ++*this;
      return old;
    }
    friend bool operator==(const ChildIterator& a, const ChildIterator& b) {
      return a.index_ == b.index_;
    }

   private:
    const ParseTree* tree_ = nullptr;
    std::uint32_t index_ = 0;
  };

  struct Children {
    ChildIterator first;
    ChildIterator last;
    ChildIterator begin() const { return first; }
    ChildIterator end() const { return last; }
    bool empty() const { return first == last; }
  };

  Children children() const {
    return {ChildIterator(tree_, index_ + 1),
            ChildIterator(tree_, node().subtree_end)};
  }

  // The n-th child (0-based), or none.
  std::optional<NodeRef> child(std::size_t n) const {
    std::uint32_t i = index_ + 1;
    const std::uint32_t stop = node().subtree_end;
    for (; i < stop && n > 0; --n) i = tree_->nodes[i].subtree_end;
    if (i >= stop) return std::nullopt;
    return NodeRef(*tree_, i);
  }

 private:
  const Node& node() const { return tree_->nodes[index_]; }

  const ParseTree* tree_;
  std::uint32_t index_;
};

// Receives finished subtrees while a run goes on (see peg::Drain); a node
// and its descendants stay readable only during the call.
class NodeSink {
 public:
  virtual void take(NodeRef node) = 0;
  // The run failed: nothing taken will be used. Called before the tracking
  // run, so that what was built from the nodes is freed first.
  virtual void discard() = 0;

 protected:
  ~NodeSink() = default;
};

inline std::optional<NodeRef> ParseTree::root() const {
  if (nodes.empty()) return std::nullopt;
  return NodeRef(*this, 0);
}

}  // namespace jrl
