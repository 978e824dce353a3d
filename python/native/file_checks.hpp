// The package's functions over a whole file's text: fix, and check_utf8,
// which checks a file's bytes with its reports naming it.
#pragma once

#include <string_view>

#include "jrl/diagnostics.hpp"
#include "python_ref.hpp"

namespace jrl_native {

// The diagnostics of `text` as a list of Diagnostic objects, made with the
// lock released; with a `name`, each report names the file so. Null with
// the error set.
PyObject* diagnostic_list(std::string_view text,
                          const jrl::CheckOptions& options,
                          std::string_view name = {});

// Their entries for the module's method table, ended by a null entry.
extern PyMethodDef file_check_methods[];

}  // namespace jrl_native
