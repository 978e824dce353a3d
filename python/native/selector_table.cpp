#include "selector_table.hpp"

#include <initializer_list>

#include "jrl/selector_functions.hpp"
#include "model_objects.hpp"
#include "shared_tuple.hpp"

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
  return tuple_of({new_str(f.name), new_str(f.alternative), new_str(f.meaning),
                   tuple_of_entries(f.arguments(), argument)});
}

}  // namespace

// ((name, alternative, meaning, ((kind, label, field), ...)), ...), in the
// table's order.
PyObject* selector_functions(PyObject*, PyObject*) {
  static PyObject* functions = nullptr;
  return shared_tuple(
      functions, [] { return jrl::selector_functions(); }, function);
}

}  // namespace jrl_native
