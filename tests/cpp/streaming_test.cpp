// Streamed renderings must be the in-memory texts, byte for byte, handed
// over in bounded chunks.
#include <algorithm>
#include <cstddef>
#include <expected>
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
    struct Case {
      std::string_view name;
      std::string expected;
      Collected streamed;
    };
    const Case renderings[] = {
        {"json", *parsed->to_string(),
         collect([&](const TextSink& s) { stream_json(*parsed, s); })},
        {"pretty", *parsed->to_string_pretty(),
         collect([&](const TextSink& s) { stream_json_pretty(*parsed, s); })},
        {"debug", parsed->to_debug_string(),
         collect([&](const TextSink& s) { stream_debug_string(*parsed, s); })},
    };
    for (const Case& r : renderings) {
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

// Parsing while streaming writes what the in-memory parse and its rendering
// give, and on failure writes nothing and fails as parse does: a builder
// error, a syntax error in the last statement (which wins over an earlier
// builder error), nesting too deep, invalid UTF-8.
TEST(Streaming, ParseAndStreamIsParseThenRender) {
  auto cases = inputs();
  cases.push_back({"nested", "SELECT 1 FROM [SELECT 2 FROM [TAG(\"a\"), "
                             "CLASS(MATH 1200L)], PLACEMENT(\"p\")] : \"n\";"});
  cases.push_back({"builder error", "SELECT 1 FROM CLASS(MATX 1200) : \"d\";"});
  cases.push_back({"syntax error at the end",
                   repeated("SELECT 1 FROM TAG(\"t\") : \"d\";\n", 3000) +
                       "SELECT 1 FROM CLASS(MATX 1200) : \"d\";\n"
                       "SELECT 1 FROM TAG(\"t\") \"d\";"});
  cases.push_back({"builder error last",
                   repeated("SELECT 1 FROM TAG(\"t\") : \"d\";\n", 3000) +
                       "SELECT 0 FROM TAG(\"t\") : \"d\";"});
  cases.push_back({"nesting too deep", repeated("SELECT 1 FROM ", 257) +
                                           "TAG(\"t\") : \"d\";"});
  cases.push_back({"invalid UTF-8", "SELECT 1 FROM TAG(\"\xff\") : \"d\";"});
  for (const auto& [name, input] : cases) {
    SCOPED_TRACE(name);
    const auto parsed = parse(input);
    const struct {
      Rendering rendering;
      std::string expected;
    } renderings[] = {
        {Rendering::json, parsed ? *parsed->to_string() : ""},
        {Rendering::json_pretty, parsed ? *parsed->to_string_pretty() : ""},
        {Rendering::debug, parsed ? parsed->to_debug_string() : ""},
    };
    for (const auto& r : renderings) {
      SCOPED_TRACE(static_cast<int>(r.rendering));
      std::expected<void, Error> result;
      const Collected streamed = collect([&](const TextSink& s) {
        result = parse_and_stream(input, r.rendering, s);
      });
      ASSERT_EQ(result.has_value(), parsed.has_value());
      EXPECT_EQ(streamed.text, r.expected);
      EXPECT_FALSE(streamed.empty_chunk);
      if (!parsed) {
        EXPECT_EQ(result.error().render(), parsed.error().render());
      }
    }
  }
}

}  // namespace
}  // namespace jrl
