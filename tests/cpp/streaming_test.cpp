// Streamed renderings must be the in-memory texts, byte for byte, handed
// over in bounded chunks.
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "jrl/parse.hpp"
#include "jrl/streaming.hpp"

namespace jrl {
namespace {

std::string repeated(std::string_view piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

// Inputs around the chunk size: a text far longer than a chunk (plain, and
// with escapes every few bytes and at the very end), a text just below a
// chunk, many small requirements, one long list, and nothing at all.
std::vector<std::pair<std::string, std::string>> inputs() {
  const std::string long_plain(3 * STREAM_CHUNK_SIZE + 5, 'x');
  const std::string long_escaped =
      repeated("ab\"\"c\\\tde\u0301f", STREAM_CHUNK_SIZE / 4) + "\"\"";
  const std::string near_chunk(STREAM_CHUNK_SIZE - 9, 'y');
  std::string many;
  for (int i = 0; i < 5000; ++i) {
    many += "SELECT 1-2 FROM [CLASS(MATH 1200), TAG(\"WX\"), "
            "RANGE(MATH 1000, MATH 2000)] : \"r\u00e9q " +
            std::to_string(i) + "\" : 3;\n";
  }
  std::string list = "SELECT 1 FROM [";
  for (int i = 0; i < 20000; ++i) {
    list += i == 0 ? "" : ", ";
    list += "SELECT 1 FROM DIST_DEPT(\"WX hum\", \"History\")";
  }
  list += "] : \"list\";";
  return {
      {"long plain text", "SELECT 1 FROM TAG(\"" + long_plain + "\") : \"d\";"},
      {"long escaped text", "SELECT 1 FROM CLASS(MATH 1200) : \"" +
                                long_escaped + "\";"},
      {"text just below a chunk",
       "SELECT 1 FROM CLASS(MATH 1200) : \"" + near_chunk + "\";"},
      {"many requirements", many},
      {"one long list", list},
      {"empty file", ""},
  };
}

struct Collected {
  std::string text;
  bool empty_chunk = false;
  std::size_t largest = 0;
};

template <typename Render>
Collected collect(Render&& render) {
  Collected out;
  const TextSink sink = [&](std::string_view chunk) {
    out.text += chunk;
    out.empty_chunk = out.empty_chunk || chunk.empty();
    out.largest = std::max(out.largest, chunk.size());
  };
  render(sink);
  return out;
}

TEST(Streaming, SameBytesAsInMemoryInBoundedChunks) {
  for (const auto& [name, input] : inputs()) {
    SCOPED_TRACE(name);
    const auto parsed = parse(input);
    ASSERT_TRUE(parsed.has_value());
    struct Rendering {
      std::string_view name;
      std::string expected;
      Collected streamed;
    };
    const Rendering renderings[] = {
        {"json", *parsed->to_string(),
         collect([&](const TextSink& s) { stream_json(*parsed, s); })},
        {"pretty", *parsed->to_string_pretty(),
         collect([&](const TextSink& s) { stream_json_pretty(*parsed, s); })},
        {"debug", parsed->to_debug_string(),
         collect([&](const TextSink& s) { stream_debug_string(*parsed, s); })},
    };
    for (const Rendering& r : renderings) {
      SCOPED_TRACE(r.name);
      EXPECT_EQ(r.streamed.text, r.expected);
      EXPECT_FALSE(r.streamed.empty_chunk);
      // Only a text run longer than a chunk may come in a larger piece.
      const std::size_t longest_text =
          name.starts_with("long") ? input.size() : STREAM_CHUNK_SIZE;
      EXPECT_LE(r.streamed.largest, longest_text);
    }
  }
}

}  // namespace
}  // namespace jrl
