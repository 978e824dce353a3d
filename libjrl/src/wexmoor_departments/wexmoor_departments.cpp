#include "wexmoor_departments/wexmoor_departments.hpp"

#include <algorithm>
#include <vector>

namespace jrl::wexmoor_departments {

std::vector<std::string_view> sorted_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const std::size_t next =
        end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) {
      end = text.size();
    } else if (end > start && text[end - 1] == '\r') {
      --end;
    }
    lines.push_back(text.substr(start, end - start));
    start = next;
  }
  // std::string_view compares bytes as unsigned char, so '&' sorts before
  // the letters and a prefix before the longer code it begins.
  std::stable_sort(lines.begin(), lines.end());
  lines.shrink_to_fit();
  return lines;
}

std::span<const std::string_view> DepartmentList::get() const {
  // A function-local static is initialised exactly once, and concurrent
  // first callers wait for it to finish.
  static const std::vector<std::string_view> list =
      sorted_lines(departments_source());
  return list;
}

bool is_department(std::string_view department) {
  const std::span<const std::string_view> list = WEXMOOR_DEPARTMENTS_LIST;
  return std::binary_search(list.begin(), list.end(), department);
}

}  // namespace jrl::wexmoor_departments
