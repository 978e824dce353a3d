// How a JSON reader names what it found where it expected something else:
// "expected a number, found a string".
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace jrl {

inline std::string json_kind(const nlohmann::json& v) {
  if (v.is_string()) return "a string";
  if (v.is_number()) return "a number";
  if (v.is_boolean()) return "true or false";
  if (v.is_null()) return "null";
  if (v.is_array()) return "a list";
  return "an object";
}

inline std::string expected_found(std::string_view what, const nlohmann::json& v) {
  return "expected " + std::string(what) + ", found " + json_kind(v);
}

// The reason nlohmann-json gives for text that is not JSON, without its
// exception's prefix: "not valid JSON: parse error at line 1, column 5: ...".
inline std::string not_json_reason(const nlohmann::json::exception& e) {
  const std::string what = e.what();
  const auto tail = what.find("] ");
  return "not valid JSON: " + (tail == std::string::npos ? what : what.substr(tail + 2));
}

}  // namespace jrl
