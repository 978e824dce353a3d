// A course catalogue: the courses a requirements file can select, with their
// titles, credits, tags and distributions, and the placement names and
// programme codes that a file may use. Loaded from the JSON form that
// docs/catalogue.schema.json describes.
//
//   auto cat = jrl::Catalogue::load("examples/catalogue/wexmoor.json");
//   if (!cat) std::cerr << cat.error().message() << '\n';
//   for (const jrl::CatalogueCourse* c : cat->courses_for(requirement)) ...
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jrl/model.hpp"

namespace jrl {

// Names that hold for one programme only, by programme code.
using ProgrammeNames = std::map<std::string, std::vector<std::string>, std::less<>>;

struct CatalogueCourse {
  std::string code;        // as a requirements file writes it: "PHYS 1100L"
  std::string department;  // "PHYS"
  std::uint16_t number = 0;
  bool lab = false;
  std::string title;
  double credits = 0;
  std::vector<std::string> tags;           // for every programme
  std::vector<std::string> distributions;  // for every programme
  ProgrammeNames programme_tags;
  ProgrammeNames programme_distributions;

  // The course as the model writes it (views `department`).
  Class as_class() const { return {department, number, lab}; }
};

// Why a catalogue did not load. `entry` and `course` are set when the fault
// is inside a course entry, `field` when it is in one field.
struct CatalogueError {
  std::string file;                  // the path, or the name given to parse()
  std::optional<std::size_t> entry;  // index in "courses", from 0
  std::string course;                // the entry's code, when it has one
  std::string field;                 // e.g. "credits", "programme_tags.CSCI-BS"
  std::string reason;

  // One line: `wexmoor.json: courses[12] (MATH 1200): "credits": expected a
  // number, found a string`.
  std::string message() const;
};

class Catalogue {
 public:
  // `name` stands for the file in error messages.
  static std::expected<Catalogue, CatalogueError> parse(std::string_view json,
                                                        std::string_view name);
  static std::expected<Catalogue, CatalogueError> load(
      const std::filesystem::path& path);

  const std::string& name() const;  // the catalogue's "name", or empty
  std::span<const CatalogueCourse> courses() const;
  std::span<const std::string> placements() const;
  std::span<const std::string> programme_codes() const;

  // The course with exactly this department, number and lab flag, or null.
  const CatalogueCourse* find(const Class& course) const;

  // The courses the selector selects, in catalogue order, each once; a
  // nested statement selects what any selector inside it selects, and a
  // placement selects no course.
  std::vector<const CatalogueCourse*> courses_for(const Selector& selector) const;
  // The courses any selector anywhere in the requirement selects.
  std::vector<const CatalogueCourse*> courses_for(
      const JRLRequirement& requirement) const;

  // Whether any course carries the name, for any programme.
  bool has_tag(std::string_view tag) const;
  bool has_distribution(std::string_view distribution) const;

  struct Data;  // the courses and their indexes

 private:
  explicit Catalogue(std::shared_ptr<const Data> data) : data_(std::move(data)) {}
  std::shared_ptr<const Data> data_;
};

}  // namespace jrl
