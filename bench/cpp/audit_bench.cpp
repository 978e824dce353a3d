// Times the degree audit: audits per second on one thread and on several,
// and the time of each audit, to find the slowest.
//
//   jrl_audit_bench CATALOGUE.json PROGRAMME.jrl RECORDS.jsonl [--jobs N] [--list-slowest K]
//
// The programme is prepared once; the records are read into memory first,
// so that only auditing is timed. Prints one JSON object: the number of
// records, audits per second on 1 and on N threads, the slowest audit (its
// student and milliseconds), the median and 99th percentile, and how many
// audits ran out of time. --list-slowest K also writes the K slowest
// students and their times to standard error, one a line.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "jrl/audit.hpp"
#include "jrl/catalogue.hpp"
#include "jrl/record.hpp"

namespace {

using Clock = std::chrono::steady_clock;

std::string read(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

double seconds_since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Audits every record on `jobs` threads; returns the wall time in seconds.
double audit_all(const jrl::AuditProgramme& programme,
                 const std::vector<jrl::StudentRecord>& records, unsigned jobs,
                 std::size_t& not_optimal) {
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> out_of_time{0};
  const auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < records.size();) {
      const auto report = jrl::audit(programme, records[i]);
      if (report && !report->optimal) out_of_time.fetch_add(1);
    }
  };
  const auto t0 = Clock::now();
  {
    std::vector<std::jthread> threads;
    for (unsigned i = 1; i < jobs; ++i) threads.emplace_back(work);
    work();
  }
  const double elapsed = seconds_since(t0);
  not_optimal = out_of_time.load();
  return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned jobs = 2;
  std::size_t list_slowest = 0;
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--jobs" && i + 1 < argc) {
      jobs = static_cast<unsigned>(std::max(1, std::atoi(argv[++i])));
    } else if (std::string(argv[i]) == "--list-slowest" && i + 1 < argc) {
      list_slowest = static_cast<std::size_t>(std::max(0, std::atoi(argv[++i])));
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.size() != 3) {
    std::fprintf(stderr,
                 "usage: jrl_audit_bench CATALOGUE.json PROGRAMME.jrl RECORDS.jsonl [--jobs N] "
                 "[--list-slowest K]\n");
    return 2;
  }
  const auto catalogue = jrl::Catalogue::load(files[0]);
  if (!catalogue) {
    std::fprintf(stderr, "%s\n", catalogue.error().message().c_str());
    return 2;
  }
  const auto programme =
      jrl::AuditProgramme::prepare(read(files[1]), files[1], *catalogue);
  if (!programme) {
    std::fprintf(stderr, "%s\n", programme.error().c_str());
    return 2;
  }
  std::vector<jrl::StudentRecord> records;
  std::ifstream in(files[2], std::ios::binary);
  bool bad = false;
  jrl::read_records(in, files[2], [&](std::size_t, auto record) {
    if (!record) {
      std::fprintf(stderr, "%s\n", record.error().message().c_str());
      bad = true;
      return;
    }
    records.push_back(std::move(*record));
  });
  if (bad || records.empty()) return 2;

  // Each audit alone, one thread, for the distribution of times.
  std::vector<double> ms(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    const auto t0 = Clock::now();
    const auto report = jrl::audit(*programme, records[i]);
    ms[i] = seconds_since(t0) * 1000;
    if (!report) {
      std::fprintf(stderr, "%s\n", report.error().message().c_str());
      return 2;
    }
  }
  const auto slowest = std::ranges::max_element(ms) - ms.begin();
  std::vector<double> sorted = ms;
  std::ranges::sort(sorted);
  std::vector<std::size_t> order(records.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::ranges::sort(order, [&](std::size_t a, std::size_t b) { return ms[a] > ms[b]; });
  for (std::size_t k = 0; k < std::min(list_slowest, order.size()); ++k) {
    std::fprintf(stderr, "%s %.3f\n", records[order[k]].student.c_str(), ms[order[k]]);
  }

  std::size_t not_optimal_1 = 0;
  std::size_t not_optimal_n = 0;
  const double one = audit_all(*programme, records, 1, not_optimal_1);
  const double many = audit_all(*programme, records, jobs, not_optimal_n);
  const double n = static_cast<double>(records.size());
  std::printf(
      "{\"records\":%zu,\"jobs\":%u,\"per_second_1\":%.0f,\"per_second_n\":%.0f,"
      "\"slowest_ms\":%.3f,\"slowest_student\":\"%s\",\"median_ms\":%.4f,"
      "\"p99_ms\":%.4f,\"not_optimal\":%zu}\n",
      records.size(), jobs, n / one, n / many, ms[static_cast<std::size_t>(slowest)],
      records[static_cast<std::size_t>(slowest)].student.c_str(), sorted[sorted.size() / 2],
      sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)],
      std::max(not_optimal_1, not_optimal_n));
  return 0;
}
