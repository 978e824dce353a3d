#include "jrl/model_arena.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace jrl {

// Each block starts with this header; its bytes follow.
struct ModelArena::Block {
  Block* previous;
  std::size_t size;  // bytes after the header

  std::uintptr_t begin() const {
    return reinterpret_cast<std::uintptr_t>(this) + sizeof(Block);
  }
};

namespace {

// Blocks double from the first size up to the last, so a small file costs
// one small block and a large one a block per few hundred kilobytes of input.
constexpr std::size_t FIRST_BLOCK = std::size_t{16} << 10;
constexpr std::size_t LARGEST_BLOCK = std::size_t{4} << 20;

static_assert(sizeof(ModelArena) <= 64);

}  // namespace

ModelArena::~ModelArena() { free_blocks(newest_); }

void ModelArena::free_blocks(Block* block) {
  while (block != nullptr) {
    Block* previous = block->previous;
    ::operator delete(block);
    block = previous;
  }
}

void* ModelArena::allocate_in_new_block(std::size_t size,
                                        std::size_t alignment) {
  if (next_block_size_ == 0) next_block_size_ = FIRST_BLOCK;
  if (size > SIZE_MAX / 2) throw std::bad_alloc();
  const std::size_t needed = size + alignment;
  // A request of a quarter block or more gets a block of its own, placed
  // behind the newest so that the newest's free room stays in use.
  if (needed >= next_block_size_ / 4 && newest_ != nullptr) {
    auto* own = static_cast<Block*>(::operator new(sizeof(Block) + needed));
    own->size = needed;
    own->previous = newest_->previous;
    newest_->previous = own;
    reserved_ += needed;
    const std::uintptr_t at =
        (own->begin() + alignment - 1) & ~(alignment - 1);
    return reinterpret_cast<void*>(at);
  }
  const std::size_t block_size = std::max(next_block_size_, needed);
  auto* block = static_cast<Block*>(::operator new(sizeof(Block) + block_size));
  block->size = block_size;
  block->previous = newest_;
  newest_ = block;
  reserved_ += block_size;
  next_block_size_ = std::min(next_block_size_ * 2, LARGEST_BLOCK);
  const std::uintptr_t at = (block->begin() + alignment - 1) & ~(alignment - 1);
  cursor_ = at + size;
  end_ = block->begin() + block_size;
  return reinterpret_cast<void*>(at);
}

void ModelArena::clear() {
  if (newest_ == nullptr) return;
  free_blocks(newest_->previous);
  newest_->previous = nullptr;
  reserved_ = newest_->size;
  cursor_ = newest_->begin();
  end_ = cursor_ + newest_->size;
}

std::string_view ModelArena::text(std::string_view text) {
  if (text.empty()) return "";  // an empty text, with data like any other
  char* copy = static_cast<char*>(allocate(text.size(), 1));
  std::memcpy(copy, text.data(), text.size());
  return {copy, text.size()};
}

std::span<Selector> ModelArena::selectors(std::size_t count) {
  if (count == 0) return {};
  if (count > SIZE_MAX / sizeof(Selector)) throw std::bad_alloc();
  auto* first = static_cast<Selector*>(
      allocate(count * sizeof(Selector), alignof(Selector)));
  std::uninitialized_value_construct_n(first, count);
  return {first, count};
}

std::span<const Selector> ModelArena::selectors(
    std::span<const Selector> items) {
  if (items.empty()) return {};
  auto* first = static_cast<Selector*>(
      allocate(items.size() * sizeof(Selector), alignof(Selector)));
  std::uninitialized_copy(items.begin(), items.end(), first);
  return {first, items.size()};
}

}  // namespace jrl
