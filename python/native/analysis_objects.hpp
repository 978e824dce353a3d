// jrl.analyse(): one reading of a text as the package's objects, an
// Analysis of its diagnostics, statements and the requirements that built.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

// The module's `analyse` and `_analysed_file`.
extern PyMethodDef analysis_methods[];

}  // namespace jrl_native
