// The extension modules' one policy for faults of their own: no C++
// exception crosses into the interpreter. Running out of memory raises
// MemoryError; any other exception, and any fault the library reports as
// its own, raises the module's internal-error class with the message.
#pragma once

#include <exception>
#include <new>
#include <string_view>

#include "python_ref.hpp"

namespace pylibjrl {

// Sets `cls` with `text` as its message. Invalid UTF-8 cannot come from the
// core; should it ever, the message is still raised, with replacement
// characters.
inline void raise_with_text(PyObject* cls, std::string_view text) {
  Ref message(PyUnicode_DecodeUTF8(
      text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
  if (message) PyErr_SetObject(cls, message.get());
}

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
