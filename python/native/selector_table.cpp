#include "selector_table.hpp"

#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "jrl/selector_functions.hpp"
#include "model_objects.hpp"
#include "parse_error.hpp"

namespace jrl_native {
namespace {

// A tuple of `items`, stealing them; null (the others released) when one
// is null.
PyObject* tuple_of(std::initializer_list<PyObject*> items) {
  Ref tuple(PyTuple_New(static_cast<Py_ssize_t>(items.size())));
  Py_ssize_t i = 0;
  bool ok = static_cast<bool>(tuple);
  for (PyObject* item : items) {
    if (ok && item != nullptr) {
      PyTuple_SetItem(tuple.get(), i++, item);
    } else {
      ok = false;
      Py_XDECREF(item);
    }
  }
  return ok ? tuple.release() : nullptr;
}

PyObject* argument(const jrl::SelectorArgument& a) {
  return tuple_of(
      {new_str(a.kind == jrl::ArgumentKind::course ? "course" : "string"),
       new_str(a.label), new_str(a.field)});
}

PyObject* function(const jrl::SelectorFunction& f) {
  Ref arguments(PyTuple_New(static_cast<Py_ssize_t>(f.arity)));
  if (!arguments) return nullptr;
  for (std::size_t i = 0; i < f.arity; ++i) {
    PyObject* item = argument(f.argument_slots[i]);
    if (item == nullptr) return nullptr;
    PyTuple_SetItem(arguments.get(), static_cast<Py_ssize_t>(i), item);
  }
  return tuple_of({new_str(f.name), new_str(f.alternative),
                   new_str(f.meaning), arguments.release()});
}

// ((name, alternative, meaning, ((kind, label, field), ...)), ...), in the
// table's order.
PyObject* selector_functions(PyObject*, PyObject*) {
  return guarded([]() -> PyObject* {
    const auto table = jrl::selector_functions();
    Ref tuple(PyTuple_New(static_cast<Py_ssize_t>(table.size())));
    if (!tuple) return nullptr;
    for (std::size_t i = 0; i < table.size(); ++i) {
      PyObject* item = function(table[i]);
      if (item == nullptr) return nullptr;
      PyTuple_SetItem(tuple.get(), static_cast<Py_ssize_t>(i), item);
    }
    return tuple.release();
  });
}

}  // namespace

PyMethodDef selector_table_methods[] = {
    {"selector_functions", selector_functions, METH_NOARGS,
     "selector_functions()\n--\n\nThe core's table of selector functions, as "
     "tuples."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace jrl_native
