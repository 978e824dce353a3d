// Times jrl::parse, the steps of the path it takes, the formatter and the
// renderers on files, without the interpreter in the way, and runs one
// operation in a loop for a profiler. Only the public API is used.
//
// The steps are the UTF-8 check; `check`, jrl::check without warnings or
// fixes, which runs the grammar building each requirement and dropping it
// (what fmt pays, and check for a good file); and parse split into building
// the model (`make`) and freeing it (`free`).
//
//   jrl_bench [--quick] [--repeat N] [--min-time SECONDS] FILE...
//   jrl_bench --loop OP COUNT FILE     OP: utf8 check parse format
//                                          json pretty debug error
//   jrl_bench --memory FILE            peak resident memory of one parse
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jrl/jrl.hpp"

namespace {

using Clock = std::chrono::steady_clock;

// Keeps a result alive past the optimiser.
template <class T>
void keep(const T& value) {
  asm volatile("" : : "g"(&value) : "memory");
}

// A good file's verdict without its model: no warnings, no fix search.
bool checked(std::string_view text) {
  jrl::CheckOptions options;
  options.warnings = false;
  options.suggestions = false;
  return jrl::check(text, options).empty();
}

std::string read_file(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "jrl_bench: cannot read %s\n", path);
    std::exit(2);
  }
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Options {
  int repeat = 7;
  double min_time = 0.2;  // seconds per repeat, reached by inner loops
};

struct Timing {
  double median = 0, min = 0, max = 0;  // seconds per call
};

// Repeats `op` in inner loops of at least `min_time` seconds and gives the
// per-call time of each repeat's loop.
Timing measure(const Options& options, const std::function<void()>& op) {
  std::size_t inner = 1;
  for (;;) {
    const auto t0 = Clock::now();
    for (std::size_t i = 0; i < inner; ++i) op();
    const double elapsed =
        std::chrono::duration<double>(Clock::now() - t0).count();
    if (elapsed >= options.min_time || inner >= (1u << 24)) break;
    inner = elapsed <= 0
                ? inner * 10
                : std::max<std::size_t>(
                      inner + 1, inner * 1.2 * options.min_time / elapsed);
  }
  std::vector<double> samples;
  for (int r = 0; r < options.repeat; ++r) {
    const auto t0 = Clock::now();
    for (std::size_t i = 0; i < inner; ++i) op();
    samples.push_back(std::chrono::duration<double>(Clock::now() - t0).count() /
                      inner);
  }
  std::sort(samples.begin(), samples.end());
  return {samples[samples.size() / 2], samples.front(), samples.back()};
}

// Times parse in two parts: making the result, and freeing it. Each repeat
// runs `inner` parses and sums the two parts apart.
std::pair<Timing, Timing> measure_make_free(const Options& options,
                                            std::string_view text) {
  using Result = decltype(jrl::parse(text));
  const auto round = [&](std::size_t inner) {
    Clock::duration make{}, free{};
    for (std::size_t i = 0; i < inner; ++i) {
      const auto t0 = Clock::now();
      std::optional<Result> result(jrl::parse(text));
      keep(*result);
      const auto t1 = Clock::now();
      result.reset();
      make += t1 - t0;
      free += Clock::now() - t1;
    }
    return std::pair{std::chrono::duration<double>(make).count() / inner,
                     std::chrono::duration<double>(free).count() / inner};
  };
  std::size_t inner = 1;
  for (;;) {
    const auto [make, free] = round(inner);
    const double elapsed = (make + free) * inner;
    if (elapsed >= options.min_time || inner >= (1u << 24)) break;
    inner = std::max<std::size_t>(
        inner + 1, inner * 1.2 * options.min_time / std::max(elapsed, 1e-9));
  }
  std::vector<double> makes, frees;
  for (int r = 0; r < options.repeat; ++r) {
    const auto [make, free] = round(inner);
    makes.push_back(make);
    frees.push_back(free);
  }
  const auto timing = [](std::vector<double>& v) {
    std::sort(v.begin(), v.end());
    return Timing{v[v.size() / 2], v.front(), v.back()};
  };
  return {timing(makes), timing(frees)};
}

void print_row(const char* name, const Timing& t, std::size_t in_bytes,
               std::size_t out_bytes) {
  const double mb = 1024.0 * 1024.0;
  std::printf("  %-8s median %10.3f ms  min %10.3f  max %10.3f  in %8.1f MB/s",
              name, t.median * 1e3, t.min * 1e3, t.max * 1e3,
              in_bytes / mb / t.median);
  if (out_bytes) std::printf("  out %8.1f MB/s", out_bytes / mb / t.median);
  std::printf("\n");
}

void bench_file(const Options& options, const char* path) {
  const std::string text = read_file(path);
  std::printf("%s (%zu bytes)\n", path, text.size());

  print_row("utf8",
            measure(options, [&] { keep(jrl::first_invalid_utf8(text)); }),
            text.size(), 0);
  auto parsed = jrl::parse(text);
  if (!parsed) {
    const std::size_t size = parsed.error().render().size();
    print_row("error",
              measure(options,
                      [&] {
                        auto r = jrl::parse(text);
                        if (!r) keep(r.error().render());
                      }),
              text.size(), size);
    return;
  }
  print_row("check", measure(options, [&] { keep(checked(text)); }),
            text.size(), 0);
  print_row("parse", measure(options, [&] { keep(jrl::parse(text)); }),
            text.size(), 0);
  const auto [make, free] = measure_make_free(options, text);
  print_row("make", make, text.size(), 0);
  print_row("free", free, text.size(), 0);
  const auto formatted = jrl::format(text);
  print_row("format", measure(options, [&] { keep(jrl::format(text)); }),
            text.size(), formatted ? formatted->size() : 0);
  const auto& result = *parsed;
  print_row("json", measure(options, [&] { keep(result.to_string()); }),
            text.size(), result.to_string()->size());
  print_row("pretty",
            measure(options, [&] { keep(result.to_string_pretty()); }),
            text.size(), result.to_string_pretty()->size());
  print_row("debug", measure(options, [&] { keep(result.to_debug_string()); }),
            text.size(), result.to_debug_string().size());
}

// Runs one operation `count` times, for perf or callgrind.
int loop(const std::string& op, long count, const char* path) {
  const std::string text = read_file(path);
  auto parsed = jrl::parse(text);
  const bool needs_result = op == "json" || op == "pretty" || op == "debug";
  if (needs_result && !parsed) {
    std::fprintf(stderr, "jrl_bench: %s does not parse\n", path);
    return 1;
  }
  const auto t0 = Clock::now();
  for (long i = 0; i < count; ++i) {
    if (op == "utf8") {
      keep(jrl::first_invalid_utf8(text));
    } else if (op == "check") {
      keep(checked(text));
    } else if (op == "parse") {
      keep(jrl::parse(text));
    } else if (op == "format") {
      keep(jrl::format(text));
    } else if (op == "json") {
      keep(parsed->to_string());
    } else if (op == "pretty") {
      keep(parsed->to_string_pretty());
    } else if (op == "debug") {
      keep(parsed->to_debug_string());
    } else if (op == "error") {
      auto r = jrl::parse(text);
      if (!r) keep(r.error().render());
    } else {
      std::fprintf(stderr, "jrl_bench: unknown operation %s\n", op.c_str());
      return 2;
    }
  }
  const double s = std::chrono::duration<double>(Clock::now() - t0).count();
  std::printf("%s x%ld: %.3f ms per call\n", op.c_str(), count,
              s * 1e3 / count);
  return 0;
}

// VmRSS or VmHWM of this process, in bytes.
std::size_t status_bytes(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) {
      return std::strtoull(line.c_str() + std::strlen(key) + 1, nullptr, 10) *
             1024;
    }
  }
  return 0;
}

// Peak memory of one parse beyond the input, and what the model keeps.
int memory(const char* path) {
  const std::string text = read_file(path);
  const std::size_t before = status_bytes("VmRSS:");
  // Resets the peak to the current size (Linux 4.0 and later).
  std::ofstream("/proc/self/clear_refs") << "5";
  auto parsed = jrl::parse(text);
  const std::size_t peak = status_bytes("VmHWM:");
  const std::size_t after = status_bytes("VmRSS:");
  const double n = std::max<std::size_t>(1, text.size());
  std::printf("%s: input %zu bytes, parse %s\n", path, text.size(),
              parsed ? "ok" : "failed");
  std::printf("  peak beyond input   %12zu bytes (%.2f per input byte)\n",
              peak - before, (peak - before) / n);
  std::printf("  kept after parse    %12zu bytes (%.2f per input byte)\n",
              after - before, (after - before) / n);
  std::printf("  transient           %12zd bytes (%.2f per input byte)\n",
              static_cast<std::ptrdiff_t>(peak - after),
              (static_cast<double>(peak) - static_cast<double>(after)) / n);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--loop" && i + 3 < argc) {
      return loop(argv[i + 1], std::atol(argv[i + 2]), argv[i + 3]);
    } else if (arg == "--memory" && i + 1 < argc) {
      return memory(argv[i + 1]);
    } else if (arg == "--quick") {
      options.repeat = 3;
      options.min_time = 0.05;
    } else if (arg == "--repeat" && i + 1 < argc) {
      options.repeat = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--min-time" && i + 1 < argc) {
      options.min_time = std::atof(argv[++i]);
    } else if (arg.starts_with("--")) {
      std::fprintf(
          stderr,
          "usage: jrl_bench [--quick] [--repeat N] [--min-time S] FILE...\n"
          "       jrl_bench --loop OP COUNT FILE\n"
          "       jrl_bench --memory FILE\n");
      return 2;
    } else {
      files.push_back(argv[i]);
    }
  }
  for (const char* path : files) bench_file(options, path);
  return 0;
}
