// The registry of the Wexmoor catalogue's department codes.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace jrl::wexmoor_departments {

// The registry source text, embedded at build time from departments.txt.
std::string_view departments_source();

// The lines of `text` (split at line feeds, a carriage return before a line
// feed dropped, no empty line after a final line feed) as views into it,
// sorted in ascending byte order. The registry is built with it.
std::vector<std::string_view> sorted_lines(std::string_view text);

// The registry as the library uses it: views into the source text, sorted
// in ascending byte order. Built once on first use (safe under concurrent
// first use), read-only afterwards, never empty.
struct DepartmentList {
  std::span<const std::string_view> get() const;
  operator std::span<const std::string_view>() const { return get(); }
  auto begin() const { return get().begin(); }
  auto end() const { return get().end(); }
  std::size_t size() const { return get().size(); }
  std::string_view operator[](std::size_t i) const { return get()[i]; }
};

inline constexpr DepartmentList WEXMOOR_DEPARTMENTS_LIST{};

// True when `department` equals one registered code exactly (case-sensitive).
bool is_department(std::string_view department);

}  // namespace jrl::wexmoor_departments
