// The package's functions over a whole file's text: fix, and check_utf8,
// which checks a file's bytes with its reports naming it.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

// Their entries for the module's method table, ended by a null entry.
extern PyMethodDef file_check_methods[];

}  // namespace jrl_native
