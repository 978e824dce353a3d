// The file a student's report is written to under `jrl audit --output DIR`:
// named from the student's id, safe on any common file system.
#pragma once

#include <string>
#include <string_view>

namespace jrl::cli {

// `student` as the stem of a file name. Letters, digits, '.', '_' and '-'
// stay; every other byte becomes %XX (upper-case hex), '%' included, so two
// ids never share a stem. A leading '.' is encoded too (no hidden files, no
// "." or ".."), and so is the first letter of a name a Windows system
// reserves for a device (CON, NUL, COM1, ...); an empty id is "_". A stem longer than
// MAX_STEM bytes is cut there, never inside a %XX; ids cut to the same stem
// are told apart as colliding ones are (see AuditFolder).
std::string file_stem(std::string_view student);

// The key under which two stems name the same file where names ignore
// case: its ASCII letters in lower case (the stem has no other letters).
std::string case_folded(std::string_view stem);

// A stem as the relative URL of its file: '%' written %25.
std::string stem_href(std::string_view stem);

inline constexpr std::size_t MAX_STEM = 200;

}  // namespace jrl::cli
