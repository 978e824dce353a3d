// What the fields of the record classes accept when built by hand: the
// language's rules, with the parser's messages where it has one, so that a
// record built from Python holds only what a file can say. The parser's
// own records are valid by construction and skip these checks.
#pragma once

#include <cstdint>
#include <span>

#include "python_ref.hpp"
#include "records.hpp"

namespace jrl_native {

enum class Accepts : std::uint8_t {
  anything,       // kept as given (the diagnostics' records)
  tuple,          // any iterable, kept as a tuple
  text,           // a str a file can hold between quotes
  department,     // a registered code of four capitals or `&`
  course_number,  // 0 to 9999: four digits
  count,          // a Single's count: 1 to 65535
  bound,          // a Many's bound: 0 to 65535
  priority,       // 0 to 65535
  position,       // a line or column: from 1
  flag,           // a bool
  kind,           // Kind.SELECT or Kind.LIMIT
  quantity,       // a Single or a Many
  selectors,      // one or more selectors, kept as a tuple
  query,          // a Query
  course,         // a Course
  span,           // a Span or None
};

// The value the field keeps for `value`, a new reference: `value` itself,
// or the exact str, int or tuple it stands for. Null with a TypeError (a
// value of the wrong type) or a ValueError (one the language does not
// allow) whose message names the class (`record`, as "Course") and the
// field.
PyObject* accept_field(const char* record, const char* field, Accepts accepts,
                       PyObject* value);

// The rules between the fields of a record of class `record`, each field
// already accepted: a Many's bounds in order, no LIMIT nested, a
// requirement's query as a top-level statement may be. False with a
// ValueError naming the field.
bool accept_record(Record record, std::span<PyObject* const> fields);

}  // namespace jrl_native
