// The parallel loop under the batches of records.
#include "reach_batches.hpp"

#include <atomic>
#include <exception>
#include <thread>

namespace jrl::cli {

void run_in_parallel(std::size_t count, unsigned jobs,
                     const std::function<void(std::size_t)>& body) {
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < count;) body(i);
  };
  std::vector<std::jthread> helpers;
  const std::size_t wanted = std::min<std::size_t>(jobs, count);
  try {
    for (std::size_t i = 1; i < wanted; ++i) helpers.emplace_back(work);
  } catch (const std::exception&) {
    // Fewer threads: the ones running take the rest.
  }
  work();
}

}  // namespace jrl::cli
