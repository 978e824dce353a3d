#include "errors.hpp"

#include <string>

namespace pylibjrl {
namespace {

// Created on first use and kept for the life of the process. It is not a
// module attribute: the module exposes `parse` alone.
PyObject* internal_error_class() {
  static PyObject* cls = nullptr;
  if (cls == nullptr) {
    cls = PyErr_NewExceptionWithDoc(
        "pylibjrl.InternalError",
        "A fault inside pylibjrl itself, never caused by the input.",
        PyExc_BaseException, nullptr);
  }
  return cls;
}

}  // namespace

void raise_error(const jrl::Error& error) {
  PyObject* cls =
      error.is_internal() ? internal_error_class() : PyExc_ValueError;
  if (cls == nullptr) return;
  const std::string text = error.render();
  raise_with_text(cls, text);
}

void raise_internal(std::string_view message) {
  PyObject* cls = internal_error_class();
  if (cls != nullptr) raise_with_text(cls, message);
}

}  // namespace pylibjrl
