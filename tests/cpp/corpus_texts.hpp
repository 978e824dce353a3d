// The texts of the corpora, for properties that must hold on every file
// the project keeps.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace jrl_test {

// The texts of the corpora: the examples, the test data, the fuzzers'
// seeds and the JRL blocks of the guides.
inline std::vector<std::pair<std::string, std::string>> corpus_texts() {
  namespace fs = std::filesystem;
  const fs::path root(JRL_SOURCE_DIR);
  auto read = [](const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in),
                       std::istreambuf_iterator<char>());
  };
  std::vector<std::pair<std::string, std::string>> out;
  for (const char* dir : {"examples", "tests/data", "fuzz/corpus"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root / dir)) {
      if (!entry.is_regular_file()) continue;
      if (std::string_view(dir) == "examples" &&
          entry.path().extension() != ".jrl") {
        continue;
      }
      out.emplace_back(entry.path().string(), read(entry.path()));
    }
  }
  for (const char* doc : {"docs/language.md", "docs/diagnostics.md"}) {
    const std::string text = read(root / doc);
    std::size_t n = 0;
    for (std::size_t at = text.find("```jrl"); at != std::string::npos;
         at = text.find("```jrl", at)) {
      const std::size_t start = text.find('\n', at) + 1;
      const std::size_t end = text.find("```", start);
      out.emplace_back(std::string(doc) + "#" + std::to_string(n++),
                       text.substr(start, end - start));
      at = end + 3;
    }
  }
  return out;
}

}  // namespace jrl_test
