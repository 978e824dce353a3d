#include "arguments.hpp"

namespace jrl_native {

PyObject* utf8_copy(PyObject* text, const char* what) {
  if (!PyUnicode_Check(text)) {
    PyErr_Format(PyExc_TypeError, "%s must be a str", what);
    return nullptr;
  }
  return PyUnicode_AsUTF8String(text);
}

bool count_argument(PyObject* value, const char* what, std::size_t least,
                    std::size_t& count) {
  if (!PyLong_Check(value)) {
    PyErr_Format(PyExc_TypeError, "%s must be an int", what);
    return false;
  }
  int overflow = 0;
  const long long given = PyLong_AsLongLongAndOverflow(value, &overflow);
  if (given == -1 && PyErr_Occurred()) return false;
  if (overflow < 0 ||
      (overflow == 0 && (given < 0 || static_cast<std::size_t>(given) < least))) {
    PyErr_Format(PyExc_ValueError, "%s must be at least %zu", what, least);
    return false;
  }
  count = overflow > 0 ? static_cast<std::size_t>(-1)
                       : static_cast<std::size_t>(given);
  return true;
}

}  // namespace jrl_native
