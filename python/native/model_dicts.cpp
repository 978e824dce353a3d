#include "model_dicts.hpp"

#include <cstddef>
#include <type_traits>
#include <variant>

#include "model_objects.hpp"
#include "records.hpp"

namespace jrl_native {
namespace {

// Interned key and tag strings, made once.
struct Keys {
  PyObject *version, *requirements, *query, *description, *priority, *quantity,
      *type, *selector, *department_id, *course_number, *lab, *Single, *Many,
      *from, *to, *Select, *Limit, *Class, *Placement, *Tag, *TagCode, *tag,
      *code, *Dist, *DistCode, *dist, *Range, *RangeDist, *RangeTag, *Query;
};
Keys keys;

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

PyObject* selector(const jrl::Selector& s) {
  namespace sel = jrl::selector;
  return std::visit(
      [](const auto& v) -> PyObject* {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, sel::Class>) {
          return tagged(keys.Class, course(v.value));
        } else if constexpr (std::is_same_v<T, sel::Placement>) {
          return tagged(keys.Placement, new_str(v.value));
        } else if constexpr (std::is_same_v<T, sel::Tag>) {
          return tagged(keys.Tag, new_str(v.value));
        } else if constexpr (std::is_same_v<T, sel::TagCode>) {
          return tagged(keys.TagCode, object({{keys.tag, new_str(v.tag)},
                                              {keys.code, new_str(v.code)}}));
        } else if constexpr (std::is_same_v<T, sel::Dist>) {
          return tagged(keys.Dist, new_str(v.value));
        } else if constexpr (std::is_same_v<T, sel::DistCode>) {
          return tagged(keys.DistCode, object({{keys.dist, new_str(v.dist)},
                                               {keys.code, new_str(v.code)}}));
        } else if constexpr (std::is_same_v<T, sel::Range>) {
          return tagged(keys.Range, object({{keys.from, course(v.from)},
                                            {keys.to, course(v.to)}}));
        } else if constexpr (std::is_same_v<T, sel::RangeDist>) {
          return tagged(keys.RangeDist, object({{keys.from, course(v.from)},
                                                {keys.to, course(v.to)},
                                                {keys.dist, new_str(v.dist)}}));
        } else if constexpr (std::is_same_v<T, sel::RangeTag>) {
          return tagged(keys.RangeTag, object({{keys.from, course(v.from)},
                                               {keys.to, course(v.to)},
                                               {keys.tag, new_str(v.tag)}}));
        } else {
          return tagged(keys.Query, query(v.value));
        }
      },
      s.value);
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
      {&keys.Class, "Class"},
      {&keys.Placement, "Placement"},
      {&keys.Tag, "Tag"},
      {&keys.TagCode, "TagCode"},
      {&keys.tag, "tag"},
      {&keys.code, "code"},
      {&keys.Dist, "Dist"},
      {&keys.DistCode, "DistCode"},
      {&keys.dist, "dist"},
      {&keys.Range, "Range"},
      {&keys.RangeDist, "RangeDist"},
      {&keys.RangeTag, "RangeTag"},
      {&keys.Query, "Query"},
  };
  for (const Entry& e : entries) {
    *e.slot = PyUnicode_InternFromString(e.text);
    if (*e.slot == nullptr) return false;
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
