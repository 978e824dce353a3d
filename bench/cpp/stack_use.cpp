// Stack used by each operation on a file nested to a given depth, measured
// by pattern-filling a thread's stack and finding the deepest byte touched.
// Prints the bytes used at several depths and the growth per level.
//
//   build/bench/jrl_stack_use
#include <pthread.h>
#include <sys/mman.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "jrl/jrl.hpp"

namespace {

constexpr std::size_t kStack = 8u << 20;
constexpr unsigned char kFill = 0xA5;

void* run_job(void* job) {
  (*static_cast<std::function<void()>*>(job))();
  return nullptr;
}

// Bytes of stack that `job` touched on a fresh thread, the thread's own
// start-up included.
std::size_t stack_used(std::function<void()> job) {
  void* memory = mmap(nullptr, kStack, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return 0;
  std::memset(memory, kFill, kStack);
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstack(&attributes, memory, kStack);
  pthread_t thread;
  pthread_create(&thread, &attributes, run_job, &job);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  // The stack grows down: the lowest byte no longer holding the fill.
  const auto* bytes = static_cast<const unsigned char*>(memory);
  std::size_t untouched = 0;
  while (untouched < kStack && bytes[untouched] == kFill) ++untouched;
  munmap(memory, kStack);
  return kStack - untouched;
}

std::string nested(int depth, const char* innermost) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "SELECT 1 FROM ";
  return text + innermost + " : \"x\";";
}

}  // namespace

int main() {
  constexpr int kDepths[] = {1, 64, 128, 256};
  struct Operation {
    const char* name;
    const char* innermost;
    std::function<void(const std::string&)> run;
  };
  const Operation operations[] = {
      {"parse", "CLASS(MATH 1200)",
       [](const std::string& text) { (void)jrl::parse(text); }},
      {"failing parse + render", "CLASS(MATX 1200)",
       [](const std::string& text) {
         auto result = jrl::parse(text);
         if (!result) (void)result.error().render();
       }},
      {"json()", "CLASS(MATH 1200)", nullptr},
      {"json_pretty()", "CLASS(MATH 1200)", nullptr},
      {"debug text", "CLASS(MATH 1200)", nullptr},
  };
  std::printf("%-24s", "operation");
  for (int depth : kDepths) std::printf(" %10d", depth);
  std::printf("  bytes/level\n");
  for (const Operation& op : operations) {
    std::printf("%-24s", op.name);
    std::size_t first = 0;
    std::size_t last = 0;
    for (int depth : kDepths) {
      const std::string text = nested(depth, op.innermost);
      std::size_t used = 0;
      if (op.run) {
        used = stack_used([&] { op.run(text); });
      } else {
        const auto parsed = jrl::parse(text);
        const std::string name = op.name;
        used = stack_used([&] {
          if (name == "json()") (void)parsed->to_string();
          if (name == "json_pretty()") (void)parsed->to_string_pretty();
          if (name == "debug text") (void)parsed->to_debug_string();
        });
      }
      if (depth == kDepths[0]) first = used;
      last = used;
      std::printf(" %10zu", used);
    }
    std::printf("  %11.0f\n", static_cast<double>(last - first) / 255.0);
  }
  const std::string too_deep = nested(257, "CLASS(MATH 1200)");
  std::printf("%-24s %10zu (depth 257)\n", "refused nesting",
              stack_used([&] {
                auto result = jrl::parse(too_deep);
                if (!result) (void)result.error().render();
              }));
}
