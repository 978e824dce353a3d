// Library tables as Python tuples.
#pragma once

#include <cstddef>

#include "parse_error.hpp"
#include "python_ref.hpp"

namespace jrl_native {

// A new tuple of one item, made by `item`, for each of `entries`; null with
// the error set when an item fails.
template <typename Entries, typename Item>
PyObject* tuple_of_entries(const Entries& entries, Item item) {
  pylibjrl::Ref tuple(PyTuple_New(static_cast<Py_ssize_t>(entries.size())));
  if (!tuple) return nullptr;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    PyObject* value = item(entries[i]);
    if (value == nullptr) return nullptr;
    PyTuple_SetItem(tuple.get(), static_cast<Py_ssize_t>(i), value);
  }
  return tuple.release();
}

// The tuple of `item` of each entry of the library table `table()`; made on
// the first call and shared after it, as the tables never change.
template <typename Table, typename Item>
PyObject* shared_tuple(PyObject*& cache, Table table, Item item) {
  if (cache == nullptr) {
    cache = guarded(
        [&]() -> PyObject* { return tuple_of_entries(table(), item); });
    if (cache == nullptr) return nullptr;
  }
  Py_INCREF(cache);
  return cache;
}

}  // namespace jrl_native
