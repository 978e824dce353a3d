// The buffer every renderer writes into: kept whole in memory, or handed
// to a sink chunk by chunk as it fills.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "jrl/streaming.hpp"

namespace jrl {

// Text written through a raw cursor. The string's size is kept at its
// capacity so that appends are a bounds check and a copy. In memory the
// buffer grows by doubling and `take` trims it to the bytes written; with a
// sink it stays at its first size, and whatever is written is handed over
// whenever the next piece does not fit, and by `flush`.
class OutputBuffer {
 public:
  // In memory, with room for `capacity` bytes to start with.
  explicit OutputBuffer(std::size_t capacity) { resize(capacity, 0); }
  // Streaming to `sink` in chunks of `capacity` bytes; `sink` must outlive
  // the buffer.
  OutputBuffer(std::size_t capacity, const TextSink& sink) : sink_(&sink) {
    resize(capacity, 0);
  }
  // The cursor points into the string, which a move may relocate (a short
  // string lives inside the object).
  OutputBuffer(OutputBuffer&& other) noexcept : sink_(other.sink_) {
    const std::size_t written = other.used();
    text_ = std::move(other.text_);
    cursor_ = text_.data() + written;
    end_ = text_.data() + text_.size();
  }
  OutputBuffer& operator=(OutputBuffer&&) = delete;

  // Room for `n` more bytes at the returned cursor; `advance` commits them.
  char* reserve(std::size_t n) {
    if (static_cast<std::size_t>(end_ - cursor_) < n) [[unlikely]]
      make_room(n);
    return cursor_;
  }
  void advance(char* to) { cursor_ = to; }

  void append(const char* data, std::size_t n) {
    if (static_cast<std::size_t>(end_ - cursor_) < n) [[unlikely]] {
      append_beyond(data, n);
      return;
    }
    // An empty view may have no data at all, which memcpy must not see.
    if (n != 0) std::memcpy(cursor_, data, n);
    cursor_ += n;
  }
  void append(std::string_view text) { append(text.data(), text.size()); }
  void append(char c) {
    *reserve(1) = c;
    ++cursor_;
  }
  OutputBuffer& operator+=(std::string_view text) {
    append(text);
    return *this;
  }
  OutputBuffer& operator+=(char c) {
    append(c);
    return *this;
  }

  // In memory: the text written.
  std::string take() && {
    text_.resize(used());
    return std::move(text_);
  }

  // Streaming: hands what is written to the sink.
  void flush() {
    if (sink_ != nullptr && cursor_ != text_.data()) {
      (*sink_)(std::string_view(text_.data(), used()));
      cursor_ = text_.data();
    }
  }

 private:
  std::size_t used() const {
    return static_cast<std::size_t>(cursor_ - text_.data());
  }

  // Out of line, as is `make_room`: the renderers recurse through the
  // appends, and an inlined slow path would sit in every level's frame.
  [[gnu::noinline]] void append_beyond(const char* data, std::size_t n) {
    // A run larger than a whole chunk goes to the sink as it is.
    if (sink_ != nullptr && n >= text_.size()) {
      flush();
      (*sink_)(std::string_view(data, n));
      return;
    }
    make_room(n);
    if (n != 0) std::memcpy(cursor_, data, n);
    cursor_ += n;
  }

  [[gnu::noinline]] void make_room(std::size_t n) {
    if (sink_ != nullptr) {
      flush();
      if (text_.size() < n) resize(n, 0);
      return;
    }
    resize(std::max(2 * text_.size(), used() + n), used());
  }

  // A string of `capacity` bytes holding the first `keep` bytes written.
  void resize(std::size_t capacity, std::size_t keep) {
    std::string larger;
    larger.resize_and_overwrite(capacity, [&](char* p, std::size_t m) {
      if (keep != 0) std::memcpy(p, text_.data(), keep);
      return m;
    });
    text_ = std::move(larger);
    cursor_ = text_.data() + keep;
    end_ = text_.data() + text_.size();
  }

  std::string text_;
  char* cursor_ = nullptr;
  char* end_ = nullptr;
  const TextSink* sink_ = nullptr;
};

}  // namespace jrl
