// Times loading a catalogue and matching requirement files against it.
//
//   jrl_catalogue_bench CATALOGUE.json FILE.jrl... [--repeat N]
//
// Each figure is the median of N runs, beside a baseline in the same run:
//   load:  jrl::Catalogue::parse on the text in memory, against
//          nlohmann::json::parse of the same text (the JSON reading alone);
//   match: courses_for on every statement of the files, against one pass
//          over every course per statement (what matching without indexes
//          would cost at the least).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "jrl/jrl.hpp"

namespace {

std::string read(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

template <typename F>
double median_ms(int repeat, F&& f) {
  std::vector<double> ms;
  for (int i = 0; i < repeat; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                     .count());
  }
  std::ranges::sort(ms);
  return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int repeat = 21;
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--repeat" && i + 1 < argc) {
      repeat = std::atoi(argv[++i]);
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.size() < 2 || repeat < 1) {
    std::fprintf(stderr, "usage: jrl_catalogue_bench CATALOGUE.json FILE.jrl... [--repeat N]\n");
    return 2;
  }
  const std::string json = read(files[0]);
  auto catalogue = jrl::Catalogue::parse(json, files[0]);
  if (!catalogue) {
    std::fprintf(stderr, "%s\n", catalogue.error().message().c_str());
    return 1;
  }
  std::vector<jrl::ParseResult> programmes;
  std::size_t statements = 0;
  for (std::size_t i = 1; i < files.size(); ++i) {
    const std::string source = read(files[i]);
    auto parsed = jrl::parse(source);
    if (!parsed) {
      std::fprintf(stderr, "%s: does not parse\n", files[i]);
      return 1;
    }
    statements += parsed->parsed_jrl_file.requirements.size();
    programmes.push_back(std::move(*parsed));
  }

  std::size_t sink = 0;
  const double load = median_ms(repeat, [&] { sink += jrl::Catalogue::parse(json, "c")->courses().size(); });
  const double json_only = median_ms(repeat, [&] { sink += nlohmann::json::parse(json).size(); });
  const double match = median_ms(repeat, [&] {
    for (const auto& p : programmes) {
      for (const auto& req : p.parsed_jrl_file.requirements) sink += catalogue->courses_for(req).size();
    }
  });
  const double scan = median_ms(repeat, [&] {
    for (const auto& p : programmes) {
      for (std::size_t r = 0; r < p.parsed_jrl_file.requirements.size(); ++r) {
        for (const auto& c : catalogue->courses()) sink += c.department == "CSCI";
      }
    }
  });
  std::printf("catalogue: %zu courses, %zu bytes; %zu statements in %zu files; median of %d\n",
              catalogue->courses().size(), json.size(), statements, programmes.size(), repeat);
  std::printf("load   %8.3f ms   baseline nlohmann::json::parse %8.3f ms\n", load, json_only);
  std::printf("match  %8.3f ms   baseline one scan per statement %8.3f ms\n", match, scan);
  return sink == 0 ? 1 : 0;
}
