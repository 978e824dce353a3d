// The package's what-if function: one record's standing in several
// prepared programmes, closest first.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

// Their entries for the module's method table, ended by a null entry.
extern PyMethodDef closest_methods[];

}  // namespace jrl_native
