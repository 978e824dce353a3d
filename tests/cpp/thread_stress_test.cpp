// Many threads parsing at once, the department registry's first use among
// them, must each get exactly what one thread alone gets. Built with
// -DJRL_SANITIZE=thread this is also the ThreadSanitizer check.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "jrl/jrl.hpp"

namespace {

constexpr int THREADS = 8;
constexpr int ROUNDS = 12;

// Successes and failures of every builder; most reach the registry, either
// through a known department or through the closest-match suggestion.
std::vector<std::string> stress_inputs() {
  std::vector<std::string> inputs = {
      R"(SELECT 1 FROM CLASS(MATH 1200) : "Calculus";)",
      R"(SELECT 1 FROM CLASS(MATX 1200) : "unknown department";)",
      R"(SELECT 2 FROM [RANGE(ECON 1000, ECON 1999), CLASS(A&HA 2000L)] : "x" : 7;)",
      R"(LIMIT 1-3 FROM RANGE_TAG(PHYS 3000, PHYS 4999, "WX Lab") : "tagged";)",
      R"(SELECT 1 FROM SELECT 0-2 FROM [TAG_DEPT("WX", "MATH"), DIST_DEPT("d", "c")] : "n";)",
      R"(SELECT 1 FROM CLAS(MATH 1200) : "misspelt function";)",
      R"(SELECT 1 FROM SELECT 1 FROM CLASS(PHYZ 1200) : "nested unknown";)",
      R"(SELECT 0 FROM CLASS(MATH 1200) : "zero";)",
      R"(SELECT 1 FROM CLASS(MATH 1200) : "x")",
      "SELECT 1 FROM PLACEMENT(\"caf\xc3\xa9\") : \"\xf0\x9f\x98\x80\";",
      "SELECT 1 FROM TAG(\"\xff\") : \"not UTF-8\";",
  };
  // A deep nesting, so the threads' stacks are exercised too.
  std::string deep;
  for (int i = 0; i < 40; ++i) deep += "SELECT 1 FROM ";
  deep += R"(CLASS(HIST 1010) : "deep";)";
  inputs.push_back(deep);
  return inputs;
}

// What a caller can see of one parse: the JSON forms and debug text, or the
// rendered error.
std::string outcome(const std::string& input) {
  const auto result = jrl::parse(input);
  if (!result) return "error: " + result.error().render();
  return "ok: " + result->to_string().value_or("(no JSON)") + "\n" +
         result->to_string_pretty().value_or("(no JSON)") + "\n" +
         result->to_debug_string();
}

// Runs in a fresh process; exits 0 when every thread saw the reference.
[[noreturn]] void parse_concurrently_then_compare() {
  const std::vector<std::string> inputs = stress_inputs();
  std::vector<std::vector<std::string>> seen(THREADS);
  std::latch start(THREADS);
  std::vector<std::thread> threads;
  for (int t = 0; t < THREADS; ++t) {
    threads.emplace_back([&, t] {
      std::vector<std::string>& mine = seen[t];
      mine.resize(inputs.size());
      start.arrive_and_wait();
      // Each thread starts at another input, so the first uses differ.
      for (int round = 0; round < ROUNDS; ++round) {
        for (std::size_t k = 0; k < inputs.size(); ++k) {
          const std::size_t i =
              (k + static_cast<std::size_t>(t)) % inputs.size();
          std::string got = outcome(inputs[i]);
          if (round > 0 && got != mine[i]) got = "changed between rounds";
          mine[i] = std::move(got);
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();

  int mismatches = 0;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const std::string reference = outcome(inputs[i]);
    for (int t = 0; t < THREADS; ++t) {
      if (seen[t][i] != reference) {
        std::fprintf(stderr, "thread %d, input %zu:\n%s\n-- reference:\n%s\n",
                     t, i, seen[t][i].c_str(), reference.c_str());
        ++mismatches;
      }
    }
  }
  std::exit(mismatches == 0 ? 0 : 1);
}

// The "threadsafe" style runs the child as a fresh process with this test
// alone, so nothing has touched the registry before the threads start.
TEST(ThreadStressDeathTest, ConcurrentParsesMatchSingleThreaded) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(parse_concurrently_then_compare(), ::testing::ExitedWithCode(0),
              "");
}

}  // namespace
