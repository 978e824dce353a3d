// A failed parse as a jrl.ParseError with the fields of its error chain.
#pragma once

#include <string>
#include <string_view>

#include "guarded.hpp"
#include "jrl/error.hpp"
#include "python_ref.hpp"

namespace jrl_native {

using pylibjrl::Ref;

// The jrl.ParseError class, set once at module start.
extern PyObject* parse_error_class;

// Raises ParseError for `error`, a failure of parsing `input`; `path` (a str
// or None) names the file in the report's header. A fault of the library
// itself raises SystemError instead.
void raise_parse_error(const jrl::Error& error, std::string_view input,
                       PyObject* path);

// The path (a str) as a report names it, UTF-8. The name of a file whose
// name is not UTF-8 comes as os.fsdecode gives it, each such byte a lone
// surrogate; the report shows those bytes as \xff. False with the error set.
bool path_text(PyObject* path, std::string& text);

// Raises SystemError for a fault of this module, never of the input.
void raise_internal(std::string_view message);

// Runs `body` and keeps every C++ exception from crossing into the
// interpreter: returns its result, or null with a Python error set.
template <class Body>
PyObject* guarded(Body&& body) noexcept {
  return pylibjrl::guarded_by<raise_internal>(static_cast<Body&&>(body));
}

}  // namespace jrl_native
