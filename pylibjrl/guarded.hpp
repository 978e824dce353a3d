// Keeping C++ exceptions from crossing into the interpreter; shared by the
// extension modules.
#pragma once

#include <exception>
#include <new>
#include <string_view>

#include "python_ref.hpp"

namespace pylibjrl {

// Runs `body` and returns its result. A C++ exception becomes MemoryError
// for bad_alloc, else the exception that `Raise` sets for its message; the
// result is then null.
template <void (*Raise)(std::string_view), class Body>
PyObject* guarded_by(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return PyErr_NoMemory();
  } catch (const std::exception& e) {
    Raise(e.what());
  } catch (...) {
    Raise("unknown C++ exception");
  }
  return nullptr;
}

}  // namespace pylibjrl
