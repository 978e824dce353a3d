// Many students' records worked on in parallel and handed on in input
// order. A batch at a time is read, worked on by up to `jobs` threads, and
// handed on before the next batch is read, so memory stays that of one
// batch whatever the stream's length, and what comes out is the same for
// any number of jobs.
#pragma once

#include <algorithm>
#include <cstddef>
#include <expected>
#include <functional>
#include <istream>
#include <optional>
#include <string_view>
#include <vector>

#include "jrl/record.hpp"

namespace jrl::cli {

// Records read and worked on at a time, per job.
inline constexpr std::size_t RECORDS_PER_JOB = 64;

// Calls `body(i)` for every i below `count` on up to `jobs` threads (the
// calling one among them); returns when all are done. A thread the system
// refuses leaves its share to the others.
void run_in_parallel(std::size_t count, unsigned jobs,
                     const std::function<void(std::size_t)>& body);

// One record of a JSON Lines stream as read: its line (from 1) and the
// record or why it could not be read.
struct NumberedRecord {
  std::size_t line = 0;
  std::expected<StudentRecord, RecordError> record;
};

// Reads the JSON Lines of `in` (`file` names it in errors), calls `work`
// on each record on up to `jobs` threads, and `emit` on each result in the
// order of the records.
template <typename Result>
void map_records_in_order(std::istream& in, std::string_view file, unsigned jobs,
                          const std::function<Result(const NumberedRecord&)>& work,
                          const std::function<void(Result&)>& emit) {
  const std::size_t batch_size = RECORDS_PER_JOB * std::max(jobs, 1u);
  std::vector<NumberedRecord> batch;
  std::vector<std::optional<Result>> results;
  const auto flush = [&] {
    results.clear();
    results.resize(batch.size());
    run_in_parallel(batch.size(), jobs, [&](std::size_t i) { results[i].emplace(work(batch[i])); });
    for (std::optional<Result>& result : results) emit(*result);
    batch.clear();
  };
  read_records(in, file, [&](std::size_t line, std::expected<StudentRecord, RecordError> record) {
    batch.push_back({line, std::move(record)});
    if (batch.size() == batch_size) flush();
  });
  flush();
}

}  // namespace jrl::cli
