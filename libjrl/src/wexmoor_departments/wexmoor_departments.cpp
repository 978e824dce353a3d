#include "wexmoor_departments/wexmoor_departments.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
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
  // the letters and a prefix before the longer code it begins. Equal lines
  // are the same text, so their order does not matter (and std::sort, unlike
  // libstdc++ 12's stable_sort, builds warning-free with clang in C++23).
  std::sort(lines.begin(), lines.end());
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

namespace {

std::uint32_t pack4(std::string_view code) {
  std::uint32_t value;
  std::memcpy(&value, code.data(), 4);
  return value;
}

// The four-byte codes (every code a course can name) in an open-addressing
// table: a lookup is a multiply and, almost always, one compare. No code
// packs to 0, which marks an empty slot.
class FourByteCodes {
 public:
  FourByteCodes() {
    for (std::string_view code : WEXMOOR_DEPARTMENTS_LIST) {
      if (code.size() != 4) continue;
      const std::uint32_t key = pack4(code);
      std::size_t i = slot(key);
      while (slots_[i] != 0 && slots_[i] != key) i = (i + 1) % SIZE;
      slots_[i] = key;
    }
  }
  bool contains(std::uint32_t key) const {
    for (std::size_t i = slot(key);; i = (i + 1) % SIZE) {
      if (slots_[i] == key) return key != 0;
      if (slots_[i] == 0) return false;
    }
  }

 private:
  // Comfortably more than twice the registry, so probes stay short and an
  // empty slot always ends them.
  static constexpr std::size_t SIZE = 512;
  static std::size_t slot(std::uint32_t key) {
    return (key * 0x9E3779B1u) >> 23;
  }
  std::array<std::uint32_t, SIZE> slots_{};
};

}  // namespace

bool is_department(std::string_view department) {
  if (department.size() == 4) {
    static const FourByteCodes codes;
    return codes.contains(pack4(department));
  }
  const std::span<const std::string_view> list = WEXMOOR_DEPARTMENTS_LIST;
  return std::binary_search(list.begin(), list.end(), department);
}

}  // namespace jrl::wexmoor_departments
