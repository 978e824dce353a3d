// Binding of the single text argument of parse() and JRL(), and its copy to
// UTF-8.
#pragma once

#include <string_view>

#include "python_ref.hpp"

namespace pylibjrl {

// Binds exactly one parameter `param` from a call's positional tuple and
// keyword dict (which may be null), with Python's TypeError texts under the
// name `function` (e.g. "parse()"). Returns a borrowed reference, or null
// with TypeError set.
PyObject* bind_single_argument(const char* function, const char* param,
                               PyObject* args, PyObject* kwargs);

// The UTF-8 copy of a `str` (or subclass) argument, as a bytes object. Any
// other type gives TypeError "argument 'PARAM': ..."; text that UTF-8 cannot
// encode gives the interpreter's own UnicodeEncodeError.
Ref utf8_copy(PyObject* value, const char* param);

// A view of the bytes held by `bytes` (an exact bytes object, as utf8_copy
// returns), valid while it lives.
std::string_view bytes_view(PyObject* bytes);

}  // namespace pylibjrl
