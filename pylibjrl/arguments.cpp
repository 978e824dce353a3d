#include "arguments.hpp"

namespace pylibjrl {

PyObject* bind_single_argument(const char* function, const char* param,
                               PyObject* args, PyObject* kwargs) {
  const Py_ssize_t positional = PyTuple_Size(args);
  if (positional < 0) return nullptr;
  if (positional > 1) {
    PyErr_Format(PyExc_TypeError,
                 "%s takes 1 positional arguments but %zd were given", function,
                 positional);
    return nullptr;
  }
  PyObject* value = positional == 1 ? PyTuple_GetItem(args, 0) : nullptr;
  if (kwargs != nullptr) {
    Py_ssize_t pos = 0;
    PyObject* key = nullptr;
    PyObject* item = nullptr;
    while (PyDict_Next(kwargs, &pos, &key, &item)) {
      if (!PyUnicode_Check(key)) {
        PyErr_Format(PyExc_TypeError, "%s keywords must be strings", function);
        return nullptr;
      }
      if (PyUnicode_CompareWithASCIIString(key, param) != 0) {
        PyErr_Format(PyExc_TypeError,
                     "%s got an unexpected keyword argument '%U'", function,
                     key);
        return nullptr;
      }
      if (value != nullptr) {
        PyErr_Format(PyExc_TypeError,
                     "%s got multiple values for argument '%s'", function,
                     param);
        return nullptr;
      }
      value = item;
    }
  }
  if (value == nullptr) {
    PyErr_Format(PyExc_TypeError,
                 "%s missing 1 required positional argument: '%s'", function,
                 param);
  }
  return value;
}

Ref utf8_copy(PyObject* value, const char* param) {
  if (!PyUnicode_Check(value)) {
    // The limited API has no access to tp_name before 3.11; ask the type.
    Ref type_name(PyObject_GetAttrString(
        reinterpret_cast<PyObject*>(Py_TYPE(value)), "__name__"));
    if (type_name) {
      PyErr_Format(PyExc_TypeError,
                   "argument '%s': '%S' object is not an instance of 'str'",
                   param, type_name.get());
    }
    return Ref();
  }
  return Ref(PyUnicode_AsUTF8String(value));
}

std::string_view bytes_view(PyObject* bytes) {
  char* data = nullptr;
  Py_ssize_t size = 0;
  // Cannot fail for an exact bytes object when the size is asked for.
  PyBytes_AsStringAndSize(bytes, &data, &size);
  return {data, static_cast<std::size_t>(size)};
}

}  // namespace pylibjrl
