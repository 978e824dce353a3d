// The query model written back as requirements text: jrl.dumps.
#pragma once

#include <string>

#include "jrl/jrl.hpp"
#include "python_ref.hpp"

namespace jrl_native {

// `file` as plain requirements text, one statement a line, which parses to
// `file` again; jrl::format gives it its canonical layout. A priority of 1,
// the language's default, is left out, and a query of one selector is
// written without brackets.
std::string model_text(const jrl::JRLQueryFile& file);

// The module's functions over the object model (jrl.dumps, the selector
// table, the loader of flat pickles), ended by a null entry.
extern PyMethodDef model_methods[];

}  // namespace jrl_native
