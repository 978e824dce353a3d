// Turning core errors and C++ exceptions into Python exceptions.
#pragma once

#include <string_view>

#include "guarded.hpp"
#include "jrl/error.hpp"
#include "python_ref.hpp"

namespace pylibjrl {

// Sets the Python error for a failed core operation: ValueError with the
// rendered chain, or the internal-error class when the library itself
// failed.
void raise_error(const jrl::Error& error);

// Sets the internal-error exception (a BaseException subclass, since it
// means a fault of this module and not of the caller's input).
void raise_internal(std::string_view message);

// Runs `body` and keeps every C++ exception from crossing into the
// interpreter: returns its result, or null with a Python error set.
template <class Body>
PyObject* guarded(Body&& body) noexcept {
  return pylibjrl::guarded_by<raise_internal>(static_cast<Body&&>(body));
}

}  // namespace pylibjrl
