// The storage of a model: texts and selector sequences in large blocks.
//
// Building takes a few pointer bumps per record instead of an allocation
// each, and freeing the arena frees the whole model in one call per block
// (the records are trivially destructible, so nothing else runs). jrl::parse
// builds every model in one; build a model by hand in one of your own, and
// keep the arena alive as long as the records that point into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "jrl/model.hpp"

namespace jrl {

class ModelArena {
 public:
  ModelArena() = default;
  ModelArena(const ModelArena&) = delete;
  ModelArena& operator=(const ModelArena&) = delete;
  ~ModelArena();

  // A copy of `text`, valid as long as the arena.
  std::string_view text(std::string_view text);
  // `count` default-constructed selectors, to be filled in place.
  std::span<Selector> selectors(std::size_t count);
  // A copy of `items`.
  std::span<const Selector> selectors(std::span<const Selector> items);
  std::span<const Selector> selectors(std::initializer_list<Selector> items) {
    return selectors(std::span<const Selector>(items.begin(), items.size()));
  }

  // Uninitialised room for `size` bytes at a multiple of `alignment` (a
  // power of two, at most alignof(std::max_align_t)). Throws std::bad_alloc
  // when memory runs out.
  void* allocate(std::size_t size, std::size_t alignment) {
    const std::uintptr_t at = (cursor_ + alignment - 1) & ~(alignment - 1);
    if (at <= end_ && size <= end_ - at) {
      cursor_ = at + size;
      return reinterpret_cast<void*>(at);
    }
    return allocate_in_new_block(size, alignment);
  }

  // Bytes of the blocks held, used or not.
  std::size_t reserved_bytes() const { return reserved_; }

  // Forgets every record made so far, keeping the newest block for reuse.
  void clear();

 private:
  struct Block;
  void* allocate_in_new_block(std::size_t size, std::size_t alignment);
  // Frees `block` and every block made before it.
  static void free_blocks(Block* block);

  Block* newest_ = nullptr;  // each block links to the one made before it
  std::uintptr_t cursor_ = 0;
  std::uintptr_t end_ = 0;
  std::size_t reserved_ = 0;
  std::size_t next_block_size_ = 0;
};

}  // namespace jrl
