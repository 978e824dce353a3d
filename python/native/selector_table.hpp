// The package's view of the core's table of selector functions.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

// The module's selector_functions(): the table as tuples.
PyObject* selector_functions(PyObject* module, PyObject* unused);

}  // namespace jrl_native
