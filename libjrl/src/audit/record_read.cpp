// Reading a student record from its JSON form. The JSON itself is read by
// nlohmann-json; this file checks what a record asks of it and names the
// field of the first thing that is wrong.
#include <fstream>
#include <istream>
#include <sstream>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "catalogue/course_code.hpp"
#include "catalogue/json_kind.hpp"
#include "jrl/record.hpp"

namespace jrl {
namespace {

using Json = nlohmann::json;

// A fault inside the record: the field and what is wrong with it.
struct Fault {
  std::string field;
  std::string reason;
};

std::unexpected<Fault> fail(std::string field, std::string reason) {
  return std::unexpected(Fault{std::move(field), std::move(reason)});
}

std::expected<std::string, Fault> text(const Json& v, const std::string& field) {
  if (!v.is_string()) return fail(field, expected_found("a string", v));
  return v.get<std::string>();
}

// A list of distinct, non-empty strings.
std::expected<std::vector<std::string>, Fault> names(const Json& v, const std::string& field) {
  if (!v.is_array()) return fail(field, expected_found("a list of names", v));
  std::vector<std::string> out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const std::string at = field + "[" + std::to_string(i) + "]";
    auto name = text(v[i], at);
    if (!name) return std::unexpected(std::move(name.error()));
    if (name->empty()) return fail(at, "a name cannot be empty");
    if (std::ranges::find(out, *name) != out.end()) {
      return fail(at, "\"" + *name + "\" is listed twice");
    }
    out.push_back(std::move(*name));
  }
  return out;
}

std::expected<std::string, Fault> course_code(const Json& v, const std::string& field) {
  auto code = text(v, field);
  if (code && !read_course_code(*code)) {
    return fail(field, "\"" + *code + "\" is not a course code such as \"MATH 1200\" or \"PHYS 1100L\"");
  }
  return code;
}

std::expected<Attempt, Fault> read_attempt(const Json& v, const std::string& at) {
  if (!v.is_object()) return fail(at, expected_found("an attempt object", v));
  Attempt a;
  const auto course = v.find("course");
  if (course == v.end()) return fail(at + ".course", "every attempt needs a course code");
  for (const auto& [key, value] : v.items()) {
    const std::string field = at + "." + key;
    if (key == "course") {
      auto got = course_code(value, field);
      if (!got) return std::unexpected(std::move(got.error()));
      a.course = std::move(*got);
    } else if (key == "term" || key == "grade") {
      auto got = text(value, field);
      if (!got) return std::unexpected(std::move(got.error()));
      (key == "term" ? a.term : a.grade) = std::move(*got);
    } else if (key == "credits") {
      if (!value.is_number()) return fail(field, expected_found("a number", value));
      a.credits = value.get<double>();
      if (*a.credits < 0) return fail(field, "credits cannot be negative");
    } else if (key == "status") {
      auto got = text(value, field);
      if (!got) return std::unexpected(std::move(got.error()));
      const auto status = attempt_status(*got);
      if (!status) {
        return fail(field, "expected one of completed, in-progress, planned, found \"" + *got + "\"");
      }
      a.status = *status;
    } else if (key == "tags") {
      auto got = names(value, field);
      if (!got) return std::unexpected(std::move(got.error()));
      a.tags = std::move(*got);
    } else {
      return fail(field, "not a field of an attempt (course, term, grade, credits, status, tags)");
    }
  }
  return a;
}

std::expected<RequirementRef, Fault> requirement_ref(const Json& v, const std::string& field) {
  if (v.is_number_unsigned()) return RequirementRef{v.get<std::size_t>()};
  if (v.is_string()) return RequirementRef{v.get<std::string>()};
  return fail(field, expected_found(
                         "a statement's index (from 0) or its description", v));
}

std::expected<std::vector<Substitution>, Fault> course_exceptions(const Json& v,
                                                                  const std::string& field) {
  if (!v.is_array()) return fail(field, expected_found("a list of {requirement, course}", v));
  std::vector<Substitution> out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const std::string at = field + "[" + std::to_string(i) + "]";
    const Json& e = v[i];
    if (!e.is_object()) return fail(at, expected_found("an object with requirement and course", e));
    Substitution s;
    for (const char* needed : {"requirement", "course"}) {
      if (!e.contains(needed)) return fail(at + "." + needed, std::string("missing: each needs a ") + needed);
    }
    for (const auto& [key, value] : e.items()) {
      if (key == "requirement") {
        auto got = requirement_ref(value, at + "." + key);
        if (!got) return std::unexpected(std::move(got.error()));
        s.requirement = std::move(*got);
      } else if (key == "course") {
        auto got = course_code(value, at + "." + key);
        if (!got) return std::unexpected(std::move(got.error()));
        s.course = std::move(*got);
      } else {
        return fail(at + "." + key, "not a field of an exception (requirement, course)");
      }
    }
    out.push_back(std::move(s));
  }
  return out;
}

std::expected<Exceptions, Fault> read_exceptions(const Json& v) {
  if (!v.is_object()) return fail("exceptions", expected_found("an object", v));
  Exceptions out;
  for (const auto& [key, value] : v.items()) {
    const std::string field = "exceptions." + key;
    if (key == "waive") {
      if (!value.is_array()) return fail(field, expected_found("a list of statements", value));
      for (std::size_t i = 0; i < value.size(); ++i) {
        auto got = requirement_ref(value[i], field + "[" + std::to_string(i) + "]");
        if (!got) return std::unexpected(std::move(got.error()));
        out.waive.push_back(std::move(*got));
      }
    } else if (key == "substitute" || key == "block") {
      auto got = course_exceptions(value, field);
      if (!got) return std::unexpected(std::move(got.error()));
      (key == "substitute" ? out.substitute : out.block) = std::move(*got);
    } else {
      return fail(field, "not a kind of exception (waive, substitute, block)");
    }
  }
  return out;
}

// Reads the record; `student` is set as soon as the record's id is known.
std::expected<StudentRecord, Fault> read_record(const Json& doc, std::string& student) {
  if (!doc.is_object()) return fail("", expected_found("a record object", doc));
  StudentRecord r;
  const auto id = doc.find("student");
  if (id == doc.end()) return fail("student", "every record needs a student id");
  auto got_id = text(*id, "student");
  if (!got_id) return std::unexpected(std::move(got_id.error()));
  if (got_id->empty()) return fail("student", "a student id cannot be empty");
  student = r.student = std::move(*got_id);
  for (const auto& [key, value] : doc.items()) {
    if (key == "student") continue;
    if (key == "placements") {
      auto got = names(value, key);
      if (!got) return std::unexpected(std::move(got.error()));
      r.placements = std::move(*got);
    } else if (key == "attempts") {
      if (!value.is_array()) return fail(key, expected_found("a list of attempts", value));
      r.attempts.reserve(value.size());
      for (std::size_t i = 0; i < value.size(); ++i) {
        auto a = read_attempt(value[i], "attempts[" + std::to_string(i) + "]");
        if (!a) return std::unexpected(std::move(a.error()));
        r.attempts.push_back(std::move(*a));
      }
    } else if (key == "exceptions") {
      auto got = read_exceptions(value);
      if (!got) return std::unexpected(std::move(got.error()));
      r.exceptions = std::move(*got);
    } else {
      return fail(key, "not a field of a record (student, placements, attempts, exceptions)");
    }
  }
  return r;
}

}  // namespace

std::string_view to_string(AttemptStatus status) {
  switch (status) {
    case AttemptStatus::completed: return "completed";
    case AttemptStatus::in_progress: return "in-progress";
    case AttemptStatus::planned: return "planned";
  }
  return "completed";
}

std::optional<AttemptStatus> attempt_status(std::string_view text) {
  for (AttemptStatus s : {AttemptStatus::completed, AttemptStatus::in_progress, AttemptStatus::planned}) {
    if (to_string(s) == text) return s;
  }
  return std::nullopt;
}

std::string RecordError::message() const {
  // Each part is followed by a colon; the first has no space before it.
  std::string out = file;
  if (line) {
    out += ':';
    out += std::to_string(*line);
  }
  if (!out.empty()) out += ':';
  if (!student.empty()) {
    out += out.empty() ? "student " : " student ";
    out += student;
    out += ':';
  }
  if (!field.empty()) {
    out += out.empty() ? "\"" : " \"";
    out += field;
    out += "\":";
  }
  if (!out.empty()) out += ' ';
  out += reason;
  return out;
}

std::expected<StudentRecord, RecordError> parse_record(std::string_view json, std::string_view file,
                                                       std::optional<std::size_t> line) {
  RecordError error{std::string(file), line, {}, {}, {}};
  Json doc;
  try {
    doc = Json::parse(json.begin(), json.end());
  } catch (const Json::exception& e) {
    error.reason = not_json_reason(e);
    return std::unexpected(std::move(error));
  }
  auto record = read_record(doc, error.student);
  if (record) return std::move(*record);
  error.field = std::move(record.error().field);
  error.reason = std::move(record.error().reason);
  return std::unexpected(std::move(error));
}

std::expected<StudentRecord, RecordError> load_record(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  if (in) content << in.rdbuf();
  if (!in || !content) {
    return std::unexpected(RecordError{path.string(), {}, {}, {}, "cannot read the file"});
  }
  return parse_record(content.view(), path.string());
}

void read_records(
    std::istream& in, std::string_view file,
    const std::function<void(std::size_t, std::expected<StudentRecord, RecordError>)>& each) {
  std::string text;
  std::size_t line = 0;
  while (std::getline(in, text)) {
    ++line;
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) continue;
    each(line, parse_record(text, file, line));
  }
  if (in.bad()) {
    each(line + 1, std::unexpected(RecordError{std::string(file), line + 1, {}, {},
                                               "cannot read the file"}));
  }
}

}  // namespace jrl
