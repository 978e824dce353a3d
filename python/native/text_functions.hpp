// The package's functions over texts and the catalogue: check, format,
// statement_spans, departments and closest_department.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

// Their entries for the module's method table, ended by a null entry.
extern PyMethodDef text_function_methods[];

}  // namespace jrl_native
