// The immutable value classes of the `jrl` package: one native type per
// record of the model, all built by one generic implementation.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <span>

#include "python_ref.hpp"

namespace jrl_native {

using pylibjrl::Ref;

// Every record class, in the order their types are created. The selector
// classes follow Selector, their common base.
enum class Record : std::size_t {
  Span,
  Course,
  Single,
  Many,
  Query,
  Requirement,
  Class,
  Placement,
  Tag,
  TagDept,
  Dist,
  DistDept,
  Range,
  RangeDist,
  RangeTag,
  NestedQuery,
  TextEdit,
  Suggestion,
  Note,
  Diagnostic,
  DiagnosticCode,
  Statement,
  Analysis,
  count,
};

// Creates the Selector base and every record type and adds them to
// `module`. Returns false with the Python error set.
bool add_record_types(PyObject* module);

// A new instance of `record` holding `fields` in declared order, the span
// last where the class has one. Steals every reference in `fields`. A null
// field (a failed creation, its error set) releases the others and gives
// null.
PyObject* make_record(Record record, std::initializer_list<PyObject*> fields);

// The fields of `object`, the span last where its class has one, when it is
// a record; empty for any other object. Borrowed.
std::span<PyObject* const> record_fields(PyObject* object);

// The number of fields of a record class (its span included); 0 for any
// other type.
std::size_t record_field_count(PyTypeObject* type);

// The number `value` as a Python int; the ints of 16-bit values are made once
// and shared. A new reference, null on failure.
PyObject* small_int(std::size_t value);

}  // namespace jrl_native
