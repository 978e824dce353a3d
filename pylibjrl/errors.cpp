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

// Sets `cls` with `text` as its message. Invalid UTF-8 cannot come from the
// core; should it ever, the message is still raised, with replacement
// characters.
void set_error(PyObject* cls, std::string_view text) {
  Ref message(PyUnicode_DecodeUTF8(
      text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
  if (message) PyErr_SetObject(cls, message.get());
}

}  // namespace

void raise_error(const jrl::Error& error) {
  PyObject* cls =
      error.is_internal() ? internal_error_class() : PyExc_ValueError;
  if (cls == nullptr) return;
  const std::string text = error.render();
  set_error(cls, text);
}

void raise_internal(std::string_view message) {
  PyObject* cls = internal_error_class();
  if (cls != nullptr) set_error(cls, message);
}

}  // namespace pylibjrl
