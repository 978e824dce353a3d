// Files nested to the deepest level accepted must parse, render and fail
// inside a thread with a small stack (musl gives threads 128 KiB), with the
// same results as on the main thread.

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "jrl/jrl.hpp"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define JRL_LARGE_FRAMES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define JRL_LARGE_FRAMES 1
#endif
#endif

// The bound holds for optimised builds. Sanitizers and -O0 make every frame
// many times larger (AddressSanitizer about 4 KB a level for json()), so they
// get the usual 8 MiB of a main thread.
#if defined(JRL_LARGE_FRAMES) || !defined(__OPTIMIZE__)
constexpr std::size_t STACK_SIZE = 8 * 1024 * 1024;
#else
constexpr std::size_t STACK_SIZE = 128 * 1024;
#endif

std::string nested(int depth, const std::string& innermost) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "SELECT 1 FROM ";
  return text + innermost + " : \"x\";";
}

// Everything a caller can see of a parse: each rendering, or the error text.
std::vector<std::string> outcomes(const std::string& input) {
  auto result = jrl::parse(input);
  if (!result) return {"error", result.error().render()};
  return {result->to_string().value_or("no JSON"),
          result->to_string_pretty().value_or("no JSON"),
          result->to_debug_string()};
}

void* run_job(void* job) {
  (*static_cast<std::function<void()>*>(job))();
  return nullptr;
}

// Runs `job` on a fresh thread whose stack is STACK_SIZE bytes.
void on_small_stack(std::function<void()> job) {
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, STACK_SIZE), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, run_job, &job), 0);
  ASSERT_EQ(pthread_join(thread, nullptr), 0);
  pthread_attr_destroy(&attributes);
}

TEST(SmallStack, DeepestFilesParseRenderAndFailAsOnTheMainThread) {
  struct Case {
    int depth;
    std::string innermost;
    bool parses;
  };
  const std::vector<Case> cases = {
      {256, "CLASS(MATH 1200)", true},
      {255, "[CLASS(MATH 1200), TAG(\"t\"), SELECT 2 FROM DIST(\"d\")]", true},
      // Failures found at the innermost level, by each builder.
      {256, "CLASS(MATX 1200)", false},
      {256, "CLAS(MATH 1200)", false},
      {256, "RANGE(MATH 1200)", false},
      {255, "SELECT 0 FROM CLASS(MATH 1200)", false},
      // One level too deep, and a syntax error at the innermost level.
      {257, "CLASS(MATH 1200)", false},
      {256, "CLASS(MATH 12)", false},
  };
  for (const Case& c : cases) {
    const std::string input = nested(c.depth, c.innermost);
    const std::vector<std::string> expected = outcomes(input);
    ASSERT_EQ(expected.front() != "error", c.parses) << c.innermost;
    std::vector<std::string> seen;
    on_small_stack([&] { seen = outcomes(input); });
    EXPECT_EQ(seen, expected) << c.depth << " " << c.innermost;
  }
}

}  // namespace
