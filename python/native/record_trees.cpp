#include "record_trees.hpp"

#include <cstddef>
#include <limits>
#include <span>
#include <vector>

#include "parse_error.hpp"
#include "records.hpp"
#include "shared_tuple.hpp"

namespace jrl_native {
namespace {

// A record whose records and tuples nest deeper than this pickles flat: the
// pickler recurses a few frames per level, and the default recursion limit
// must leave room for the caller's own frames.
constexpr std::size_t SHALLOW_DEPTH = 16;

// What a step of the flat form does with its value.
enum Step : long {
  // Pushes the value.
  push_value = 0,
  // Pops as many values as the value, a record class, has fields, and
  // pushes the record made of them.
  build_record = 1,
  // Pops the value's number of values and pushes them as a tuple.
  build_tuple = 2,
};

// Records and exact tuples are walked into; anything else is a leaf.
// (Every record class has at least one field.)
bool is_branch(PyObject* object) {
  return PyTuple_CheckExact(object) || !record_fields(object).empty();
}

Py_ssize_t size_of(PyObject* branch) {
  const std::span<PyObject* const> fields = record_fields(branch);
  return fields.empty() ? PyTuple_Size(branch)
                        : static_cast<Py_ssize_t>(fields.size());
}

PyObject* child_of(PyObject* branch, Py_ssize_t i) {
  const std::span<PyObject* const> fields = record_fields(branch);
  return fields.empty() ? PyTuple_GetItem(branch, i)
                        : fields[static_cast<std::size_t>(i)];
}

enum class Walked { done, failed, too_deep };

// Visits the tree under the record `root` in post-order: each leaf through
// `leaf(object)`, each record and tuple through `branch(object, size)` once
// its children are done; either returns false with a Python error set to
// stop. Gives too_deep, having stopped, where a path holds more than
// `max_depth` records and tuples. Children are borrowed: `root` is held by
// the caller and nothing under it can change.
template <class Leaf, class Branch>
Walked walk(PyObject* root, std::size_t max_depth, Leaf leaf, Branch branch) {
  struct Frame {
    PyObject* object;
    Py_ssize_t next;
    Py_ssize_t size;
  };
  std::vector<Frame> frames{{root, 0, size_of(root)}};
  while (!frames.empty()) {
    Frame& top = frames.back();
    if (top.next == top.size) {
      if (!branch(top.object, top.size)) return Walked::failed;
      frames.pop_back();
      continue;
    }
    PyObject* item = child_of(top.object, top.next++);
    if (!is_branch(item)) {
      if (!leaf(item)) return Walked::failed;
    } else if (frames.size() == max_depth) {
      return Walked::too_deep;
    } else {
      frames.push_back({item, 0, size_of(item)});
    }
  }
  return Walked::done;
}

bool add_step(PyObject* steps, Step step, PyObject* value) {
  if (value == nullptr) return false;
  Ref owned(value);
  Ref code(PyLong_FromLong(step));
  return code && PyList_Append(steps, code.get()) == 0 &&
         PyList_Append(steps, value) == 0;
}

// The steps that rebuild `root`, as a tuple: (code, value) pairs in one flat
// sequence. `leaf` gives the value kept for each leaf, a new reference.
template <class Leaf>
PyObject* steps_of(PyObject* root, Leaf leaf) {
  Ref steps(PyList_New(0));
  if (!steps) return nullptr;
  const Walked walked = walk(
      root, std::numeric_limits<std::size_t>::max(),
      [&](PyObject* object) {
        return add_step(steps.get(), Step::push_value, leaf(object));
      },
      [&](PyObject* object, Py_ssize_t size) {
        if (PyTuple_CheckExact(object)) {
          return add_step(steps.get(), Step::build_tuple,
                          PyLong_FromSsize_t(size));
        }
        PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(object));
        Py_INCREF(type);
        return add_step(steps.get(), Step::build_record, type);
      });
  return walked == Walked::done ? PyList_AsTuple(steps.get()) : nullptr;
}

PyObject* malformed() {
  PyErr_SetString(PyExc_ValueError, "not the steps of a jrl record");
  return nullptr;
}

// Runs `steps` on a stack of values; the one value left is the result.
PyObject* rebuild(PyObject* steps) {
  if (!PyTuple_Check(steps)) return malformed();
  const Py_ssize_t count = PyTuple_Size(steps);
  if (count % 2 != 0) return malformed();
  Ref stack(PyList_New(0));
  if (!stack) return nullptr;
  for (Py_ssize_t i = 0; i < count; i += 2) {
    PyObject* code = PyTuple_GetItem(steps, i);
    PyObject* value = PyTuple_GetItem(steps, i + 1);
    const long step = PyLong_Check(code) ? PyLong_AsLong(code) : -1;
    if (step == -1 && PyErr_Occurred()) PyErr_Clear();
    const Py_ssize_t depth = PyList_Size(stack.get());
    Py_ssize_t taken = 0;
    if (step == Step::push_value) {
      if (PyList_Append(stack.get(), value) < 0) return nullptr;
      continue;
    } else if (step == Step::build_record && PyType_Check(value)) {
      taken = static_cast<Py_ssize_t>(
          record_field_count(reinterpret_cast<PyTypeObject*>(value)));
      if (taken == 0) return malformed();
    } else if (step == Step::build_tuple && PyLong_Check(value)) {
      taken = PyLong_AsSsize_t(value);
      if (taken < 0) {
        PyErr_Clear();
        return malformed();
      }
    } else {
      return malformed();
    }
    if (taken > depth) return malformed();
    Ref items(PyList_GetSlice(stack.get(), depth - taken, depth));
    if (!items ||
        PyList_SetSlice(stack.get(), depth - taken, depth, nullptr) < 0) {
      return nullptr;
    }
    Ref fields(PyList_AsTuple(items.get()));
    if (!fields) return nullptr;
    Ref made(step == Step::build_tuple
                 ? fields.release()
                 : PyObject_CallObject(value, fields.get()));
    if (!made || PyList_Append(stack.get(), made.get()) < 0) return nullptr;
  }
  if (PyList_Size(stack.get()) != 1) return malformed();
  PyObject* result = PyList_GetItem(stack.get(), 0);
  Py_INCREF(result);
  return result;
}

}  // namespace

PyObject* records_from_steps(PyObject*, PyObject* steps) {
  return guarded([&] { return rebuild(steps); });
}

PyObject* reduce_record(PyObject* self) {
  return guarded([&]() -> PyObject* {
    const auto any = [](auto&&...) { return true; };
    if (walk(self, SHALLOW_DEPTH, any, any) == Walked::done) {
      Ref args(tuple_of_entries(record_fields(self), [](PyObject* field) {
        Py_INCREF(field);
        return field;
      }));
      if (!args) return nullptr;
      return Py_BuildValue("(OO)", reinterpret_cast<PyObject*>(Py_TYPE(self)),
                           args.get());
    }
    Ref steps(steps_of(self, [](PyObject* leaf) {
      Py_INCREF(leaf);
      return leaf;
    }));
    if (!steps) return nullptr;
    Ref module(PyImport_ImportModule("jrl._native"));
    if (!module) return nullptr;
    Ref load(PyObject_GetAttrString(module.get(), "_records_from_steps"));
    if (!load) return nullptr;
    return Py_BuildValue("(O(O))", load.get(), steps.get());
  });
}

PyObject* deepcopy_record(PyObject* self, PyObject* memo) {
  return guarded([&]() -> PyObject* {
    Ref copy_module(PyImport_ImportModule("copy"));
    if (!copy_module) return nullptr;
    Ref deepcopy(PyObject_GetAttrString(copy_module.get(), "deepcopy"));
    if (!deepcopy) return nullptr;
    Ref steps(steps_of(self, [&](PyObject* leaf) {
      return PyObject_CallFunctionObjArgs(deepcopy.get(), leaf, memo, nullptr);
    }));
    return steps ? rebuild(steps.get()) : nullptr;
  });
}

}  // namespace jrl_native
