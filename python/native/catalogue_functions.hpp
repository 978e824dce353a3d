// The package's catalogue functions: loading a catalogue and the courses a
// requirement selects from it.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

// Their entries for the module's method table, ended by a null entry.
extern PyMethodDef catalogue_methods[];

}  // namespace jrl_native
