#include "field_rules.hpp"

#include <algorithm>
#include <climits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jrl/departments.hpp"
#include "jrl/model_rules.hpp"
#include "jrl/parse.hpp"
#include "model_objects.hpp"

namespace jrl_native {
namespace {

constexpr long long MAX_U16 = 65535;
constexpr long long MAX_COURSE_NUMBER = 9999;

// The parser's messages for the same faults.
using jrl::model_rules::MALFORMED_DEPARTMENT;
using jrl::model_rules::NESTED_LIMIT;
using jrl::model_rules::NUMBER_TOO_LARGE;
using jrl::model_rules::RANGE_FROM_ZERO;
using jrl::model_rules::UNKNOWN_DEPARTMENT;
using jrl::model_rules::ZERO_QUANTITY;

// The name of `object`'s type, for a message; a new reference.
PyObject* type_name(PyObject* object) {
  return PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(object)),
                                "__name__");
}

PyObject* wrong_type(const char* record, const char* field,
                     const char* expected, PyObject* value) {
  Ref name(type_name(value));
  if (!name) return nullptr;
  PyErr_Format(PyExc_TypeError, "%s() argument '%s' must be %s, not %U",
               record, field, expected, name.get());
  return nullptr;
}

// A ValueError naming the field, and its value when `value` is given.
PyObject* wrong_value(const char* record, const char* field, PyObject* value,
                      const std::string& message) {
  if (value != nullptr) {
    PyErr_Format(PyExc_ValueError, "%s() argument '%s' (%R): %s", record,
                 field, value, message.c_str());
  } else {
    PyErr_Format(PyExc_ValueError, "%s() argument '%s': %s", record, field,
                 message.c_str());
  }
  return nullptr;
}

PyObject* new_ref(PyObject* object) {
  Py_INCREF(object);
  return object;
}

// The UTF-8 of a str a file can hold between quotes (any character but a
// line break; a quote is written doubled), a new bytes object; null with
// the error set otherwise.
PyObject* file_text(const char* record, const char* field, PyObject* value) {
  if (!PyUnicode_Check(value)) return wrong_type(record, field, "a str", value);
  PyObject* utf8 = PyUnicode_AsUTF8String(value);
  if (utf8 == nullptr) {
    PyErr_Clear();
    return wrong_value(record, field, nullptr,
                       "a string in a file is UTF-8, which cannot hold a lone "
                       "surrogate");
  }
  const std::string_view text = bytes_view(utf8);
  if (text.find_first_of("\r\n") != std::string_view::npos) {
    Py_DECREF(utf8);
    return wrong_value(record, field, nullptr,
                       "a string in a file cannot hold a line break");
  }
  return utf8;
}

// The exact str of a str `value` (itself when it is one).
PyObject* exact_str(PyObject* value) { return PyUnicode_FromObject(value); }

PyObject* department(const char* record, const char* field, PyObject* value) {
  Ref utf8(file_text(record, field, value));
  if (!utf8) return nullptr;
  const std::string_view code = bytes_view(utf8.get());
  if (!jrl::model_rules::well_formed_department(code)) {
    return wrong_value(record, field, value, std::string(MALFORMED_DEPARTMENT));
  }
  if (!jrl::model_rules::registered_department(code)) {
    std::string message(UNKNOWN_DEPARTMENT);
    if (const auto closest = jrl::closest_department(code)) {
      message += " (Did you mean: " + std::string(*closest) + ")";
    }
    return wrong_value(record, field, value, message);
  }
  return exact_str(value);
}

// An int from `low` to `high`, as an exact int; `below` is the message for
// one below `low`, `above` for one above `high` (by default the parser's).
PyObject* integer(const char* record, const char* field, PyObject* value,
                  long long low, long long high, std::string_view below,
                  std::string_view above = {}) {
  if (!PyLong_Check(value) || PyBool_Check(value)) {
    return wrong_type(record, field, "an int", value);
  }
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(value, &overflow);
  if (number == -1 && PyErr_Occurred()) return nullptr;
  if (overflow < 0 || (overflow == 0 && number < low)) {
    return wrong_value(record, field, value, std::string(below));
  }
  if (overflow > 0 || number > high) {
    return wrong_value(record, field, value,
                       !above.empty() ? std::string(above)
                                      : std::string(NUMBER_TOO_LARGE) +
                                            " (at most " +
                                            std::to_string(high) + ")");
  }
  return number <= MAX_U16 ? small_int(static_cast<std::size_t>(number))
                           : PyLong_FromLongLong(number);
}

PyObject* record_of(const char* record, const char* field, PyObject* value,
                    std::initializer_list<Record> allowed,
                    const char* expected) {
  const Record kind = record_kind(value);
  if (std::ranges::find(allowed, kind) == allowed.end()) {
    return wrong_type(record, field, expected, value);
  }
  return new_ref(value);
}

bool is_selector(PyObject* value) {
  const auto kind = static_cast<std::size_t>(record_kind(value));
  return kind >= static_cast<std::size_t>(Record::Class) &&
         kind <= static_cast<std::size_t>(Record::NestedQuery);
}

PyObject* selectors(const char* record, const char* field, PyObject* value) {
  Ref tuple(PySequence_Tuple(value));
  if (!tuple) {
    if (!PyErr_ExceptionMatches(PyExc_TypeError)) return nullptr;
    PyErr_Clear();
    return wrong_type(record, field, "an iterable of selectors", value);
  }
  const Py_ssize_t size = PyTuple_Size(tuple.get());
  if (size == 0) {
    return wrong_value(record, field, nullptr,
                       "a query selects from at least one selector");
  }
  for (Py_ssize_t i = 0; i < size; ++i) {
    PyObject* item = PyTuple_GetItem(tuple.get(), i);
    if (!is_selector(item)) {
      return wrong_type(record, field,
                        "an iterable of selectors (Class ... NestedQuery)",
                        item);
    }
  }
  return tuple.release();
}

// Whether `query` (a Query record) nests no more statements than the parser
// reads, itself counted as the first.
bool nests_within_limit(PyObject* query) {
  std::vector<std::pair<PyObject*, std::size_t>> pending{{query, 1}};
  while (!pending.empty()) {
    const auto [next, level] = pending.back();
    pending.pop_back();
    PyObject* items = record_fields(next)[2];
    for (Py_ssize_t i = 0; i < PyTuple_Size(items); ++i) {
      PyObject* item = PyTuple_GetItem(items, i);
      if (record_kind(item) != Record::NestedQuery) continue;
      if (level == jrl::MAX_NESTING_DEPTH) return false;
      pending.emplace_back(record_fields(item)[0], level + 1);
    }
  }
  return true;
}

long long int_field(PyObject* record, std::size_t i) {
  return PyLong_AsLongLong(record_fields(record)[i]);
}

}  // namespace

PyObject* accept_field(const char* record, const char* field, Accepts accepts,
                       PyObject* value) {
  switch (accepts) {
    case Accepts::anything:
      return new_ref(value);
    case Accepts::tuple:
      return PySequence_Tuple(value);
    case Accepts::text: {
      Ref utf8(file_text(record, field, value));
      return utf8 ? exact_str(value) : nullptr;
    }
    case Accepts::department:
      return department(record, field, value);
    case Accepts::course_number:
      return integer(record, field, value, 0, MAX_COURSE_NUMBER,
                     "a course number cannot be negative",
                     "a course number has four digits, from 0 to 9999");
    case Accepts::count:
      return integer(record, field, value, 1, MAX_U16, ZERO_QUANTITY);
    case Accepts::bound:
    case Accepts::priority:
      return integer(record, field, value, 0, MAX_U16,
                     "a number in a file cannot be negative");
    case Accepts::position:
      return integer(record, field, value, 1, LLONG_MAX,
                     "lines and columns count from 1");
    case Accepts::flag:
      if (!PyBool_Check(value)) return wrong_type(record, field, "a bool", value);
      return new_ref(value);
    case Accepts::kind:
      if (value != kind_members.select && value != kind_members.limit) {
        return wrong_type(record, field, "a jrl.Kind", value);
      }
      return new_ref(value);
    case Accepts::quantity:
      return record_of(record, field, value, {Record::Single, Record::Many},
                       "a Single or a Many");
    case Accepts::selectors:
      return selectors(record, field, value);
    case Accepts::query:
      return record_of(record, field, value, {Record::Query}, "a Query");
    case Accepts::course:
      return record_of(record, field, value, {Record::Course}, "a Course");
    case Accepts::span:
      if (value == Py_None) return new_ref(value);
      return record_of(record, field, value, {Record::Span}, "a Span or None");
  }
  PyErr_SetString(PyExc_SystemError, "a field of no known kind");
  return nullptr;
}

bool accept_record(Record record, std::span<PyObject* const> fields) {
  switch (record) {
    case Record::Many: {
      const long long low = PyLong_AsLongLong(fields[0]);
      const long long high = PyLong_AsLongLong(fields[1]);
      if (high < low) {
        wrong_value("Many", "high", nullptr,
                    jrl::model_rules::reversed_range(
                        static_cast<std::uint32_t>(low),
                        static_cast<std::uint32_t>(high)));
        return false;
      }
      return true;
    }
    case Record::NestedQuery:
      if (record_fields(fields[0])[0] == kind_members.limit) {
        wrong_value("NestedQuery", "query", nullptr, std::string(NESTED_LIMIT));
        return false;
      }
      return true;
    case Record::Requirement: {
      PyObject* quantity = record_fields(fields[0])[1];
      if (record_kind(quantity) == Record::Many && int_field(quantity, 0) == 0) {
        wrong_value("Requirement", "query", nullptr,
                    std::string(RANGE_FROM_ZERO));
        return false;
      }
      if (!nests_within_limit(fields[0])) {
        wrong_value("Requirement", "query", nullptr,
                    jrl::model_rules::nesting_too_deep());
        return false;
      }
      return true;
    }
    default:
      return true;
  }
}

}  // namespace jrl_native
