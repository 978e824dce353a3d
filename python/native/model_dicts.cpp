#include "model_dicts.hpp"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "model_objects.hpp"
#include "records.hpp"

namespace jrl_native {
namespace {

// Interned key and tag strings, made once.
struct Keys {
  PyObject *version, *requirements, *query, *description, *priority, *quantity,
      *type, *selector, *department_id, *course_number, *lab, *Single, *Many,
      *from, *to, *Select, *Limit, *Query;
};
Keys keys;

// For each selector function, in table order: its tag and the keys of its
// arguments.
struct FunctionKeys {
  PyObject* alternative = nullptr;
  std::array<PyObject*, jrl::MAX_SELECTOR_ARGUMENTS> fields{};
};
std::array<FunctionKeys, jrl::selector_functions().size()> function_keys;

// Sets `key` to `value` in `dict`, stealing `value`; false on failure.
bool put(PyObject* dict, PyObject* key, PyObject* value) {
  if (value == nullptr) return false;
  const int status = PyDict_SetItem(dict, key, value);
  Py_DECREF(value);
  return status == 0;
}

// {key: value}, stealing `value`.
PyObject* tagged(PyObject* key, PyObject* value) {
  if (value == nullptr) return nullptr;
  PyObject* dict = PyDict_New();
  if (dict != nullptr && !put(dict, key, value)) {
    Py_DECREF(dict);
    return nullptr;
  }
  if (dict == nullptr) Py_DECREF(value);
  return dict;
}

// A dict of (key, value) pairs, stealing the values.
PyObject* object(std::initializer_list<std::pair<PyObject*, PyObject*>> items) {
  PyObject* dict = PyDict_New();
  bool ok = dict != nullptr;
  for (const auto& [key, value] : items) {
    if (ok) {
      ok = put(dict, key, value);
    } else {
      Py_XDECREF(value);
    }
  }
  if (!ok) {
    Py_XDECREF(dict);
    return nullptr;
  }
  return dict;
}

PyObject* course(const jrl::Class& c) {
  return object({{keys.department_id, new_str(c.department_id)},
                 {keys.course_number, small_int(c.course_number)},
                 {keys.lab, PyBool_FromLong(c.lab)}});
}

PyObject* query(const jrl::JRLQuery& q);

PyObject* argument(const jrl::Class& c) { return course(c); }
PyObject* argument(std::string_view text) { return new_str(text); }

// {"Tag": "x"} for one argument, {"Range": {"from": ..., "to": ...}} for more.
template <typename First, typename... Rest>
PyObject* call(const jrl::SelectorFunction& function, const First& first,
               const Rest&... rest) {
  const FunctionKeys& k =
      function_keys[static_cast<std::size_t>(
          &function - jrl::selector_functions().data())];
  if constexpr (sizeof...(Rest) == 0) {
    return tagged(k.alternative, argument(first));
  } else {
    std::size_t i = 1;
    return tagged(k.alternative,
                  object({{k.fields[0], argument(first)},
                          {k.fields[i++], argument(rest)}...}));
  }
}

PyObject* selector(const jrl::Selector& s) {
  return jrl::visit(
      s, jrl::Overloaded{[](const jrl::SelectorFunction& function,
                            const auto&... args) -> PyObject* {
                           return call(function, args...);
                         },
                         [](const jrl::JRLQuery& nested) -> PyObject* {
                           return tagged(keys.Query, query(nested));
                         }});
}

PyObject* quantity(const jrl::Quantity& q) {
  if (const auto* single = std::get_if<jrl::quantity::Single>(&q)) {
    return tagged(keys.Single, small_int(single->count));
  }
  const auto& many = std::get<jrl::quantity::Many>(q);
  return tagged(keys.Many, object({{keys.from, small_int(many.from)},
                                   {keys.to, small_int(many.to)}}));
}

PyObject* query(const jrl::JRLQuery& q) {
  PyObject* list = PyList_New(static_cast<Py_ssize_t>(q.selector.size()));
  if (list != nullptr) {
    for (std::size_t i = 0; i < q.selector.size(); ++i) {
      PyObject* item = selector(q.selector[i]);
      if (item == nullptr) {
        Py_DECREF(list);
        list = nullptr;
        break;
      }
      PyList_SetItem(list, static_cast<Py_ssize_t>(i), item);
    }
  }
  PyObject* type =
      q.type == jrl::JRLQueryType::Limit ? keys.Limit : keys.Select;
  Py_INCREF(type);
  return object({{keys.quantity, quantity(q.quantity)},
                 {keys.type, type},
                 {keys.selector, list}});
}

}  // namespace

bool init_dict_keys() {
  struct Entry {
    PyObject** slot;
    const char* text;
  };
  const Entry entries[] = {
      {&keys.version, "version"},
      {&keys.requirements, "requirements"},
      {&keys.query, "query"},
      {&keys.description, "description"},
      {&keys.priority, "priority"},
      {&keys.quantity, "quantity"},
      {&keys.type, "type"},
      {&keys.selector, "selector"},
      {&keys.department_id, "department_id"},
      {&keys.course_number, "course_number"},
      {&keys.lab, "lab"},
      {&keys.Single, "Single"},
      {&keys.Many, "Many"},
      {&keys.from, "from"},
      {&keys.to, "to"},
      {&keys.Select, "Select"},
      {&keys.Limit, "Limit"},
      {&keys.Query, "Query"},
  };
  for (const Entry& e : entries) {
    *e.slot = PyUnicode_InternFromString(e.text);
    if (*e.slot == nullptr) return false;
  }
  const auto intern = [](std::string_view text) {
    return PyUnicode_InternFromString(std::string(text).c_str());
  };
  for (std::size_t i = 0; i < function_keys.size(); ++i) {
    const jrl::SelectorFunction& f = jrl::selector_functions()[i];
    function_keys[i].alternative = intern(f.alternative);
    if (function_keys[i].alternative == nullptr) return false;
    for (std::size_t j = 0; j < f.arity; ++j) {
      function_keys[i].fields[j] = intern(f.argument_slots[j].field);
      if (function_keys[i].fields[j] == nullptr) return false;
    }
  }
  return true;
}

PyObject* file_dict(const jrl::JRLQueryFile& file) {
  PyObject* list =
      PyList_New(static_cast<Py_ssize_t>(file.requirements.size()));
  if (list != nullptr) {
    for (std::size_t i = 0; i < file.requirements.size(); ++i) {
      const jrl::JRLRequirement& r = file.requirements[i];
      PyObject* item = object({{keys.query, query(r.query)},
                               {keys.description, new_str(r.description)},
                               {keys.priority, small_int(r.priority)}});
      if (item == nullptr) {
        Py_DECREF(list);
        list = nullptr;
        break;
      }
      PyList_SetItem(list, static_cast<Py_ssize_t>(i), item);
    }
  }
  return object(
      {{keys.version, new_str(file.version)}, {keys.requirements, list}});
}

}  // namespace jrl_native
