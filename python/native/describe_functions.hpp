// The package's describe function: a programme in plain words.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

// Its entry for the module's method table, ended by a null entry.
extern PyMethodDef describe_methods[];

}  // namespace jrl_native
