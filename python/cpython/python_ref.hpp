// The CPython headers on the limited API, and an owning reference.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace pylibjrl {

// Owns one strong reference and drops it on scope exit, so that every early
// return and every C++ exception releases what it holds. Only used with the
// GIL held.
class Ref {
 public:
  Ref() = default;
  explicit Ref(PyObject* owned) noexcept : ptr_(owned) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { Py_XDECREF(ptr_); }

  PyObject* get() const noexcept { return ptr_; }
  explicit operator bool() const noexcept { return ptr_ != nullptr; }
  // Hands the reference to the caller.
  PyObject* release() noexcept {
    PyObject* owned = ptr_;
    ptr_ = nullptr;
    return owned;
  }

 private:
  PyObject* ptr_ = nullptr;
};

}  // namespace pylibjrl
