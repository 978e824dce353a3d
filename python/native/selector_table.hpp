// The package's view of the core's table of selector functions.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

// selector_functions(), for the module's method table, ended by a null
// entry.
extern PyMethodDef selector_table_methods[];

}  // namespace jrl_native
