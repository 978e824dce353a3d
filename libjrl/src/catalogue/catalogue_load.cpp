// Reading a catalogue from its JSON form. The JSON itself is read by
// nlohmann-json; this file checks what the catalogue format asks of it and
// names the entry and field of the first thing that is wrong.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>

#include <nlohmann/json.hpp>

#include "catalogue/catalogue_data.hpp"
#include "catalogue/course_code.hpp"
#include "catalogue/json_kind.hpp"
#include "jrl/departments.hpp"

namespace jrl {
namespace {

using Json = nlohmann::json;

// A fault inside the document; the loader adds the file.
struct Fault {
  std::optional<std::size_t> entry;
  std::string course;
  std::string field;
  std::string reason;
};

// Reads one entry of the catalogue; failures name the field.
class EntryReader {
 public:
  explicit EntryReader(Fault where) : where_(std::move(where)) {}

  std::unexpected<Fault> fail(std::string field, std::string reason) const {
    Fault f = where_;
    f.field = std::move(field);
    f.reason = std::move(reason);
    return std::unexpected(std::move(f));
  }

  // A list of distinct, non-empty strings.
  std::expected<std::vector<std::string>, Fault> names(const Json& v,
                                                       const std::string& field) const {
    if (!v.is_array()) return fail(field, expected_found("a list of names", v));
    std::vector<std::string> out;
    out.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
      const Json& item = v[i];
      const std::string at = field + "[" + std::to_string(i) + "]";
      if (!item.is_string()) return fail(at, expected_found("a name (a string)", item));
      std::string name = item.get<std::string>();
      if (name.empty()) return fail(at, "a name cannot be empty");
      if (std::ranges::find(out, name) != out.end()) {
        return fail(at, "\"" + name + "\" is listed twice");
      }
      out.push_back(std::move(name));
    }
    return out;
  }

  std::expected<ProgrammeNames, Fault> programme_names(const Json& v,
                                                       const std::string& field) const {
    if (!v.is_object()) {
      return fail(field, expected_found("an object of programme code to names", v));
    }
    ProgrammeNames out;
    for (const auto& [code, list] : v.items()) {
      if (code.empty()) return fail(field, "a programme code cannot be empty");
      auto got = names(list, field + "." + code);
      if (!got) return std::unexpected(std::move(got.error()));
      out.emplace(code, std::move(*got));
    }
    return out;
  }

 private:
  Fault where_;
};

bool is_department(std::string_view code) {
  const auto all = departments();
  return std::ranges::find(all, code) != all.end();
}

// Fills department, number and lab from the code, or says what is wrong.
std::optional<std::string> read_code(CatalogueCourse& c) {
  const auto code = read_course_code(c.code);
  if (!code) {
    return "\"" + c.code + "\" is not a course code such as \"MATH 1200\" or \"PHYS 1100L\"";
  }
  c.department = std::string(code->department_id);
  if (!is_department(c.department)) {
    return "\"" + c.department + "\" is not a department of the registry";
  }
  c.number = code->course_number;
  c.lab = code->lab;
  return std::nullopt;
}

std::expected<CatalogueCourse, Fault> read_course(const Json& v, std::size_t index) {
  EntryReader entry(Fault{index, {}, {}, {}});
  if (!v.is_object()) return entry.fail("", expected_found("a course object", v));
  const auto code = v.find("course");
  if (code == v.end()) return entry.fail("course", "every entry needs a course code");
  if (!code->is_string()) return entry.fail("course", expected_found("a string", *code));
  CatalogueCourse c;
  c.code = code->get<std::string>();
  if (auto bad = read_code(c)) return entry.fail("course", std::move(*bad));
  EntryReader reader(Fault{index, c.code, {}, {}});
  for (const auto& [key, value] : v.items()) {
    if (key == "course") continue;
    if (key == "title") {
      if (!value.is_string()) return reader.fail(key, expected_found("a string", value));
      c.title = value.get<std::string>();
    } else if (key == "credits") {
      if (!value.is_number()) return reader.fail(key, expected_found("a number", value));
      c.credits = value.get<double>();
      if (c.credits < 0) return reader.fail(key, "credits cannot be negative");
    } else if (key == "tags" || key == "distributions") {
      auto got = reader.names(value, key);
      if (!got) return std::unexpected(std::move(got.error()));
      (key == "tags" ? c.tags : c.distributions) = std::move(*got);
    } else if (key == "programme_tags" || key == "programme_distributions") {
      auto got = reader.programme_names(value, key);
      if (!got) return std::unexpected(std::move(got.error()));
      (key == "programme_tags" ? c.programme_tags : c.programme_distributions) =
          std::move(*got);
    } else {
      return reader.fail(key, "not a field of a course (title, credits, tags, distributions, "
                              "programme_tags, programme_distributions)");
    }
  }
  return c;
}

std::expected<Catalogue::Data, Fault> read_catalogue(const Json& doc) {
  EntryReader top(Fault{});
  if (!doc.is_object()) return top.fail("", expected_found("an object", doc));
  Catalogue::Data data;
  bool has_courses = false;
  for (const auto& [key, value] : doc.items()) {
    if (key == "name") {
      if (!value.is_string()) return top.fail(key, expected_found("a string", value));
      data.name = value.get<std::string>();
    } else if (key == "placements" || key == "programme_codes") {
      auto got = top.names(value, key);
      if (!got) return std::unexpected(std::move(got.error()));
      (key == "placements" ? data.placements : data.programme_codes) = std::move(*got);
    } else if (key == "courses") {
      has_courses = true;
      if (!value.is_array()) return top.fail(key, expected_found("a list of courses", value));
      data.courses.reserve(value.size());
      for (std::size_t i = 0; i < value.size(); ++i) {
        auto course = read_course(value[i], i);
        if (!course) return std::unexpected(std::move(course.error()));
        data.courses.push_back(std::move(*course));
      }
    } else {
      return top.fail(key, "not a field of a catalogue (name, courses, placements, "
                           "programme_codes)");
    }
  }
  if (!has_courses) return top.fail("courses", "a catalogue needs a list of courses");
  return data;
}

CatalogueError located(Fault f, std::string_view file) {
  return CatalogueError{std::string(file), f.entry, std::move(f.course), std::move(f.field),
                        std::move(f.reason)};
}

}  // namespace

std::string CatalogueError::message() const {
  std::string out = file + ":";
  if (entry) {
    out += " courses[" + std::to_string(*entry) + "]";
    if (!course.empty()) out += " (" + course + ")";
    out += ":";
  }
  if (!field.empty()) out += " \"" + field + "\":";
  return out + " " + reason;
}

std::expected<Catalogue, CatalogueError> Catalogue::parse(std::string_view json,
                                                          std::string_view name) {
  Json doc;
  try {
    doc = Json::parse(json.begin(), json.end());
  } catch (const Json::exception& e) {
    return std::unexpected(CatalogueError{std::string(name), {}, {}, {}, not_json_reason(e)});
  }
  auto data = read_catalogue(doc);
  if (!data) return std::unexpected(located(std::move(data.error()), name));
  // Duplicates are found once every entry is read, naming the second one.
  std::unordered_map<std::string_view, std::size_t> seen;
  for (std::size_t i = 0; i < data->courses.size(); ++i) {
    const CatalogueCourse& c = data->courses[i];
    const auto [at, fresh] = seen.emplace(c.code, i);
    if (!fresh) {
      return std::unexpected(CatalogueError{
          std::string(name), i, c.code, "course",
          "the same course as courses[" + std::to_string(at->second) + "]"});
    }
  }
  data->build_indexes();
  return Catalogue(std::make_shared<const Data>(std::move(*data)));
}

std::expected<Catalogue, CatalogueError> Catalogue::load(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  if (!in || !text) {
    return std::unexpected(
        CatalogueError{path.string(), {}, {}, {}, "cannot read the file"});
  }
  return parse(text.view(), path.string());
}

}  // namespace jrl
