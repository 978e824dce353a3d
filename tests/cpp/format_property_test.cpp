// The formatter's properties over every shipped example, the fuzzing seed
// corpus, the guide's examples and generated files with whitespace and
// comments in every place the grammar allows them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "format_properties.hpp"
#include "generator.hpp"
#include "jrl/jrl.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path SOURCE_DIR = JRL_SOURCE_DIR;

std::string read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Checks each text at the default width and at a narrow one, where most
// lists break; returns how many of them parse.
std::size_t check_texts(
    const std::vector<std::pair<std::string, std::string>>& texts) {
  std::size_t parsed = 0;
  for (const auto& [name, text] : texts) {
    parsed += jrl::parse(text).has_value();
    for (const std::size_t width : {100u, 30u}) {
      for (const std::string& broken :
           jrl::testing::format_violations(text, width)) {
        ADD_FAILURE() << name << " at width " << width << ": " << broken;
      }
    }
  }
  return parsed;
}

std::vector<std::pair<std::string, std::string>> files_below(
    const fs::path& dir, bool jrl_only) {
  std::vector<std::pair<std::string, std::string>> texts;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    if (jrl_only && entry.path().extension() != ".jrl") continue;
    texts.emplace_back(entry.path().string(), read(entry.path()));
  }
  std::sort(texts.begin(), texts.end());
  return texts;
}

void report(const char* source, std::size_t files, std::size_t parsed) {
  std::printf("format properties: %s: %zu files, %zu of them parse\n", source,
              files, parsed);
}

TEST(FormatProperties, ShippedExamples) {
  std::vector<std::pair<std::string, std::string>> texts;
  for (const auto& entry : fs::directory_iterator(SOURCE_DIR / "examples")) {
    if (entry.path().extension() == ".jrl") {
      texts.emplace_back(entry.path().string(), read(entry.path()));
    }
  }
  const auto errors = files_below(SOURCE_DIR / "examples" / "errors", true);
  texts.insert(texts.end(), errors.begin(), errors.end());
  const std::size_t parsed = check_texts(texts);
  EXPECT_GE(parsed, 4u);
  report("examples", texts.size(), parsed);
}

TEST(FormatProperties, GuideExamples) {
  std::vector<std::pair<std::string, std::string>> texts;
  for (const auto& entry : fs::directory_iterator(SOURCE_DIR / "docs")) {
    if (entry.path().extension() != ".md") continue;
    const std::string doc = read(entry.path());
    std::size_t at = 0;
    while ((at = doc.find("```jrl\n", at)) != std::string::npos) {
      const std::size_t start = at + 7;
      const std::size_t end = doc.find("```", start);
      if (end == std::string::npos) break;
      texts.emplace_back(entry.path().string() + "@" + std::to_string(start),
                         doc.substr(start, end - start));
      at = end + 3;
    }
  }
  const std::size_t parsed = check_texts(texts);
  EXPECT_GT(parsed, 0u);
  report("guide blocks", texts.size(), parsed);
}

TEST(FormatProperties, FuzzCorpus) {
  const auto texts = files_below(SOURCE_DIR / "fuzz" / "corpus", false);
  const std::size_t parsed = check_texts(texts);
  EXPECT_GT(parsed, 0u);
  report("fuzz corpus", texts.size(), parsed);
}

TEST(FormatProperties, GeneratedFilesWithCommentsEverywhere) {
  std::mt19937 random(15);
  std::vector<std::pair<std::string, std::string>> texts;
  for (int i = 0; i < 3000; ++i) {
    std::vector<std::uint8_t> bytes(64 + random() % 512);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    jrl::fuzz::Choices choices(bytes);
    auto file = jrl::fuzz::generate_file(choices);
    if (!file.json) continue;  // nested past the limit
    texts.emplace_back("generated #" + std::to_string(i), std::move(file.text));
  }
  const std::size_t parsed = check_texts(texts);
  EXPECT_EQ(parsed, texts.size());
  report("generated", texts.size(), parsed);
}

}  // namespace
